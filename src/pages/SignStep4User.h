// The signup confirmation page: the summary and the signup itself.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep4User : public CSignPage {
 public:
  CSignStep4User();
};
