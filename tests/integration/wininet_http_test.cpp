// The WinInet layer over plain HTTP on loopback: request bytes, reply reading, status queries,
// faults and time-outs, handle lifetimes and URL combination.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wininet.h"
#include "support/loopback_server.h"
#include "support/provider_fixture.h"
#include "support/ras_fixture.h"

namespace {

const char kAgent[] = "Mozilla/4.0 (SignupClient/1.1; ORVEL/Windows/Signup)";

// Session, connection and request of one exchange, closed on destruction.
struct Exchange {
  HINTERNET session = nullptr, connection = nullptr, request = nullptr;
  Exchange(DWORD access, const char* proxy, const std::string& host, INTERNET_PORT port,
           const char* verb, const char* path, DWORD flags = INTERNET_FLAG_RELOAD) {
    session = InternetOpenA(kAgent, access, proxy, nullptr, 0);
    if (!session) return;
    connection = InternetConnectA(session, host.c_str(), port, nullptr, nullptr,
                                  INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection) return;
    request = HttpOpenRequestA(connection, verb, path, nullptr, nullptr, nullptr, flags, 0);
  }
  ~Exchange() {
    if (request) InternetCloseHandle(request);
    if (connection) InternetCloseHandle(connection);
    if (session) InternetCloseHandle(session);
  }
  void SetTimeout(DWORD option, DWORD ms) { InternetSetOptionA(session, option, &ms, sizeof ms); }
  DWORD Status() {
    DWORD code = 0, size = sizeof code;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                        nullptr))
      return 0;
    return code;
  }
  // Reads to the end; false (with the error in *error) when a read fails.
  bool ReadAll(std::string& body, DWORD* error = nullptr, std::vector<DWORD>* sizes = nullptr) {
    char buffer[2048];
    for (;;) {
      DWORD got = 0;
      if (!InternetReadFile(request, buffer, sizeof buffer, &got)) {
        if (error) *error = GetLastError();
        return false;
      }
      if (got == 0) return true;
      if (sizes) sizes->push_back(got);
      body.append(buffer, got);
    }
  }
};

// A one-connection server speaking raw bytes, for replies no real server would send. Each step
// is sent only after the test releases it, so partial reads are deterministic.
class RawServer {
 public:
  explicit RawServer(std::vector<std::string> steps) : steps_(std::move(steps)) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listen_fd_, 4);
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~RawServer() {
    Release(static_cast<int>(steps_.size()));
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    cv_.notify_all();
    shutdown(listen_fd_, SHUT_RDWR);
    thread_.join();
    close(listen_fd_);
  }
  INTERNET_PORT port() const { return static_cast<INTERNET_PORT>(port_); }
  // Lets the next `n` steps go out.
  void Release(int n = 1) {
    {
      std::lock_guard lock(mutex_);
      released_ += n;
    }
    cv_.notify_all();
  }
  // Keeps the connection open after the last step until the server is destroyed.
  void HoldOpen() { hold_ = true; }

 private:
  void Serve() {
    int fd = accept(listen_fd_, nullptr, nullptr);
    if (fd < 0) return;
    // Read the request head before answering, as a server would.
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, n);
    }
    for (size_t i = 0; i < steps_.size(); ++i) {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [&] { return released_ > static_cast<int>(i) || finished_; });
      if (finished_ && released_ <= static_cast<int>(i)) break;
      lock.unlock();
      send(fd, steps_[i].data(), steps_[i].size(), MSG_NOSIGNAL);
    }
    if (hold_) {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [&] { return finished_; });
    }
    close(fd);
  }

  std::vector<std::string> steps_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  int released_ = 0;
  bool finished_ = false;
  std::atomic<bool> hold_{false};
};

class WininetHttpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(provider_.ok()) << provider_.error(); }
  test::ProviderFixture provider_;
};

TEST_F(WininetHttpTest, GetReadsTheTermsInPiecesAndEndsWithZero) {
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "GET",
             "/signup_pc/kiyaku.txt");
  ASSERT_TRUE(x.request);
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0)) << GetLastError();
  EXPECT_EQ(x.Status(), 200u);

  char length[15] = {};
  DWORD size = sizeof length;
  ASSERT_TRUE(HttpQueryInfoA(x.request, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr));
  std::string body;
  std::vector<DWORD> sizes;
  ASSERT_TRUE(x.ReadAll(body, nullptr, &sizes));
  EXPECT_EQ(std::to_string(body.size()), length) << "the body is as long as announced";
  EXPECT_GT(sizes.size(), 2u) << "several kilobytes arrive in several reads of at most 2048";
  for (DWORD s : sizes) EXPECT_LE(s, 2048u);
  EXPECT_EQ(body.rfind(test::Sjis("ルミパス・ネットワーク利用規約"), 0), 0u)
      << "the terms are Shift-JIS text";

  DWORD got = 99;
  char c;
  EXPECT_TRUE(InternetReadFile(x.request, &c, 1, &got)) << "reading past the end stays at the end";
  EXPECT_EQ(got, 0u);
}

TEST_F(WininetHttpTest, PostSendsExactlyTheBodyAndTheAddedHeaders) {
  // Bytes above 0x7F, a zero byte and literal CR LF must travel unchanged.
  const std::string body = "qxid=a%20b&lastname=" + test::Sjis("山田") + std::string("\0x\r\n", 4);
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "POST",
             "/profile_pc/rst/QXSRst_PCEIA.cgi");
  ASSERT_TRUE(x.request);
  ASSERT_TRUE(HttpAddRequestHeadersA(x.request,
                                     "Content-Type: application/x-www-form-urlencoded\r\n",
                                     0xFFFFFFFF, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
  std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  ASSERT_TRUE(HttpAddRequestHeadersA(x.request, length.c_str(), length.size(),
                                     HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, const_cast<char*>(body.data()), body.size()))
      << GetLastError();
  EXPECT_EQ(x.Status(), 200u);
  std::string reply;
  ASSERT_TRUE(x.ReadAll(reply));
  EXPECT_NE(reply.find("01:NG"), std::string::npos) << "the server answered the form";

  auto requests = provider_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/profile_pc/rst/QXSRst_PCEIA.cgi");
  EXPECT_EQ(r.body, body) << "the body arrives byte for byte";
  EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(body.size()));
  EXPECT_EQ(r.Header("User-Agent"), kAgent);
  EXPECT_FALSE(r.HasHeader("Expect")) << "no header the program did not add";
  EXPECT_FALSE(r.HasHeader("Accept")) << "no accept types were given";
}

TEST_F(WininetHttpTest, QueryInfoAnswersAsWinInetDoes) {
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "GET",
             "/signup_pc/kiyaku.txt");
  ASSERT_TRUE(x.request);
  char text[64];
  DWORD size = sizeof text;
  EXPECT_FALSE(HttpQueryInfoA(x.request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_STATE))
      << "nothing to query before the request is sent";
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));

  size = sizeof text;
  ASSERT_TRUE(HttpQueryInfoA(x.request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
  EXPECT_STREQ(text, "200");
  EXPECT_EQ(size, 3u) << "the length excludes the terminating zero";
  size = sizeof text;
  ASSERT_TRUE(HttpQueryInfoA(x.request, HTTP_QUERY_STATUS_TEXT, text, &size, nullptr));
  EXPECT_STREQ(text, "OK");

  size = 3;
  EXPECT_FALSE(HttpQueryInfoA(x.request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 4u) << "the needed size counts the zero";

  size = sizeof text;
  EXPECT_FALSE(HttpQueryInfoA(x.request, HTTP_QUERY_LOCATION, text, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));

  size = sizeof text;
  ASSERT_TRUE(HttpQueryInfoA(x.request, HTTP_QUERY_CONTENT_TYPE, text, &size, nullptr));
  EXPECT_STREQ(text, "text/plain; charset=Shift_JIS");
}

TEST_F(WininetHttpTest, ErrorStatusesAreRepliesNotFailuresAndRedirectsAreNotFollowed) {
  for (int status : {302, 404, 500}) {
    SCOPED_TRACE(status);
    ASSERT_TRUE(provider_.ClearRequests());
    ASSERT_TRUE(
        provider_.SetFault("/signup_pc/signup_pc.cgi", {test::FaultKind::kStatus, 1, status}));
    Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "POST",
               "/signup_pc/signup_pc.cgi");
    ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, const_cast<char*>("a=b"), 3));
    EXPECT_EQ(x.Status(), static_cast<DWORD>(status));
    EXPECT_EQ(provider_.Requests().size(), 1u) << "one request, no redirect followed";
  }
}

TEST_F(WininetHttpTest, ChunkedReplyWithoutLengthIsReadToItsEnd) {
  ASSERT_TRUE(provider_.SetFault("/signup_pc/kiyaku.txt", {test::FaultKind::kChunked}));
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "GET",
             "/signup_pc/kiyaku.txt");
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));
  char text[16];
  DWORD size = sizeof text;
  EXPECT_FALSE(HttpQueryInfoA(x.request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));
  size = sizeof text;
  // 63 is the documented level of Transfer-Encoding (24 is Accept).
  ASSERT_TRUE(HttpQueryInfoA(x.request, 63, text, &size, nullptr));
  EXPECT_STREQ(text, "chunked");
  std::string body;
  ASSERT_TRUE(x.ReadAll(body));
  EXPECT_GT(body.size(), 4096u);
  EXPECT_EQ(body.rfind(test::Sjis("ルミパス"), 0), 0u);
}

TEST_F(WininetHttpTest, ReplyCutShortFailsTheReadWithConnectionAborted) {
  ASSERT_TRUE(provider_.SetFault("/signup_pc/kiyaku.txt", {test::FaultKind::kCut}));
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "GET",
             "/signup_pc/kiyaku.txt");
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));
  std::string body;
  DWORD error = 0;
  EXPECT_FALSE(x.ReadAll(body, &error)) << "a cut reply is not a complete one";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED));
  EXPECT_FALSE(body.empty()) << "what arrived was delivered first";
}

TEST_F(WininetHttpTest, SilentServerTimesOutWaitingForTheReply) {
  ASSERT_TRUE(provider_.SetFault("*", {test::FaultKind::kSilent, 1, 0, 60000}));
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "POST",
             "/signup_pc/signup_pc.cgi");
  x.SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, 200);
  EXPECT_FALSE(HttpSendRequestA(x.request, nullptr, 0, const_cast<char*>("a=b"), 3));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
}

TEST(WininetRawTest, ReadsReturnWhatHasArrivedWithoutWaitingForMore) {
  RawServer server({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd", "efg", "hij"});
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", server.port(), "GET", "/");
  server.Release();
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0)) << GetLastError();
  char buffer[2048];
  DWORD got = 0;
  ASSERT_TRUE(InternetReadFile(x.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "abcd") << "the first piece comes alone";
  server.Release();
  ASSERT_TRUE(InternetReadFile(x.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "efg");
  server.Release();
  ASSERT_TRUE(InternetReadFile(x.request, buffer, 2, &got));
  EXPECT_EQ(std::string(buffer, got), "hi") << "never more than asked";
  ASSERT_TRUE(InternetReadFile(x.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "j");
  ASSERT_TRUE(InternetReadFile(x.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);
}

TEST(WininetRawTest, StalledBodyFailsTheReadWithTimeout) {
  RawServer server({"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst"});
  server.HoldOpen();
  server.Release();
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", server.port(), "GET", "/");
  x.SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, 200);
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));
  char buffer[64];
  DWORD got = 0;
  ASSERT_TRUE(InternetReadFile(x.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "first");
  EXPECT_FALSE(InternetReadFile(x.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
}

TEST(WininetRawTest, ClosingTheRequestFromAnotherThreadEndsABlockedRead) {
  RawServer server({"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"});
  server.HoldOpen();
  server.Release();
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", server.port(), "GET", "/");
  x.SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, 0);  // no time-out: only the close can end it
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));
  std::atomic<DWORD> error{0};
  std::thread reader([&] {
    char buffer[16];
    DWORD got = 0;
    if (!InternetReadFile(x.request, buffer, sizeof buffer, &got)) error = GetLastError();
  });
  ASSERT_TRUE(InternetCloseHandle(x.request));
  x.request = nullptr;
  reader.join();
  // Closed while blocked, or before the read began: never a hang or a success.
  EXPECT_TRUE(error == ERROR_INTERNET_OPERATION_CANCELLED || error == ERROR_INVALID_HANDLE)
      << error;
}

TEST(WininetRawTest, GarbageOrNothingInsteadOfHttpIsAnInvalidServerResponse) {
  for (const char* reply : {"this is not HTTP at all\r\n\r\n", ""}) {
    SCOPED_TRACE(reply);
    RawServer server({reply});
    server.Release();
    Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", server.port(), "GET", "/");
    EXPECT_FALSE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_INVALID_SERVER_RESPONSE));
  }
}

TEST(WininetConnectTest, UnreachableOrUnknownHostsGiveTheirErrors) {
  int closed_port;
  {
    RawServer gone({});
    closed_port = gone.port();
  }
  Exchange refused(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1",
                   static_cast<INTERNET_PORT>(closed_port), "GET", "/");
  EXPECT_FALSE(HttpSendRequestA(refused.request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));

  Exchange unknown(INTERNET_OPEN_TYPE_DIRECT, nullptr, "nonexistent.invalid", 80, "GET", "/");
  EXPECT_FALSE(HttpSendRequestA(unknown.request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_NAME_NOT_RESOLVED));

  // A whole URL where a host belongs is never handed on to be parsed as one.
  Exchange url(INTERNET_OPEN_TYPE_DIRECT, nullptr, "ftp://127.0.0.1/x", 80, "GET", "/");
  ASSERT_TRUE(url.request);
  EXPECT_FALSE(HttpSendRequestA(url.request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_NAME_NOT_RESOLVED));
}

// Replies that would hold a request beyond its time-outs, or pass for what they are not.
struct BadReply {
  const char* what;
  std::function<void(test::LoopbackServer::Connection&)> serve;
  bool failsOnSend;  // the request fails in HttpSendRequestA, else in a read of the body
  DWORD error;
};

// Sends `head`, then `unit` every 25 ms: well within the receive time-out each time, but 200
// times over, far beyond the request's time-outs added up.
std::function<void(test::LoopbackServer::Connection&)> Trickle(std::string head, std::string unit) {
  return [head, unit](test::LoopbackServer::Connection& c) {
    if (!c.Send(head)) return;
    for (int i = 0; i < 200 && c.Pause(std::chrono::milliseconds(25)); ++i)
      if (!c.Send(unit)) return;
  };
}

std::function<void(test::LoopbackServer::Connection&)> Reply(std::string bytes) {
  return [bytes](test::LoopbackServer::Connection& c) { c.Send(bytes); };
}

TEST(WininetBoundsTest, RepliesThatWouldHoldOrFoolTheRequestEndWithTheirError) {
  std::string manyHeaders = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 1000; ++i)
    manyHeaders += "X-Pad-" + std::to_string(i) + ": " + std::string(1000, 'p') + "\r\n";
  const BadReply replies[] = {
      {"a body that trickles", Trickle("HTTP/1.1 200 OK\r\nContent-Length: 2048\r\n\r\n", "x"),
       false, ERROR_INTERNET_TIMEOUT},
      {"headers that trickle", Trickle("HTTP/1.1 200 OK\r\nX-Slow: ", "x"), true,
       ERROR_INTERNET_TIMEOUT},
      {"a length beyond 64 bits",
       Reply("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nhello"), false,
       ERROR_INTERNET_CONNECTION_ABORTED},
      {"a header line of a megabyte",
       Reply("HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'b') +
             "\r\nContent-Length: 0\r\n\r\n"),
       true, ERROR_HTTP_INVALID_SERVER_RESPONSE},
      {"a megabyte of header lines", Reply(manyHeaders + "Content-Length: 0\r\n\r\n"), true,
       ERROR_HTTP_INVALID_SERVER_RESPONSE},
  };
  for (const BadReply& reply : replies) {
    SCOPED_TRACE(reply.what);
    test::LoopbackServer server(reply.serve);
    Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1",
               static_cast<INTERNET_PORT>(server.port()), "GET", "/");
    x.SetTimeout(INTERNET_OPTION_CONNECT_TIMEOUT, 200);
    x.SetTimeout(INTERNET_OPTION_SEND_TIMEOUT, 200);
    x.SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, 400);
    const bool sent = HttpSendRequestA(x.request, nullptr, 0, nullptr, 0) != FALSE;
    DWORD error = sent ? 0 : GetLastError();
    if (sent) {
      EXPECT_FALSE(reply.failsOnSend) << "the request went out";
      std::string body;
      EXPECT_FALSE(x.ReadAll(body, &error)) << "the body was taken as complete: " << body.size();
    }
    EXPECT_EQ(error, reply.error);
  }
}

TEST(WininetConnectTest, ATlsServerThatNeverAnswersEndsInTheConnectTimeout) {
  test::LoopbackServer silent([](test::LoopbackServer::Connection& c) { c.HoldUntilClosed(); },
                              false);
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1",
             static_cast<INTERNET_PORT>(silent.port()), "GET", "/",
             INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE);
  // Only the connect time-out is short: the handshake is part of connecting.
  x.SetTimeout(INTERNET_OPTION_CONNECT_TIMEOUT, 300);
  x.SetTimeout(INTERNET_OPTION_SEND_TIMEOUT, 30000);
  x.SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, 30000);
  EXPECT_FALSE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
}

TEST_F(WininetHttpTest, DirectAccessIgnoresTheProxyEnvironment) {
  test::ScopedEnv http("http_proxy", "http://127.0.0.1:1");
  test::ScopedEnv all("ALL_PROXY", "http://127.0.0.1:1");
  Exchange x(INTERNET_OPEN_TYPE_DIRECT, nullptr, "127.0.0.1", provider_.http_port(), "GET",
             "/signup_pc/kiyaku.txt");
  ASSERT_TRUE(HttpSendRequestA(x.request, nullptr, 0, nullptr, 0)) << GetLastError();
  EXPECT_EQ(x.Status(), 200u);

  Exchange preconfig(INTERNET_OPEN_TYPE_PRECONFIG, nullptr, "127.0.0.1", provider_.http_port(),
                     "GET", "/signup_pc/kiyaku.txt");
  EXPECT_FALSE(HttpSendRequestA(preconfig.request, nullptr, 0, nullptr, 0))
      << "the preconfigured proxy comes from the environment";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));
}

TEST(WininetHandleTest, ClosingAParentClosesItsChildren) {
  HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  ASSERT_TRUE(session);
  HINTERNET connection =
      InternetConnectA(session, "127.0.0.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
  ASSERT_TRUE(request);
  // The documented numbers: internet 1, HTTP connection 4, HTTP request 13.
  const HINTERNET handles[] = {session, connection, request};
  const DWORD types[] = {1, 4, 13};
  for (int i = 0; i < 3; ++i) {
    DWORD value = 0, size = sizeof value;
    ASSERT_TRUE(InternetQueryOptionA(handles[i], INTERNET_OPTION_HANDLE_TYPE, &value, &size));
    EXPECT_EQ(value, types[i]);
  }
  char c;
  DWORD got;
  EXPECT_FALSE(InternetReadFile(session, &c, 1, &got));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE));
  EXPECT_FALSE(InternetReadFile(request, &c, 1, &got));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_STATE))
      << "nothing to read before sending";

  ASSERT_TRUE(InternetCloseHandle(session));
  EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(InternetCloseHandle(connection)) << "already closed with its session";
}

TEST(WininetHandleTest, HeadersFollowTheAddAndReplaceRules) {
  HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET connection =
      InternetConnectA(session, "127.0.0.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
  auto value = [&] {
    char text[64];
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_TYPE | HTTP_QUERY_FLAG_REQUEST_HEADERS, text,
                        &size, nullptr))
      return std::string("<none>");
    return std::string(text);
  };
  EXPECT_FALSE(
      HttpAddRequestHeadersA(request, "Content-Type: a\r\n", 0xFFFFFFFF, HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND))
      << "replace alone needs the header";
  EXPECT_TRUE(HttpAddRequestHeadersA(request, "Content-Type: a\r\n", 0xFFFFFFFF,
                                     HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_TRUE(HttpAddRequestHeadersA(request, "content-type: b\r\n", 0xFFFFFFFF,
                                     HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_EQ(value(), "b") << "names compare without case";
  EXPECT_TRUE(
      HttpAddRequestHeadersA(request, "Content-Type:", 0xFFFFFFFF, HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_EQ(value(), "<none>") << "an empty value removes the header";
  InternetCloseHandle(session);
}

TEST(WininetUrlTest, CombineResolvesRelativeReferences) {
  auto combine = [](const char* base, const char* rel, DWORD flags = ICU_NO_ENCODE) {
    char buffer[514] = {};
    DWORD size = 513;
    if (!InternetCombineUrlA(base, rel, buffer, &size, flags))
      return "error " + std::to_string(GetLastError());
    EXPECT_EQ(size, std::strlen(buffer));
    return std::string(buffer);
  };
  EXPECT_EQ(combine("https://signup.example.ne.jp/", "/signup_pc/kiyaku.txt"),
            "https://signup.example.ne.jp/signup_pc/kiyaku.txt");
  EXPECT_EQ(combine("http://h:8080", "/a"), "http://h:8080/a");
  EXPECT_EQ(combine("http://h/a/b/c?q", "../d"), "http://h/a/d");
  EXPECT_EQ(combine("http://h/a/b", "./c/./d/../e"), "http://h/a/c/e");
  EXPECT_EQ(combine("http://h/a/b", "?x=1"), "http://h/a/b?x=1");
  EXPECT_EQ(combine("http://h/a/b", "//other/p"), "http://other/p");
  EXPECT_EQ(combine("http://h/a", "ftp://f/x"), "ftp://f/x");
  EXPECT_EQ(combine("http://h/", "a b", 0), "http://h/a%20b") << "escaped unless told not to";
  EXPECT_EQ(combine("no scheme here", "/x"), "error " + std::to_string(ERROR_INTERNET_INVALID_URL));

  char small[8];
  DWORD size = sizeof small;
  EXPECT_FALSE(InternetCombineUrlA("http://host/", "/path", small, &size, ICU_NO_ENCODE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, sizeof("http://host/path")) << "the needed size, zero included";
}

TEST(WininetStateTest, TheMachineIsOnlineOverLanUntilSetOffline) {
  test::RasFixture ras;  // a dial-up service of this test's own, with no connection up
  DWORD flags = 0;
  EXPECT_TRUE(InternetGetConnectedState(&flags, 0));
  EXPECT_TRUE(flags & INTERNET_CONNECTION_LAN);
  EXPECT_FALSE(flags & INTERNET_CONNECTION_MODEM);

  DWORD state = 0, size = sizeof state;
  ASSERT_TRUE(InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size));
  EXPECT_EQ(state, static_cast<DWORD>(INTERNET_STATE_CONNECTED));

  INTERNET_CONNECTED_INFO offline{INTERNET_STATE_DISCONNECTED_BY_USER, ISO_FORCE_DISCONNECTED};
  ASSERT_TRUE(
      InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &offline, sizeof offline));
  ASSERT_TRUE(InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size));
  EXPECT_TRUE(state & INTERNET_STATE_DISCONNECTED_BY_USER);
  INTERNET_CONNECTED_INFO online{INTERNET_STATE_CONNECTED, 0};
  ASSERT_TRUE(InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &online, sizeof online));
  ASSERT_TRUE(InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size));
  EXPECT_EQ(state, static_cast<DWORD>(INTERNET_STATE_CONNECTED));
}

}  // namespace
