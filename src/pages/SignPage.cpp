// The base of the seven wizard pages: picture, Help flag and control placement.
#include "pages/SignPage.h"

#include "app/SignApp.h"
#include "app/SignStart.h"
#include "res/page_art.h"

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

void CSignPage::PlaceControls() {
  const res::PageLayout* layout = res::FindPageLayout(GetTemplateId());
  if (layout == nullptr) return;
  for (const res::PixelRect& p : layout->controls) {
    if (ui::Control* control = GetDlgItem(p.id))
      control->MoveWindow({p.x, p.y, p.x + p.w, p.y + p.h}, true);
  }
}

void CSignPage::MoveToPageRect() {
  // The start page is made before the sheet has measured its page area: it stays where the sheet
  // made it, which the sheet then measures.
  CSignStart* sheet = Sheet();
  if (sheet != nullptr && sheet->GetPageRect().Width() > 0) MoveWindow(sheet->GetPageRect(), true);
}
