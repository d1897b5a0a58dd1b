// Tests of how the transport reads server URLs: host, port and the request flags.
#include <gtest/gtest.h>

#include <string>

#include "app/SignApp.h"
#include "platform/wininet.h"

namespace {

struct Split {
  std::string host;
  int port = -99;
};

Split SplitOf(const std::string& url) {
  Split split;
  ServerProtocol::SplitServerUrl(url, split.host, split.port);
  return split;
}

}  // namespace

TEST(SplitServerUrlTest, TakesHostAndPortFromHttpAndHttpsUrls) {
  EXPECT_EQ(SplitOf("https://signup.example.com/").host, "signup.example.com");
  EXPECT_EQ(SplitOf("https://signup.example.com/").port, 443);
  EXPECT_EQ(SplitOf("http://127.0.0.1:8080/").host, "127.0.0.1");
  EXPECT_EQ(SplitOf("http://127.0.0.1:8080/").port, 8080);
  EXPECT_EQ(SplitOf("http://host").port, 80);
  EXPECT_EQ(SplitOf("HTTPS://Host/").port, 443);
}

TEST(SplitServerUrlTest, KeepsThePathOutOfHostAndPort) {
  Split split = SplitOf("http://127.0.0.1:8080/signup_pc/kiyaku.txt");
  EXPECT_EQ(split.host, "127.0.0.1");
  EXPECT_EQ(split.port, 8080);
  split = SplitOf("http://host/a:b");
  EXPECT_EQ(split.host, "host") << "a colon in the path is not a port";
  EXPECT_EQ(split.port, 80);
}

TEST(SplitServerUrlTest, GivesNoHostForOtherSchemesOrBadPorts) {
  EXPECT_EQ(SplitOf("ftp://host/").host, "");
  EXPECT_EQ(SplitOf("http:").host, "");
  EXPECT_EQ(SplitOf("").host, "");
  EXPECT_EQ(SplitOf("http://host:99999/").port, -1);
  EXPECT_EQ(SplitOf("http://host:abc/").port, -1);
}

TEST(RequestFlagsForTest, MarksHttpsSecureAndPassesTheCertificateTolerance) {
  ServerProtocol settings;
  EXPECT_EQ(settings.RequestFlagsFor("https://host/"), INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE);
  EXPECT_EQ(settings.RequestFlagsFor("http://host:8080/"), INTERNET_FLAG_RELOAD);
  EXPECT_EQ(settings.RequestFlagsFor("http://host/https"), INTERNET_FLAG_RELOAD)
      << "https elsewhere in the URL does not count";

  settings.ProtocolVer = 0x3000 | 0x0001;
  EXPECT_EQ(settings.RequestFlagsFor("https://host/"), INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE |
                                                           INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                                                           INTERNET_FLAG_IGNORE_CERT_DATE_INVALID);
  EXPECT_EQ(settings.RequestFlagsFor("http://host/"), INTERNET_FLAG_RELOAD)
      << "plain HTTP never carries the certificate bits";
}

TEST(ResolveProxyEndpointTest, SendsABadPortAs80AndNeedsAResolvableHost) {
  ServerProtocol settings;
  std::string host, port;
  for (const char* bad : {"0", "65536", "abc", ""}) {
    settings.effectiveProxyHost = "127.0.0.1";
    settings.effectiveProxyPort = bad;
    EXPECT_TRUE(settings.ResolveProxyEndpoint(host, port));
    EXPECT_EQ(port, "80") << "port '" << bad << "'";
    EXPECT_EQ(settings.effectiveProxyPort, bad) << "the stored port is left alone";
  }
  settings.effectiveProxyPort = "3128";
  EXPECT_TRUE(settings.ResolveProxyEndpoint(host, port));
  EXPECT_EQ(port, "3128");
  for (const char* padded : {" 3128", "+3128", "3128 "}) {
    settings.effectiveProxyPort = padded;
    EXPECT_TRUE(settings.ResolveProxyEndpoint(host, port));
    EXPECT_EQ(port, "3128") << "port '" << padded << "' reads as a number, as the settings do";
  }
  settings.effectiveProxyPort = "-3128";
  EXPECT_TRUE(settings.ResolveProxyEndpoint(host, port));
  EXPECT_EQ(port, "80");
  settings.effectiveProxyHost = "no-such-proxy.invalid";
  EXPECT_FALSE(settings.ResolveProxyEndpoint(host, port));
}
