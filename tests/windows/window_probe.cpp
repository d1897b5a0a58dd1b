// window_probe: finds the wizard of a running signup (through its presence window class), prints
// where the sheet shows the page and the page's controls, and saves a picture of the sheet's
// client area as a BMP file; with a second picture it goes on over LAN to the user information
// page (through the terms) and does the same there. Then it tells the sheet its DPI doubled
// (WM_DPICHANGED), prints the page again and presses Cancel. For the window tests under Wine,
// which cannot reach the program's windows from Linux.
// Usage: window_probe CLASS START.bmp [USER.bmp]; exit 0 when every step was done.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The probe starts beside the program; this bounds how long it looks for the wizard.
constexpr DWORD kLookForMs = 180000;
constexpr DWORD kLookAgainMs = 100;

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    out.push_back(child);
  return out;
}

// The shown page of a visible sheet (a dialog with a visible child dialog), or null.
HWND ShownPage(HWND sheet) {
  for (HWND child : Children(sheet))
    if (ClassOf(child) == L"#32770" && IsWindowVisible(child)) return child;
  return nullptr;
}

BOOL CALLBACK FindSheet(HWND hwnd, LPARAM found) {
  if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && ShownPage(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForSheet(const wchar_t* presenceClass) {
  for (DWORD waited = 0; waited < kLookForMs; waited += kLookAgainMs) {
    if (HWND presence = FindWindowW(presenceClass, nullptr)) {
      HWND sheet = nullptr;
      EnumThreadWindows(GetWindowThreadProcessId(presence, nullptr), FindSheet,
                        reinterpret_cast<LPARAM>(&sheet));
      if (sheet) return sheet;
    }
    Sleep(kLookAgainMs);
  }
  return nullptr;
}

// Waits until the program's thread has handled everything sent to the window so far.
void Settle(HWND hwnd) {
  DWORD_PTR result;
  SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &result);
}

RECT RectIn(HWND hwnd, HWND container) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, container, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The sheet's client area as it is on the screen, as a 24-bit bottom-up BMP file.
bool SavePicture(HWND sheet, const char* path) {
  RECT r;
  GetClientRect(sheet, &r);
  MapWindowPoints(sheet, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  const int width = r.right - r.left, height = r.bottom - r.top;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  std::vector<BYTE> pixels(static_cast<size_t>((width * 3 + 3) & ~3) * height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof header + pixels.size()), 0,
                        0, sizeof file + sizeof header};
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
            std::fwrite(&header, sizeof header, 1, out) == 1 &&
            std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
  return std::fclose(out) == 0 && ok;
}

// "page X Y W H client W H" of the shown page, and "control ID X Y W H VISIBLE CLASS" of each
// of its controls.
void PrintPage(HWND sheet, bool controls) {
  Settle(sheet);
  RedrawWindow(sheet, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Settle(sheet);
  HWND page = ShownPage(sheet);
  RECT client;
  GetClientRect(page, &client);
  const RECT area = RectIn(page, sheet);
  std::printf("page %ld %ld %ld %ld client %ld %ld\n", area.left, area.top, area.right - area.left,
              area.bottom - area.top, client.right, client.bottom);
  for (HWND control : controls ? Children(page) : std::vector<HWND>{}) {
    const RECT r = RectIn(control, page);
    std::printf("control %d %ld %ld %ld %ld %d %ls\n", GetDlgCtrlID(control), r.left, r.top,
                r.right - r.left, r.bottom - r.top, IsWindowVisible(control) ? 1 : 0,
                ClassOf(control).c_str());
  }
  std::fflush(stdout);
}

void Press(HWND sheet, int id) {
  PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(sheet, id)));
}

// Chooses LAN on the start page and Next, then Next on the terms once they are shown; true when
// the user information page (its first edit, 1040) is shown.
bool GoToUserPage(HWND sheet) {
  HWND list = GetDlgItem(ShownPage(sheet), 1089);
  const LRESULT lan = SendMessageW(list, CB_GETCOUNT, 0, 0) - 1;  // "<LAN接続>" comes last
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(lan), 0);
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(1089, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  Press(sheet, 0x3024);
  bool agreed = false;
  for (DWORD waited = 0; waited < kLookForMs; waited += kLookAgainMs) {
    Settle(sheet);
    HWND page = ShownPage(sheet);
    if (page && GetDlgItem(page, 1040)) return true;
    if (!agreed && page && GetDlgItem(page, 1060) && IsWindowEnabled(GetDlgItem(sheet, 0x3024))) {
      Press(sheet, 0x3024);
      agreed = true;
    }
    Sleep(kLookAgainMs);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: window_probe CLASS START.bmp [USER.bmp]\n");
    return 2;
  }
  const std::wstring presence(argv[1], argv[1] + std::string(argv[1]).size());
  HWND sheet = WaitForSheet(presence.c_str());
  if (!sheet) {
    std::fprintf(stderr, "window_probe: no wizard of class %s appeared\n", argv[1]);
    return 1;
  }
  PrintPage(sheet, true);
  bool done = SavePicture(sheet, argv[2]);
  if (argc == 4) {
    std::printf("user page\n");
    done = GoToUserPage(sheet) && done;
    PrintPage(sheet, true);
    done = SavePicture(sheet, argv[3]) && done;
  }
  // As Windows tells a window moved onto a monitor of twice the DPI.
  RECT r;
  GetClientRect(ShownPage(sheet), &r);
  const UINT dpi = MulDiv(r.right, 96 * 2, 448);
  SendMessageW(sheet, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
  std::printf("relaid ");
  PrintPage(sheet, false);
  Press(sheet, IDCANCEL);
  return done ? 0 : 1;
}
