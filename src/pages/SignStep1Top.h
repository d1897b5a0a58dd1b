// The start page: what to do and how to connect.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep1Top : public CSignPage {
 public:
  CSignStep1Top();
};
