// The communication information page: verification and the communication ID.
#include "pages/SignStep6Rest.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep6Rest::CSignStep6Rest() : ui::PropertyPage(145) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(152);
}

void CSignStep6Rest::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
