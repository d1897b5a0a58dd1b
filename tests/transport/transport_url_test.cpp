// Tests of how the transport reads server URLs: host, port and the request flags.
#include <gtest/gtest.h>

#include <string>

#include "net/Transport.h"
#include "platform/wininet.h"

namespace {

struct Split {
  std::string host;
  int port = -99;
};

Split SplitOf(const std::string& url) {
  Split split;
  net::Transport::SplitServerUrl(url, split.host, split.port);
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
  net::TransportOptions options;
  const net::Transport plain(options);
  EXPECT_EQ(plain.RequestFlagsFor("https://host/"), INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE);
  EXPECT_EQ(plain.RequestFlagsFor("http://host:8080/"), INTERNET_FLAG_RELOAD);
  EXPECT_EQ(plain.RequestFlagsFor("http://host/https"), INTERNET_FLAG_RELOAD)
      << "https elsewhere in the URL does not count";

  options.certificateTolerance = 0x3000 | 0x0001;
  const net::Transport tolerant(options);
  EXPECT_EQ(tolerant.RequestFlagsFor("https://host/"), INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE |
                                                           INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                                                           INTERNET_FLAG_IGNORE_CERT_DATE_INVALID);
  EXPECT_EQ(tolerant.RequestFlagsFor("http://host/"), INTERNET_FLAG_RELOAD)
      << "plain HTTP never carries the certificate bits";
}

TEST(ResolveProxyEndpointTest, SendsABadPortAs80AndNeedsAResolvableHost) {
  std::string host, port;
  auto resolve = [&](const char* proxyHost, const char* proxyPort) {
    return net::Transport::ResolveProxyEndpoint(proxyHost, proxyPort, host, port);
  };
  for (const char* bad : {"0", "65536", "abc", "", "-3128"}) {
    EXPECT_TRUE(resolve("127.0.0.1", bad));
    EXPECT_EQ(port, "80") << "port '" << bad << "'";
  }
  for (const char* good : {"3128", " 3128", "+3128", "3128 "}) {
    EXPECT_TRUE(resolve("127.0.0.1", good));
    EXPECT_EQ(port, "3128") << "port '" << good << "' reads as a number, as the settings do";
  }
  EXPECT_FALSE(resolve("no-such-proxy.invalid", "3128"));
  EXPECT_FALSE(resolve("", "3128"));
}

TEST(CombineUrlTest, PutsTheTermsPathOnTheServerBase) {
  EXPECT_EQ(net::Transport::CombineUrl("https://signup.example.com/", "/signup_pc/kiyaku.txt"),
            "https://signup.example.com/signup_pc/kiyaku.txt");
  EXPECT_EQ(net::Transport::CombineUrl("http://127.0.0.1:8080", "/signup_pc/kiyaku.txt"),
            "http://127.0.0.1:8080/signup_pc/kiyaku.txt");
}
