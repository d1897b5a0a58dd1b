// The base of the seven wizard pages: the page's picture painted behind its controls, no Help
// button, and the placement of the controls at the pixel rectangles of the picture's layout.
#pragma once

#include "ui/framework.h"

class CSignApp;
class CSignStart;

class CSignPage : public ui::PropertyPage {
 public:
  CSignPage(int templateId, int bitmapId);

  // Paints the page picture through the page's own sheet.
  void OnPaint() override;

  ui::Bitmap bitmap;

 protected:
  // The sheet that runs this page (null before it is added to one).
  CSignStart* Sheet() const;
  // The running application object (the settings record and its operations).
  static CSignApp* App();
  // Moves every control of the page's layout (res/page_art.h: the rectangles its picture is
  // drawn around) to its rectangle and repaints it.
  void PlaceControls();
  // Moves the page itself to the sheet's page rectangle.
  void MoveToPageRect();
};
