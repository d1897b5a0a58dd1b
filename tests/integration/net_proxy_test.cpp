// The transport's proxy choice end to end, through tinyproxy with basic authentication: the
// user's own proxy for protocol "tcp", never a proxy for "udp", the system proxy for "auto" after
// the first discovery, and a direct connection when the proxy host does not resolve.
#include <gtest/gtest.h>

#include <string>

#include "app/SignApp.h"
#include "platform/registry.h"
#include "support/provider_fixture.h"
#include "support/proxy_fixture.h"
#include "support/test_support.h"

namespace {

constexpr char kUser[] = "signup";
constexpr char kPassword[] = "pass-word";

class NetProxyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    provider_ = new test::ProviderFixture();
    proxy_ = new test::ProxyFixture(kUser, kPassword);
  }
  static void TearDownTestSuite() {
    delete proxy_;
    delete provider_;
  }

  void SetUp() override {
    ASSERT_TRUE(provider_->ok()) << provider_->error();
    ASSERT_TRUE(proxy_->ok()) << proxy_->error();
    ASSERT_TRUE(provider_->ClearFaults());
    ASSERT_TRUE(provider_->AddAccount("taro", "secret"));
    Mark();
    app.profileServerUrl = provider_->HttpUrl();
  }

  // Runs a recovery for the account; true when it succeeded.
  bool Recover() {
    app.LoginID = "taro";
    app.LoginPasswd = "secret";
    std::string raw;
    return app.RunRecovery(raw);
  }

  // Whether the one request the server saw since the last mark came through the proxy, as the
  // proxy's log tells (it adds no header of its own).
  bool CameThroughProxy() {
    auto requests = provider_->Requests();
    EXPECT_EQ(requests.size(), 1u);
    if (requests.empty()) return false;
    EXPECT_FALSE(requests[0].HasHeader("Proxy-Authorization")) << "credentials stay at the proxy";
    int proxied = ProxiedCount();
    bool through = proxied > proxiedMark_;
    proxiedMark_ = proxied;
    return through;
  }
  static int ProxiedCount() {
    std::string log = proxy_->Log();
    int count = 0;
    for (size_t at = log.find("QXSRst_PCEIA.cgi"); at != std::string::npos;
         at = log.find("QXSRst_PCEIA.cgi", at + 1))
      ++count;
    return count;
  }
  void Mark() {
    ASSERT_TRUE(provider_->ClearRequests());
    proxiedMark_ = ProxiedCount();
  }

  void StoreSystemProxy(DWORD enable, const std::string& server) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                   sizeof(enable));
    RegSetValueExA(key, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                   static_cast<DWORD>(server.size() + 1));
    RegCloseKey(key);
  }

  std::string ProxyPort() const { return std::to_string(proxy_->port()); }

  static test::ProviderFixture* provider_;
  static test::ProxyFixture* proxy_;
  int proxiedMark_ = 0;
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  test::NoDesktopProxy noProxy;
  CSignApp app;
};

test::ProviderFixture* NetProxyTest::provider_ = nullptr;
test::ProxyFixture* NetProxyTest::proxy_ = nullptr;

}  // namespace

TEST_F(NetProxyTest, ProtocolTcpWithTheUsersProxyGoesThroughItWithCredentials) {
  app.ApplyConnectionConfig("Lan", "tcp", true, "127.0.0.1", ProxyPort(), kUser, kPassword);
  EXPECT_TRUE(Recover()) << "transport error " << app.LastTransportError() << "\n" << proxy_->Log();
  EXPECT_TRUE(CameThroughProxy());
  Mark();
  app.ApplyConnectionConfig("Lan", "tcp", false, "127.0.0.1", ProxyPort(), kUser, kPassword);
  EXPECT_TRUE(Recover());
  EXPECT_FALSE(CameThroughProxy()) << "a proxy switched off is no longer used";
}

TEST_F(NetProxyTest, TheProxyRefusesARequestWithoutCredentials) {
  app.ApplyConnectionConfig("Lan", "tcp", true, "127.0.0.1", ProxyPort(), "", "");
  EXPECT_FALSE(Recover());
  EXPECT_EQ(app.LastTransportError(), 407);
  EXPECT_EQ(app.lastServerResult, -1);
  EXPECT_TRUE(provider_->Requests().empty()) << "nothing reached the server";
  std::string body, status;
  app.DownloadDocument(provider_->HttpUrl() + "signup_pc/kiyaku.txt", body, status, nullptr);
  EXPECT_EQ(app.LastTransportError(), 407) << "the terms page shows the proxy's code: " << status;

  app.ApplyConnectionConfig("Lan", "tcp", true, "127.0.0.1", ProxyPort(), kUser, "wrong");
  EXPECT_FALSE(Recover());
  // tinyproxy answers wrong credentials with 401 rather than a second 407.
  EXPECT_TRUE(app.LastTransportError() == 401 || app.LastTransportError() == 407)
      << app.LastTransportError();
}

TEST_F(NetProxyTest, ProtocolUdpGoesDirectWhateverTheProxySettingsSay) {
  app.ApplyConnectionConfig("Lan", "udp", true, "127.0.0.1", ProxyPort(), kUser, kPassword);
  EXPECT_TRUE(Recover()) << app.LastTransportError();
  EXPECT_FALSE(CameThroughProxy());
}

TEST_F(NetProxyTest, ProtocolAutoUsesTheStoredSystemProxyAfterTheFirstDiscovery) {
  StoreSystemProxy(1, "http=127.0.0.1:" + ProxyPort() + ";ftp=10.1.2.5:21");
  app.ApplyConnectionConfig("Lan", "auto", false, "", "80", kUser, kPassword);
  EXPECT_TRUE(Recover());
  EXPECT_FALSE(CameThroughProxy()) << "before the discovery nothing is known of a proxy";

  ASSERT_TRUE(app.DiscoverProxyOnce());
  Mark();
  EXPECT_TRUE(Recover()) << app.LastTransportError();
  EXPECT_TRUE(CameThroughProxy());

  StoreSystemProxy(0, "127.0.0.1:" + ProxyPort());
  app.DiscoverProxyOnce();
  Mark();
  EXPECT_TRUE(Recover());
  EXPECT_TRUE(CameThroughProxy()) << "the discovery runs once per run";
}

TEST_F(NetProxyTest, ProtocolAutoWithTheSystemProxySwitchedOffGoesDirect) {
  StoreSystemProxy(0, "127.0.0.1:" + ProxyPort());
  app.ApplyConnectionConfig("Lan", "auto", false, "", "80", kUser, kPassword);
  app.DiscoverProxyOnce();
  EXPECT_TRUE(Recover());
  EXPECT_FALSE(CameThroughProxy());
}

TEST_F(NetProxyTest, ProtocolAutoTakesTheDesktopProxyWhenTheStoreHasNone) {
  test::ScopedEnv desktop("http_proxy", "http://127.0.0.1:" + ProxyPort() + "/");
  app.ApplyConnectionConfig("Lan", "auto", false, "", "80", kUser, kPassword);
  app.DiscoverProxyOnce();
  EXPECT_TRUE(Recover()) << app.LastTransportError();
  EXPECT_TRUE(CameThroughProxy());
}

TEST_F(NetProxyTest, AnUnresolvableProxyHostMeansADirectRequest) {
  app.ApplyConnectionConfig("Lan", "tcp", true, "no-such-proxy.invalid", ProxyPort(), kUser,
                            kPassword);
  EXPECT_TRUE(Recover()) << app.LastTransportError();
  EXPECT_FALSE(CameThroughProxy());
}
