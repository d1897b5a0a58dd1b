// The communication-ID page: login ID, password and communication name.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep5Rest : public ui::PropertyPage {
 public:
  CSignStep5Rest();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  // Entry fields, filled from the settings record before the wizard runs.
  std::string Comm_name, LoginID, LoginPasswd;
  ui::Bitmap bitmap;
};
