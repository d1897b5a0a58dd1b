// The mail-account dialog: notice text and the issued account, formatted from the settings.
#include "netconfig/MailAccountDialog.h"

#include "settings/SignSettings.h"

CMailAccountDlg::CMailAccountDlg(ui::Window* parent) : ui::Dialog(kTemplateId, parent) {}

bool CMailAccountDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  ui::Control* notice = GetDlgItem(kNoticeEdit);
  ui::Control* account = GetDlgItem(kAccountEdit);
  if (notice != nullptr && account != nullptr) {
    const CSignSettings* settings = CSignSettings::Current();
    notice->SetWindowText(res::String(IDS_MAIL_NOTICE));
    account->SetWindowText(ui::Format(res::String(IDS_MAIL_ACCOUNT_FORMAT), settings->E_mail,
                                      settings->Pop_id, settings->Pop_password, settings->Pop_host,
                                      settings->Smtp_host));
  }
  return true;
}
