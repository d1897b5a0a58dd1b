// The libcurl transfer behind the WinInet requests on Linux: curl's multi interface driven by the
// calling thread, the phase time-outs, the certificate checks and the mapping of curl's errors.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/wininet_internal.h"
#include "platform/posix/wininet_libraries.h"
#include "platform/posix/wininet_text.h"
#include "platform/read_file.h"

namespace platform::wininet {
namespace {

// ---- certificate checks -------------------------------------------------------------------

int CtxIndex() {
  static int index =
      Net().CRYPTO_get_ex_new_index(CRYPTO_EX_INDEX_SSL_CTX, 0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// Accepts an expired or not-yet-valid certificate when the request asked to ignore dates.
int VerifyIgnoringDates(int ok, X509_STORE_CTX* store) {
  if (ok) return ok;
  const NetApi& api = Net();
  int err = api.X509_STORE_CTX_get_error(store);
  if (err != X509_V_ERR_CERT_HAS_EXPIRED && err != X509_V_ERR_CERT_NOT_YET_VALID) return ok;
  auto* ssl = static_cast<SSL*>(
      api.X509_STORE_CTX_get_ex_data(store, api.SSL_get_ex_data_X509_STORE_CTX_idx()));
  if (ssl == nullptr) return ok;
  auto flags =
      reinterpret_cast<uintptr_t>(api.SSL_CTX_get_ex_data(api.SSL_get_SSL_CTX(ssl), CtxIndex()));
  if ((flags & INTERNET_FLAG_IGNORE_CERT_DATE_INVALID) == 0) return ok;
  api.X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

CURLcode SslContextSetup(CURL*, void* ssl_ctx, void* user) {
  const NetApi& api = Net();
  auto* ctx = static_cast<SSL_CTX*>(ssl_ctx);
  api.SSL_CTX_set_ex_data(ctx, CtxIndex(), user);
  api.SSL_CTX_set_verify(ctx, api.SSL_CTX_get_verify_mode(ctx), VerifyIgnoringDates);
  return CURLE_OK;
}

// ---- curl callbacks (run on the calling thread, inside curl_multi_perform) -----------------

// Header bytes a request takes in, all header blocks together; more is no reply we can use and
// would only fill memory.
constexpr size_t kMaxHeaderBytes = 256 * 1024;

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  size_t n = size * count;
  r->header_bytes += n;
  if (r->header_bytes > kMaxHeaderBytes) {
    r->header_too_long = true;
    return 0;
  }
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
  const NetApi& api = Net();
  if (r.header_too_long) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
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
      if (r.easy) api.curl_easy_getinfo(r.easy, CURLINFO_OS_ERRNO, &os_errno);
      return os_errno == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET
                                    : ERROR_INTERNET_CONNECTION_ABORTED;
    }
    case CURLE_PEER_FAILED_VERIFICATION: {
      long verify = X509_V_OK;
      if (r.easy) api.curl_easy_getinfo(r.easy, CURLINFO_SSL_VERIFYRESULT, &verify);
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
      // curl refuses a reply header line beyond its own limit this way, before the headers are
      // in: a bad reply, not a lack of memory.
      if (!r.headers_done) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

// ---- driving a transfer -------------------------------------------------------------------

enum class Wait { Ready, Done, TimedOut, Cancelled };

// Runs the transfer on this thread until `ready()` holds, the transfer ends, nothing moves for
// the time-out of the current phase, or the handle is closed. Waits in poll, never spins.
template <class Ready>
Wait Drive(Request& r, const Limits& limits, Ready ready) {
  const NetApi& api = Net();
  // Set before `closed` is first looked at, so that a close either is seen here or wakes the poll.
  struct Driving {
    std::atomic<bool>& flag;
    explicit Driving(std::atomic<bool>& f) : flag(f) { flag = true; }
    ~Driving() { flag = false; }
  } driving(r.driving);
  for (;;) {
    int running = 0;
    api.curl_multi_perform(r.multi, &running);
    int queued = 0;
    while (CURLMsg* m = api.curl_multi_info_read(r.multi, &queued)) {
      if (m->msg == CURLMSG_DONE) {
        r.done = true;
        r.result = m->data.result;
      }
    }
    if (ready()) return Wait::Ready;
    if (r.done) return Wait::Done;
    if (r.closed) return Wait::Cancelled;

    auto now = Clock::now();
    // However the bytes trickle in, the request as a whole ends by its deadline.
    if (now >= r.deadline) return Wait::TimedOut;
    if (!r.connected) {
      curl_off_t t = 0;
      if (api.curl_easy_getinfo(r.easy, CURLINFO_CONNECT_TIME_T, &t) == CURLE_OK && t > 0) {
        r.connected = true;
        r.last_activity = now;
      }
    }
    int wait_ms = 1000;
    if (r.deadline != Clock::time_point::max()) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(r.deadline - now).count() + 1;
      wait_ms = static_cast<int>(std::min<long long>(wait_ms, left));
    }
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
    api.curl_multi_poll(r.multi, nullptr, 0, wait_ms, nullptr);
  }
}

// Whether the reply ended before the length its Content-Length announced. curl checks a length
// it can hold itself, but lets one beyond 64 bits pass as "read until closed"; no such body can
// be complete. Replies without a body (HEAD, 1xx, 204, 304) and chunked ones announce nothing.
bool BodyShortOfItsLength(const Request& r) {
  if (r.verb == "HEAD" || r.status < 200 || r.status == 204 || r.status == 304) return false;
  const std::string* length = nullptr;
  for (const Header& h : r.reply_headers) {
    if (SameName(h.name, "Transfer-Encoding")) return false;
    if (SameName(h.name, "Content-Length")) length = &h.value;
  }
  if (length == nullptr || length->empty()) return false;
  uint64_t announced = 0;
  for (char c : *length) {
    if (c < '0' || c > '9') return false;
    if (announced > (UINT64_MAX - 9) / 10) return true;
    announced = announced * 10 + static_cast<uint64_t>(c - '0');
  }
  return static_cast<uint64_t>(r.received) < announced;
}

void SetupEasy(Request& r, const SendSettings& s) {
  const NetApi& api = Net();
  CURL* e = r.easy;
  api.curl_easy_setopt(e, CURLOPT_URL, s.url.c_str());
  api.curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  api.curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  api.curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  api.curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  api.curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r.errbuf);
  api.curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  api.curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
  api.curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  api.curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
  api.curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  api.curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
  api.curl_easy_setopt(e, CURLOPT_XFERINFODATA, &r);
  api.curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str());
  if (s.connect_timeout != 0 && s.connect_timeout != 0xFFFFFFFF)
    api.curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connect_timeout));

  // The proxy was chosen with its bypass list already; curl must not consult the environment.
  api.curl_easy_setopt(e, CURLOPT_PROXY, s.proxy.c_str());
  api.curl_easy_setopt(e, CURLOPT_NOPROXY, "");
  if (!s.proxy.empty()) {
    if (s.proxy_user && !s.proxy_user->empty()) {
      api.curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, s.proxy_user->c_str());
      api.curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, s.proxy_password.value_or("").c_str());
      api.curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
  }

  if (s.secure) {
    api.curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    api.curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST,
                         (s.flags & INTERNET_FLAG_IGNORE_CERT_CN_INVALID) ? 0L : 2L);
    if (const char* bundle = std::getenv("SIGNUP_CA_BUNDLE"); bundle && *bundle)
      api.curl_easy_setopt(e, CURLOPT_CAINFO, bundle);
    api.curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, SslContextSetup);
    api.curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA,
                         reinterpret_cast<void*>(static_cast<uintptr_t>(s.flags)));
  }

  // The request carries exactly the headers the caller added: none of curl's own defaults.
  bool has_type = false;
  for (const Header& h : r.headers) {
    r.header_list = api.curl_slist_append(r.header_list, (h.name + ": " + h.value).c_str());
    if (SameName(h.name, "Content-Type")) has_type = true;
  }
  r.header_list = api.curl_slist_append(r.header_list, "Accept:");
  r.header_list = api.curl_slist_append(r.header_list, "Expect:");
  if (!has_type) r.header_list = api.curl_slist_append(r.header_list, "Content-Type:");
  api.curl_easy_setopt(e, CURLOPT_HTTPHEADER, r.header_list);

  if (r.verb == "GET" && r.body.empty()) {
    api.curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  } else if (r.verb == "HEAD") {
    api.curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else {
    api.curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
    api.curl_easy_setopt(e, CURLOPT_POSTFIELDS, r.body.data());
    if (r.verb != "POST") api.curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.verb.c_str());
  }
}

}  // namespace

Request::~Request() { Reset(); }

void Request::Reset() {
  const NetApi& api = Net();
  std::lock_guard lock(multi_mutex);
  if (multi && easy) api.curl_multi_remove_handle(multi, easy);
  if (easy) api.curl_easy_cleanup(easy);
  if (multi) api.curl_multi_cleanup(multi);
  if (header_list) api.curl_slist_free_all(header_list);
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
  header_bytes = 0;
  header_too_long = false;
}

void Request::Wake() {
  // A request nobody waits on has no poll to end: closing it after its reply costs no write.
  if (!driving) return;
  std::lock_guard lock(multi_mutex);
  if (multi) Net().curl_multi_wakeup(multi);
}

DWORD SendRequest(Request& r, const SendSettings& s, const Limits& limits) {
  const NetApi& api = Net();
  if (api.error() != ERROR_SUCCESS) return api.error();
  // The bundle is read by the TLS library during the request: a pipe there would hold it past
  // every time-out. It fails as a bundle that cannot be read does.
  if (const char* bundle = std::getenv("SIGNUP_CA_BUNDLE");
      s.secure && bundle != nullptr && *bundle != '\0' && !platform::IsRegularOrAbsent(bundle)) {
    platform::ReportRefusedFile("SIGNUP_CA_BUNDLE", bundle);
    return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
  }
  const DWORD attempts = std::max<DWORD>(1, std::min<DWORD>(s.connect_retries, 10));
  const Clock::time_point deadline =
      limits.request_timeout != 0 ? Clock::now() + std::chrono::milliseconds(limits.request_timeout)
                                  : Clock::time_point::max();
  for (DWORD attempt = 1;; ++attempt) {
    r.Reset();
    r.deadline = deadline;
    {
      std::lock_guard lock(r.multi_mutex);
      r.multi = api.curl_multi_init();
      r.easy = api.curl_easy_init();
    }
    if (!r.multi || !r.easy) return ERROR_NOT_ENOUGH_MEMORY;
    r.tunnel_expected = s.secure && !s.proxy.empty();
    SetupEasy(r, s);
    r.sent = true;
    r.last_activity = Clock::now();
    api.curl_multi_add_handle(r.multi, r.easy);
    Wait w = Drive(r, limits, [&] { return r.headers_done; });
    if (w == Wait::Ready) return ERROR_SUCCESS;
    DWORD error = ERROR_INTERNET_INTERNAL_ERROR;
    if (w == Wait::TimedOut) error = ERROR_INTERNET_TIMEOUT;
    if (w == Wait::Cancelled) error = ERROR_INTERNET_OPERATION_CANCELLED;
    if (w == Wait::Done) {
      error = MapCurlError(r, r.result);
      // Only a refused connection is tried again: nothing has been sent yet.
      if (r.result == CURLE_COULDNT_CONNECT && attempt < attempts && !r.closed) continue;
      if (r.result == CURLE_OK) error = ERROR_HTTP_INVALID_SERVER_RESPONSE;
    }
    r.Reset();
    return error;
  }
}

DWORD ReadBody(Request& r, const Limits& limits, void* buffer, DWORD size, DWORD& read) {
  const NetApi& api = Net();
  read = 0;
  auto available = [&] { return r.pending.size() > r.pending_pos; };
  if (!available() && !r.done && !r.connect_reply) {
    if (r.paused) {
      r.paused = false;
      api.curl_easy_pause(r.easy, CURLPAUSE_CONT);
    }
    switch (Drive(r, limits, available)) {
      case Wait::TimedOut:
        return ERROR_INTERNET_TIMEOUT;
      case Wait::Cancelled:
        return ERROR_INTERNET_OPERATION_CANCELLED;
      default:
        break;
    }
  }
  if (available()) {
    size_t n = std::min<size_t>(size, r.pending.size() - r.pending_pos);
    std::memcpy(buffer, r.pending.data() + r.pending_pos, n);
    r.pending_pos += n;
    read = static_cast<DWORD>(n);
    if (r.pending_pos == r.pending.size()) {
      r.pending.clear();
      r.pending_pos = 0;
    }
    if (r.paused && r.pending.size() - r.pending_pos < kMaxBuffered / 2) {
      r.paused = false;
      api.curl_easy_pause(r.easy, CURLPAUSE_CONT);
    }
    return ERROR_SUCCESS;
  }
  // The proxy's refusal of a tunnel is a complete reply with no body to read.
  if (r.connect_reply) return ERROR_SUCCESS;
  if (r.result != CURLE_OK) return MapCurlError(r, r.result);
  return BodyShortOfItsLength(r) ? ERROR_INTERNET_CONNECTION_ABORTED : ERROR_SUCCESS;
}

}  // namespace platform::wininet
