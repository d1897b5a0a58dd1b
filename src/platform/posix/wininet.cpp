// WinInet's blocking HTTP calls on Linux, on libcurl's multi interface driven by the calling
// thread: one handle object per HINTERNET, children closed with their parents.
#include "platform/wininet.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

enum class Kind { Session, Connection, Request };

// Option values a handle may set; unset ones come from the parent, then the defaults.
struct Options {
  std::optional<DWORD> connect_timeout, connect_retries, send_timeout, receive_timeout;
  std::optional<DWORD> data_send_timeout, data_receive_timeout;
  std::optional<std::string> proxy_user, proxy_password;
};

struct Handle {
  explicit Handle(Kind k) : kind(k) {}
  virtual ~Handle() = default;
  Kind kind;
  HINTERNET id = nullptr;
  HINTERNET parent = nullptr;
  std::vector<HINTERNET> children;
  Options options;
  std::atomic<bool> closed{false};
  // Wakes a call blocked on this handle so that it sees `closed`.
  virtual void Wake() {}
};

struct Session : Handle {
  Session() : Handle(Kind::Session) {}
  std::string agent;
  DWORD access_type = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string proxy;
  std::string bypass;
};

struct Connection : Handle {
  Connection() : Handle(Kind::Connection) {}
  std::string host;
  INTERNET_PORT port = 0;
};

struct Header {
  std::string name, value;
};

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(std::string s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  size_t e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// Everything a request needs at send time, gathered from its handle chain.
struct SendSettings {
  std::string url;
  bool secure = false;
  DWORD flags = 0;
  std::string agent;
  std::string proxy;  // "" = direct
  std::string noproxy;
  std::optional<std::string> proxy_user, proxy_password;
  DWORD connect_timeout = 60000, connect_retries = 5, send_timeout = 30000, receive_timeout = 30000;
};

struct Request : Handle {
  Request() : Handle(Kind::Request) {}
  ~Request() override { Reset(); }

  std::string verb = "GET";
  std::string path = "/";
  DWORD flags = 0;
  std::vector<Header> headers;

  // Transfer state. The multi handle is guarded only against a wake-up from a closing thread.
  std::mutex multi_mutex;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* header_list = nullptr;
  std::string body;
  bool sent = false;
  bool tunnel_expected = false;
  bool tunnel_up = false;
  bool connect_reply = false;  // the reply is the proxy's refusal of the tunnel
  bool headers_done = false;
  bool done = false;
  bool paused = false;
  CURLcode result = CURLE_OK;
  long status = 0;
  std::string version, reason;
  std::vector<Header> reply_headers;
  std::string pending;
  size_t pending_pos = 0;
  curl_off_t uploaded = 0;
  curl_off_t received = 0;
  bool connected = false;
  Clock::time_point last_activity;
  char errbuf[CURL_ERROR_SIZE] = {};

  void Reset() {
    std::lock_guard lock(multi_mutex);
    if (multi && easy) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    if (header_list) curl_slist_free_all(header_list);
    multi = nullptr;
    easy = nullptr;
    header_list = nullptr;
    sent = tunnel_up = connect_reply = headers_done = done = paused = connected = false;
    result = CURLE_OK;
    status = 0;
    version.clear();
    reason.clear();
    reply_headers.clear();
    pending.clear();
    pending_pos = 0;
    uploaded = received = 0;
  }

  void Wake() override {
    std::lock_guard lock(multi_mutex);
    if (multi) curl_multi_wakeup(multi);
  }
};

// ---- handle table -------------------------------------------------------------------------

std::mutex g_table_mutex;
std::map<HINTERNET, std::shared_ptr<Handle>> g_table;
uintptr_t g_next_id = 0x1000;
std::atomic<DWORD> g_connected_state{INTERNET_STATE_CONNECTED};

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

template <class T>
std::shared_ptr<T> FindAs(HINTERNET id, Kind kind) {
  auto h = Find(id);
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (h->kind != kind) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return std::static_pointer_cast<T>(h);
}

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

// ---- option lookup along the handle chain -------------------------------------------------

template <class F>
auto Lookup(const std::shared_ptr<Handle>& start, F field) -> decltype(field(start->options)) {
  std::shared_ptr<Handle> h = start;
  while (h) {
    if (auto v = field(h->options)) return v;
    h = h->parent ? Find(h->parent) : nullptr;
  }
  return std::nullopt;
}

// ---- proxy choice -------------------------------------------------------------------------

std::string Env(const char* lower, const char* upper) {
  if (const char* v = std::getenv(lower); v && *v) return v;
  if (upper)
    if (const char* v = std::getenv(upper); v && *v) return v;
  return {};
}

// Picks the entry for a scheme out of a WinInet proxy list: "host:port" serves every scheme,
// "http=host:port https=host:port" one each.
std::string ProxyFor(const std::string& list, bool secure) {
  std::string plain;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find_first_of(" ;", pos);
    std::string item = list.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? list.size() : end + 1;
    if (item.empty()) continue;
    size_t eq = item.find('=');
    if (eq == std::string::npos) {
      if (plain.empty()) plain = item;
      continue;
    }
    std::string scheme = item.substr(0, eq);
    if (SameName(scheme, secure ? "https" : "http")) return item.substr(eq + 1);
  }
  return plain;
}

// WinInet bypass entries ("host;*.domain;<local>") as curl's comma list.
std::string NoProxyList(const std::string& bypass) {
  std::string out;
  size_t pos = 0;
  while (pos < bypass.size()) {
    size_t end = bypass.find_first_of(" ;,", pos);
    std::string item = bypass.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? bypass.size() : end + 1;
    if (item.empty() || item == "<local>") continue;
    if (item.rfind("*.", 0) == 0) item.erase(0, 1);
    if (!out.empty()) out += ',';
    out += item;
  }
  return out;
}

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

// Whether a host is on a curl-style no-proxy list ("*", exact names, domain suffixes). The
// choice is made here so that the transfer knows whether a tunnel reply comes first.
bool Bypassed(const std::string& host, const std::string& list) {
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find(',', pos);
    std::string item =
        Trim(list.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    pos = end == std::string::npos ? list.size() : end + 1;
    if (!item.empty() && item[0] == '.') item.erase(0, 1);
    if (item.empty()) continue;
    if (item == "*" || SameName(item, host)) return true;
    if (host.size() > item.size() && host[host.size() - item.size() - 1] == '.' &&
        SameName(host.substr(host.size() - item.size()), item))
      return true;
  }
  return false;
}

std::string EscapePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  if (path.empty() || path[0] != '/') out += '/';
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7F || c == '#') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// ---- certificate checks -------------------------------------------------------------------

int CtxIndex() {
  static int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// Accepts an expired or not-yet-valid certificate when the request asked to ignore dates.
int VerifyIgnoringDates(int ok, X509_STORE_CTX* store) {
  if (ok) return ok;
  int err = X509_STORE_CTX_get_error(store);
  if (err != X509_V_ERR_CERT_HAS_EXPIRED && err != X509_V_ERR_CERT_NOT_YET_VALID) return ok;
  auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  if (ssl == nullptr) return ok;
  auto flags = reinterpret_cast<uintptr_t>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), CtxIndex()));
  if ((flags & INTERNET_FLAG_IGNORE_CERT_DATE_INVALID) == 0) return ok;
  X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

CURLcode SslContextSetup(CURL*, void* ssl_ctx, void* user) {
  auto* ctx = static_cast<SSL_CTX*>(ssl_ctx);
  SSL_CTX_set_ex_data(ctx, CtxIndex(), user);
  SSL_CTX_set_verify(ctx, SSL_CTX_get_verify_mode(ctx), VerifyIgnoringDates);
  return CURLE_OK;
}

// ---- curl callbacks (run on the calling thread, inside curl_multi_perform) -----------------

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  size_t n = size * count;
  std::string line(data, n);
  r->last_activity = Clock::now();
  if (line.rfind("HTTP/", 0) == 0) {
    // A new header block: a 1xx, the proxy's tunnel reply or the final reply.
    r->reply_headers.clear();
    r->headers_done = false;
    std::string l = Trim(line);
    size_t sp1 = l.find(' ');
    r->version = l.substr(0, sp1);
    r->status = 0;
    r->reason.clear();
    if (sp1 != std::string::npos) {
      size_t sp2 = l.find(' ', sp1 + 1);
      r->status = std::strtol(l.substr(sp1 + 1, sp2 - sp1 - 1).c_str(), nullptr, 10);
      if (sp2 != std::string::npos) r->reason = l.substr(sp2 + 1);
    }
    return n;
  }
  if (line == "\r\n" || line == "\n") {
    if (r->status >= 100 && r->status < 200) return n;
    if (r->tunnel_expected && !r->tunnel_up) {
      if (r->status >= 200 && r->status < 300) {
        r->tunnel_up = true;
        return n;
      }
      r->connect_reply = true;
    }
    r->headers_done = true;
    return n;
  }
  size_t colon = line.find(':');
  if (colon != std::string::npos)
    r->reply_headers.push_back({Trim(line.substr(0, colon)), Trim(line.substr(colon + 1))});
  return n;
}

constexpr size_t kMaxBuffered = 1 << 20;

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  size_t n = size * count;
  if (r->pending.size() - r->pending_pos >= kMaxBuffered) {
    r->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (r->pending_pos > 0 && r->pending_pos == r->pending.size()) {
    r->pending.clear();
    r->pending_pos = 0;
  }
  r->pending.append(data, n);
  r->received += static_cast<curl_off_t>(n);
  r->last_activity = Clock::now();
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
  auto* r = static_cast<Request*>(user);
  if (ulnow != r->uploaded) {
    r->uploaded = ulnow;
    r->last_activity = Clock::now();
  }
  return r->closed ? 1 : 0;
}

// ---- error mapping ------------------------------------------------------------------------

DWORD MapCurlError(Request& r, CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return ERROR_SUCCESS;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_TOO_MANY_REDIRECTS:
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_URL_MALFORMAT:
      return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
    case CURLE_PROXY:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_PARTIAL_FILE:
      return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: {
      long os_errno = 0;
      if (r.easy) curl_easy_getinfo(r.easy, CURLINFO_OS_ERRNO, &os_errno);
      return os_errno == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET
                                    : ERROR_INTERNET_CONNECTION_ABORTED;
    }
    case CURLE_PEER_FAILED_VERIFICATION: {
      long verify = X509_V_OK;
      if (r.easy) curl_easy_getinfo(r.easy, CURLINFO_SSL_VERIFYRESULT, &verify);
      // curl checks the name itself after a good chain and says so only in its message.
      if (std::strstr(r.errbuf, "target host name") != nullptr)
        return ERROR_INTERNET_SEC_CERT_CN_INVALID;
      switch (verify) {
        case X509_V_OK:  // the chain was fine: the name did not match
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
          return ERROR_INTERNET_SEC_CERT_CN_INVALID;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
          return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_CERT_UNTRUSTED:
        case X509_V_ERR_INVALID_CA:
          return ERROR_INTERNET_INVALID_CA;
        case X509_V_ERR_CERT_REVOKED:
          return ERROR_INTERNET_SEC_CERT_REVOKED;
        default:
          return ERROR_INTERNET_SEC_INVALID_CERT;
      }
    }
    case CURLE_SSL_CONNECT_ERROR:
      if (std::strstr(r.errbuf, "certificate required") != nullptr)
        return ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED;
      return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
      return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_ABORTED_BY_CALLBACK:
      return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_OUT_OF_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

// ---- driving a transfer -------------------------------------------------------------------

enum class Wait { Ready, Done, TimedOut, Cancelled };

DWORD Millis(DWORD v) { return v == 0 || v == 0xFFFFFFFF ? 0 : v; }

struct Limits {
  DWORD send_timeout = 0, receive_timeout = 0;  // 0 = none
};

// Runs the transfer on this thread until `ready()` holds, the transfer ends, nothing moves for
// the time-out of the current phase, or the handle is closed. Waits in poll, never spins.
template <class Ready>
Wait Drive(Request& r, const Limits& limits, Ready ready) {
  for (;;) {
    int running = 0;
    curl_multi_perform(r.multi, &running);
    int queued = 0;
    while (CURLMsg* m = curl_multi_info_read(r.multi, &queued)) {
      if (m->msg == CURLMSG_DONE) {
        r.done = true;
        r.result = m->data.result;
      }
    }
    if (ready()) return Wait::Ready;
    if (r.done) return Wait::Done;
    if (r.closed) return Wait::Cancelled;

    auto now = Clock::now();
    if (!r.connected) {
      curl_off_t t = 0;
      if (curl_easy_getinfo(r.easy, CURLINFO_CONNECT_TIME_T, &t) == CURLE_OK && t > 0) {
        r.connected = true;
        r.last_activity = now;
      }
    }
    int wait_ms = 1000;
    if (r.connected && !r.paused) {
      curl_off_t total = static_cast<curl_off_t>(r.body.size());
      DWORD limit =
          (!r.headers_done && r.uploaded < total) ? limits.send_timeout : limits.receive_timeout;
      if (limit != 0) {
        auto deadline = r.last_activity + std::chrono::milliseconds(limit);
        if (now >= deadline) return Wait::TimedOut;
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        wait_ms = static_cast<int>(std::min<long long>(wait_ms, left));
      }
    }
    curl_multi_poll(r.multi, nullptr, 0, wait_ms, nullptr);
  }
}

Limits LimitsFor(const std::shared_ptr<Request>& r) {
  Limits l;
  l.send_timeout =
      Millis(Lookup(r, [](const Options& o) { return o.send_timeout; }).value_or(30000));
  l.receive_timeout =
      Millis(Lookup(r, [](const Options& o) { return o.receive_timeout; }).value_or(30000));
  return l;
}

void SetupEasy(Request& r, const SendSettings& s) {
  CURL* e = r.easy;
  curl_easy_setopt(e, CURLOPT_URL, s.url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r.errbuf);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &r);
  curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str());
  if (s.connect_timeout != 0 && s.connect_timeout != 0xFFFFFFFF)
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connect_timeout));

  // The proxy and its bypass list are decided above; curl must not consult the environment.
  curl_easy_setopt(e, CURLOPT_PROXY, s.proxy.c_str());
  curl_easy_setopt(e, CURLOPT_NOPROXY, "");
  if (!s.proxy.empty()) {
    if (s.proxy_user && !s.proxy_user->empty()) {
      curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, s.proxy_user->c_str());
      curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, s.proxy_password.value_or("").c_str());
      curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
  }

  if (s.secure) {
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST,
                     (s.flags & INTERNET_FLAG_IGNORE_CERT_CN_INVALID) ? 0L : 2L);
    if (const char* bundle = std::getenv("SIGNUP_CA_BUNDLE"); bundle && *bundle)
      curl_easy_setopt(e, CURLOPT_CAINFO, bundle);
    curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, SslContextSetup);
    curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA,
                     reinterpret_cast<void*>(static_cast<uintptr_t>(s.flags)));
  }

  // The request carries exactly the headers the caller added: none of curl's own defaults.
  bool has_type = false;
  for (const Header& h : r.headers) {
    r.header_list = curl_slist_append(r.header_list, (h.name + ": " + h.value).c_str());
    if (SameName(h.name, "Content-Type")) has_type = true;
  }
  r.header_list = curl_slist_append(r.header_list, "Accept:");
  r.header_list = curl_slist_append(r.header_list, "Expect:");
  if (!has_type) r.header_list = curl_slist_append(r.header_list, "Content-Type:");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, r.header_list);

  if (r.verb == "GET" && r.body.empty()) {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  } else if (r.verb == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, r.body.data());
    if (r.verb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.verb.c_str());
  }
}

// Applies header lines to a list with WinInet's modifiers.
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
    } else if (modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
      if (it != list.end()) {
        SetLastError(ERROR_HTTP_HEADER_ALREADY_EXISTS);
        return FALSE;
      }
      list.push_back(h);
    } else if ((modifiers & HTTP_ADDREQ_FLAG_COALESCE) && it != list.end()) {
      it->value += ", " + h.value;
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

  switch (session->access_type) {
    case INTERNET_OPEN_TYPE_PROXY:
      s.proxy = ProxyFor(session->proxy, s.secure);
      s.noproxy = NoProxyList(session->bypass);
      break;
    case INTERNET_OPEN_TYPE_PRECONFIG:
    case INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY:
      s.proxy = s.secure ? Env("https_proxy", "HTTPS_PROXY") : Env("http_proxy", nullptr);
      if (s.proxy.empty()) s.proxy = Env("all_proxy", "ALL_PROXY");
      s.noproxy = Env("no_proxy", "NO_PROXY");
      break;
    default:
      s.proxy.clear();
      break;
  }
  if (!s.proxy.empty() && Bypassed(conn->host, s.noproxy)) s.proxy.clear();
  if (!s.proxy.empty() && s.proxy.find("://") == std::string::npos) s.proxy = "http://" + s.proxy;
  s.proxy_user = Lookup(r, [](const Options& o) { return o.proxy_user; });
  s.proxy_password = Lookup(r, [](const Options& o) { return o.proxy_password; });
  s.connect_timeout = Lookup(r, [](const Options& o) { return o.connect_timeout; }).value_or(60000);
  s.connect_retries = Lookup(r, [](const Options& o) { return o.connect_retries; }).value_or(5);
  return true;
}

void CurlInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Writes a text answer the WinInet way: the length without the zero on success, the needed
// size with the zero on ERROR_INSUFFICIENT_BUFFER.
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

// ---- the API ------------------------------------------------------------------------------

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy,
                        LPCSTR lpszProxyBypass, DWORD dwFlags) {
  CurlInit();
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
  std::vector<Header> saved = r->headers;
  if (lpszHeaders != nullptr && dwHeadersLength != 0) {
    std::string extra = TextArg(lpszHeaders, dwHeadersLength);
    if (!Trim(extra).empty() && !ApplyHeaders(r->headers, extra, HTTP_ADDREQ_FLAG_ADD))
      return FALSE;
  }
  r->body.assign(static_cast<const char*>(lpOptional ? lpOptional : ""),
                 lpOptional ? dwOptionalLength : 0);

  const Limits limits = LimitsFor(r);
  const DWORD attempts = std::max<DWORD>(1, std::min<DWORD>(s.connect_retries, 10));
  for (DWORD attempt = 1;; ++attempt) {
    r->Reset();
    {
      std::lock_guard lock(r->multi_mutex);
      r->multi = curl_multi_init();
      r->easy = curl_easy_init();
    }
    if (!r->multi || !r->easy) {
      r->headers = saved;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    r->tunnel_expected = s.secure && !s.proxy.empty();
    SetupEasy(*r, s);
    r->sent = true;
    r->last_activity = Clock::now();
    curl_multi_add_handle(r->multi, r->easy);
    Wait w = Drive(*r, limits, [&] { return r->headers_done; });
    if (w == Wait::Ready) break;
    DWORD error = ERROR_INTERNET_INTERNAL_ERROR;
    if (w == Wait::TimedOut) error = ERROR_INTERNET_TIMEOUT;
    if (w == Wait::Cancelled) error = ERROR_INTERNET_OPERATION_CANCELLED;
    if (w == Wait::Done) {
      error = MapCurlError(*r, r->result);
      // Only a refused connection is tried again: nothing has been sent yet.
      if (r->result == CURLE_COULDNT_CONNECT && attempt < attempts && !r->closed) continue;
      if (r->result == CURLE_OK) error = ERROR_HTTP_INVALID_SERVER_RESPONSE;
    }
    r->Reset();
    r->headers = saved;
    SetLastError(error);
    return FALSE;
  }
  r->headers = saved;
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
    case HTTP_QUERY_RAW_HEADERS_CRLF:
    case HTTP_QUERY_RAW_HEADERS: {
      const std::string sep = level == HTTP_QUERY_RAW_HEADERS ? std::string(1, '\0') : "\r\n";
      std::string all = r->version + " " + std::to_string(r->status) + " " + r->reason + sep;
      for (const Header& h : r->reply_headers) all += h.name + ": " + h.value + sep;
      return ReturnText(all + sep, lpBuffer, lpdwBufferLength);
    }
    default:
      break;
  }
  std::string name;
  if (level == HTTP_QUERY_CUSTOM) {
    if (lpBuffer == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    name = static_cast<const char*>(lpBuffer);
  } else if (const char* n = HeaderNameFor(level)) {
    name = n;
  } else {
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
  auto available = [&] { return r->pending.size() > r->pending_pos; };
  if (!available() && !r->done && !r->connect_reply) {
    if (r->paused) {
      r->paused = false;
      curl_easy_pause(r->easy, CURLPAUSE_CONT);
    }
    switch (Drive(*r, LimitsFor(r), available)) {
      case Wait::TimedOut:
        SetLastError(ERROR_INTERNET_TIMEOUT);
        return FALSE;
      case Wait::Cancelled:
        SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
        return FALSE;
      default:
        break;
    }
  }
  if (available()) {
    size_t n = std::min<size_t>(dwNumberOfBytesToRead, r->pending.size() - r->pending_pos);
    std::memcpy(lpBuffer, r->pending.data() + r->pending_pos, n);
    r->pending_pos += n;
    *lpdwNumberOfBytesRead = static_cast<DWORD>(n);
    if (r->pending_pos == r->pending.size()) {
      r->pending.clear();
      r->pending_pos = 0;
    }
    if (r->paused && r->pending.size() - r->pending_pos < kMaxBuffered / 2) {
      r->paused = false;
      curl_easy_pause(r->easy, CURLPAUSE_CONT);
    }
    return TRUE;
  }
  // The proxy's refusal of a tunnel is a complete reply with no body to read.
  if (r->connect_reply || r->result == CURLE_OK) return TRUE;
  SetLastError(MapCurlError(*r, r->result));
  return FALSE;
}

BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                        DWORD dwBufferLength) {
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
  if (hInternet == nullptr) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return FALSE;
  }
  auto h = Find(hInternet);
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto dword = [&](std::optional<DWORD>& field) -> BOOL {
    if (lpBuffer == nullptr || dwBufferLength < sizeof(DWORD)) {
      SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
      return FALSE;
    }
    DWORD v;
    std::memcpy(&v, lpBuffer, sizeof v);
    field = v;
    return TRUE;
  };
  auto text = [&](std::optional<std::string>& field) -> BOOL {
    const char* p = static_cast<const char*>(lpBuffer);
    if (p == nullptr) {
      field = std::string();
      return TRUE;
    }
    // The length may or may not count the terminating zero.
    field = std::string(p, strnlen(p, dwBufferLength));
    return TRUE;
  };
  switch (dwOption) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
      return dword(h->options.connect_timeout);
    case INTERNET_OPTION_CONNECT_RETRIES:
      return dword(h->options.connect_retries);
    case INTERNET_OPTION_SEND_TIMEOUT:
      return dword(h->options.send_timeout);
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
      return dword(h->options.receive_timeout);
    case INTERNET_OPTION_DATA_SEND_TIMEOUT:
      return dword(h->options.data_send_timeout);
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
      return dword(h->options.data_receive_timeout);
    case INTERNET_OPTION_PROXY_USERNAME:
      return text(h->options.proxy_user);
    case INTERNET_OPTION_PROXY_PASSWORD:
      return text(h->options.proxy_password);
    case INTERNET_OPTION_USER_AGENT: {
      if (h->kind != Kind::Session) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return FALSE;
      }
      std::optional<std::string> agent;
      text(agent);
      std::static_pointer_cast<Session>(h)->agent = *agent;
      return TRUE;
    }
    case INTERNET_OPTION_PROXY: {
      if (h->kind != Kind::Session) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return FALSE;
      }
      if (lpBuffer == nullptr || dwBufferLength < sizeof(INTERNET_PROXY_INFO)) {
        SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
        return FALSE;
      }
      auto* info = static_cast<INTERNET_PROXY_INFO*>(lpBuffer);
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
    default:
      SetLastError(ERROR_INTERNET_INVALID_OPTION);
      return FALSE;
  }
}

BOOL InternetQueryOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                          LPDWORD lpdwBufferLength) {
  if (lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dwOption == INTERNET_OPTION_CONNECTED_STATE)
    return ReturnDword(g_connected_state, lpBuffer, lpdwBufferLength);
  if (hInternet == nullptr) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return FALSE;
  }
  auto h = Find(hInternet);
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto dword = [&](std::optional<DWORD> Options::*field, DWORD fallback) {
    auto v = Lookup(h, [field](const Options& o) { return o.*field; });
    return ReturnDword(v.value_or(fallback), lpBuffer, lpdwBufferLength);
  };
  switch (dwOption) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
      return dword(&Options::connect_timeout, 60000);
    case INTERNET_OPTION_CONNECT_RETRIES:
      return dword(&Options::connect_retries, 5);
    case INTERNET_OPTION_SEND_TIMEOUT:
      return dword(&Options::send_timeout, 30000);
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
      return dword(&Options::receive_timeout, 30000);
    case INTERNET_OPTION_DATA_SEND_TIMEOUT:
      return dword(&Options::data_send_timeout, 30000);
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
      return dword(&Options::data_receive_timeout, 30000);
    case INTERNET_OPTION_HANDLE_TYPE:
      return ReturnDword(h->kind == Kind::Session      ? INTERNET_HANDLE_TYPE_INTERNET
                         : h->kind == Kind::Connection ? INTERNET_HANDLE_TYPE_CONNECT_HTTP
                                                       : INTERNET_HANDLE_TYPE_HTTP_REQUEST,
                         lpBuffer, lpdwBufferLength);
    case INTERNET_OPTION_PROXY_USERNAME:
      return ReturnText(Lookup(h, [](const Options& o) { return o.proxy_user; }).value_or(""),
                        lpBuffer, lpdwBufferLength);
    case INTERNET_OPTION_PROXY_PASSWORD:
      return ReturnText(Lookup(h, [](const Options& o) { return o.proxy_password; }).value_or(""),
                        lpBuffer, lpdwBufferLength);
    default:
      SetLastError(ERROR_INTERNET_INVALID_OPTION);
      return FALSE;
  }
}

BOOL InternetGetConnectedState(LPDWORD lpdwFlags, DWORD dwReserved) {
  DWORD flags = INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_CONFIGURED;
  if (g_connected_state & INTERNET_STATE_DISCONNECTED_BY_USER) flags |= INTERNET_CONNECTION_OFFLINE;
  if (lpdwFlags) *lpdwFlags = flags;
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
