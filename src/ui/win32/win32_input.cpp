// The dialog procedure of the user32 backend: user input turned into the framework's calls
// (clicks, typing, selections, focus, closing), painting with the page pictures as DIB sections,
// the dialog colours, the wait cursor and the system menu.
#include "ui/win32/win32_native.h"

namespace ui::win32 {

Native* TopOf(Native* n) {
  while (n && n->parent) n = n->parent;
  return n;
}

namespace {

// The edit is about to take keys: an edit whose input method is "open" switches it on.
void OpenInputMethod(Native* n) {
  if (!n->control || n->control->GetInputMethod() != InputMethod::Open) return;
  if (HIMC context = ImmGetContext(n->hwnd)) {
    ImmSetOpenStatus(context, TRUE);
    ImmReleaseContext(n->hwnd, context);
  }
}

}  // namespace

void Win32Backend::Command(Native* owner, int id, int code, HWND from) {
  Native* n = NativeOfHwnd(from);
  if (n && n->control && !n->dead) {
    Control* c = n->control;
    switch (code) {
      case BN_CLICKED:
        if (c->IsButtonLike() && c->IsWindowEnabled()) c->UserClick();
        return;
      case BN_SETFOCUS:
      case EN_SETFOCUS:
      case CBN_SETFOCUS:
        if (c->IsEdit()) OpenInputMethod(n);
        if (!c->HasFocus()) c->UserFocus();
        return;
      case EN_CHANGE:
      case CBN_EDITCHANGE: {
        const std::string typed = TextOf(from);
        if (typed == c->GetWindowText()) return;
        c->UserType(typed);
        // The framework may have cut the text to its byte limit.
        if (NativeOfHwnd(from) == n && TextOf(from) != c->GetWindowText()) {
          Applier a(this);
          ApplyText(n);
        }
        return;
      }
      case CBN_SELCHANGE:
        c->UserSelect(static_cast<int>(SendMessageW(from, CB_GETCURSEL, 0, 0)));
        return;
      default:
        return;
    }
  }
  // Enter and Escape from the dialog manager: the default button, or Cancel.
  if (from != nullptr || !owner) return;
  Native* top = TopOf(owner);
  if (id == IDCANCEL || id == IDOK) {
    HWND button = GetDlgItem(
        top->hwnd, id == IDOK ? static_cast<int>(ID_WIZNEXT) : static_cast<int>(IDCANCEL));
    if (id == IDOK && !button) button = GetDlgItem(top->hwnd, IDOK);
    Native* b = NativeOfHwnd(button);
    if (b && b->control && b->control->IsWindowEnabled() && b->control->IsWindowVisible()) {
      b->control->UserClick();
    } else if (id == IDCANCEL && !dynamic_cast<PropertySheet*>(top->window)) {
      top->window->OnCommand(BN_CLICKED, IDCANCEL);
    }
  }
}

void Win32Backend::Paint(Native* n) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(n->hwnd, &ps);
  painting_.emplace_back(n->window, dc);
  n->window->OnPaint();
  painting_.pop_back();
  EndPaint(n->hwnd, &ps);
}

void Win32Backend::DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width,
                              int height, int sx, int sy) {
  if (painting_.empty() || painting_.back().first != &window) return;
  HDC target = painting_.back().second;
  if (const UINT dpi = NativeOf(window) ? DpiOf(NativeOf(window)) : 96; dpi != 96) {
    const RECT to{ScalePixels(x, dpi), ScalePixels(y, dpi), ScalePixels(x + width, dpi),
                  ScalePixels(y + height, dpi)};
    DrawScaled(target, bitmap, dpi, to, sx, sy);
    return;
  }
  HBITMAP picture = BitmapFor(bitmap);
  if (!picture) return;
  HDC memory = CreateCompatibleDC(target);
  if (!memory) return;
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(target, x, y, width, height, memory, sx, sy, ui::SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

// A page picture as a DIB section, made once per bitmap resource.
HBITMAP Win32Backend::BitmapFor(const Bitmap& bitmap) {
  const res::Bitmap& data = bitmap.GetData();
  if (data.width <= 0 || data.height <= 0) return nullptr;
  if (auto it = bitmaps_.find(bitmap.GetId()); it != bitmaps_.end()) return it->second;
  HBITMAP made = MakePictureBitmap(data);
  if (made) bitmaps_[bitmap.GetId()] = made;
  return made;
}

HBITMAP MakePictureBitmap(const res::Bitmap& data) {
  if (data.width <= 0 || data.height <= 0) return nullptr;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = data.width;
  info.header.biHeight = -data.height;  // top row first, as the resource holds it
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = 256;
  for (size_t i = 0; i < 256 && i < data.palette.size(); ++i) {
    const uint32_t rgb = data.palette[i];
    info.colours[i] = RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8),
                              static_cast<BYTE>(rgb >> 16), 0};
  }
  void* bits = nullptr;
  HBITMAP made = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
  if (!made) return nullptr;
  // DIB rows are padded to four bytes.
  const size_t stride = (static_cast<size_t>(data.width) + 3) & ~size_t{3};
  for (int row = 0; row < data.height; ++row)
    std::copy_n(data.pixels.data() + static_cast<size_t>(row) * data.width, data.width,
                static_cast<BYTE*>(bits) + row * stride);
  return made;
}

HBRUSH Win32Backend::ControlColour(Native* owner, HWND control, HDC dc) {
  Application* app = Application::Current();
  COLORREF background = app ? app->dialogBkColor : GetSysColor(COLOR_BTNFACE);
  const COLORREF text = app ? app->dialogTextColor : GetSysColor(COLOR_BTNTEXT);
  Native* n = NativeOfHwnd(control);
  // In high contrast the system's colours hold over the window's own answer.
  if (n && n->control && !HighContrastColours()) {
    if (auto colour = owner->window->OnCtlColor(n->control)) background = *colour;
  }
  SetTextColor(dc, text);
  SetBkColor(dc, background);
  HBRUSH& brush = brushes_[background];
  if (!brush) brush = CreateSolidBrush(background);
  return brush;
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetNativeOfHwnd(hwnd, reinterpret_cast<Native*>(lParam));
    return FALSE;  // the modal run sets the focus
  }
  Native* n = NativeOfHwnd(hwnd);
  if (!g_backend || !n || n->dead) return FALSE;
  // While a request blocks the program, neither a command nor a close reaches it.
  if (g_backend->Blocking() && (message == WM_COMMAND || message == WM_CLOSE ||
                                (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)))
    return TRUE;
  switch (message) {
    case WM_COMMAND:
      if (!g_backend->Applying())
        g_backend->Command(n, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_CLOSE:
      // The close box and Alt+F4 are Cancel.
      if (n->kind == Kind::Sheet || n->kind == Kind::Dialog) {
        if (HWND cancel = GetDlgItem(hwnd, IDCANCEL); cancel && IsWindowEnabled(cancel))
          g_backend->Command(n, IDCANCEL, BN_CLICKED, cancel);
        else if (!dynamic_cast<PropertySheet*>(n->window))
          n->window->OnCommand(BN_CLICKED, IDCANCEL);
      }
      return TRUE;
    case WM_SYSCOMMAND: {
      const UINT command = static_cast<UINT>(wParam & 0xFFF0);
      if (!n->window->GetSystemMenu().IsEnabled(command)) return TRUE;
      return FALSE;
    }
    case WM_PAINT:
      g_backend->Paint(n);
      return TRUE;
    case WM_DPICHANGED:
      if (n->kind == Kind::Sheet || n->kind == Kind::Dialog)
        g_backend->DpiChanged(n, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return TRUE;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               g_backend->ControlColour(n, nullptr, reinterpret_cast<HDC>(wParam)));
      return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(g_backend->ControlColour(n, reinterpret_cast<HWND>(lParam),
                                                                reinterpret_cast<HDC>(wParam)));
    case WM_SETCURSOR:
      if (g_backend->WaitCursor()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace ui::win32
