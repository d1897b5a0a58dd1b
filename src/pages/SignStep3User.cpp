// The user information page: personal data, wished account names, entry code.
#include "pages/SignStep3User.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignStep3User::CSignStep3User() : ui::PropertyPage(152) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(151);
}

void CSignStep3User::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignApp* app = CSignApp::Get(); app != nullptr && app->sheet != nullptr)
    app->sheet->DrawPageBitmap(bitmap, &dc);
}
