// The communication-ID page: login ID, password and communication name.
#include "pages/SignStep5Rest.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep5Rest::CSignStep5Rest() : ui::PropertyPage(153) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(153);
}

void CSignStep5Rest::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
