// The window-system half of the framework: what a backend (headless, GTK or Win32) implements.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ui/framework.h"

namespace ui {

class Backend {
 public:
  virtual ~Backend() = default;

  // Native side of a window: made when the framework creates a dialog, page or sheet (controls
  // included; a page is made inside its sheet), dropped when it is destroyed.
  virtual void CreateWindow(Window& window) = 0;
  virtual void DestroyWindow(Window& window) = 0;
  // The framework changed something about a window or control; show it.
  virtual void Update(Window& window, Change what) = 0;

  // Runs a modal loop until the dialog's or sheet's result is set. Nests.
  virtual void RunModal(Window& window) = 0;
  // Ends the modal loop of `window` (its result is set already).
  virtual void EndModal(Window& window) = 0;
  // Shows a message box and returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
  // `type` has its icon already decided by the framework.
  virtual int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                         UINT type) = 0;

  virtual void PumpPending() = 0;
  virtual void PumpFor(DWORD ms) = 0;
  virtual DWORD TickCount() = 0;
  // Calls fn on the user-interface thread at the next pump.
  virtual void Post(std::function<void()> fn) = 0;
  // Runs `work` (a call that blocks on the network) on a thread of its own and returns when it
  // has ended. Meanwhile the windows go on painting and answering the window system, but no user
  // input reaches them and neither timers nor posted work run: the program goes on as if the call
  // had blocked its one thread. `work` must not touch windows.
  virtual void RunKeepingWindowsAlive(const std::function<void()>& work) = 0;

  // Periodic timer of a window: the backend calls window.OnTimer(id) every ms until killed.
  virtual void SetTimer(Window& window, UINT id, UINT ms) = 0;
  virtual void KillTimer(Window& window, UINT id) = 0;

  virtual void SetWaitCursor(bool on) = 0;
  virtual short GetKeyState(int virtualKey) = 0;

  // Painting: while the backend paints `window` it calls window.OnPaint(); a PaintDC made then
  // draws through DrawBitmap.
  virtual void DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width, int height,
                          int sx, int sy) = 0;

  virtual bool CreatePresenceWindow(const std::string& className) = 0;
  virtual bool HasPresenceWindow(const std::string& className) = 0;
  // Called by a second copy before it ends: brings the topmost window of the copy whose presence
  // window has that class to the front, restored if it is minimised. Nothing where other
  // programs' windows are out of reach (headless, or no window manager to ask).
  virtual void BringPresenceOwnerForward(const std::string& className) {}
  // The system's high-contrast colours while the desktop asks for them; nothing otherwise and
  // where there is no desktop (headless).
  virtual std::optional<HighContrast> HighContrastColours() { return std::nullopt; }
};

// The backend in use (set once by main or a test before any window is made).
void SetBackend(Backend* backend);
Backend* GetBackend();

}  // namespace ui
