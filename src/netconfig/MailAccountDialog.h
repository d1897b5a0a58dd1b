// The mail-account dialog (template 147): the notice about the mail account issued with the
// signup and the account's address, login, password and servers. Only OK is offered.
#pragma once

#include "ui/framework.h"

class CMailAccountDlg : public ui::Dialog {
 public:
  static constexpr int kTemplateId = 147;
  static constexpr int kNoticeEdit = 1101;
  static constexpr int kAccountEdit = 1097;

  // The completion page opens it when the user presses Finish.
  explicit CMailAccountDlg(ui::Window* parent = nullptr);

 protected:
  // Fills the notice and the account from the settings record.
  bool OnInitDialog() override;
};
