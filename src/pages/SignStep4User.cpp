// The signup confirmation page: the summary and the signup itself.
#include "pages/SignStep4User.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep4User::CSignStep4User() : ui::PropertyPage(143) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(152);
}

void CSignStep4User::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
