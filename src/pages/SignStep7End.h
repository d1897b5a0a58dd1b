// The completion page: the network information to note down.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep7End : public ui::PropertyPage {
 public:
  CSignStep7End();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  ui::Bitmap bitmap;
};
