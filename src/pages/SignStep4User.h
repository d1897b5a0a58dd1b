// The signup confirmation page: shows what the user entered and, on "はい", connects and sends the
// signup; on failure it reports why and returns to the user information page.
#pragma once

#include "pages/SignPage.h"

class CSignStep4User : public CSignPage {
 public:
  CSignStep4User();

  ui::Control* summaryEdit = nullptr;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardNext() override;
};
