// The mail-account dialog: notice text and the issued account, formatted from the settings.
#include "netconfig/MailAccountDialog.h"

#include "app/SignApp.h"

namespace {

constexpr UINT kTextAccountFormat = 178;
constexpr UINT kTextNotice = 179;

}  // namespace

CMailAccountDlg::CMailAccountDlg(ui::Window* parent) : ui::Dialog(kTemplateId, parent) {}

bool CMailAccountDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  ui::Control* notice = GetDlgItem(kNoticeEdit);
  ui::Control* account = GetDlgItem(kAccountEdit);
  if (notice != nullptr && account != nullptr) {
    const CSignApp* app = CSignApp::Get();
    notice->SetWindowText(ui::LoadString(kTextNotice));
    account->SetWindowText(ui::Format(ui::LoadString(kTextAccountFormat), app->E_mail, app->Pop_id,
                                      app->Pop_password, app->Pop_host, app->Smtp_host));
  }
  return true;
}
