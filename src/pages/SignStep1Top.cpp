// The start page: what to do and how to connect.
#include "pages/SignStep1Top.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep1Top::CSignStep1Top() : ui::PropertyPage(146) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(149);
}

void CSignStep1Top::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
