// The communication information page: shows login ID, password and communication name and, on
// "はい", connects, verifies the account (restoring its network information) and obtains a
// communication ID when the account has none; failures go back to the communication-ID page.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep6Rest : public CSignPage {
 public:
  CSignStep6Rest();

  // The recovery transaction with the login of the settings record; the last server result.
  int VerifyAccount();
  // The communication-ID request for an account without one (0 at once when it has one).
  int ObtainCommunicationId(const std::string& commName);

  // In recovery mode the first Next still has to connect with the recovery account.
  int firstConnection = 1;
  ui::Control* summaryEdit = nullptr;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;

 private:
  // Brings the machine online for the transactions; false when that failed or was declined.
  bool Connect();
};
