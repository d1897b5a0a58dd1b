// The base of the seven wizard pages: picture, Help flag and control placement.
#include "pages/SignPage.h"

#include "app/SignApp.h"
#include "app/SignStart.h"

CSignPage::CSignPage(int templateId, int bitmapId) : ui::PropertyPage(templateId) {
  pageFlags &= ~ui::PSP_HASHELP;
  bitmap.LoadBitmap(bitmapId);
}

CSignStart* CSignPage::Sheet() const { return dynamic_cast<CSignStart*>(GetSheet()); }

CSignApp* CSignPage::App() { return CSignApp::Get(); }

void CSignPage::OnPaint() {
  ui::PaintDC dc(this);
  if (CSignStart* sheet = Sheet()) sheet->DrawPageBitmap(bitmap, &dc);
}

void CSignPage::PlaceControls(std::span<const Placement> placements) {
  for (const Placement& p : placements) {
    if (ui::Control* control = GetDlgItem(p.id))
      control->MoveWindow({p.x, p.y, p.x + p.width, p.y + p.height}, true);
  }
}

void CSignPage::MoveToPageRect() {
  if (CSignStart* sheet = Sheet()) MoveWindow(sheet->pageRect(), true);
}
