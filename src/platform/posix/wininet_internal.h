// Internals shared by the files of the WinInet calls on Linux: the object behind each HINTERNET,
// the handle table, option look-up along the handle chain, and the libcurl transfer of a request.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/wininet.h"

namespace platform::wininet {

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

struct Request : Handle {
  Request() : Handle(Kind::Request) {}
  ~Request() override;

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
  size_t header_bytes = 0;
  bool header_too_long = false;  // the reply's headers passed kMaxHeaderBytes
  Clock::time_point last_activity;
  // End of the whole request, retries and body reads included; set when it is sent.
  Clock::time_point deadline = Clock::time_point::max();
  char errbuf[CURL_ERROR_SIZE] = {};
  // Set while a call drives the transfer: only then has a closing thread a wait to end.
  std::atomic<bool> driving{false};

  // Ends the transfer and forgets the reply; the request itself (verb, path, headers) stays.
  void Reset();
  void Wake() override;
};

// ---- handle table (wininet.cpp) -----------------------------------------------------------

// Enters a new handle below parent (null for a session) and returns its HINTERNET.
HINTERNET Register(std::shared_ptr<Handle> h, HINTERNET parent);
// The live handle behind id, or null.
std::shared_ptr<Handle> Find(HINTERNET id);

// The handle behind id when it is of the kind asked for; else null with ERROR_INVALID_HANDLE or
// ERROR_INTERNET_INCORRECT_HANDLE_TYPE as the last error.
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

// Writes a text answer the WinInet way: the length without the zero on success, the needed
// size with the zero on ERROR_INSUFFICIENT_BUFFER.
BOOL ReturnText(const std::string& text, LPVOID buffer, LPDWORD length);
BOOL ReturnDword(DWORD value, LPVOID buffer, LPDWORD length);

// ---- options (wininet_options.cpp) --------------------------------------------------------

// The first value of an option set on the handle or one of its ancestors, or nullopt.
template <class F>
auto Lookup(const std::shared_ptr<Handle>& start, F field) -> decltype(field(start->options)) {
  std::shared_ptr<Handle> h = start;
  while (h) {
    if (auto v = field(h->options)) return v;
    h = h->parent ? Find(h->parent) : nullptr;
  }
  return std::nullopt;
}

// A DWORD option (a time-out or the connect retries) as the handle sees it: set on it or an
// ancestor, else its default.
DWORD DwordOption(const std::shared_ptr<Handle>& h, DWORD option);

// Time-outs of the phases of a transfer in milliseconds; 0 = none. request_timeout bounds the
// whole request: the connect, send and receive time-outs added up (0 when one of them is none).
struct Limits {
  DWORD send_timeout = 0, receive_timeout = 0;
  DWORD request_timeout = 0;
};
Limits LimitsFor(const std::shared_ptr<Handle>& h);

// ---- transfer (wininet_transfer.cpp) ------------------------------------------------------

// Everything a request needs at send time, gathered from its handle chain.
struct SendSettings {
  std::string url;
  bool secure = false;
  DWORD flags = 0;
  std::string agent;
  std::string proxy;  // "" = direct
  std::optional<std::string> proxy_user, proxy_password;
  DWORD connect_timeout = 0, connect_retries = 0;
};

// Sends the request (its headers and body set) and runs the transfer until the reply headers are
// in; a refused connection is tried again up to the connect retries. The request's deadline starts
// here. ERROR_SUCCESS, or the WinInet error of the failure (ERROR_INTERNET_TIMEOUT past the
// deadline, ERROR_HTTP_INVALID_SERVER_RESPONSE for headers beyond what a reply may carry), or the
// error of libcurl and OpenSSL missing (wininet_libraries.h).
DWORD SendRequest(Request& r, const SendSettings& s, const Limits& limits);

// Copies up to size body bytes into buffer, running the transfer until some have arrived or the
// reply has ended (read 0 then). ERROR_SUCCESS, or the WinInet error that cut the reply short:
// ERROR_INTERNET_TIMEOUT past the request's deadline, ERROR_INTERNET_CONNECTION_ABORTED when the
// body ended before its Content-Length, whatever value that announced.
DWORD ReadBody(Request& r, const Limits& limits, void* buffer, DWORD size, DWORD& read);

}  // namespace platform::wininet
