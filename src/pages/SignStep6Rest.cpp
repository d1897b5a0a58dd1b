// The communication information page: the summary, the connection (with the recovery account on
// the first Next of recovery mode), verification, the communication ID and their failures.
#include "pages/SignStep6Rest.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep6Rest::CSignStep6Rest() : CSignPage(IDD_COMM_INFO_PAGE, IDB_COMM_INFO) {}

void CSignStep6Rest::DoDataExchange(ui::DataExchange& dx) {
  dx.Bind(IDC_COMM_SUMMARY, summaryEdit);
}

bool CSignStep6Rest::OnInitDialog() {
  CSignPage::OnInitDialog();
  PlaceControls();
  return true;
}

bool CSignStep6Rest::OnSetActive() {
  ui::WaitCursor wait;
  CSignApp* app = App();
  CSignStart* sheet = Sheet();
  sheet->SetYesNoButtons();
  sheet->EnableButton(ui::IDCANCEL, true);
  SetDlgItemText(IDC_COMM_INFO_LOG,
                 res::String(app->mode == WizardMode::NewSignup ? IDS_CONFIRM_QUESTION
                                                                : IDS_RECOVERY_QUESTION));
  SetDlgItemText(IDC_COMM_SUMMARY, ui::Format(res::String(IDS_COMM_SUMMARY), app->LoginID,
                                              app->LoginPasswd, app->Comm_name));
  return CSignPage::OnSetActive();
}

LRESULT CSignStep6Rest::OnWizardBack() {
  Sheet()->SetStandardButtons();
  return 0;
}

bool CSignStep6Rest::Connect() {
  CSignApp* app = App();
  if (app->mode == WizardMode::Recovery && firstConnection) {
    if (app->IsLanChosen(app->profileServerUrl)) return true;
    if (!app->ConnectForServer(firstConnection != 0, this)) return false;
    firstConnection = 0;
    return true;
  }
  return app->EnsureConnected(this);
}

LRESULT CSignStep6Rest::OnWizardNext() {
  ui::WaitCursor wait;
  CSignApp* app = App();
  CSignStart* sheet = Sheet();
  sheet->EnableBackNext(false);
  if (!Connect()) {
    sheet->EnableBackNext(true);
    return -1;
  }
  app->DiscoverProxyOnce();
  // The name typed on the previous page: a recovery reply without a communication ID empties
  // the record's, and the request must carry the user's.
  const std::string commName = app->Comm_name;
  int result = VerifyAccount();
  if (result == 0) result = ObtainCommunicationId(commName);
  if (result == 0) {
    // The completion page shows everything to note down, stored or not.
    if (!app->SaveNetInfo("")) CSignSettings::ShowFailedSave(true);
    return 0;
  }
  // The user finds the name typed before on the communication-ID page, not an emptied field.
  if (app->Comm_id.empty()) app->Comm_name = commName;
  sheet->EnableBackNext(true);
  app->lastServerResult = result;
  sheet->SetActivePage(CSignStart::kCommunicationIdPage);
  return -1;
}

int CSignStep6Rest::VerifyAccount() {
  CSignApp* app = App();
  ui::Control* log = GetDlgItem(IDC_COMM_INFO_LOG);
  const bool recovery = app->mode == WizardMode::Recovery;
  ServerProtocol::AppendProgress(
      log, res::String(recovery ? IDS_RECOVERY_STARTING : IDS_ACCOUNT_CHECKING), 0);
  std::string reply;
  if (!app->RunRecovery(reply)) {
    const int result = app->lastServerResult;
    std::string text;
    int code = 0;
    if (result > 0) {
      text = app->serverMessage;
    } else {
      code = app->FailureCode();
      text =
          res::String(app->mode == WizardMode::NewSignup ? IDS_SIGNUP_ERROR : IDS_RECOVERY_ERROR);
    }
    ServerProtocol::AppendProgress(log, text, code);
    // The texts open with the line break that spaces the log's entries; the box starts with the
    // words. The server's own message is shown as it came.
    const bool spaced = result <= 0 && text.rfind("\r\n", 0) == 0;
    ServerProtocol::ShowServerError(spaced ? text.substr(2) : text, code);
  }
  return app->lastServerResult;
}

int CSignStep6Rest::ObtainCommunicationId(const std::string& commName) {
  CSignApp* app = App();
  // The account has a communication ID already: nothing is sent.
  if (!app->Comm_id.empty()) return 0;
  ui::Control* log = GetDlgItem(IDC_COMM_INFO_LOG);
  ServerProtocol::AppendProgress(log, res::String(IDS_COMM_ID_REQUESTING), 0);
  const int result = app->RequestCommunicationId("", "", app->LoginID, app->LoginPasswd, commName);
  if (result < 0) {
    const int code = app->FailureCode();
    ServerProtocol::AppendProgress(log, res::String(IDS_COMM_ID_FAILED), code);
    ServerProtocol::ShowServerError(IDS_COMM_ID_FAILED, code);
  } else if (result > 0) {
    ServerProtocol::AppendProgress(log, app->serverMessage, 0);
    ui::MessageBox(app->serverMessage, ui::MB_ICONSTOP | ui::MB_OK);
  }
  return result;
}
