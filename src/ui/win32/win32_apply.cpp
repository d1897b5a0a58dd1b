// The framework's state of a window shown in its native window: text, enabled and visible
// state, pixel geometry, check marks, list items and selection, edit modes, the input method,
// tool tips, the sheet's caption, icon and system menu.
#include "ui/win32/win32_native.h"

namespace ui::win32 {

using platform::win32::Wide;

void Win32Backend::Update(Window& window, Change what) {
  Native* n = NativeOf(window);
  if (!n || n->dead) {
    if (what == Change::Created) CreateWindow(window);
    return;
  }
  Applier a(this);
  Apply(n, what);
}

void Win32Backend::ApplyAll(Native* n) {
  if (n->kind != Kind::Control) ApplyFont(n);
  for (Change what :
       {Change::Text, Change::Geometry, Change::Enabled, Change::Checked, Change::Items,
        Change::Selection, Change::Limit, Change::ReadOnly, Change::Password, Change::InputMethod,
        Change::ToolTip, Change::Caption, Change::Visible})
    Apply(n, what);
  for (Native* child : n->children) ApplyAll(child);
}

void Win32Backend::Apply(Native* n, Change what) {
  HWND hwnd = n->hwnd;
  if (!hwnd) return;
  Window& w = *n->window;
  Control* c = n->control;
  switch (what) {
    case Change::Created:
      ApplyAll(n);
      break;
    case Change::Text:
      ApplyText(n);
      break;
    case Change::Caption:
      ApplyCaption(n);
      break;
    case Change::Enabled:
      EnableWindow(hwnd, w.IsWindowEnabled());
      break;
    case Change::Visible:
      // A top-level window is shown by its modal run.
      if (n->kind == Kind::Control || n->kind == Kind::Page || n->shown)
        ShowWindow(hwnd, w.IsWindowVisible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Change::Geometry:
      ApplyGeometry(n);
      break;
    case Change::Checked:
      if (c && (c->GetKind() == res::ControlKind::CheckBox ||
                c->GetKind() == res::ControlKind::RadioButton))
        SendMessageW(hwnd, BM_SETCHECK, c->GetCheck() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Change::Items:
      ApplyItems(n);
      break;
    case Change::Selection:
      if (c && c->IsCombo()) {
        SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(c->GetCurSel()), 0);
        if (c->GetCurSel() < 0) ApplyText(n);
      }
      break;
    case Change::Limit:
      // The framework cuts the text to its byte limit; the window only stops typing early.
      if (c && c->IsEdit() && c->GetLimitText() > 0)
        SendMessageW(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(c->GetLimitText()), 0);
      break;
    case Change::ReadOnly:
      if (c && c->IsEdit()) SendMessageW(hwnd, EM_SETREADONLY, c->IsReadOnly(), 0);
      break;
    case Change::Password:
      if (c && c->IsEdit() && c->IsPassword()) {
        SendMessageW(hwnd, EM_SETPASSWORDCHAR, '*', 0);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      break;
    case Change::Focus:
      if (c && c->HasFocus() && GetFocus() != hwnd) SetFocus(hwnd);
      break;
    case Change::InputMethod:
      ApplyInputMethod(n);
      break;
    case Change::ToolTip:
      ApplyToolTip(n);
      break;
    case Change::Scroll:
      if (c && c->IsEdit()) {
        const LRESULT first = SendMessageW(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageW(hwnd, EM_LINESCROLL, 0, c->GetFirstVisibleLine() - first);
      }
      break;
    case Change::Caret:
      if (c && c->IsEdit()) {
        SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(c->GetSelStart()), c->GetSelEnd());
        SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
      }
      break;
    case Change::ActivePage:
    case Change::Repaint:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
  }
}

void Win32Backend::ApplyText(Native* n) {
  if (n->kind == Kind::Sheet) return;  // the sheet shows its caption (ApplyCaption)
  Control* c = n->control;
  if (c && c->GetKind() == res::ControlKind::ComboDropList) return;  // shows its selection
  const std::string& text = n->window->GetWindowText();
  // Unchanged text is left alone, so the caret of an edit being typed in stays where it is.
  if (TextOf(n->hwnd) == text) return;
  SetWindowTextW(n->hwnd, Wide(text).c_str());
}

// The framework's pixels are those of 96 DPI; the window has them at its monitor's DPI.
void Win32Backend::ApplyGeometry(Native* n) {
  const Rect r = n->window->GetWindowRect();
  const UINT dpi = DpiOf(n);
  const RECT scaled{ScalePixels(r.left, dpi), ScalePixels(r.top, dpi), ScalePixels(r.right, dpi),
                    ScalePixels(r.bottom, dpi)};
  if (n->kind == Kind::Sheet || n->kind == Kind::Dialog) {
    // A top-level window's rectangle is its client area.
    RECT outer{0, 0, scaled.right - scaled.left, scaled.bottom - scaled.top};
    AdjustWindowRectForDpi(n->hwnd, &outer, dpi);
    SetWindowPos(n->hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  MoveWindow(n->hwnd, scaled.left, scaled.top, scaled.right - scaled.left,
             scaled.bottom - scaled.top, TRUE);
}

void Win32Backend::ApplyItems(Native* n) {
  Control* c = n->control;
  if (!c || !c->IsCombo()) return;
  SendMessageW(n->hwnd, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : c->GetItems())
    SendMessageW(n->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  SendMessageW(n->hwnd, CB_SETCURSEL, static_cast<WPARAM>(c->GetCurSel()), 0);
  if (c->GetCurSel() < 0) ApplyText(n);
}

// Detached: the edit has no input context, so only direct keys reach it. Open: the system's
// context, switched on when the edit gets the focus (win32_input.cpp). Default: left as it is.
void Win32Backend::ApplyInputMethod(Native* n) {
  Control* c = n->control;
  if (!c || !(c->IsEdit() || c->IsCombo())) return;
  const InputMethod mode = c->GetInputMethod();
  const bool detach = mode == InputMethod::Detached || mode == InputMethod::DetachedDigits;
  if (detach && !n->detachedContext) {
    n->detachedContext = ImmAssociateContext(n->hwnd, nullptr);
    if (!n->detachedContext) ImmAssociateContextEx(n->hwnd, nullptr, 0);
  } else if (!detach) {
    ImmAssociateContextEx(n->hwnd, nullptr, IACE_DEFAULT);
    n->detachedContext = nullptr;
  }
}

void Win32Backend::ApplyToolTip(Native* n) {
  Control* c = n->control;
  if (!c || !n->parent) return;
  // The tip belongs to the top-level window the control is in.
  Native* top = n->parent;
  while (top->parent) top = top->parent;
  const std::wstring text = Wide(c->GetToolTipText());
  if (!top->tooltip) {
    if (text.empty()) return;
    top->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   res::WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top->hwnd, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (!top->tooltip) return;
    SendMessageW(top->tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(n->hwnd);
  info.uId = reinterpret_cast<UINT_PTR>(n->hwnd);
  SendMessageW(top->tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  if (text.empty()) return;
  info.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(top->tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Win32Backend::ApplyCaption(Native* n) {
  auto* sheet = dynamic_cast<PropertySheet*>(n->window);
  if (!sheet) return;
  SetWindowTextW(n->hwnd, Wide(sheet->GetCaption()).c_str());
  if (sheet->GetIcon() != 0) {
    if (HICON big = IconFor(sheet->GetIcon(), IconSize(n, true)))
      SendMessageW(n->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HICON little = IconFor(sheet->GetIcon(), IconSize(n, false)))
      SendMessageW(n->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(little));
  }
  ApplySystemMenu(n);
}

// The commands the framework greyed are greyed in the window's real system menu too.
void Win32Backend::ApplySystemMenu(Native* n) {
  HMENU menu = GetSystemMenu(n->hwnd, FALSE);
  if (!menu) return;
  for (UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE}) {
    const bool enabled = n->window->GetSystemMenu().IsEnabled(command);
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}

HICON Win32Backend::IconFor(int id, int size) {
  // The program's own icon resource, where Windows picks the image drawn nearest that size.
  if (HICON own = static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0))) {
    icons_.push_back(own);
    return own;
  }
  res::Icon icon;
  if (!res::LoadIcon(id, icon) || icon.width <= 0 || icon.height <= 0) return nullptr;
  // A 32-bit top-down colour image with its alpha, scaled by the system to the size asked.
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = icon.width;
  header.bV5Height = -icon.height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC dc = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(nullptr, dc);
  if (!colour) return nullptr;
  std::copy(icon.pixels.begin(), icon.pixels.end(), static_cast<uint32_t*>(bits));
  HBITMAP mask = CreateBitmap(icon.width, icon.height, 1, 1, nullptr);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON made = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  if (!made) return nullptr;
  HICON sized = static_cast<HICON>(CopyImage(made, IMAGE_ICON, size, size, LR_COPYDELETEORG));
  HICON result = sized ? sized : made;
  icons_.push_back(result);
  return result;
}

}  // namespace ui::win32
