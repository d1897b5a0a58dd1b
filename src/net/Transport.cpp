// The HTTP transport over WinInet: one session, connection and request per call, the time-outs,
// the proxy choice and the proxy credentials, the form POST and the document download.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "net/ServerProtocol.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "platform/wininet.h"
#include "res/resources.h"
#include "ui/framework.h"

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

}  // namespace

void ServerProtocol::SplitServerUrl(const std::string& url, std::string& host, int& port) {
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

DWORD ServerProtocol::RequestFlagsFor(const std::string& url) const {
  DWORD flags = INTERNET_FLAG_RELOAD;
  if (platform::StartsWithNoCase(url, "https"))
    flags |= INTERNET_FLAG_SECURE | (ProtocolVer & kCertTolerance);
  return flags;
}

void ServerProtocol::ApplyTimeouts(HINTERNET session) {
  DWORD connection = 0;
  DWORD connectTimeout = 20000;
  if (InternetGetConnectedState(&connection, 0) && !(connection & INTERNET_CONNECTION_MODEM))
    connectTimeout = 10000;
  SetDwordOption(session, INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout);
  SetDwordOption(session, INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeoutMs);
  SetDwordOption(session, INTERNET_OPTION_SEND_TIMEOUT, 15000);
  SetDwordOption(session, INTERNET_OPTION_DATA_SEND_TIMEOUT, 15000);
  SetDwordOption(session, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, receiveTimeoutMs);
  SetDwordOption(session, INTERNET_OPTION_CONNECT_RETRIES, 3);
}

bool ServerProtocol::IsOfflineByUser() {
  DWORD state = 0;
  DWORD size = sizeof(state);
  if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size)) return false;
  return (state & INTERNET_STATE_DISCONNECTED_BY_USER) != 0;
}

void ServerProtocol::ApplySessionOptions(HINTERNET session) {
  ApplyTimeouts(session);
  if (IsOfflineByUser()) {
    INTERNET_CONNECTED_INFO online = {INTERNET_STATE_CONNECTED, 0};
    InternetSetOptionA(session, INTERNET_OPTION_CONNECTED_STATE, &online, sizeof(online));
  }
  // The session was opened with the preconfigured proxy; the program's own choice replaces it.
  INTERNET_PROXY_INFO proxy = {INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr};
  std::string host, port, proxyText;
  if ((connectionFlags & kConnTcp) && (connectionFlags & kConnProxyInEffect) &&
      !effectiveProxyHost.empty() && ResolveProxyEndpoint(host, port)) {
    proxyText = host + ":" + port;
    proxy.dwAccessType = INTERNET_OPEN_TYPE_PROXY;
    proxy.lpszProxy = proxyText.c_str();
  }
  InternetSetOptionA(session, INTERNET_OPTION_PROXY, &proxy, sizeof(proxy));
}

bool ServerProtocol::ResolveProxyEndpoint(std::string& host, std::string& port) {
  long number = ProxyPortNumber(effectiveProxyPort);
  port = number >= 1 && number <= 65535 ? std::to_string(number) : "80";
  host = effectiveProxyHost;
  if (host.empty()) return false;
  if (platform::InetAddr(host.c_str()) != INADDR_NONE) return true;
  return platform::GetHostByName(host.c_str()) != nullptr;
}

int ServerProtocol::CheckHttpStatus(HINTERNET request, std::string& statusText) {
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

void ServerProtocol::ApplyProxyCredentials(HINTERNET request) {
  // The lengths count the terminating zero, as the options are passed as C strings.
  InternetSetOptionA(request, INTERNET_OPTION_PROXY_USERNAME,
                     const_cast<char*>(Proxy_Data1.c_str()),
                     static_cast<DWORD>(Proxy_Data1.size() + 1));
  InternetSetOptionA(request, INTERNET_OPTION_PROXY_PASSWORD,
                     const_cast<char*>(Proxy_Data2.c_str()),
                     static_cast<DWORD>(Proxy_Data2.size() + 1));
}

// The three handles close in reverse order of opening.
struct ServerProtocol::OpenedRequest {
  InternetHandle session;
  InternetHandle connection;
  InternetHandle request;
};

bool ServerProtocol::OpenRequest(const std::string& url, const char* verb, const std::string& path,
                                 OpenedRequest& opened) {
  if (SchemeLength(url) == 0) {
    // The Servers key is user data: anything but http and https is refused, not guessed at.
    lastTransportError = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    return false;
  }
  std::string host;
  int port = 0;
  SplitServerUrl(url, host, port);
  if (host.empty() || port < 0) {
    lastTransportError = ERROR_INTERNET_INVALID_URL;
    return false;
  }
  opened.session.reset(InternetOpenA(res::String(IDS_USER_AGENT).c_str(),
                                     INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!opened.session) {
    lastTransportError = static_cast<int>(GetLastError());
    return false;
  }
  ApplySessionOptions(opened.session.get());
  opened.connection.reset(InternetConnectA(opened.session.get(), host.c_str(),
                                           static_cast<INTERNET_PORT>(port), nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, 0, 0));
  if (!opened.connection) {
    lastTransportError = static_cast<int>(GetLastError());
    return false;
  }
  opened.request.reset(HttpOpenRequestA(opened.connection.get(), verb, path.c_str(), nullptr,
                                        nullptr, nullptr, RequestFlagsFor(url), 0));
  if (!opened.request) {
    lastTransportError = static_cast<int>(GetLastError());
    return false;
  }
  ApplyProxyCredentials(opened.request.get());
  return true;
}

bool ServerProtocol::PostForm(const std::string& baseUrl, const std::string& path,
                              const std::string& body, std::string& reply) {
  // The request may wait on the server for tens of seconds: the window stays alive meanwhile.
  bool ok = false;
  ui::RunKeepingWindowsAlive([&] { ok = PostFormNow(baseUrl, path, body, reply); });
  return ok;
}

bool ServerProtocol::PostFormNow(const std::string& baseUrl, const std::string& path,
                                 const std::string& body, std::string& reply) {
  lastTransportError = 0;
  OpenedRequest opened;
  if (!OpenRequest(baseUrl, "POST", path, opened)) return false;
  HINTERNET request = opened.request.get();

  std::string contentType = res::String(IDS_HEADER_CONTENT_TYPE);
  std::string contentLength = FormatContentLength(body.size());
  if (!HttpAddRequestHeadersA(request, contentType.c_str(), static_cast<DWORD>(contentType.size()),
                              kAddReplace) ||
      !HttpAddRequestHeadersA(request, contentLength.c_str(),
                              static_cast<DWORD>(contentLength.size()), kAddReplace) ||
      !HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()),
                        static_cast<DWORD>(body.size()))) {
    lastTransportError = static_cast<int>(GetLastError());
    return false;
  }

  std::string statusText;
  lastTransportError = CheckHttpStatus(request, statusText);
  if (lastTransportError != 0) return false;

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPostReplyCap + 2]);
  if (!buffer) {
    lastTransportError = -1;
    return false;
  }
  // A reply may arrive in several pieces: read to its end, keeping at most the cap.
  DWORD total = 0;
  if (!ReadUpTo(request, buffer.get(), kPostReplyCap, total)) {
    lastTransportError = ReadFailureCode();
    return false;
  }
  // The reply is text: it ends at the end of the data or at a zero byte within it.
  buffer[total] = '\0';
  reply.assign(buffer.get());
  lastTransportError = 0;
  return true;
}

int ServerProtocol::DownloadDocument(const std::string& url, std::string& body,
                                     std::string& statusText, DownloadCallback callback,
                                     unsigned long long cap) {
  body.clear();
  statusText.clear();
  lastTransportError = 0;
  downloadCancelled_ = false;
  OpenedRequest opened;
  // Every call that may wait on the server runs while the window stays alive; the chunks are
  // handed to the callback on the user-interface thread, between the reads.
  bool sent = false;
  int total = 0;
  ui::RunKeepingWindowsAlive([&] {
    sent = SendDownloadRequest(url, statusText, opened);
    if (sent && !callback) total = ReadWholeDocument(opened.request.get(), body);
  });
  if (!sent || !callback) return total;
  return ReadDocumentChunks(opened.request.get(), callback, cap);
}

bool ServerProtocol::SendDownloadRequest(const std::string& url, std::string& statusText,
                                         OpenedRequest& opened) {
  if (!OpenRequest(url, "GET", ObjectPath(url), opened)) return false;
  HINTERNET request = opened.request.get();
  if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
    lastTransportError = static_cast<int>(GetLastError());
    return false;
  }
  // A failed status query leaves its code; a plain error status (404, a proxy's 407) is reported
  // by its number, as a POST's is. A code left over from an earlier call is not this download's.
  SetLastError(ERROR_SUCCESS);
  if (const int status = CheckHttpStatus(request, statusText); status != 0) {
    const int code = static_cast<int>(GetLastError());
    lastTransportError = code != 0 ? code : status;
    return false;
  }
  return true;
}

int ServerProtocol::ReadWholeDocument(HINTERNET request, std::string& body) {
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
    lastTransportError = -1;
    return 0;
  }
  DWORD total = 0;
  if (!ReadUpTo(request, buffer.get(), static_cast<DWORD>(size), total)) {
    lastTransportError = ReadFailureCode();
    return 0;
  }
  body.assign(buffer.get(), total);
  return static_cast<int>(total);
}

int ServerProtocol::ReadDocumentChunks(HINTERNET request, DownloadCallback callback,
                                       unsigned long long cap) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadChunk + 2]);
  if (!buffer) {
    lastTransportError = -1;
    return 0;
  }
  unsigned long long total = 0;
  for (;;) {
    DWORD got = 0;
    int failure = 0;
    // The read's error code is the worker thread's: it is taken there.
    ui::RunKeepingWindowsAlive([&] {
      if (!InternetReadFile(request, buffer.get(), kReadChunk, &got)) failure = ReadFailureCode();
    });
    if (failure != 0) {
      lastTransportError = failure;
      callback(-1, std::string());
      break;
    }
    if (got > kReadChunk) got = kReadChunk;
    if (got == 0) {
      callback(1, std::string());
      break;
    }
    if (total + got > std::min(cap, kMaxDocumentSize)) {
      lastTransportError = -1;
      callback(-1, std::string());
      break;
    }
    total += got;
    callback(0, std::string(buffer.get(), got));
    if (downloadCancelled_) {
      lastTransportError = ERROR_INTERNET_OPERATION_CANCELLED;
      return 0;
    }
  }
  return static_cast<int>(total);
}
