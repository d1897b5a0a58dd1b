// High DPI in the user32 backend. The framework lays everything out in the pixels of 96 DPI; the
// windows show them at the DPI of their monitor: rectangles and fonts scaled, the page pictures
// in whole blocks of screen pixels at 200 % (as the GTK window at scale 2) and drawn again for
// 150 % (artgen), and a move to a monitor of another DPI lays the window out afresh.
#include "ui/win32/win32_native.h"

namespace ui::win32 {
namespace {

// What only newer Windows has (10 1607 and 1703), looked up once; null where it is missing, and
// the system's DPI is then the one of every window.
struct DpiCalls {
  UINT(WINAPI* dpiForWindow)(HWND) = nullptr;
  BOOL(WINAPI* adjustForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
  int(WINAPI* metricsForDpi)(int, UINT) = nullptr;
  BOOL(WINAPI* dialogBehavior)(HWND, int, int) = nullptr;
  BOOL(WINAPI* controlBehavior)(HWND, int, int) = nullptr;
};

template <class Fn>
void Find(HMODULE user32, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

const DpiCalls& Calls() {
  static const DpiCalls calls = [] {
    DpiCalls c;
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    Find(user32, "GetDpiForWindow", c.dpiForWindow);
    Find(user32, "AdjustWindowRectExForDpi", c.adjustForDpi);
    Find(user32, "GetSystemMetricsForDpi", c.metricsForDpi);
    Find(user32, "SetDialogDpiChangeBehavior", c.dialogBehavior);
    Find(user32, "SetDialogControlDpiChangeBehavior", c.controlBehavior);
    return c;
  }();
  return calls;
}

// DDC_DISABLE_ALL and DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT: the dialog manager would
// lay the templates out again in dialog units, while the framework's pixels are the layout.
constexpr int kDialogKeepsLayout = 0x0001;
constexpr int kControlKeepsLayout = 0x0001 | 0x0002;

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND hwnd) {
  if (Calls().dpiForWindow && hwnd)
    if (const UINT dpi = Calls().dpiForWindow(hwnd)) return dpi;
  return SystemDpi();
}

// The drawn pictures: the page's own size and those artgen draws for other scales.
constexpr int kDrawnScales[] = {100, 150};

}  // namespace

void AdjustWindowRectForDpi(HWND hwnd, RECT* rect, UINT dpi) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  if (!Calls().adjustForDpi || !Calls().adjustForDpi(rect, style, FALSE, exStyle, dpi))
    AdjustWindowRectEx(rect, style, FALSE, exStyle);
}

DpiResources::~DpiResources() {
  for (auto& [key, font] : fonts) DeleteObject(font);
  for (auto& [key, picture] : pictures) DeleteObject(picture);
}

UINT Win32Backend::DpiOf(Native* n) {
  Native* top = TopOf(n);
  if (!top) return 96;
  if (top->dpi == 0) top->dpi = WindowDpi(top->hwnd);
  return top->dpi;
}

int Win32Backend::IconSize(Native* n, bool big) {
  const int metric = big ? SM_CXICON : SM_CXSMICON;
  if (Calls().metricsForDpi) return Calls().metricsForDpi(metric, DpiOf(n));
  return GetSystemMetrics(metric);
}

// The template's font at the window's DPI, on the window and its controls. The font the dialog
// manager made from the template tells the face; its size is the template's points at 96 DPI.
void Win32Backend::ApplyFont(Native* n) {
  if (!n->hwnd) return;
  if (n->font.lfFaceName[0] == L'\0') {
    HFONT made = reinterpret_cast<HFONT>(SendMessageW(n->hwnd, WM_GETFONT, 0, 0));
    if (!made || !GetObjectW(made, sizeof n->font, &n->font)) return;
    const res::DialogTemplate* t = nullptr;
    if (auto* d = dynamic_cast<Dialog*>(n->window)) t = res::FindDialog(d->GetTemplateId());
    n->font.lfHeight = -MulDiv(t ? t->pointSize : 9, 96, 72);
    n->font.lfWidth = 0;
    if (Calls().dialogBehavior)
      Calls().dialogBehavior(n->hwnd, kDialogKeepsLayout, kDialogKeepsLayout);
  }
  LOGFONTW scaled = n->font;
  scaled.lfHeight = -ScalePixels(-n->font.lfHeight, DpiOf(n));
  HFONT& font = dpiResources_.fonts[{scaled.lfFaceName, scaled.lfHeight}];
  if (!font) font = CreateFontIndirectW(&scaled);
  if (!font) return;
  SendMessageW(n->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (Native* child : n->children) {
    if (child->kind != Kind::Control || !child->hwnd) continue;
    if (Calls().controlBehavior)
      Calls().controlBehavior(child->hwnd, kControlKeepsLayout, kControlKeepsLayout);
    SendMessageW(child->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

void Win32Backend::Relayout(Native* n) {
  if (n->kind != Kind::Control) ApplyFont(n);
  ApplyGeometry(n);
  for (Native* child : n->children) Relayout(child);
}

void Win32Backend::DpiChanged(Native* top, UINT dpi, const RECT* suggested) {
  if (dpi == 0 || dpi == top->dpi) return;
  Applier a(this);
  top->dpi = dpi;
  Relayout(top);
  // Windows' place for the window keeps it under the pointer that moved it; the size is ours.
  if (suggested)
    SetWindowPos(top->hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(top->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// A part of a page picture (sx, sy in page pixels) into `to` (screen pixels at `dpi`): from the
// drawing nearest that scale, copied as it is where it was drawn for it, in whole blocks where the
// scale is a multiple of the drawing's, and smoothed otherwise.
void Win32Backend::DrawScaled(HDC target, const Bitmap& bitmap, UINT dpi, const RECT& to, int sx,
                              int sy) {
  const int wanted = MulDiv(static_cast<int>(dpi), 100, 96);
  // The drawing made for that scale, else one the scale is a multiple of, else the nearest.
  auto rank = [wanted](int drawn) { return drawn == wanted ? 0 : wanted % drawn == 0 ? 1 : 2; };
  auto better = [&](int a, int b) {
    return rank(a) != rank(b) ? rank(a) < rank(b) : std::abs(a - wanted) < std::abs(b - wanted);
  };
  int scale = 0;
  HBITMAP picture = nullptr;
  for (int drawn : kDrawnScales) {
    if (picture && !better(drawn, scale)) continue;
    HBITMAP candidate = nullptr;
    if (drawn == 100) {
      candidate = BitmapFor(bitmap);
    } else if (auto it = dpiResources_.pictures.find({bitmap.GetId(), drawn});
               it != dpiResources_.pictures.end()) {
      candidate = it->second;
    } else {
      res::Bitmap data;
      if (res::LoadScaledBitmap(bitmap.GetId(), drawn, data)) candidate = MakePictureBitmap(data);
      dpiResources_.pictures[{bitmap.GetId(), drawn}] = candidate;
    }
    if (candidate) {
      picture = candidate;
      scale = drawn;
    }
  }
  if (!picture) return;
  HDC memory = CreateCompatibleDC(target);
  if (!memory) return;
  HGDIOBJ old = SelectObject(memory, picture);
  const int width = to.right - to.left, height = to.bottom - to.top;
  const int fromX = MulDiv(sx, scale, 100), fromY = MulDiv(sy, scale, 100);
  if (scale == wanted) {
    BitBlt(target, to.left, to.top, width, height, memory, fromX, fromY, ui::SRCCOPY);
  } else {
    const int fromWidth = MulDiv(width, scale, wanted), fromHeight = MulDiv(height, scale, wanted);
    SetStretchBltMode(target, wanted % scale == 0 ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, to.left, to.top, width, height, memory, fromX, fromY, fromWidth, fromHeight,
               ui::SRCCOPY);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
}

}  // namespace ui::win32
