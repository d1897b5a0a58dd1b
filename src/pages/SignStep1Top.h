// The start page: what to do and how to connect.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep1Top : public ui::PropertyPage {
 public:
  CSignStep1Top();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  ui::Bitmap bitmap;
};
