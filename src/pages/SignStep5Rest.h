// The communication-ID page: login ID, password and communication name.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep5Rest : public CSignPage {
 public:
  CSignStep5Rest();

  // Entry fields, filled from the settings record before the wizard runs.
  std::string Comm_name, LoginID, LoginPasswd;
};
