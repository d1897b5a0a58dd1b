// The completion page: the network information the provider issued, to be noted down, off-line;
// only Finish is offered, which shows the mail-account dialog before the wizard closes.
#pragma once

#include "pages/SignPage.h"

class CSignStep7End : public CSignPage {
 public:
  CSignStep7End();

  ui::Control* summaryEdit = nullptr;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnSetActive() override;
  bool OnWizardFinish() override;
};
