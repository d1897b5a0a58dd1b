// The user information page: name and reading, date of birth, sex, postal code, address,
// telephone number, three wished account names and an entry code; after a failed signup it shows
// what went wrong and puts the caret where the fault most likely is.
#pragma once

#include <string>

#include "pages/SignPage.h"
#include "settings/UserFields.h"

class CSignStep3User : public CSignPage {
 public:
  CSignStep3User();

  // The fields (the table of settings/UserFields.h), filled from the settings record before the
  // wizard runs; Sex is the choice as shown (IDS_SEX_MALE or IDS_SEX_FEMALE).
  UserInfo entries;
  ui::Control* logEdit = nullptr;
  // Set by Next, cleared by Back: the user comes back from the signup.
  bool leftForward = false;

  // Next is enabled only while every required field is filled.
  void UpdateNext();
  // Appends the outcome of the last signup attempt to the log and focuses the likely field.
  void ShowLastResult();
  // Stores the fields, with the date corrected, into the settings record.
  void StoreFields();

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  bool OnCommand(UINT code, int id) override;
};
