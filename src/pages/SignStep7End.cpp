// The completion page: the network information to note down.
#include "pages/SignStep7End.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep7End::CSignStep7End() : ui::PropertyPage(154) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(156);
}

void CSignStep7End::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
