// user32 backend: what it asks of the desktop: bringing another copy's wizard to the front, and
// whether the user wants high contrast.
#include "ui/win32/win32_native.h"

namespace ui::win32 {
namespace {

using platform::win32::Wide;

// The topmost visible top-level window of one thread.
struct Topmost {
  DWORD thread;
  HWND found;
};

BOOL CALLBACK FindTopmost(HWND hwnd, LPARAM data) {
  auto* topmost = reinterpret_cast<Topmost*>(data);
  if (GetWindowThreadProcessId(hwnd, nullptr) != topmost->thread || !IsWindowVisible(hwnd))
    return TRUE;
  topmost->found = hwnd;
  return FALSE;
}

}  // namespace

// The presence window's thread runs the other copy's wizard. EnumWindows goes down the Z order,
// so its first visible window is the wizard or the dialog over it. The second copy may take the
// foreground: the user has just started it.
void Win32Backend::BringPresenceOwnerForward(const std::string& className) {
  HWND presence = FindWindowW(Wide(className).c_str(), nullptr);
  if (presence == nullptr) return;
  Topmost topmost{GetWindowThreadProcessId(presence, nullptr), nullptr};
  EnumWindows(FindTopmost, reinterpret_cast<LPARAM>(&topmost));
  if (topmost.found == nullptr) return;
  if (IsIconic(topmost.found)) ShowWindow(topmost.found, SW_RESTORE);
  SetForegroundWindow(topmost.found);
}

// The colours of a window's text and its ground, which the high-contrast scheme sets.
std::optional<HighContrast> Win32Backend::HighContrastColours() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) ||
      (contrast.dwFlags & HCF_HIGHCONTRASTON) == 0)
    return std::nullopt;
  return HighContrast{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)};
}

}  // namespace ui::win32
