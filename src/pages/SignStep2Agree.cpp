// The terms page: the network terms of use and the agreement.
#include "pages/SignStep2Agree.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep2Agree::CSignStep2Agree() : ui::PropertyPage(151) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(150);
}

void CSignStep2Agree::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
