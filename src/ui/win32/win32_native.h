// The native side of the user32 backend, shared by its files: what each framework window has in
// Windows, the backend class, and the window procedures that turn user input into framework calls.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/win32/win32_sdk.h"

namespace ui::win32 {

using Kind = NativeKind;

// Native side of one framework window.
struct Native : NativeNode<Native> {
  Control* control = nullptr;  // Kind::Control
  HWND hwnd = nullptr;
  HWND tooltip = nullptr;          // top-level windows: the tool-tip control of their controls
  HIMC detachedContext = nullptr;  // an edit's input context while the input method is detached
  UINT dpi = 0;                    // top-level windows: the DPI they are laid out for (0: not yet)
  LOGFONTW font{};                 // sheets, dialogs, pages: their template's font at 96 DPI
};

// What the backend keeps for high DPI (win32_dpi.cpp): dialog fonts per DPI and the page
// pictures drawn for another scale, released with the backend after its windows.
struct DpiResources {
  DpiResources() = default;
  ~DpiResources();
  DpiResources(const DpiResources&) = delete;
  DpiResources& operator=(const DpiResources&) = delete;
  std::map<std::pair<std::wstring, LONG>, HFONT> fonts;  // (face, height in pixels)
  std::map<std::pair<int, int>, HBITMAP> pictures;       // (bitmap id, scale in percent)
};

class Win32Backend final : public Backend {
 public:
  Win32Backend();
  ~Win32Backend() override;

  void CreateWindow(Window& window) override;
  void DestroyWindow(Window& window) override;
  void Update(Window& window, Change what) override;
  void RunModal(Window& window) override;
  void EndModal(Window& window) override;
  int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                 UINT type) override;
  void PumpPending() override;
  void PumpFor(DWORD ms) override;
  DWORD TickCount() override;
  void Post(std::function<void()> fn) override;
  void RunKeepingWindowsAlive(const std::function<void()>& work) override;
  void SetTimer(Window& window, UINT id, UINT ms) override;
  void KillTimer(Window& window, UINT id) override;
  void SetWaitCursor(bool on) override;
  short GetKeyState(int virtualKey) override;
  void DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width, int height, int sx,
                  int sy) override;
  bool CreatePresenceWindow(const std::string& className) override;
  bool HasPresenceWindow(const std::string& className) override;
  void BringPresenceOwnerForward(const std::string& className) override;
  std::optional<HighContrast> HighContrastColours() override;

  // ---- Called from the window procedures (win32_input.cpp), on the user-interface thread ----
  bool Applying() const { return applying_ > 0; }
  bool WaitCursor() const { return wait_; }
  // A call runs in RunKeepingWindowsAlive: commands, closing, timers and posted work wait.
  bool Blocking() const { return blocking_ > 0; }
  void Command(Native* top, int id, int code, HWND from);
  void Paint(Native* n);
  HBRUSH ControlColour(Native* top, HWND control, HDC dc);
  void RunPosted();
  void Timer(UINT_PTR timerId);

 private:
  friend struct Applier;
  struct Applier {
    explicit Applier(Win32Backend* b) : b(b) { ++b->applying_; }
    ~Applier() { --b->applying_; }
    Win32Backend* b;
  };

  Native* NativeOf(const Window& w) const { return natives_.Of(w); }
  // The native of a sheet, dialog or page, made (a page's with its sheet's) when it has none yet;
  // controls are made with their dialog.
  Native* Ensure(Window& w);
  Native* MakeDialog(Window& w, Kind kind, Native* parent);
  void MakeControls(Native* n);
  Native* MakeControl(Control& c, Native* parent, HWND hwnd);
  void Drop(Native* n);
  HWND OwnerWindow() const;

  // win32_apply.cpp: the framework's state shown in the native windows.
  void ApplyAll(Native* n);
  void Apply(Native* n, Change what);
  void ApplyText(Native* n);
  void ApplyGeometry(Native* n);
  void ApplyItems(Native* n);
  void ApplyInputMethod(Native* n);
  void ApplyToolTip(Native* n);
  void ApplyCaption(Native* n);
  void ApplySystemMenu(Native* n);

  bool Dispatch(MSG& msg);
  bool PreTranslate(const MSG& msg);
  HBITMAP BitmapFor(const Bitmap& bitmap);
  HICON IconFor(int id, int size);

  // win32_dpi.cpp: the framework's 96-DPI pixels laid out at the DPI of the window's monitor.
  UINT DpiOf(Native* n);
  int IconSize(Native* n, bool big);
  void ApplyFont(Native* n);
  void Relayout(Native* n);
  void DrawScaled(HDC target, const Bitmap& bitmap, UINT dpi, const RECT& to, int sx, int sy);

 public:
  // WM_DPICHANGED of a top-level window (win32_input.cpp): its fonts, controls and picture at the
  // new DPI, the window at the place Windows suggests.
  void DpiChanged(Native* top, UINT dpi, const RECT* suggested);

 private:
  int applying_ = 0;
  int blocking_ = 0;
  bool wait_ = false;
  NativeTree<Native> natives_;
  std::vector<Native*> modal_;
  std::map<UINT_PTR, std::pair<Window*, UINT>> timers_;
  std::deque<std::function<void()>> posted_;
  HWND postWindow_ = nullptr;
  std::vector<std::pair<Window*, HDC>> painting_;
  std::map<int, HBITMAP> bitmaps_;
  std::vector<HICON> icons_;
  std::map<std::string, HWND> presence_;
  std::map<COLORREF, HBRUSH> brushes_;
  DpiResources dpiResources_;
};

// The one backend while it lives (window procedures find it here); null before and after.
extern Win32Backend* g_backend;

// The native of a window of ours (a dialog, page, sheet or control), or null.
Native* NativeOfHwnd(HWND hwnd);
void SetNativeOfHwnd(HWND hwnd, Native* n);

// The dialog procedure of every sheet, dialog and page (win32_input.cpp).
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// In-memory dialog templates (win32_template.cpp).
std::vector<WORD> BuildTemplate(const res::DialogTemplate* t, DWORD style, const std::wstring& face,
                                int pointSize);
// The face to use for a template's font: the template's own when Windows has it, else the first
// Japanese user-interface font that it has.
std::wstring DialogFace(const char* templateFaceUtf8);

// A window's text as CP932 bytes.
std::string TextOf(HWND hwnd);

// A page picture as a 256-colour DIB section (win32_input.cpp).
HBITMAP MakePictureBitmap(const res::Bitmap& data);
// The top-level window (sheet or dialog) a native belongs to.
Native* TopOf(Native* n);
// Grows a client rectangle to the window's outer one (frame and caption at `dpi`).
void AdjustWindowRectForDpi(HWND hwnd, RECT* rect, UINT dpi);
// A 96-DPI page pixel edge at `dpi`, rounded as the pictures drawn for other scales are.
inline int ScalePixels(int v, UINT dpi) { return MulDiv(v, static_cast<int>(dpi), 96); }

}  // namespace ui::win32
