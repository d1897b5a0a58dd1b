// The completion page: the network information to note down.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep7End : public CSignPage {
 public:
  CSignStep7End();
};
