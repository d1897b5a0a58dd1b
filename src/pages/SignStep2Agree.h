// The terms page: the network terms of use and the agreement.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep2Agree : public ui::PropertyPage {
 public:
  CSignStep2Agree();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  ui::Bitmap bitmap;
};
