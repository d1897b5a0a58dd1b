// The signup confirmation page: the summary, the connection, the signup transaction and its three
// kinds of failure.
#include "pages/SignStep4User.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep4User::CSignStep4User() : CSignPage(IDD_CONFIRM_PAGE, IDB_CONFIRM) {}

void CSignStep4User::DoDataExchange(ui::DataExchange& dx) {
  dx.Bind(IDC_CONFIRM_SUMMARY, summaryEdit);
}

bool CSignStep4User::OnInitDialog() {
  CSignPage::OnInitDialog();
  PlaceControls();
  return true;
}

bool CSignStep4User::OnSetActive() {
  Sheet()->SetYesNoButtons();
  SetDlgItemText(IDC_CONFIRM_LOG, res::String(IDS_CONFIRM_QUESTION));
  std::string summary;
  App()->FormatUserSummary(summary);
  SetDlgItemText(IDC_CONFIRM_SUMMARY, summary);
  return CSignPage::OnSetActive();
}

LRESULT CSignStep4User::OnWizardNext() {
  ui::WaitCursor wait;
  CSignApp* app = App();
  CSignStart* sheet = Sheet();
  // The entries survive a failed signup.
  if (!app->SaveUserInfo("")) CSignSettings::ShowFailedSave(false);
  sheet->EnableBackNext(false);
  if (!app->EnsureConnected(this)) {
    sheet->EnableBackNext(true);
    return -1;
  }
  app->DiscoverProxyOnce();
  ServerProtocol::AppendProgress(GetDlgItem(IDC_CONFIRM_LOG), res::String(IDS_SIGNUP_STARTING), 0);
  app->RunSignup();
  const int result = app->lastServerResult;
  if (result == 0) {
    // Back and Next stay disabled until the next page sets its own. The account exists now
    // whether or not it could be stored: the next pages show it either way.
    if (!app->SaveNetInfo("")) CSignSettings::ShowFailedSave(true);
    return 0;
  }
  if (result < 0) {
    const int code = app->FailureCode();
    ServerProtocol::ShowServerError(IDS_COMMUNICATION_ERROR, code);
  } else {
    ui::MessageBox(app->serverMessage, ui::MB_ICONSTOP | ui::MB_OK);
  }
  // A failed signup sends the user back to the entries.
  sheet->SetActivePage(CSignStart::kUserPage);
  sheet->EnableBackNext(true);
  return -1;
}
