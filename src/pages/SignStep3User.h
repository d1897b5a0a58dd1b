// The user information page: personal data, wished account names, entry code.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep3User : public ui::PropertyPage {
 public:
  CSignStep3User();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  // Entry fields, filled from the settings record before the wizard runs.
  std::string Kana, Kana2, Name, Name2, Age, Age2, Age3, Address1, Address2, Tel, Tel2, Tel3, Zip,
      Zip2, MekoID, MekoID2, MekoID3, EntryCode, EntryCode2;
  // The sex choice as shown (string 121 or 122).
  std::string Sex;
  ui::Bitmap bitmap;
};
