// The mail-account dialog (IDD_MAIL_ACCOUNT): the notice about the mail account issued with the
// signup and the account's address, login, password and servers. Only OK is offered.
#pragma once

#include "ui/framework.h"

class CMailAccountDlg : public ui::Dialog {
 public:
  static constexpr int kTemplateId = IDD_MAIL_ACCOUNT;
  static constexpr int kNoticeEdit = IDC_MAIL_NOTICE;
  static constexpr int kAccountEdit = IDC_MAIL_ACCOUNT;

  // The completion page opens it when the user presses Finish.
  explicit CMailAccountDlg(ui::Window* parent = nullptr);

 protected:
  // Fills the notice and the account from the settings record.
  bool OnInitDialog() override;
};
