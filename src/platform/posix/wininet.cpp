// WinInet's blocking HTTP calls on Linux: one handle object per HINTERNET in a table, children
// closed with their parents; requests with their headers, sent and read through the libcurl
// transfer (wininet_transfer.cpp), options in wininet_options.cpp.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/percent_encoding.h"
#include "platform/posix/wininet_internal.h"
#include "platform/posix/wininet_libraries.h"
#include "platform/posix/wininet_proxy.h"
#include "platform/posix/wininet_text.h"

using platform::wininet::ChooseProxy;
using platform::wininet::Connection;
using platform::wininet::DwordOption;
using platform::wininet::Find;
using platform::wininet::FindAs;
using platform::wininet::Handle;
using platform::wininet::Header;
using platform::wininet::Kind;
using platform::wininet::LimitsFor;
using platform::wininet::Lookup;
using platform::wininet::Net;
using platform::wininet::Options;
using platform::wininet::ProxyEnvironment;
using platform::wininet::ReadBody;
using platform::wininet::ReadProxyEnvironment;
using platform::wininet::Register;
using platform::wininet::Request;
using platform::wininet::ReturnDword;
using platform::wininet::ReturnText;
using platform::wininet::SameName;
using platform::wininet::SendRequest;
using platform::wininet::SendSettings;
using platform::wininet::Session;
using platform::wininet::Trim;

namespace {

// ---- handle table -------------------------------------------------------------------------

std::mutex g_table_mutex;
std::map<HINTERNET, std::shared_ptr<Handle>> g_table;
uintptr_t g_next_id = 0x1000;

// Removes a handle and its descendants from the table; the objects die with the last user.
void CloseTree(HINTERNET id, std::vector<std::shared_ptr<Handle>>& closed) {
  auto it = g_table.find(id);
  if (it == g_table.end()) return;
  auto h = it->second;
  g_table.erase(it);
  h->closed = true;
  closed.push_back(h);
  for (HINTERNET child : h->children) CloseTree(child, closed);
}

// ---- requests -----------------------------------------------------------------------------

// A host name or address literal that may go into a URL unchanged.
bool ValidHost(const std::string& host) {
  if (host.empty() || host.size() > 255) return false;
  bool colon = host.find(':') != std::string::npos;
  for (unsigned char c : host) {
    bool ok = std::isalnum(c) || c == '-' || c == '.' || c == '_' || (colon && c == ':');
    if (!ok) return false;
  }
  return true;
}

// What a request path may carry literally: printable ASCII but "#", which would end it.
bool KeepInPath(unsigned char c) { return c > 0x20 && c < 0x7F && c != '#'; }

std::string EscapePath(const std::string& path) {
  return (path.empty() || path[0] != '/' ? "/" : "") + platform::PercentEncode(path, KeepInPath);
}

// Applies header lines to a list with the modifiers the program uses: HTTP_ADDREQ_FLAG_REPLACE
// (with HTTP_ADDREQ_FLAG_ADD, added when absent); otherwise each line is added.
BOOL ApplyHeaders(std::vector<Header>& list, const std::string& text, DWORD modifiers) {
  size_t pos = 0;
  bool any = false;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    line = Trim(line);
    if (line.empty()) continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    Header h{Trim(line.substr(0, colon)), Trim(line.substr(colon + 1))};
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const Header& x) { return SameName(x.name, h.name); });
    any = true;
    if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
      if (it != list.end()) {
        if (h.value.empty())
          list.erase(it);
        else
          it->value = h.value;
      } else if (modifiers & HTTP_ADDREQ_FLAG_ADD) {
        if (!h.value.empty()) list.push_back(h);
      } else {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
      }
    } else {
      list.push_back(h);
    }
  }
  if (!any) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

std::string TextArg(LPCSTR text, DWORD length) {
  if (text == nullptr) return {};
  if (length == 0xFFFFFFFF) return text;
  return std::string(text, length);
}

bool ResolveSettings(const std::shared_ptr<Request>& r, SendSettings& s) {
  auto conn = std::static_pointer_cast<Connection>(Find(r->parent));
  auto session = conn ? std::static_pointer_cast<Session>(Find(conn->parent)) : nullptr;
  if (!conn || !session) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!ValidHost(conn->host)) {
    SetLastError(ERROR_INTERNET_NAME_NOT_RESOLVED);
    return false;
  }
  s.flags = r->flags;
  s.secure = (r->flags & INTERNET_FLAG_SECURE) != 0;
  INTERNET_PORT port = conn->port;
  if (port == INTERNET_INVALID_PORT_NUMBER)
    port = s.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  std::string host =
      conn->host.find(':') != std::string::npos ? "[" + conn->host + "]" : conn->host;
  s.url = std::string(s.secure ? "https://" : "http://") + host + ":" + std::to_string(port) +
          EscapePath(r->path);
  s.agent = session->agent;

  // The environment counts only for a preconfigured session; the program always sets its own.
  const bool preconfigured = session->access_type == INTERNET_OPEN_TYPE_PRECONFIG ||
                             session->access_type == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  s.proxy = ChooseProxy(conn->host, s.secure, session->access_type, session->proxy, session->bypass,
                        preconfigured ? ReadProxyEnvironment() : ProxyEnvironment{});
  s.proxy_user = Lookup(r, [](const Options& o) { return o.proxy_user; });
  s.proxy_password = Lookup(r, [](const Options& o) { return o.proxy_password; });
  s.connect_timeout = DwordOption(r, INTERNET_OPTION_CONNECT_TIMEOUT);
  s.connect_retries = DwordOption(r, INTERNET_OPTION_CONNECT_RETRIES);
  return true;
}

const char* HeaderNameFor(DWORD level) {
  switch (level) {
    case HTTP_QUERY_CONTENT_TYPE:
      return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH:
      return "Content-Length";
    case HTTP_QUERY_TRANSFER_ENCODING:
      return "Transfer-Encoding";
    case HTTP_QUERY_LOCATION:
      return "Location";
    case HTTP_QUERY_SERVER:
      return "Server";
    default:
      return nullptr;
  }
}

}  // namespace

namespace platform::wininet {

HINTERNET Register(std::shared_ptr<Handle> h, HINTERNET parent) {
  std::lock_guard lock(g_table_mutex);
  h->id = reinterpret_cast<HINTERNET>(g_next_id);
  g_next_id += 4;
  h->parent = parent;
  if (parent) {
    auto it = g_table.find(parent);
    if (it != g_table.end()) it->second->children.push_back(h->id);
  }
  g_table[h->id] = h;
  return h->id;
}

std::shared_ptr<Handle> Find(HINTERNET id) {
  std::lock_guard lock(g_table_mutex);
  auto it = g_table.find(id);
  return it == g_table.end() ? nullptr : it->second;
}

BOOL ReturnText(const std::string& text, LPVOID buffer, LPDWORD length) {
  DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (buffer == nullptr || *length < needed) {
    *length = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, text.c_str(), needed);
  *length = needed - 1;
  return TRUE;
}

BOOL ReturnDword(DWORD value, LPVOID buffer, LPDWORD length) {
  if (buffer == nullptr || *length < sizeof(DWORD)) {
    *length = sizeof(DWORD);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, &value, sizeof value);
  *length = sizeof(DWORD);
  return TRUE;
}

}  // namespace platform::wininet

// ---- the API ------------------------------------------------------------------------------

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy,
                        LPCSTR lpszProxyBypass, DWORD dwFlags) {
  // The first call loads libcurl and OpenSSL; without them there is no session to give.
  if (const DWORD error = Net().error(); error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  if (dwAccessType != INTERNET_OPEN_TYPE_PRECONFIG && dwAccessType != INTERNET_OPEN_TYPE_DIRECT &&
      dwAccessType != INTERNET_OPEN_TYPE_PROXY &&
      dwAccessType != INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (dwAccessType == INTERNET_OPEN_TYPE_PROXY && (lpszProxy == nullptr || *lpszProxy == 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto s = std::make_shared<Session>();
  s->agent = lpszAgent ? lpszAgent : "";
  s->access_type = dwAccessType;
  if (dwAccessType == INTERNET_OPEN_TYPE_PROXY) {
    s->proxy = lpszProxy;
    s->bypass = lpszProxyBypass ? lpszProxyBypass : "";
  }
  return Register(s, nullptr);
}

HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext) {
  auto session = FindAs<Session>(hInternet, Kind::Session);
  if (!session) return nullptr;
  if (dwService != INTERNET_SERVICE_HTTP) {
    SetLastError(ERROR_INTERNET_INVALID_OPERATION);
    return nullptr;
  }
  if (lpszServerName == nullptr || *lpszServerName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto c = std::make_shared<Connection>();
  c->host = lpszServerName;
  c->port = nServerPort;
  return Register(c, hInternet);
}

HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName,
                           LPCSTR lpszVersion, LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes,
                           DWORD dwFlags, DWORD_PTR dwContext) {
  auto conn = FindAs<Connection>(hConnect, Kind::Connection);
  if (!conn) return nullptr;
  auto r = std::make_shared<Request>();
  r->verb = lpszVerb && *lpszVerb ? lpszVerb : "GET";
  r->path = lpszObjectName && *lpszObjectName ? lpszObjectName : "/";
  r->flags = dwFlags;
  if (lpszReferrer && *lpszReferrer) r->headers.push_back({"Referer", lpszReferrer});
  if (lplpszAcceptTypes) {
    std::string accept;
    for (LPCSTR* t = lplpszAcceptTypes; *t; ++t)
      accept += (accept.empty() ? "" : ", ") + std::string(*t);
    if (!accept.empty()) r->headers.push_back({"Accept", accept});
  }
  return Register(r, hConnect);
}

BOOL HttpAddRequestHeadersA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                            DWORD dwModifiers) {
  auto r = FindAs<Request>(hRequest, Kind::Request);
  if (!r) return FALSE;
  if (lpszHeaders == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ApplyHeaders(r->headers, TextArg(lpszHeaders, dwHeadersLength), dwModifiers);
}

BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                      LPVOID lpOptional, DWORD dwOptionalLength) {
  auto r = FindAs<Request>(hRequest, Kind::Request);
  if (!r) return FALSE;
  r->Reset();
  SendSettings s;
  if (!ResolveSettings(r, s)) return FALSE;
  // Headers given with the send count for this send only: the request's own are kept aside.
  std::optional<std::vector<Header>> saved;
  if (lpszHeaders != nullptr && dwHeadersLength != 0) {
    std::string extra = TextArg(lpszHeaders, dwHeadersLength);
    saved = r->headers;
    if (!Trim(extra).empty() && !ApplyHeaders(r->headers, extra, HTTP_ADDREQ_FLAG_ADD)) {
      r->headers = std::move(*saved);
      return FALSE;
    }
  }
  r->body.assign(static_cast<const char*>(lpOptional ? lpOptional : ""),
                 lpOptional ? dwOptionalLength : 0);

  const DWORD error = SendRequest(*r, s, LimitsFor(r));
  if (saved) r->headers = std::move(*saved);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer,
                    LPDWORD lpdwBufferLength, LPDWORD lpdwIndex) {
  auto r = FindAs<Request>(hRequest, Kind::Request);
  if (!r) return FALSE;
  if (lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD level = dwInfoLevel & HTTP_QUERY_HEADER_MASK;
  const bool number = (dwInfoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
  const bool request_side = (dwInfoLevel & HTTP_QUERY_FLAG_REQUEST_HEADERS) != 0;
  if (!request_side && !r->headers_done) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return FALSE;
  }
  auto answer = [&](const std::string& text) -> BOOL {
    if (!number) return ReturnText(text, lpBuffer, lpdwBufferLength);
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (end == text.c_str()) {
      SetLastError(ERROR_HTTP_INVALID_HEADER);
      return FALSE;
    }
    return ReturnDword(static_cast<DWORD>(v), lpBuffer, lpdwBufferLength);
  };
  switch (level) {
    case HTTP_QUERY_STATUS_CODE:
      return answer(std::to_string(r->status));
    case HTTP_QUERY_STATUS_TEXT:
      return answer(r->reason);
    case HTTP_QUERY_VERSION:
      return answer(r->version);
    default:
      break;
  }
  const char* name = HeaderNameFor(level);
  if (name == nullptr) {
    SetLastError(ERROR_HTTP_INVALID_QUERY_REQUEST);
    return FALSE;
  }
  const std::vector<Header>& list = request_side ? r->headers : r->reply_headers;
  DWORD wanted = lpdwIndex ? *lpdwIndex : 0;
  DWORD seen = 0;
  for (const Header& h : list) {
    if (!SameName(h.name, name)) continue;
    if (seen++ < wanted) continue;
    BOOL ok = answer(h.value);
    if (ok && lpdwIndex) ++*lpdwIndex;
    return ok;
  }
  SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
  return FALSE;
}

BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                      LPDWORD lpdwNumberOfBytesRead) {
  if (lpdwNumberOfBytesRead) *lpdwNumberOfBytesRead = 0;
  auto r = FindAs<Request>(hFile, Kind::Request);
  if (!r) return FALSE;
  if (lpdwNumberOfBytesRead == nullptr || (lpBuffer == nullptr && dwNumberOfBytesToRead != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!r->sent || !r->headers_done) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return FALSE;
  }
  const DWORD error =
      ReadBody(*r, LimitsFor(r), lpBuffer, dwNumberOfBytesToRead, *lpdwNumberOfBytesRead);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

BOOL InternetCloseHandle(HINTERNET hInternet) {
  std::vector<std::shared_ptr<Handle>> closed;
  {
    std::lock_guard lock(g_table_mutex);
    auto it = g_table.find(hInternet);
    if (it == g_table.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (it->second->parent) {
      auto p = g_table.find(it->second->parent);
      if (p != g_table.end()) std::erase(p->second->children, hInternet);
    }
    CloseTree(hInternet, closed);
  }
  for (auto& h : closed) h->Wake();
  return TRUE;
}
