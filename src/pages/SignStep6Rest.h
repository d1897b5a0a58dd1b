// The communication information page: verification and the communication ID.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep6Rest : public ui::PropertyPage {
 public:
  CSignStep6Rest();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  ui::Bitmap bitmap;
};
