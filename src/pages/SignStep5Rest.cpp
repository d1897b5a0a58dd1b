// The communication-ID page: the fields locked as the mode requires, Cancel held while it is
// shown, and the report of the last server result.
#include "pages/SignStep5Rest.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

namespace {

constexpr int kCommNameLimit = 16;
constexpr int kLoginIdLimit = 40;
constexpr int kPasswordLimit = 8;

}  // namespace

const ui::MessageEntry<CSignStep5Rest> CSignStep5Rest::kMessageMap[3] = {
    {ui::EN_UPDATE, IDC_LOGIN_ID, &CSignStep5Rest::UpdateNextButton},
    {ui::EN_UPDATE, IDC_LOGIN_PASSWORD, &CSignStep5Rest::UpdateNextButton},
    {ui::EN_UPDATE, IDC_COMM_NAME, &CSignStep5Rest::UpdateNextButton},
};

CSignStep5Rest::CSignStep5Rest() : CSignPage(IDD_COMM_ID_PAGE, IDB_COMM_ID) {}

void CSignStep5Rest::DoDataExchange(ui::DataExchange& dx) {
  // The limits are for what a person types: a login the server issued (shown read-only after a
  // signup) is read back whole, or the page would show and send a password that is not the one.
  auto typed = [this](int id, int limit) {
    const ui::Control* c = GetDlgItem(id);
    return c != nullptr && c->IsReadOnly() ? 0 : limit;
  };
  dx.Bind(IDC_COMM_ID_LOG, logEdit);
  dx.Text(IDC_COMM_NAME, Comm_name, kCommNameLimit);
  dx.Text(IDC_LOGIN_ID, LoginID, typed(IDC_LOGIN_ID, kLoginIdLimit));
  dx.Text(IDC_LOGIN_PASSWORD, LoginPasswd, typed(IDC_LOGIN_PASSWORD, kPasswordLimit));
}

bool CSignStep5Rest::OnInitDialog() {
  CSignPage::OnInitDialog();
  PlaceControls();
  // Login ID and password are typed without Japanese conversion.
  for (int id : {IDC_LOGIN_ID, IDC_LOGIN_PASSWORD})
    if (ui::Control* c = GetDlgItem(id)) c->SetInputMethod(ui::InputMethod::Detached);
  return true;
}

bool CSignStep5Rest::OnSetActive() {
  ui::WaitCursor wait;
  CSignApp* app = App();
  CSignStart* sheet = Sheet();
  const bool newSignup = app->mode == WizardMode::NewSignup;
  sheet->SetStandardButtons();
  // A signup cannot be undone.
  if (newSignup) sheet->DisableButton(ui::ID_WIZBACK);
  sheet->DisableButton(ui::IDCANCEL);
  Comm_name = app->Comm_name;
  LoginID = app->LoginID;
  LoginPasswd = app->LoginPasswd;
  if (newSignup) {
    // The account just issued is shown as it is, the password in clear, to be noted down.
    if (ui::Control* login = GetDlgItem(IDC_LOGIN_ID); login && !LoginID.empty())
      login->SetReadOnly(true);
    if (ui::Control* password = GetDlgItem(IDC_LOGIN_PASSWORD); password && !LoginPasswd.empty()) {
      password->SetReadOnly(true);
      password->SetPasswordChar(0);
    }
    if (ui::Control* name = GetDlgItem(IDC_COMM_NAME)) name->SetFocus();
    ServerProtocol::AppendProgress(logEdit, res::String(IDS_SIGNUP_DONE), 0);
  } else {
    ServerProtocol::AppendProgress(logEdit, res::String(IDS_RECOVERY_NOTICE), 0);
  }
  UpdateData(false);
  UpdateNextButton();
  if (submitted) {
    const int result = app->lastServerResult;
    if (result < 0) {
      const int code = app->FailureCode();
      ServerProtocol::AppendProgress(
          logEdit, res::String(newSignup ? IDS_SIGNUP_ERROR : IDS_RECOVERY_ERROR), code);
    } else if (result > 0) {
      ServerProtocol::AppendProgress(logEdit, app->serverMessage, 0);
    }
  }
  return CSignPage::OnSetActive();
}

void CSignStep5Rest::UpdateNextButton() {
  UpdateData(true);
  Sheet()->EnableButton(ui::ID_WIZNEXT,
                        !Comm_name.empty() && !LoginID.empty() && !LoginPasswd.empty());
}

void CSignStep5Rest::KeepEntries() {
  CSignApp* app = App();
  UpdateData(true);
  app->Comm_name = Comm_name;
  app->LoginID = LoginID;
  app->LoginPasswd = LoginPasswd;
}

LRESULT CSignStep5Rest::OnWizardNext() {
  KeepEntries();
  submitted = 1;
  if (logEdit != nullptr) logEdit->SetWindowText("");
  return 0;
}

LRESULT CSignStep5Rest::OnWizardBack() {
  CSignStart* sheet = Sheet();
  // Every activation fills the fields from the settings record: what the user typed is kept
  // there, or coming back would show it gone.
  KeepEntries();
  sheet->EnableButton(ui::IDCANCEL, true);
  switch (App()->mode) {
    case WizardMode::ExistingAccount:
      sheet->SetActivePage(CSignStart::kTermsPage);
      return -1;
    case WizardMode::Recovery:
      sheet->SetActivePage(CSignStart::kStartPage);
      return -1;
    default:
      return 0;
  }
}

bool CSignStep5Rest::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || CSignPage::OnCommand(code, id);
}
