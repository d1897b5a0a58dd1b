// responsiveness_probe: walks a running signup through a LAN signup by messages to its windows,
// as a person would click and type (the start page's LAN entry, agreeing to the terms once shown,
// the stored entries, the signup, a communication name, the verification), and while each server
// request runs times round trips of WM_NULL to the wizard (SendMessageTimeout), which a window
// that does not serve its queue leaves unanswered. For the responsiveness benchmark under Wine.
// Usage: responsiveness_probe CLASS; prints "signup MS" (the longest round trip during the signup
// request) and "whole MS" (during every request), and exits 0 once the completion page is shown.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kLookForMs = 180000;
constexpr int kNext = 0x3024;

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

HWND ShownPage(HWND sheet) {
  for (HWND child = GetWindow(sheet, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
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

// Polls `done` every 20 ms for at most `ms`; false when it never held.
template <class Done>
bool WaitFor(Done done, DWORD ms = kLookForMs) {
  for (DWORD waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

// The shown page has a control of this id (each page is known by one of its own).
bool OnPage(HWND sheet, int id) {
  HWND page = ShownPage(sheet);
  return page != nullptr && GetDlgItem(page, id) != nullptr;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[128] = {};
  GetWindowTextW(hwnd, text, 128);
  return text;
}

void Click(HWND sheet, int id) { PostMessageW(GetDlgItem(sheet, id), BM_CLICK, 0, 0); }

// Clicks Next until `done` holds: a click that comes while the page is still being set up is
// lost, as a person's would be.
template <class Done>
bool NextUntil(HWND sheet, Done done) {
  for (int tries = 0; tries < 60; ++tries) {
    Click(sheet, kNext);
    if (WaitFor(done, 2000)) return true;
  }
  return false;
}

// Clicks Next and, until the page with `nextPage` shows, times WM_NULL round trips; the longest.
double NextTimingRoundTrips(HWND sheet, int nextPage) {
  Click(sheet, kNext);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double longest = 0;
  while (!OnPage(sheet, nextPage)) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    DWORD_PTR result;
    SendMessageTimeoutW(sheet, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
    QueryPerformanceCounter(&after);
    const double ms = 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                      static_cast<double>(frequency.QuadPart);
    if (ms > longest) longest = ms;
    Sleep(10);
  }
  return longest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: responsiveness_probe CLASS\n");
    return 2;
  }
  const std::wstring presence(argv[1], argv[1] + std::string(argv[1]).size());
  HWND sheet = nullptr;
  WaitFor([&] {
    if (HWND p = FindWindowW(presence.c_str(), nullptr))
      EnumThreadWindows(GetWindowThreadProcessId(p, nullptr), FindSheet,
                        reinterpret_cast<LPARAM>(&sheet));
    return sheet != nullptr;
  });
  if (!sheet) {
    std::fprintf(stderr, "responsiveness_probe: no wizard appeared\n");
    return 1;
  }
  // Start page: the LAN entry of the connection list, then Next.
  HWND start = ShownPage(sheet);
  HWND list = GetDlgItem(start, 1089);
  const LRESULT lan = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(L"<LAN接続>"));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(lan), 0);
  SendMessageW(start, WM_COMMAND, MAKEWPARAM(1089, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  Click(sheet, kNext);
  const bool walked =
      WaitFor([&] { return TextOf(GetDlgItem(sheet, kNext)) == L"同意する(&A)"; }) &&
      NextUntil(sheet, [&] { return OnPage(sheet, 1040); }) &&
      NextUntil(sheet, [&] { return OnPage(sheet, 1083); });
  if (!walked) {
    std::fprintf(stderr, "responsiveness_probe: the wizard did not reach the signup\n");
    return 1;
  }
  const double signup = NextTimingRoundTrips(sheet, 1062);
  SendMessageW(GetDlgItem(ShownPage(sheet), 1062), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"かな"));
  if (!NextUntil(sheet, [&] { return OnPage(sheet, 1092); })) {
    std::fprintf(stderr, "responsiveness_probe: the wizard did not reach the verification\n");
    return 1;
  }
  const double verification = NextTimingRoundTrips(sheet, 1063);
  std::printf("signup %.1f\nwhole %.1f\n", signup, signup > verification ? signup : verification);
  return 0;
}
