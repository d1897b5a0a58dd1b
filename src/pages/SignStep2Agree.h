// The terms page: the network terms of use and the agreement.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep2Agree : public CSignPage {
 public:
  CSignStep2Agree();
};
