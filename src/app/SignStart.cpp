// The wizard sheet and its page chrome.
#include "app/SignStart.h"

#include "res/resources.h"

CSignStart::CSignStart(ui::Window* parent) : ui::PropertySheet(IDS_WIZARD_CAPTION, parent, 0) {
  sheetFlags &= ~ui::PSH_HASHELP;
  res::Icon icon;
  iconLoaded_ = res::LoadIcon(IDI_APP, icon);
  sheetBitmap.LoadBitmap(IDB_TERMS);
}

void CSignStart::AddWizardPages() {
  for (ui::PropertyPage* p : WizardPages()) AddPage(p);
  SetWizardMode();
  SetStartPage(0);
}

void CSignStart::SetButtonText(int id, UINT stringId) {
  if (ui::Control* c = GetDlgItem(id)) {
    c->SetWindowText(res::String(stringId));
    c->EnableWindow(true);
  }
}

void CSignStart::SetStandardButtons() {
  SetButtonText(ui::ID_WIZNEXT, IDS_BUTTON_NEXT);
  SetButtonText(ui::ID_WIZBACK, IDS_BUTTON_BACK);
}

void CSignStart::SetAgreeButtons() {
  SetButtonText(ui::ID_WIZBACK, IDS_BUTTON_DISAGREE);
  SetButtonText(ui::ID_WIZNEXT, IDS_BUTTON_AGREE);
}

void CSignStart::SetYesNoButtons() {
  SetButtonText(ui::ID_WIZBACK, IDS_BUTTON_NO);
  SetButtonText(ui::ID_WIZNEXT, IDS_BUTTON_YES);
}

void CSignStart::EnableButton(int id, bool enable) {
  if (ui::Control* c = GetDlgItem(id)) c->EnableWindow(enable);
}

void CSignStart::DisableButton(int id) { EnableButton(id, false); }

void CSignStart::ShowButton(int id, bool show) {
  if (ui::Control* c = GetDlgItem(id)) c->ShowWindow(show);
}

void CSignStart::EnableBackNext(bool enable) {
  EnableButton(ui::ID_WIZBACK, enable);
  EnableButton(ui::ID_WIZNEXT, enable);
}

void CSignStart::DrawPageBitmap(ui::Bitmap& bitmap, ui::DeviceContext* device) {
  ui::DeviceContext memory;
  if (!memory.CreateCompatibleDC(device)) return;
  ui::Bitmap* old = memory.SelectObject(&bitmap);
  device->BitBlt(0, 0, bitmap.Width(), bitmap.Height(), &memory, 0, 0, ui::SRCCOPY);
  memory.SelectObject(old);
}

bool CSignStart::IsPage(const ui::Window* window) {
  for (const ui::Window* p : WizardPages())
    if (p == window) return true;
  return false;
}

bool CSignStart::OnInitDialog() {
  const bool result = ui::PropertySheet::OnInitDialog();
  backgroundBrush_ = RGB(85, 159, 255);
  ui::PropertyPage* active = GetActivePage();
  if (active == nullptr) return result;
  // Make the page area exactly as large as the page pictures and move the buttons along.
  const ui::Rect page = active->GetWindowRect();
  const int dx = sheetBitmap.Width() - page.Width();
  const int dy = sheetBitmap.Height() - page.Height();
  const ui::Rect sheetRect = GetWindowRect();
  SetWindowPos(sheetRect.Width() + dx, sheetRect.Height() + dy);
  if (ui::Control* tab = GetTabControl()) {
    for (ui::Window* child : Children()) {
      if (IsPage(child)) continue;
      ui::Rect r = child->GetWindowRect();
      r.Offset(dx, dy);
      child->MoveWindow(r, true);
    }
    const ui::Rect t = tab->GetWindowRect();
    tab->MoveWindow({t.left, t.top, t.right + dx, t.bottom + dy}, false);
    tab->ShowWindow(false);
  }
  pageRect_ = {page.left, page.top, page.right + dx, page.bottom + dy};
  active->MoveWindow(pageRect_, true);
  if (iconLoaded_) {
    windowStyle |= ui::WS_SYSMENU;
    SetIcon(IDI_APP);
  }
  return result;
}

bool CSignStart::OnCommand(UINT code, int id) {
  const bool handled = ui::PropertySheet::OnCommand(code, id);
  if (code == ui::BN_CLICKED && (id == ui::ID_WIZBACK || id == ui::ID_WIZNEXT) && IsCreated()) {
    if (ui::PropertyPage* active = GetActivePage()) active->MoveWindow(pageRect_, true);
  }
  return handled;
}

void CSignStart::OnSelChange() {
  if (ui::PropertyPage* active = GetActivePage(); active != nullptr && IsCreated())
    active->MoveWindow(pageRect_, true);
}

void CSignStart::OnInitMenuPopup(ui::SystemMenu& menu, UINT index, bool isSystemMenu) {
  ui::PropertySheet::OnInitMenuPopup(menu, index, isSystemMenu);
  // The wizard has a fixed size: it can neither be maximised, minimised nor resized.
  if (isSystemMenu) {
    menu.EnableMenuItem(ui::SC_MAXIMIZE, ui::MF_BYCOMMAND | ui::MF_GRAYED);
    menu.EnableMenuItem(ui::SC_MINIMIZE, ui::MF_BYCOMMAND | ui::MF_GRAYED);
    menu.EnableMenuItem(ui::SC_SIZE, ui::MF_BYCOMMAND | ui::MF_GRAYED);
  }
}
