// The signup confirmation page: the summary and the signup itself.
#pragma once

#include <string>

#include "ui/framework.h"

class CSignStep4User : public ui::PropertyPage {
 public:
  CSignStep4User();
  // Paints the page picture behind the controls.
  void OnPaint() override;

  ui::Bitmap bitmap;
};
