// The communication-ID page: login ID, password and communication name for the next page's
// verification and communication-ID request; read-only login after a new signup, editable
// otherwise, and the outcome of the last attempt in its log.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep5Rest : public CSignPage {
 public:
  CSignStep5Rest();

  // Next is enabled only while all three fields are filled.
  void UpdateNextButton();

  // Set once the user pressed Next: every later activation reports the last server result.
  int submitted = 0;
  ui::Control* logEdit = nullptr;
  // Entry fields, filled from the settings record.
  std::string Comm_name, LoginID, LoginPasswd;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  bool OnCommand(UINT code, int id) override;

 private:
  static const ui::MessageEntry<CSignStep5Rest> kMessageMap[3];
  // Copies the three fields into the settings record (in memory only).
  void KeepEntries();
};
