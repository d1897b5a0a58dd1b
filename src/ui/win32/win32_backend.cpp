// User32 backend of the framework: the backend object, the natives of the framework's windows
// (dialogs and pages from in-memory templates, the sheet and its buttons), modal loops, pumping,
// timers, posted work, message boxes, the wait cursor and the presence window.
#include "ui/win32/win32_backend.h"

#include <thread>

#include "ui/win32/win32_native.h"

namespace ui::win32 {

Win32Backend* g_backend = nullptr;

namespace {

using platform::win32::Ansi;
using platform::win32::Wide;

constexpr wchar_t kNativeProp[] = L"signup.native";
constexpr wchar_t kPostClass[] = L"SignupPostedWork";
constexpr UINT kPostedMessage = WM_APP + 1;

// The module the windows belong to.
HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

LRESULT CALLBACK PostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPostedMessage && g_backend) {
    g_backend->RunPosted();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK PresenceProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void CALLBACK TimerProc(HWND, UINT, UINT_PTR timerId, DWORD) {
  if (g_backend) g_backend->Timer(timerId);
}

}  // namespace

Native* NativeOfHwnd(HWND hwnd) {
  return hwnd ? static_cast<Native*>(GetPropW(hwnd, kNativeProp)) : nullptr;
}

void SetNativeOfHwnd(HWND hwnd, Native* n) {
  if (n)
    SetPropW(hwnd, kNativeProp, n);
  else
    RemovePropW(hwnd, kNativeProp);
}

std::string TextOf(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return Ansi(text);
}

// ---- Backend ----------------------------------------------------------------------------------

Win32Backend::Win32Backend() {
  g_backend = this;
  WNDCLASSEXW post{};
  post.cbSize = sizeof post;
  post.lpfnWndProc = PostProc;
  post.hInstance = Instance();
  post.lpszClassName = kPostClass;
  RegisterClassExW(&post);
  postWindow_ = CreateWindowExW(0, kPostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                Instance(), nullptr);
}

Win32Backend::~Win32Backend() {
  for (Native* n : natives_.Roots()) Drop(n);
  for (auto& [id, timer] : timers_) ::KillTimer(nullptr, id);
  timers_.clear();
  if (postWindow_) ::DestroyWindow(postWindow_);
  for (auto& [name, hwnd] : presence_) ::DestroyWindow(hwnd);
  for (auto& [id, bitmap] : bitmaps_) DeleteObject(bitmap);
  for (HICON icon : icons_) DestroyIcon(icon);
  for (auto& [colour, brush] : brushes_) DeleteObject(brush);
  g_backend = nullptr;
}

Native* Win32Backend::Ensure(Window& w) {
  if (Native* n = NativeOf(w)) return n;
  const std::optional<Kind> kind = NativeKindOf(w);
  if (!kind || *kind == Kind::Control) return nullptr;
  if (*kind == Kind::Page) {
    Window* sheet = static_cast<PropertyPage&>(w).GetParent();
    Native* parent = sheet ? Ensure(*sheet) : nullptr;
    return parent ? MakeDialog(w, Kind::Page, parent) : nullptr;
  }
  return MakeDialog(w, *kind, nullptr);
}

HWND Win32Backend::OwnerWindow() const {
  for (auto it = modal_.rbegin(); it != modal_.rend(); ++it)
    if (!(*it)->dead && !(*it)->ended) return (*it)->hwnd;
  return nullptr;
}

// A sheet, dialog or page from an in-memory template: a dialog's or page's own template with its
// controls, or for the sheet an empty one that its buttons are added to.
Native* Win32Backend::MakeDialog(Window& w, Kind kind, Native* parent) {
  const res::DialogTemplate* t = nullptr;
  if (kind != Kind::Sheet) t = res::FindDialog(static_cast<Dialog&>(w).GetTemplateId());
  DWORD style = t ? t->style & ~static_cast<DWORD>(res::WS_VISIBLE) : 0;
  if (kind == Kind::Page) {
    style = (style & ~(res::WS_POPUP | res::WS_CAPTION | res::WS_SYSMENU)) | res::WS_CHILD |
            res::DS_CONTROL;
  } else {
    style = (style & ~res::WS_CHILD) | res::WS_POPUP | res::WS_CAPTION | res::WS_SYSMENU |
            res::DS_MODALFRAME;
  }
  const std::wstring face = DialogFace(t ? t->font : nullptr);
  const std::vector<WORD> memory = BuildTemplate(t, style, face, t ? t->pointSize : 9);
  Native* n = natives_.New(w, kind, parent);
  HWND owner = parent ? parent->hwnd : OwnerWindow();
  n->hwnd = CreateDialogIndirectParamW(Instance(), reinterpret_cast<LPCDLGTEMPLATEW>(memory.data()),
                                       owner, DialogProc, reinterpret_cast<LPARAM>(n));
  if (!n->hwnd) {
    Drop(n);
    return nullptr;
  }
  if (kind == Kind::Sheet) SendMessageW(n->hwnd, DM_SETDEFID, ID_WIZNEXT, 0);
  // A screen reader names the page's pane by its window text: the title its picture shows.
  if (kind == Kind::Page)
    SetWindowTextW(n->hwnd, Wide(static_cast<PropertyPage&>(w).AccessibleName()).c_str());
  MakeControls(n);
  ApplyAll(n);
  return n;
}

// Pairs the framework's controls with the windows made from the same template, in template order
// (labels share the id -1, so ids alone cannot tell them apart); the sheet's buttons are made here.
void Win32Backend::MakeControls(Native* n) {
  std::vector<Control*> controls;
  if (auto* sheet = dynamic_cast<PropertySheet*>(n->window)) {
    for (Window* child : sheet->Children())
      if (auto* c = dynamic_cast<Control*>(child)) controls.push_back(c);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(n->hwnd, WM_GETFONT, 0, 0));
    for (Control* c : controls) {
      const bool tab = c->GetDlgCtrlID() == ID_SHEET_TAB;
      const DWORD button =
          c->GetDlgCtrlID() == ID_WIZNEXT ? res::BS_DEFPUSHBUTTON : res::BS_PUSHBUTTON;
      const DWORD style =
          tab ? res::WS_CHILD : res::WS_CHILD | res::WS_TABSTOP | button | BS_NOTIFY;
      HWND hwnd = CreateWindowExW(0, tab ? L"STATIC" : L"BUTTON", L"", style, 0, 0, 0, 0, n->hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(c->GetDlgCtrlID())),
                                  Instance(), nullptr);
      if (hwnd && font) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      MakeControl(*c, n, hwnd);
    }
    return;
  }
  if (auto* dialog = dynamic_cast<Dialog*>(n->window)) controls = dialog->Controls();
  HWND child = GetWindow(n->hwnd, GW_CHILD);
  for (Control* c : controls) {
    MakeControl(*c, n, child);
    if (child) child = GetWindow(child, GW_HWNDNEXT);
  }
}

Native* Win32Backend::MakeControl(Control& c, Native* parent, HWND hwnd) {
  Native* n = natives_.New(c, Kind::Control, parent);
  n->control = &c;
  n->hwnd = hwnd;
  if (hwnd) SetNativeOfHwnd(hwnd, n);
  return n;
}

void Win32Backend::CreateWindow(Window& window) {
  Applier a(this);
  if (Native* n = NativeOf(window)) {
    ApplyAll(n);
    return;
  }
  Ensure(window);
}

// The native and those below it are forgotten; the windows go with their top-most one.
void Win32Backend::Drop(Native* n) {
  Applier a(this);
  HWND hwnd = n->hwnd;
  natives_.Forget(n, [this](Native* gone) {
    for (auto it = timers_.begin(); it != timers_.end();) {
      if (it->second.first == gone->window) {
        ::KillTimer(nullptr, it->first);
        it = timers_.erase(it);
      } else {
        ++it;
      }
    }
    if (gone->hwnd) SetNativeOfHwnd(gone->hwnd, nullptr);
  });
  std::erase(modal_, n);
  if (n->tooltip) ::DestroyWindow(n->tooltip);
  if (hwnd && n->kind != Kind::Control) ::DestroyWindow(hwnd);
  natives_.Erase(n, [](Native*) {});
}

void Win32Backend::DestroyWindow(Window& window) {
  if (Native* n = NativeOf(window)) Drop(n);
}

// ---- Modal runs, pumping, time ---------------------------------------------------------------

bool Win32Backend::PreTranslate(const MSG& msg) {
  UINT message = 0;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      message = msg.message;
      break;
    default:
      return false;
  }
  HWND top = OwnerWindow();
  if (!top || (msg.hwnd != top && !IsChild(top, msg.hwnd))) return false;
  // The nearest window of ours at or above the message's target.
  HWND at = msg.hwnd;
  Native* target = nullptr;
  while (at && !(target = NativeOfHwnd(at))) at = GetParent(at);
  if (!target) return false;
  Message m;
  m.message = message;
  m.target = target->window;
  POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
  if (message != WM_KEYDOWN) {
    MapWindowPoints(msg.hwnd, at, &p, 1);
    m.x = p.x;
    m.y = p.y;
  }
  Native* topNative = NativeOfHwnd(top);
  for (Window* w = m.target; w; w = w->GetParent()) {
    if (w->PreTranslateMessage(m)) return true;
    if (topNative && w == topNative->window) break;
  }
  return false;
}

// Handles one message as the modal loop of the window on top would; false for WM_QUIT.
bool Win32Backend::Dispatch(MSG& msg) {
  if (msg.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  if (PreTranslate(msg)) return true;
  if (HWND top = OwnerWindow(); top && IsDialogMessageW(top, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void Win32Backend::RunModal(Window& window) {
  Native* n = natives_.ForModalRun(window, [&] {
    Applier a(this);
    return Ensure(window);
  });
  if (!n) return;
  HWND owner = OwnerWindow();
  HWND self = n->hwnd;
  if (owner) EnableWindow(owner, FALSE);
  modal_.push_back(n);
  if (!n->shown) {
    n->shown = true;
    // Centred on the screen (or over the window it runs above).
    RECT area, own;
    if (owner)
      GetWindowRect(owner, &area);
    else
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(self, &own);
    const int x = area.left + ((area.right - area.left) - (own.right - own.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(self, nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (window.IsWindowVisible()) ShowWindow(self, SW_SHOW);
  SetForegroundWindow(self);
  // The framework's focus, else the first control that takes it.
  Control* focus = nullptr;
  if (auto* d = dynamic_cast<Dialog*>(&window)) focus = d->GetFocusControl();
  if (focus && NativeOf(*focus) && NativeOf(*focus)->hwnd)
    SetFocus(NativeOf(*focus)->hwnd);
  else
    SendMessageW(self, WM_NEXTDLGCTL, 0, FALSE);
  MSG msg;
  while (NativeOf(window) == n && !n->ended) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0 || !Dispatch(msg)) break;
  }
  if (NativeOf(window) == n) {
    std::erase(modal_, n);
    ShowWindow(self, SW_HIDE);
  }
  if (owner && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
  }
}

void Win32Backend::EndModal(Window& window) {
  Native* n = NativeOf(window);
  if (!n) return;
  n->ended = true;
  // Wakes the loop that waits in GetMessage.
  PostMessageW(n->hwnd, WM_NULL, 0, 0);
}

void Win32Backend::PumpPending() {
  MSG msg;
  // Bounded so that a message that is always there cannot hold the caller forever.
  for (int i = 0; i < 100000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
    if (!Dispatch(msg)) break;
}

void Win32Backend::PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) break;
    // Sleeps until a message arrives or the period is over: no spinning.
    MsgWaitForMultipleObjectsEx(0, nullptr, ms - spent, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    PumpPending();
  }
}

DWORD Win32Backend::TickCount() { return GetTickCount(); }

void Win32Backend::Post(std::function<void()> fn) {
  posted_.push_back(std::move(fn));
  PostMessageW(postWindow_, kPostedMessage, 0, 0);
}

void Win32Backend::RunPosted() {
  if (posted_.empty()) return;
  std::function<void()> fn = std::move(posted_.front());
  posted_.pop_front();
  fn();
}

// The work runs on a thread of its own while this thread serves its message queue, so the
// windows repaint and the system never finds the program hung; keyboard and mouse messages are
// taken off the queue unhandled, and timers and posted work stay queued until the work is done.
// Messages other programs send (WM_NULL of a liveness check) are answered by the peeks; a sent
// command or close is refused by the dialog procedure while blocking.
void Win32Backend::RunKeepingWindowsAlive(const std::function<void()>& work) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (done == nullptr) {
    work();
    return;
  }
  ++blocking_;
  std::thread worker([&] {
    work();
    SetEvent(done);
  });
  struct Range {
    UINT first, last;
  };
  static constexpr Range kInput[] = {{WM_KEYFIRST, WM_KEYLAST},
                                     {WM_MOUSEFIRST, WM_MOUSELAST},
                                     {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, 0);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
    MSG msg;
    for (const Range& r : kInput)
      while (PeekMessageW(&msg, nullptr, r.first, r.last, PM_REMOVE)) {
      }
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
  }
  worker.join();
  CloseHandle(done);
  --blocking_;
}

void Win32Backend::SetTimer(Window& window, UINT id, UINT ms) {
  KillTimer(window, id);
  // Thread timers with a procedure fire in every message loop, the system's modal ones included,
  // as WM_TIMER does.
  if (UINT_PTR timer = ::SetTimer(nullptr, 0, ms, TimerProc)) timers_[timer] = {&window, id};
}

void Win32Backend::KillTimer(Window& window, UINT id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.first == &window && it->second.second == id) {
      ::KillTimer(nullptr, it->first);
      timers_.erase(it);
      return;
    }
  }
}

void Win32Backend::Timer(UINT_PTR timerId) {
  if (Blocking()) return;
  auto it = timers_.find(timerId);
  if (it == timers_.end()) return;
  const auto [window, id] = it->second;
  window->OnTimer(id);
}

void Win32Backend::SetWaitCursor(bool on) {
  wait_ = on;
  // Shown now: the program may block right after this (a POST under the wait cursor).
  SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

short Win32Backend::GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

int Win32Backend::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                             UINT type) {
  HWND parent = OwnerWindow();
  if (!parent && owner && NativeOf(*owner)) parent = NativeOf(*owner)->hwnd;
  const int answer =
      MessageBoxW(parent, Wide(text).c_str(), Wide(caption).c_str(), type | MB_SETFOREGROUND);
  return answer != 0 ? answer : IDCANCEL;
}

// ---- Presence window -------------------------------------------------------------------------

bool Win32Backend::CreatePresenceWindow(const std::string& className) {
  if (presence_.count(className)) return true;
  const std::wstring name = Wide(className);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PresenceProc;
  wc.hInstance = Instance();
  wc.lpszClassName = name.c_str();
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, name.c_str(), L"", 0, CW_USEDEFAULT, 0,
                              CW_USEDEFAULT, 0, nullptr, nullptr, Instance(), nullptr);
  if (!hwnd) return false;
  presence_[className] = hwnd;
  return true;
}

bool Win32Backend::HasPresenceWindow(const std::string& className) {
  return presence_.count(className) != 0;
}

}  // namespace ui::win32

namespace ui {

std::unique_ptr<Backend> CreateWin32Backend() {
  if (win32::g_backend) return nullptr;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  return std::make_unique<win32::Win32Backend>();
}

}  // namespace ui
