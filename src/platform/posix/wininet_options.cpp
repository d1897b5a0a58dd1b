// The options of the WinInet handles on Linux: time-outs, connect retries and proxy credentials
// kept per handle and inherited by its children, with one table of defaults; the process-wide
// online state, and how the machine is online (the dial-up library asked for a connection).
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/library.h"
#include "platform/posix/wininet_internal.h"
#include "platform/ras.h"

namespace platform::wininet {
namespace {

// The DWORD options and what a handle sees when neither it nor an ancestor has set them.
struct DwordOptionEntry {
  DWORD option;
  std::optional<DWORD> Options::*field;
  DWORD fallback;
};
constexpr DwordOptionEntry kDwordOptions[] = {
    {INTERNET_OPTION_CONNECT_TIMEOUT, &Options::connect_timeout, 60000},
    {INTERNET_OPTION_CONNECT_RETRIES, &Options::connect_retries, 5},
    {INTERNET_OPTION_SEND_TIMEOUT, &Options::send_timeout, 30000},
    {INTERNET_OPTION_RECEIVE_TIMEOUT, &Options::receive_timeout, 30000},
    {INTERNET_OPTION_DATA_SEND_TIMEOUT, &Options::data_send_timeout, 30000},
    {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &Options::data_receive_timeout, 30000},
};

// The text options; unset reads as empty.
struct TextOptionEntry {
  DWORD option;
  std::optional<std::string> Options::*field;
};
constexpr TextOptionEntry kTextOptions[] = {
    {INTERNET_OPTION_PROXY_USERNAME, &Options::proxy_user},
    {INTERNET_OPTION_PROXY_PASSWORD, &Options::proxy_password},
};

const DwordOptionEntry* FindDwordOption(DWORD option) {
  auto it = std::find_if(std::begin(kDwordOptions), std::end(kDwordOptions),
                         [option](const DwordOptionEntry& e) { return e.option == option; });
  return it == std::end(kDwordOptions) ? nullptr : it;
}

const TextOptionEntry* FindTextOption(DWORD option) {
  auto it = std::find_if(std::begin(kTextOptions), std::end(kTextOptions),
                         [option](const TextOptionEntry& e) { return e.option == option; });
  return it == std::end(kTextOptions) ? nullptr : it;
}

DWORD EffectiveDword(const std::shared_ptr<Handle>& h, const DwordOptionEntry& entry) {
  return Lookup(h, [&entry](const Options& o) { return o.*entry.field; }).value_or(entry.fallback);
}

// The handle an option call names; null with the last error set when there is none.
std::shared_ptr<Handle> OptionTarget(HINTERNET hInternet) {
  if (hInternet == nullptr) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  auto h = Find(hInternet);
  if (!h) SetLastError(ERROR_INVALID_HANDLE);
  return h;
}

// A phase time-out as the transfer counts it: 0 and 0xFFFFFFFF both mean none.
DWORD Millis(DWORD v) { return v == 0 || v == 0xFFFFFFFF ? 0 : v; }

std::atomic<DWORD> g_connected_state{INTERNET_STATE_CONNECTED};

// The text of a text option: null is empty, and the length may or may not count the zero.
std::string OptionText(LPVOID buffer, DWORD length) {
  const char* p = static_cast<const char*>(buffer);
  return p == nullptr ? std::string() : std::string(p, strnlen(p, length));
}

BOOL SetUserAgent(const std::shared_ptr<Handle>& h, LPVOID buffer, DWORD length) {
  if (h->kind != Kind::Session) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return FALSE;
  }
  std::static_pointer_cast<Session>(h)->agent = OptionText(buffer, length);
  return TRUE;
}

BOOL SetProxy(const std::shared_ptr<Handle>& h, LPVOID buffer, DWORD length) {
  if (h->kind != Kind::Session) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return FALSE;
  }
  if (buffer == nullptr || length < sizeof(INTERNET_PROXY_INFO)) {
    SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
    return FALSE;
  }
  auto* info = static_cast<INTERNET_PROXY_INFO*>(buffer);
  auto session = std::static_pointer_cast<Session>(h);
  if (info->dwAccessType == INTERNET_OPEN_TYPE_PROXY) {
    if (info->lpszProxy == nullptr || *info->lpszProxy == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    session->proxy = info->lpszProxy;
    session->bypass = info->lpszProxyBypass ? info->lpszProxyBypass : "";
  } else if (info->dwAccessType == INTERNET_OPEN_TYPE_DIRECT ||
             info->dwAccessType == INTERNET_OPEN_TYPE_PRECONFIG) {
    session->proxy.clear();
    session->bypass.clear();
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  session->access_type = info->dwAccessType;
  return TRUE;
}

BOOL SetOption(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength) {
  if (dwOption == INTERNET_OPTION_CONNECTED_STATE) {
    if (lpBuffer == nullptr || dwBufferLength < sizeof(INTERNET_CONNECTED_INFO)) {
      SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
      return FALSE;
    }
    if (hInternet != nullptr && !Find(hInternet)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    auto* info = static_cast<INTERNET_CONNECTED_INFO*>(lpBuffer);
    g_connected_state = info->dwConnectedState;
    return TRUE;
  }
  auto h = OptionTarget(hInternet);
  if (!h) return FALSE;
  if (const DwordOptionEntry* entry = FindDwordOption(dwOption)) {
    if (lpBuffer == nullptr || dwBufferLength < sizeof(DWORD)) {
      SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
      return FALSE;
    }
    DWORD v;
    std::memcpy(&v, lpBuffer, sizeof v);
    h->options.*entry->field = v;
    return TRUE;
  }
  if (const TextOptionEntry* entry = FindTextOption(dwOption)) {
    h->options.*entry->field = OptionText(lpBuffer, dwBufferLength);
    return TRUE;
  }
  switch (dwOption) {
    case INTERNET_OPTION_USER_AGENT:
      return SetUserAgent(h, lpBuffer, dwBufferLength);
    case INTERNET_OPTION_PROXY:
      return SetProxy(h, lpBuffer, dwBufferLength);
    default:
      SetLastError(ERROR_INTERNET_INVALID_OPTION);
      return FALSE;
  }
}

BOOL QueryOption(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, LPDWORD lpdwBufferLength) {
  if (lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dwOption == INTERNET_OPTION_CONNECTED_STATE)
    return ReturnDword(g_connected_state, lpBuffer, lpdwBufferLength);
  auto h = OptionTarget(hInternet);
  if (!h) return FALSE;
  if (const DwordOptionEntry* entry = FindDwordOption(dwOption))
    return ReturnDword(EffectiveDword(h, *entry), lpBuffer, lpdwBufferLength);
  if (const TextOptionEntry* entry = FindTextOption(dwOption)) {
    auto field = entry->field;
    return ReturnText(Lookup(h, [field](const Options& o) { return o.*field; }).value_or(""),
                      lpBuffer, lpdwBufferLength);
  }
  if (dwOption == INTERNET_OPTION_HANDLE_TYPE)
    return ReturnDword(h->kind == Kind::Session      ? INTERNET_HANDLE_TYPE_INTERNET
                       : h->kind == Kind::Connection ? INTERNET_HANDLE_TYPE_CONNECT_HTTP
                                                     : INTERNET_HANDLE_TYPE_HTTP_REQUEST,
                       lpBuffer, lpdwBufferLength);
  SetLastError(ERROR_INTERNET_INVALID_OPTION);
  return FALSE;
}

// The dial-up library's connection enumeration, loaded by the first request that asks and kept
// for the process, as WinInet keeps it on Windows: loading and unloading the library on every
// request took half the time the question costs. It is loaded again only when SIGNUP_RASAPI32
// names another library (tests switch it); a missing library is looked for anew each time.
// Null when the library is missing (*loaded false) or lacks the function.
PFN_RasEnumConnectionsA DialupEnumeration(bool* loaded) {
  static std::mutex mutex;
  static std::string loadedFor;
  static HMODULE library = nullptr;
  static PFN_RasEnumConnectionsA enumConnections = nullptr;
  const char* chosen = std::getenv("SIGNUP_RASAPI32");
  const std::string wanted = chosen != nullptr ? chosen : "";
  std::lock_guard lock(mutex);
  *loaded = true;
  if (library != nullptr && wanted == loadedFor) return enumConnections;
  HMODULE ras = LoadLibraryA("rasapi32.dll");
  if (ras == nullptr) {
    *loaded = false;
    return nullptr;
  }
  if (library != nullptr) FreeLibrary(library);
  library = ras;
  loadedFor = wanted;
  enumConnections = reinterpret_cast<PFN_RasEnumConnectionsA>(
      reinterpret_cast<void (*)()>(GetProcAddress(ras, "RasEnumConnectionsA")));
  return enumConnections;
}

// Whether the dial-up library is there, and whether it has a connection up (dialling or
// connected), as WinInet asks the dial-up service on Windows.
void DialupState(bool* installed, bool* connected) {
  *installed = *connected = false;
  // A missing library is a LAN-only machine, not an error of the caller's.
  const DWORD lastError = GetLastError();
  const PFN_RasEnumConnectionsA enumConnections = DialupEnumeration(installed);
  if (enumConnections != nullptr) {
    RASCONNA probe{};
    probe.dwSize = sizeof probe;
    DWORD size = sizeof probe;
    DWORD count = 0;
    DWORD result = enumConnections(&probe, &size, &count);
    *connected = (result == ERROR_SUCCESS || result == ERROR_BUFFER_TOO_SMALL) && count > 0;
  }
  SetLastError(lastError);
}

BOOL ConnectedState(LPDWORD lpdwFlags) {
  bool rasInstalled = false;
  bool dialup = false;
  DialupState(&rasInstalled, &dialup);
  DWORD flags = (dialup ? INTERNET_CONNECTION_MODEM : INTERNET_CONNECTION_LAN) |
                INTERNET_CONNECTION_CONFIGURED;
  if (rasInstalled) flags |= INTERNET_RAS_INSTALLED;
  if (g_connected_state & INTERNET_STATE_DISCONNECTED_BY_USER) flags |= INTERNET_CONNECTION_OFFLINE;
  if (lpdwFlags) *lpdwFlags = flags;
  return TRUE;
}

}  // namespace

DWORD DwordOption(const std::shared_ptr<Handle>& h, DWORD option) {
  const DwordOptionEntry* entry = FindDwordOption(option);
  return entry ? EffectiveDword(h, *entry) : 0;
}

Limits LimitsFor(const std::shared_ptr<Handle>& h) {
  Limits l;
  l.send_timeout = Millis(DwordOption(h, INTERNET_OPTION_SEND_TIMEOUT));
  l.receive_timeout = Millis(DwordOption(h, INTERNET_OPTION_RECEIVE_TIMEOUT));
  const DWORD connect = Millis(DwordOption(h, INTERNET_OPTION_CONNECT_TIMEOUT));
  if (connect != 0 && l.send_timeout != 0 && l.receive_timeout != 0) {
    const uint64_t sum = uint64_t{connect} + l.send_timeout + l.receive_timeout;
    l.request_timeout = static_cast<DWORD>(std::min<uint64_t>(sum, 0xFFFFFFFE));
  }
  return l;
}

}  // namespace platform::wininet

// ---- the API ------------------------------------------------------------------------------

BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                        DWORD dwBufferLength) {
  return platform::wininet::SetOption(hInternet, dwOption, lpBuffer, dwBufferLength);
}

BOOL InternetQueryOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                          LPDWORD lpdwBufferLength) {
  return platform::wininet::QueryOption(hInternet, dwOption, lpBuffer, lpdwBufferLength);
}

BOOL InternetGetConnectedState(LPDWORD lpdwFlags, DWORD dwReserved) {
  return platform::wininet::ConnectedState(lpdwFlags);
}
