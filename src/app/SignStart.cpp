// The wizard sheet and its page chrome.
#include "app/SignStart.h"

#include "app/SignApp.h"
#include "res/resources.h"

namespace {
constexpr int kIcon = 128;
}

CSignStart::CSignStart(bool addPages, ui::Window* parent) : ui::PropertySheet(103, parent, 0) {
  sheetFlags &= ~ui::PSH_HASHELP;
  res::Icon icon;
  iconLoaded_ = res::LoadIcon(kIcon, icon);
  sheetBitmap.LoadBitmap(150);
  if (addPages) {
    for (ui::PropertyPage* p : std::initializer_list<ui::PropertyPage*>{
             &page1, &page2, &page3, &page4, &page5, &page6, &page7})
      AddPage(p);
    SetWizardMode();
  }
}

void CSignStart::AddWizardPages() {
  for (ui::PropertyPage* p : std::initializer_list<ui::PropertyPage*>{
           &page1, &page2, &page3, &page4, &page5, &page6, &page7})
    AddPage(p);
  SetWizardMode();
  SetStartPage(0);
}

void CSignStart::CopyUserInfoToPages() {
  CSignApp* app = CSignApp::Get();
  if (app == nullptr) return;
  page3.Kana = app->Kana;
  page3.Kana2 = app->Kana2;
  page3.Name = app->Name;
  page3.Name2 = app->Name2;
  page3.Age = app->Age;
  page3.Age2 = app->Age2;
  page3.Age3 = app->Age3;
  page3.Address1 = app->Address1;
  page3.Address2 = app->Address2;
  page3.Tel = app->Tel;
  page3.Tel2 = app->Tel2;
  page3.Tel3 = app->Tel3;
  page3.Zip = app->Zip;
  page3.Zip2 = app->Zip2;
  page3.MekoID = app->MekoID;
  page3.MekoID2 = app->MekoID2;
  page3.MekoID3 = app->MekoID3;
  page3.EntryCode = app->EntryCode;
  page3.EntryCode2 = app->EntryCode2;
  page3.Sex = res::String(app->Sex == "male" ? 121 : 122);
  page5.Comm_name = app->Comm_name;
  page5.LoginID = app->LoginID;
  page5.LoginPasswd = app->LoginPasswd;
}

void CSignStart::SetButtonText(int id, UINT stringId) {
  if (ui::Control* c = GetDlgItem(id)) {
    c->SetWindowText(res::String(stringId));
    c->EnableWindow(true);
  }
}

void CSignStart::SetStandardButtons() {
  SetButtonText(ui::ID_WIZNEXT, 109);
  SetButtonText(ui::ID_WIZBACK, 106);
}

void CSignStart::SetAgreeButtons() {
  SetButtonText(ui::ID_WIZBACK, 107);
  SetButtonText(ui::ID_WIZNEXT, 104);
}

void CSignStart::SetYesNoButtons() {
  SetButtonText(ui::ID_WIZBACK, 163);
  SetButtonText(ui::ID_WIZNEXT, 162);
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

bool CSignStart::IsPage(const ui::Window* window) const {
  for (const ui::Window* p : std::initializer_list<const ui::Window*>{
           &page1, &page2, &page3, &page4, &page5, &page6, &page7})
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
    SetIcon(kIcon);
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

void CSignStart::OnInitMenuPopup(ui::SystemMenu& menu, UINT index, bool isSystemMenu) {
  ui::PropertySheet::OnInitMenuPopup(menu, index, isSystemMenu);
  // The wizard has a fixed size: it can neither be maximised, minimised nor resized.
  if (isSystemMenu) {
    menu.EnableMenuItem(ui::SC_MAXIMIZE, ui::MF_BYCOMMAND | ui::MF_GRAYED);
    menu.EnableMenuItem(ui::SC_MINIMIZE, ui::MF_BYCOMMAND | ui::MF_GRAYED);
    menu.EnableMenuItem(ui::SC_SIZE, ui::MF_BYCOMMAND | ui::MF_GRAYED);
  }
}
