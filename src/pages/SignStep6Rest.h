// The communication information page: verification and the communication ID.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep6Rest : public CSignPage {
 public:
  CSignStep6Rest();
};
