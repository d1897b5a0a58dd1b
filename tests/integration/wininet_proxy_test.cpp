// The WinInet layer through a real HTTP proxy (tinyproxy with basic authentication): plain
// requests, CONNECT tunnels for HTTPS, and credentials that reach the proxy only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/wininet.h"
#include "support/https_provider.h"
#include "support/proxy_fixture.h"

namespace {

class WininetProxyTest : public test::HttpsProviderSuite {
 protected:
  static void SetUpTestSuite() {
    HttpsProviderSuite::SetUpTestSuite();
    proxy_ = new test::ProxyFixture("signup", "pass-word", {provider_->https_port()});
  }
  static void TearDownTestSuite() {
    delete proxy_;
    proxy_ = nullptr;
    HttpsProviderSuite::TearDownTestSuite();
  }
  void SetUp() override {
    HttpsProviderSuite::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(proxy_->ok()) << proxy_->error();
    ASSERT_TRUE(provider_->ClearRequests());
  }

  struct Result {
    DWORD error = 0;
    DWORD status = 0;
    std::string body;
  };

  // POSTs a form as the transport does: proxy chosen on the session with INTERNET_OPTION_PROXY,
  // credentials on the request.
  static Result Post(bool secure, const char* user, const char* password) {
    Result result;
    HINTERNET session = InternetOpenA("t", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    std::string address = proxy_->Address();
    INTERNET_PROXY_INFO info{INTERNET_OPEN_TYPE_PROXY, address.c_str(), nullptr};
    EXPECT_TRUE(InternetSetOptionA(session, INTERNET_OPTION_PROXY, &info, sizeof info));
    int port = secure ? provider_->https_port() : provider_->http_port();
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(port),
                                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        HttpOpenRequestA(connection, "POST", "/profile_pc/rst/QXSRst_PCEIA.cgi", nullptr, nullptr,
                         nullptr, INTERNET_FLAG_RELOAD | (secure ? INTERNET_FLAG_SECURE : 0), 0);
    if (user) {
      InternetSetOptionA(request, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(user),
                         std::strlen(user) + 1);
      InternetSetOptionA(request, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(password),
                         std::strlen(password) + 1);
    }
    std::string body = "user_id=nobody&login_password=x";
    if (!HttpSendRequestA(request, nullptr, 0, body.data(), body.size())) {
      result.error = GetLastError();
    } else {
      DWORD size = sizeof result.status;
      HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &result.status,
                     &size, nullptr);
      char buffer[2048];
      DWORD got = 0;
      while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0)
        result.body.append(buffer, got);
    }
    InternetCloseHandle(session);
    return result;
  }

  static test::ProxyFixture* proxy_;
};

test::ProxyFixture* WininetProxyTest::proxy_ = nullptr;

TEST_F(WininetProxyTest, HttpThroughTheProxyWithCredentialsReachesTheServerWithoutThem) {
  Result r = Post(false, "signup", "pass-word");
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(r.status, 200u) << proxy_->Log();
  EXPECT_NE(r.body.find("01:NG"), std::string::npos) << "the server's own reply came back";
  auto requests = provider_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body, "user_id=nobody&login_password=x");
  EXPECT_FALSE(requests[0].HasHeader("Proxy-Authorization"))
      << "proxy credentials stay with the proxy";
  EXPECT_FALSE(requests[0].HasHeader("Authorization")) << "and never become server credentials";
}

TEST_F(WininetProxyTest, HttpThroughTheProxyWithoutCredentialsGets407) {
  Result r = Post(false, nullptr, nullptr);
  ASSERT_EQ(r.error, 0u) << "a refusal by the proxy is a reply, not a failure";
  EXPECT_EQ(r.status, 407u);
  EXPECT_TRUE(provider_->Requests().empty()) << "nothing reached the server";
}

TEST_F(WininetProxyTest, HttpsTunnelsThroughTheProxyWithCredentials) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  Result r = Post(true, "signup", "pass-word");
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(r.status, 200u) << proxy_->Log();
  EXPECT_NE(r.body.find("01:NG"), std::string::npos);
  auto requests = provider_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].HasHeader("Proxy-Authorization"));
}

TEST_F(WininetProxyTest, HttpsTunnelRefusedByTheProxyReportsItsStatus) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  Result r = Post(true, nullptr, nullptr);
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(r.status, 407u);
  EXPECT_TRUE(r.body.empty());
  EXPECT_TRUE(provider_->Requests().empty());
}

TEST_F(WininetProxyTest, ProxyNamedAtOpenAndTheEnvironmentProxyAreUsed) {
  std::string address = proxy_->Address();
  {
    test::ScopedEnv bypass("no_proxy", "*");
    HINTERNET session = InternetOpenA("t", INTERNET_OPEN_TYPE_PROXY, address.c_str(), nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(provider_->http_port()),
                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/signup_pc/kiyaku.txt", nullptr,
                                         nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    DWORD status = 0, size = sizeof status;
    HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                   nullptr);
    EXPECT_EQ(status, 407u) << "the proxy named at open answered, whatever no_proxy says";
    InternetCloseHandle(session);
  }
  {
    test::ScopedEnv env("http_proxy", "http://" + address);
    HINTERNET session = InternetOpenA("t", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(provider_->http_port()),
                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/signup_pc/kiyaku.txt", nullptr,
                                         nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    DWORD status = 0, size = sizeof status;
    HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                   nullptr);
    EXPECT_EQ(status, 407u) << "the preconfigured proxy comes from the environment";
    InternetCloseHandle(session);
  }
}

}  // namespace
