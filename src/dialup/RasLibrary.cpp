// The dial-up library binding: loading and resolving, dialling, dial progress texts, error texts,
// connection lookup and hang-up.
#include "dialup/RasLibrary.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "platform/codepage.h"
#include "res/resources.h"
#include "ui/framework.h"

namespace {

// The first error of the current dial, as one word (code in the high half) so that the notifier
// thread records code and extended code together and only once.
std::atomic<uint64_t> g_dialError{0};

// Pause between the status polls of WaitForDisconnect.
constexpr DWORD kDisconnectPauseMs = 100;

// Types the resolved function with its real signature (through the generic function pointer type,
// which converts to any other).
template <class Fn>
void Resolve(HMODULE module, const char* name, Fn& fn) {
  FARPROC proc = module != nullptr ? GetProcAddress(module, name) : nullptr;
  fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// The status text of a connection state; IDS_RAS_STATE_UNKNOWN for a state the program does not
// know.
UINT StateTextId(RASCONNSTATE state) {
  int value = static_cast<int>(state);
  if (value >= RASCS_OpenPort && value <= RASCS_SubEntryDisconnected)
    return IDS_RAS_STATE_FIRST + value;
  if (value >= RASCS_Interactive && value <= RASCS_PasswordExpired)
    return IDS_RAS_STATE_INTERACTIVE + (value - RASCS_Interactive);
  if (value == RASCS_Connected) return IDS_RAS_STATE_CONNECTED;
  if (value == RASCS_Disconnected) return IDS_RAS_STATE_DISCONNECTED;
  return IDS_RAS_STATE_UNKNOWN;
}

const char* PhonebookArg(const std::string& phonebook) {
  return phonebook.empty() ? nullptr : phonebook.c_str();
}

}  // namespace

namespace dialup {

void CopyField(char* field, size_t size, const std::string& text) {
  if (size == 0) return;
  size_t n = 0;
  while (n < text.size() && n + 1 < size) {
    bool lead = platform::IsLeadByte(static_cast<unsigned char>(text[n])) && n + 1 < text.size();
    size_t width = lead ? 2 : 1;
    if (n + width + 1 > size) break;
    n += width;
  }
  text.copy(field, n);
  field[n] = '\0';
}

}  // namespace dialup

RasLibrary::RasLibrary(HMODULE module) {
  status_.dwSize = sizeof(RASCONNSTATUSA);
  module_ = module != nullptr ? module : LoadLibraryA("rasapi32.dll");
#define SIGNUP_RAS_RESOLVE(name, member) Resolve(module_, #name, member);
  SIGNUP_RAS_ENTRY_POINTS(SIGNUP_RAS_RESOLVE)
#undef SIGNUP_RAS_RESOLVE
}

RasLibrary::~RasLibrary() { Unload(); }

bool RasLibrary::IsComplete() const {
#define SIGNUP_RAS_PRESENT(name, member) &&member != nullptr
  return module_ != nullptr SIGNUP_RAS_ENTRY_POINTS(SIGNUP_RAS_PRESENT);
#undef SIGNUP_RAS_PRESENT
}

int RasLibrary::Unload() {
  connection_ = 0;
  if (module_ == nullptr) return 0;
  int result = FreeLibrary(module_);
  module_ = nullptr;
  // The pointers lead into the freed library: forget them so that IsComplete turns false.
#define SIGNUP_RAS_FORGET(name, member) member = nullptr;
  SIGNUP_RAS_ENTRY_POINTS(SIGNUP_RAS_FORGET)
#undef SIGNUP_RAS_FORGET
  return result;
}

// ---- Dialling --------------------------------------------------------------------------------

DWORD RasLibrary::Dial(const std::string& entry, RASDIALFUNC1 notifier,
                       const std::string& phoneNumber, const std::string& userName,
                       const std::string& password, const std::string& domain,
                       const std::string& phonebook) {
  RASDIALPARAMSA params{};
  params.dwSize = sizeof(RASDIALPARAMSA);
  dialup::CopyField(params.szEntryName, entry);
  dialup::CopyField(params.szPhoneNumber, phoneNumber);
  dialup::CopyField(params.szUserName, userName);
  dialup::CopyField(params.szPassword, password);
  dialup::CopyField(params.szDomain, domain);
  connection_ = 0;
  return rasDial_(nullptr, PhonebookArg(phonebook), &params, 1, reinterpret_cast<void*>(notifier),
                  &connection_);
}

bool RasLibrary::GetStatusText(std::string& text, bool& connected) {
  connected = false;
  // A failed poll leaves the last state in the buffer, which is then shown again.
  status_.dwSize = sizeof(RASCONNSTATUSA);
  rasGetConnectStatus_(connection_, &status_);
  RASCONNSTATE state = status_.rasconnstate;
  text = res::String(StateTextId(state));
  connected = state == RASCS_Connected;
  return state == RASCS_Connected || state == RASCS_Disconnected;
}

DWORD RasLibrary::GetErrorText(DWORD code, DWORD extended, std::string& text) {
  text = "Fail to get error string";
  if (code == 0) return kNoErrorCode;
  char buffer[256] = {};
  DWORD result = rasGetErrorString_(code, buffer, sizeof(buffer));
  if (result == 0) text = dialup::FieldText(buffer);
  if (extended != 0) {
    char suffix[64];
    std::snprintf(suffix, sizeof(suffix), " Extended Error Code: %d", static_cast<int>(extended));
    text += suffix;
  }
  return result;
}

// ---- Connections -----------------------------------------------------------------------------

bool RasLibrary::EnumConnections(std::vector<RASCONNA>& connections) {
  // Connections may come up between a call that learns the size and the next one: try again
  // with what the library asks for, a few times.
  connections.assign(kConnectionSlots, RASCONNA{});
  for (int attempt = 0; attempt < kEnumAttempts; ++attempt) {
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD size = static_cast<DWORD>(connections.size() * sizeof(RASCONNA));
    DWORD count = 0;
    DWORD result = rasEnumConnections_(connections.data(), &size, &count);
    if (result == 0) {
      // Never read past what was allocated, whatever count the library reports.
      if (count < connections.size()) connections.resize(count);
      return true;
    }
    if (result != ERROR_BUFFER_TOO_SMALL) break;
    size_t needed = std::max<size_t>(count, size / sizeof(RASCONNA));
    if (needed <= connections.size() || needed > kMaxConnections) break;
    connections.assign(needed, RASCONNA{});
  }
  connections.clear();
  return false;
}

bool RasLibrary::FindConnection(const std::string& entry, HRASCONN& connection) {
  std::vector<RASCONNA> conns;
  if (!EnumConnections(conns)) return false;
  bool matched = false;
  for (const RASCONNA& conn : conns) {
    if (platform::EqualsNoCase(dialup::FieldText(conn.szEntryName), entry)) {
      connection = conn.hrasconn;
      matched = true;
    }
  }
  return matched;
}

bool RasLibrary::IsConnected(const std::string& entry) {
  if (entry.empty()) return HangUpAll(false);
  HRASCONN connection = 0;
  return FindConnection(entry, connection);
}

bool RasLibrary::HangUp(const std::string& entry) {
  if (connection_ != 0) {
    // Forgotten before the wait, which serves the window: a Cancel pressed meanwhile finds no
    // handle to hang up a second time.
    const HRASCONN own = connection_;
    connection_ = 0;
    rasHangUp_(own);
    WaitForDisconnect(own);
    return true;
  }
  HRASCONN connection = 0;
  if (!FindConnection(entry, connection)) return false;
  rasHangUp_(connection);
  WaitForDisconnect(connection);
  return true;
}

bool RasLibrary::HangUpAll(bool hangUp, std::string* firstEntry) {
  std::vector<RASCONNA> conns;
  if (!EnumConnections(conns) || conns.empty()) return false;
  if (firstEntry != nullptr) *firstEntry = dialup::FieldText(conns[0].szEntryName);
  if (!hangUp) return true;
  // One connection that refuses must not keep the others up: the line costs money. The wait for
  // them to go is shared, so that connections which never go cannot hold the window long.
  bool all = true;
  int polls = kDisconnectPolls;
  for (const RASCONNA& conn : conns) {
    DWORD result = rasHangUp_(conn.hrasconn);
    polls = WaitForDisconnect(conn.hrasconn, polls);
    if (result != 0) all = false;
  }
  return all;
}

int RasLibrary::WaitForDisconnect(HRASCONN connection, int polls) {
  RASCONNSTATUSA status{};
  status.dwSize = sizeof(RASCONNSTATUSA);
  for (; polls > 0; --polls) {
    if (rasGetConnectStatus_(connection, &status) == ERROR_INVALID_HANDLE) return polls - 1;
    ui::PumpMessagesFor(kDisconnectPauseMs);
  }
  return 0;
}

// ---- Dial error record -----------------------------------------------------------------------

void RasLibrary::ResetDialError() { g_dialError.store(0); }

bool RasLibrary::GetDialError(DWORD& code, DWORD& extended) {
  uint64_t record = g_dialError.load();
  code = static_cast<DWORD>(record >> 32);
  extended = static_cast<DWORD>(record & 0xFFFFFFFFu);
  return code != 0;
}

void WINAPI RasLibrary::DialNotifier(HRASCONN, UINT, RASCONNSTATE, DWORD error, DWORD extended) {
  if (error == 0) return;
  uint64_t expected = 0;
  uint64_t record = (static_cast<uint64_t>(error) << 32) | extended;
  g_dialError.compare_exchange_strong(expected, record);
}
