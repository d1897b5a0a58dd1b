// The user information page: personal data, wished account names, entry code.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep3User : public CSignPage {
 public:
  CSignStep3User();

  // Entry fields, filled from the settings record before the wizard runs.
  std::string Kana, Kana2, Name, Name2, Age, Age2, Age3, Address1, Address2, Tel, Tel2, Tel3, Zip,
      Zip2, MekoID, MekoID2, MekoID3, EntryCode, EntryCode2;
  // The sex choice as shown (IDS_SEX_MALE or IDS_SEX_FEMALE).
  std::string Sex;
};
