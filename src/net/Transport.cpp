// The HTTP transport over WinInet: one session, connection and request per call, the time-outs,
// the proxy choice and the proxy credentials, the form POST and the document download.
#include "net/Transport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "platform/codepage.h"
#include "platform/system.h"
#include "platform/wininet.h"
#include "res/resources.h"
#include "ui/framework.h"

namespace net {
namespace {

constexpr DWORD kReadChunk = 2048;
constexpr DWORD kPostReplyCap = 2048;
constexpr DWORD kDefaultDocumentSize = 65536;
constexpr DWORD kAddReplace = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
constexpr DWORD kCertTolerance =
    INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;

// Closes a WinInet handle when the request ends, on every path.
class InternetHandle {
 public:
  InternetHandle() = default;
  ~InternetHandle() { reset(nullptr); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  void reset(HINTERNET handle) {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_ = nullptr;
};

// Length of "http://" or "https://" at the start of the URL, 0 for any other scheme.
size_t SchemeLength(std::string_view url) {
  if (platform::StartsWithNoCase(url, "http://")) return 7;
  if (platform::StartsWithNoCase(url, "https://")) return 8;
  return 0;
}

// The object path of a full URL: everything from the first "/" after the host, or "/".
std::string ObjectPath(std::string_view url) {
  std::string_view rest = url.substr(SchemeLength(url));
  size_t slash = rest.find('/');
  return slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
}

// Leading decimal digits of a port text; -1 when there are none or the number is too large.
long LeadingNumber(const std::string& text) {
  size_t i = 0;
  long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i] - '0');
    if (value > 65535) return -1;
    ++i;
  }
  return i == 0 ? -1 : value;
}

// A proxy port read as the standard conversion reads a number (leading blanks and a sign
// allowed), as the connection settings check it; -1 when it is no number or beyond 65535.
long ProxyPortNumber(const std::string& text) {
  size_t i = text.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos) return -1;
  bool negative = text[i] == '-';
  if (text[i] == '+' || text[i] == '-') ++i;
  long value = LeadingNumber(text.substr(i));
  return value < 0 ? -1 : (negative ? -value : value);
}

bool SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
  return InternetSetOptionA(handle, option, &value, sizeof(value)) != FALSE;
}

// Reads until the end of the body or `cap` bytes into `out`; false when a read fails.
bool ReadUpTo(HINTERNET request, char* buffer, DWORD cap, DWORD& total) {
  total = 0;
  while (total < cap) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer + total, cap - total, &got)) return false;
    if (got == 0) break;
    total += got < cap - total ? got : cap - total;
  }
  return true;
}

// The code of a read that failed: the system's, or -1 when it left none, so that the user is
// never told of a failure without its code.
int ReadFailureCode() {
  const int code = static_cast<int>(GetLastError());
  return code != 0 ? code : -1;
}

std::string FormatContentLength(size_t length) {
  std::string format = res::String(IDS_HEADER_CONTENT_LENGTH);
  char text[64];
  int written = std::snprintf(text, sizeof(text), format.c_str(), static_cast<int>(length));
  if (written < 0) return {};
  return std::string(text,
                     static_cast<size_t>(written) < sizeof(text) ? written : sizeof(text) - 1);
}

// The status of a reply: 0 for 200, else its number (-1 when it cannot be read) and, when the
// reason can be read, "CODE REASON" in statusText.
int CheckHttpStatus(HINTERNET request, std::string& statusText) {
  statusText.clear();
  char code[12] = {};
  DWORD codeLength = sizeof(code);
  bool haveCode =
      HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, code, &codeLength, nullptr) != FALSE;
  code[sizeof(code) - 1] = '\0';
  int status = haveCode ? std::atoi(code) : -1;
  if (status == 200) return 0;

  char reason[255] = {};
  DWORD reasonLength = sizeof(reason);
  if (HttpQueryInfoA(request, HTTP_QUERY_STATUS_TEXT, reason, &reasonLength, nullptr)) {
    reason[sizeof(reason) - 1] = '\0';
    statusText = std::string(code) + " " + reason;
  }
  return status;
}

// A C string option, its length counting the terminating zero.
void SetTextOption(HINTERNET handle, DWORD option, const std::string& text) {
  InternetSetOptionA(handle, option, const_cast<char*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
}

}  // namespace

void Transport::SplitServerUrl(const std::string& url, std::string& host, int& port) {
  host.clear();
  port = 0;
  std::string_view text = url;
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  size_t scheme = SchemeLength(text);
  if (scheme == 0) return;
  port = scheme == 7 ? INTERNET_DEFAULT_HTTP_PORT : INTERNET_DEFAULT_HTTPS_PORT;
  std::string_view authority = text.substr(scheme);
  authority = authority.substr(0, authority.find('/'));
  size_t colon = authority.find(':');
  if (colon == std::string_view::npos) {
    host = std::string(authority);
    return;
  }
  host = std::string(authority.substr(0, colon));
  std::string portText(authority.substr(colon + 1));
  port = portText.empty() ? 0 : static_cast<int>(LeadingNumber(portText));
}

std::string Transport::CombineUrl(const std::string& base, const std::string& relative) {
  // The buffer WinInet combines into, and the length passed for it.
  constexpr DWORD kUrlBuffer = 514;
  constexpr DWORD kUrlLength = 513;
  char url[kUrlBuffer] = {};
  DWORD length = kUrlLength;
  InternetCombineUrlA(base.c_str(), relative.c_str(), url, &length, ICU_NO_ENCODE);
  url[kUrlLength] = '\0';
  return url;
}

DWORD Transport::RequestFlagsFor(const std::string& url) const {
  DWORD flags = INTERNET_FLAG_RELOAD;
  if (platform::StartsWithNoCase(url, "https"))
    flags |= INTERNET_FLAG_SECURE | (options_.certificateTolerance & kCertTolerance);
  return flags;
}

DWORD Transport::ConnectTimeoutMs() {
  DWORD connection = 0;
  if (InternetGetConnectedState(&connection, 0) && !(connection & INTERNET_CONNECTION_MODEM))
    return 10000;
  return 20000;
}

bool Transport::IsOfflineByUser() {
  DWORD state = 0;
  DWORD size = sizeof(state);
  if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size)) return false;
  return (state & INTERNET_STATE_DISCONNECTED_BY_USER) != 0;
}

bool Transport::ResolveProxyEndpoint(const std::string& proxyHost, const std::string& proxyPort,
                                     std::string& host, std::string& port) {
  long number = ProxyPortNumber(proxyPort);
  port = number >= 1 && number <= 65535 ? std::to_string(number) : "80";
  host = proxyHost;
  if (host.empty()) return false;
  if (platform::InetAddr(host.c_str()) != INADDR_NONE) return true;
  return platform::GetHostByName(host.c_str()) != nullptr;
}

void Transport::ApplySessionOptions(HINTERNET session) {
  SetDwordOption(session, INTERNET_OPTION_CONNECT_TIMEOUT, ConnectTimeoutMs());
  SetDwordOption(session, INTERNET_OPTION_RECEIVE_TIMEOUT, options_.receiveTimeoutMs);
  SetDwordOption(session, INTERNET_OPTION_SEND_TIMEOUT, 15000);
  SetDwordOption(session, INTERNET_OPTION_DATA_SEND_TIMEOUT, 15000);
  SetDwordOption(session, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, options_.receiveTimeoutMs);
  SetDwordOption(session, INTERNET_OPTION_CONNECT_RETRIES, 3);
  if (IsOfflineByUser()) {
    INTERNET_CONNECTED_INFO online = {INTERNET_STATE_CONNECTED, 0};
    InternetSetOptionA(session, INTERNET_OPTION_CONNECTED_STATE, &online, sizeof(online));
  }
  // The session was opened with the preconfigured proxy; the program's own choice replaces it.
  INTERNET_PROXY_INFO proxy = {INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr};
  std::string host, port, proxyText;
  if (ResolveProxyEndpoint(options_.proxyHost, options_.proxyPort, host, port)) {
    proxyText = host + ":" + port;
    proxy.dwAccessType = INTERNET_OPEN_TYPE_PROXY;
    proxy.lpszProxy = proxyText.c_str();
  }
  InternetSetOptionA(session, INTERNET_OPTION_PROXY, &proxy, sizeof(proxy));
}

// The three handles close in reverse order of opening.
struct Transport::OpenedRequest {
  InternetHandle session;
  InternetHandle connection;
  InternetHandle request;
};

bool Transport::OpenRequest(const std::string& url, const char* verb, const std::string& path,
                            OpenedRequest& opened, Reply& reply) {
  if (SchemeLength(url) == 0) {
    // The Servers key is user data: anything but http and https is refused, not guessed at.
    reply.error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    return false;
  }
  std::string host;
  int port = 0;
  SplitServerUrl(url, host, port);
  if (host.empty() || port < 0) {
    reply.error = ERROR_INTERNET_INVALID_URL;
    return false;
  }
  opened.session.reset(InternetOpenA(options_.userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                     nullptr, nullptr, 0));
  if (!opened.session) {
    reply.error = static_cast<int>(GetLastError());
    return false;
  }
  ApplySessionOptions(opened.session.get());
  opened.connection.reset(InternetConnectA(opened.session.get(), host.c_str(),
                                           static_cast<INTERNET_PORT>(port), nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, 0, 0));
  if (!opened.connection) {
    reply.error = static_cast<int>(GetLastError());
    return false;
  }
  opened.request.reset(HttpOpenRequestA(opened.connection.get(), verb, path.c_str(), nullptr,
                                        nullptr, nullptr, RequestFlagsFor(url), 0));
  if (!opened.request) {
    reply.error = static_cast<int>(GetLastError());
    return false;
  }
  // Both on every request, also when empty: they go to the proxy only.
  SetTextOption(opened.request.get(), INTERNET_OPTION_PROXY_USERNAME, options_.proxyUser);
  SetTextOption(opened.request.get(), INTERNET_OPTION_PROXY_PASSWORD, options_.proxyPassword);
  return true;
}

Reply Transport::PostForm(const std::string& baseUrl, const std::string& path,
                          const std::string& body) {
  // The request may wait on the server for tens of seconds: the window stays alive meanwhile.
  Reply reply;
  ui::RunKeepingWindowsAlive([&] { reply.ok = PostFormNow(baseUrl, path, body, reply); });
  return reply;
}

bool Transport::PostFormNow(const std::string& baseUrl, const std::string& path,
                            const std::string& body, Reply& reply) {
  OpenedRequest opened;
  if (!OpenRequest(baseUrl, "POST", path, opened, reply)) return false;
  HINTERNET request = opened.request.get();

  const std::string contentType = res::String(IDS_HEADER_CONTENT_TYPE);
  const std::string contentLength = FormatContentLength(body.size());
  if (!HttpAddRequestHeadersA(request, contentType.c_str(), static_cast<DWORD>(contentType.size()),
                              kAddReplace) ||
      !HttpAddRequestHeadersA(request, contentLength.c_str(),
                              static_cast<DWORD>(contentLength.size()), kAddReplace) ||
      !HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()),
                        static_cast<DWORD>(body.size()))) {
    reply.error = static_cast<int>(GetLastError());
    return false;
  }

  reply.error = CheckHttpStatus(request, reply.statusText);
  if (reply.error != 0) return false;

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPostReplyCap + 2]);
  if (!buffer) {
    reply.error = -1;
    return false;
  }
  // A reply may arrive in several pieces: read to its end, keeping at most the cap.
  DWORD total = 0;
  if (!ReadUpTo(request, buffer.get(), kPostReplyCap, total)) {
    reply.error = ReadFailureCode();
    return false;
  }
  // The reply is text: it ends at the end of the data or at a zero byte within it.
  buffer[total] = '\0';
  reply.body.assign(buffer.get());
  return true;
}

Reply Transport::Download(const std::string& url, const ChunkReceiver& receiver,
                          unsigned long long cap) {
  cancelled_ = false;
  Reply reply;
  OpenedRequest opened;
  // Every call that may wait on the server runs while the window stays alive; the chunks are
  // handed to the receiver on the user-interface thread, between the reads.
  bool sent = false;
  ui::RunKeepingWindowsAlive([&] {
    sent = SendDownloadRequest(url, opened, reply);
    if (sent && !receiver) ReadWholeDocument(opened.request.get(), reply);
  });
  if (sent && receiver) ReadDocumentChunks(opened.request.get(), receiver, cap, reply);
  return reply;
}

bool Transport::SendDownloadRequest(const std::string& url, OpenedRequest& opened,
                                    Reply& reply) {
  if (!OpenRequest(url, "GET", ObjectPath(url), opened, reply)) return false;
  HINTERNET request = opened.request.get();
  if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
    reply.error = static_cast<int>(GetLastError());
    return false;
  }
  // A failed status query leaves its code; a plain error status (404, a proxy's 407) is reported
  // by its number, as a POST's is. A code left over from an earlier call is not this download's.
  SetLastError(ERROR_SUCCESS);
  if (const int status = CheckHttpStatus(request, reply.statusText); status != 0) {
    const int code = static_cast<int>(GetLastError());
    reply.error = code != 0 ? code : status;
    return false;
  }
  return true;
}

void Transport::ReadWholeDocument(HINTERNET request, Reply& reply) {
  char lengthText[15] = {};
  DWORD lengthSize = sizeof(lengthText);
  unsigned long long size = kDefaultDocumentSize;
  if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
    lengthText[sizeof(lengthText) - 1] = '\0';
    size = std::strtoull(lengthText, nullptr, 10);
  }
  std::unique_ptr<char[]> buffer(size <= kMaxDocumentSize ? new (std::nothrow) char[size + 2]
                                                          : nullptr);
  if (!buffer) {
    reply.error = -1;
    return;
  }
  DWORD total = 0;
  if (!ReadUpTo(request, buffer.get(), static_cast<DWORD>(size), total)) {
    reply.error = ReadFailureCode();
    return;
  }
  reply.body.assign(buffer.get(), total);
  reply.bytes = total;
  reply.ok = true;
}

void Transport::ReadDocumentChunks(HINTERNET request, const ChunkReceiver& receiver,
                                   unsigned long long cap, Reply& reply) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadChunk + 2]);
  if (!buffer) {
    reply.error = -1;
    return;
  }
  for (;;) {
    DWORD got = 0;
    int failure = 0;
    // The read's error code is the worker thread's: it is taken there.
    ui::RunKeepingWindowsAlive([&] {
      if (!InternetReadFile(request, buffer.get(), kReadChunk, &got)) failure = ReadFailureCode();
    });
    if (failure != 0) {
      reply.error = failure;
      receiver(-1, std::string());
      return;
    }
    if (got > kReadChunk) got = kReadChunk;
    if (got == 0) {
      reply.ok = true;
      receiver(1, std::string());
      return;
    }
    if (reply.bytes + got > std::min(cap, kMaxDocumentSize)) {
      reply.error = -1;
      receiver(-1, std::string());
      return;
    }
    reply.bytes += got;
    receiver(0, std::string(buffer.get(), got));
    if (cancelled_) {
      reply.error = ERROR_INTERNET_OPERATION_CANCELLED;
      reply.bytes = 0;
      return;
    }
  }
}

}  // namespace net
