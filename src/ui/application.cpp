// The application object with its registry profile functions, and the services every part of the
// program calls (message boxes, pumping, the wait cursor, tooltips, painting, the presence window).
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <set>
#include <vector>

#include "platform/registry.h"
#include "platform/system.h"
#include "res/art_data.h"
#include "ui/backend.h"
#include "ui/framework.h"

namespace ui {

namespace {
Application* g_current = nullptr;
int g_waitDepth = 0;
std::set<std::string> g_registeredClasses;

// Registry key path of a profile section: Software\<key>\<profile>[\<section>].
std::string SectionPath(const Application& app, const std::string& section) {
  std::string path = "Software\\" + app.registryKey + "\\" + app.profileName;
  if (!section.empty()) path += "\\" + section;
  return path;
}

// A missing key or value is what a profile read expects; anything else means the store could
// not be read.
bool IsReadFailure(LONG err) {
  return err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND && err != ERROR_KEY_DELETED &&
         err != ERROR_MORE_DATA;
}

void NoteReadError(Application& app, LONG err) {
  if (IsReadFailure(err) && app.profileReadError == 0) app.profileReadError = err;
}

// The key of a profile section opened for reading; none without a registry key or section. A set
// of values written as one that a kill interrupted is completed before the key is first read.
platform::RegistryKey OpenSection(Application& app, const std::string& section) {
  static std::set<std::string> completed;
  platform::RegistryKey key;
  if (app.registryKey.empty()) return key;
  const std::string path = SectionPath(app, section);
  if (completed.insert(path).second && !app.profileWritesRefused)
    platform::RegCompleteValueSet(HKEY_CURRENT_USER, path.c_str());
  NoteReadError(app, key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ));
  return key;
}

// The key of a profile section opened for writing, made when missing; none when that fails or
// writes are refused (profileWriteError says why).
platform::RegistryKey CreateSection(Application& app, const std::string& section) {
  platform::RegistryKey key;
  if (app.registryKey.empty()) return key;
  if (app.profileWritesRefused) {
    app.profileWriteError = ERROR_ACCESS_DENIED;
    return key;
  }
  const LONG err =
      key.Create(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), KEY_WRITE | KEY_READ);
  if (err != ERROR_SUCCESS) app.profileWriteError = err;
  return key;
}

// Keeps a write's result in profileWriteError when it failed.
bool Written(Application& app, LONG err) {
  if (err != ERROR_SUCCESS) app.profileWriteError = err;
  return err == ERROR_SUCCESS;
}
}  // namespace

Application::Application() { g_current = this; }

Application::~Application() {
  if (g_current == this) g_current = nullptr;
}

Application* Application::Current() { return g_current; }

void Application::SetRegistryKey(const std::string& key) {
  registryKey = key;
  profileName = appName;
}

void Application::SetDialogBkColor(COLORREF background, COLORREF text) {
  const std::optional<HighContrast> system = HighContrastColours();
  dialogBkColor = system ? system->background : background;
  dialogTextColor = system ? system->text : text;
}

std::string Application::GetProfileString(const std::string& section, const std::string& entry,
                                          const std::string& defaultValue) {
  platform::RegistryKey key = OpenSection(*this, section);
  if (!key) return defaultValue;
  DWORD type = 0, size = 0;
  LONG err = RegQueryValueExA(key.get(), entry.c_str(), nullptr, &type, nullptr, &size);
  NoteReadError(*this, err);
  if (err != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return defaultValue;
  std::vector<BYTE> buffer(size + 1, 0);
  DWORD got = size;
  err = RegQueryValueExA(key.get(), entry.c_str(), nullptr, &type, buffer.data(), &got);
  NoteReadError(*this, err);
  if (err != ERROR_SUCCESS) return defaultValue;
  got = std::min<DWORD>(got, size);
  std::string value(reinterpret_cast<const char*>(buffer.data()), got);
  if (auto zero = value.find('\0'); zero != std::string::npos) value.resize(zero);
  return value;
}

bool Application::WriteProfileString(const std::string& section, const std::string& entry,
                                     const std::string& value) {
  platform::RegistryKey key = CreateSection(*this, section);
  if (!key) return false;
  return Written(*this, RegSetValueExA(key.get(), entry.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1)));
}

UINT Application::GetProfileInt(const std::string& section, const std::string& entry,
                                int defaultValue) {
  platform::RegistryKey key = OpenSection(*this, section);
  if (!key) return static_cast<UINT>(defaultValue);
  DWORD type = 0, value = 0, size = sizeof(value);
  const LONG err = RegQueryValueExA(key.get(), entry.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(&value), &size);
  NoteReadError(*this, err);
  if (err != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
    return static_cast<UINT>(defaultValue);
  return value;
}

bool Application::WriteProfileInt(const std::string& section, const std::string& entry, int value) {
  platform::RegistryKey key = CreateSection(*this, section);
  if (!key) return false;
  DWORD v = static_cast<DWORD>(value);
  return Written(*this, RegSetValueExA(key.get(), entry.c_str(), 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&v), sizeof(v)));
}

bool Application::WriteProfileValues(const std::string& section,
                                     const std::vector<ProfileValue>& values) {
  platform::RegistryKey key = CreateSection(*this, section);
  if (!key) return false;
  std::vector<platform::RegistryValue> set;
  set.reserve(values.size());
  for (const ProfileValue& v : values) {
    if (v.isNumber)
      set.push_back({v.entry, REG_DWORD,
                     std::string(reinterpret_cast<const char*>(&v.number), sizeof(v.number))});
    else
      set.push_back({v.entry, REG_SZ, v.text});
  }
  return Written(*this, platform::RegSetValuesAsOne(key.get(), set));
}

bool SocketInit() {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
  if (data.wVersion != MAKEWORD(1, 1)) {
    WSACleanup();
    return false;
  }
  return true;
}

// ---- Services ----------------------------------------------------------------------------------

int MessageBox(const std::string& text, UINT type) {
  if ((type & MB_ICONMASK) == 0) {
    switch (type & MB_TYPEMASK) {
      case MB_OK:
      case MB_OKCANCEL:
      case MB_YESNO:
      case MB_YESNOCANCEL:
        type |= MB_ICONEXCLAMATION;
        break;
      default:
        break;
    }
  }
  Application* app = Application::Current();
  const std::string caption = app != nullptr ? app->appName : std::string();
  Backend* backend = GetBackend();
  if (backend == nullptr) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL;
  return backend->MessageBox(app != nullptr ? app->mainWindow : nullptr, text, caption, type);
}

int MessageBox(UINT stringId, UINT type) { return MessageBox(res::String(stringId), type); }

void PumpMessages() {
  if (Backend* b = GetBackend()) b->PumpPending();
}

void PumpMessagesFor(DWORD ms) {
  if (Backend* b = GetBackend())
    b->PumpFor(ms);
  else
    Sleep(ms);
}

void RunKeepingWindowsAlive(const std::function<void()>& work) {
  if (Backend* b = GetBackend())
    b->RunKeepingWindowsAlive(work);
  else
    work();
}

DWORD TickCount() {
  Backend* b = GetBackend();
  return b != nullptr ? b->TickCount() : GetTickCount();
}

short GetKeyState(int virtualKey) {
  Backend* b = GetBackend();
  return b != nullptr ? b->GetKeyState(virtualKey) : 0;
}

WaitCursor::WaitCursor() {
  if (g_waitDepth++ == 0)
    if (Backend* b = GetBackend()) b->SetWaitCursor(true);
}

WaitCursor::~WaitCursor() {
  if (--g_waitDepth == 0)
    if (Backend* b = GetBackend()) b->SetWaitCursor(false);
}

bool ToolTip::Create(Window* owner) {
  owner_ = owner;
  return owner != nullptr;
}

void ToolTip::Activate(bool active) {
  active_ = active;
  for (auto& [control, text] : tools_) control->SetToolTipText(active ? text : std::string());
}

bool ToolTip::AddTool(Control* control, const std::string& text) {
  if (owner_ == nullptr || control == nullptr) return false;
  tools_.emplace_back(control, text);
  if (active_) control->SetToolTipText(text);
  return true;
}

bool ToolTip::AddTool(Control* control, UINT stringId) {
  return AddTool(control, res::String(stringId));
}

bool Bitmap::LoadBitmap(int id) {
  id_ = id;
  data_ = res::Bitmap{};
  read_ = true;
  for (size_t i = 0; i < res::kArtCount; ++i) {
    if (res::kArt[i].kind == res::ArtKind::Bitmap && res::kArt[i].id == id) {
      read_ = false;
      return true;
    }
  }
  return false;
}

namespace {

// A picture in high contrast: its ground (the colour most of it has) and what is darker become
// the background, what is lighter (the lettering, the band's marks) the text colour in
// proportion, so that the letters keep their smooth edges and read as well as the dialogs' text.
void ToHighContrast(res::Bitmap& picture, const HighContrast& colours) {
  std::vector<size_t> uses(picture.palette.size());
  for (uint8_t p : picture.pixels)
    if (p < uses.size()) ++uses[p];
  if (uses.empty()) return;
  auto luma = [](uint32_t c) {
    return (299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000.0;
  };
  const double ground =
      luma(picture.palette[std::max_element(uses.begin(), uses.end()) - uses.begin()]);
  for (uint32_t& c : picture.palette) {
    const double ink = ground < 255 ? std::clamp((luma(c) - ground) / (255 - ground), 0.0, 1.0) : 0;
    auto mix = [ink](int paper, int text) {
      return static_cast<uint32_t>(std::lround(paper + (text - paper) * ink));
    };
    const COLORREF bk = colours.background, fg = colours.text;
    c = mix(GetRValue(bk), GetRValue(fg)) << 16 | mix(GetGValue(bk), GetGValue(fg)) << 8 |
        mix(GetBValue(bk), GetBValue(fg));
  }
}

}  // namespace

const res::Bitmap& Bitmap::GetData() const {
  if (!read_) {
    read_ = true;
    if (!res::LoadBitmap(id_, data_)) data_ = res::Bitmap{};
    if (const std::optional<HighContrast> system = HighContrastColours())
      ToHighContrast(data_, *system);
  }
  return data_;
}

bool DeviceContext::CreateCompatibleDC(DeviceContext* other) {
  valid_ = other != nullptr && other->valid_;
  return valid_;
}

Bitmap* DeviceContext::SelectObject(Bitmap* bitmap) {
  Bitmap* old = selected_;
  selected_ = bitmap;
  return old;
}

bool DeviceContext::BitBlt(int x, int y, int width, int height, DeviceContext* source, int sx,
                           int sy, DWORD rop) {
  if (!valid_ || source == nullptr || source->selected_ == nullptr || window_ == nullptr ||
      rop != SRCCOPY)
    return false;
  if (Backend* b = GetBackend())
    b->DrawBitmap(*window_, *source->selected_, x, y, width, height, sx, sy);
  return true;
}

PaintDC::PaintDC(Window* window) {
  window_ = window;
  valid_ = window != nullptr && GetBackend() != nullptr;
}

PaintDC::~PaintDC() = default;

bool RegisterWindowClass(const std::string& className) {
  if (className.empty()) return false;
  g_registeredClasses.insert(className);
  return true;
}

void* CreatePresenceWindow(const std::string& className) {
  static int token = 0;
  if (g_registeredClasses.count(className) == 0) return nullptr;
  Backend* b = GetBackend();
  if (b == nullptr || !b->CreatePresenceWindow(className)) return nullptr;
  return &token;
}

bool FindPresenceWindow(const std::string& className) {
  Backend* b = GetBackend();
  return b != nullptr && b->HasPresenceWindow(className);
}

void BringPresenceOwnerForward(const std::string& className) {
  if (Backend* b = GetBackend()) b->BringPresenceOwnerForward(className);
}

std::optional<HighContrast> HighContrastColours() {
  Backend* b = GetBackend();
  return b != nullptr ? b->HighContrastColours() : std::nullopt;
}

namespace detail {
std::string FormatImpl(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
  }
#pragma GCC diagnostic pop
  va_end(args);
  return out;
}
}  // namespace detail

}  // namespace ui
