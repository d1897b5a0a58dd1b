// Tests of the proxy choice of the WinInet calls: the session's proxy and bypass lists, the
// environment's proxy variables, and the hosts that go direct.
#include "platform/posix/wininet_proxy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wininet.h"
#include "support/test_support.h"

namespace {

using platform::wininet::ProxyEnvironment;

TEST(WininetProxyTest, ChoosesTheProxyOfTheSchemeUnlessTheHostIsBypassed) {
  const ProxyEnvironment noEnv;
  const ProxyEnvironment env{"env-http:3128", "env-https:3129", "env-all:1080", ""};
  const ProxyEnvironment httpsOnly{"", "env-https:3129", "", ""};
  const ProxyEnvironment allOnly{"", "", "socks5://env-all:1080", ""};
  const ProxyEnvironment noneAll{"env-http:3128", "", "", "*"};
  const ProxyEnvironment noneList{"env-http:3128", "", "", "localhost, .internal ,Example.ORG"};
  struct Case {
    std::string host;
    bool secure;
    DWORD access;
    std::string list, bypass;
    ProxyEnvironment env;
    std::string expected;
    const char* why;
  };
  const DWORD kProxy = INTERNET_OPEN_TYPE_PROXY;
  const DWORD kPreconfig = INTERNET_OPEN_TYPE_PRECONFIG;
  const std::vector<Case> cases = {
      {"a.test", false, INTERNET_OPEN_TYPE_DIRECT, "p:8080", "", env, "", "direct ignores all"},
      {"a.test", false, 2, "p:8080", "", env, "", "an unknown access type goes direct"},
      {"a.test", false, kProxy, "p:8080", "", noEnv, "http://p:8080", "one proxy for http"},
      {"a.test", true, kProxy, "p:8080", "", noEnv, "http://p:8080", "and for https"},
      {"a.test", true, kProxy, "http=h1:1 https=h2:2", "", noEnv, "http://h2:2", "per scheme"},
      {"a.test", false, kProxy, "http=h1:1;https=h2:2", "", noEnv, "http://h1:1", "; separates"},
      {"a.test", true, kProxy, "HTTPS=h2:2", "", noEnv, "http://h2:2", "scheme in any case"},
      {"a.test", false, kProxy, "https=h2:2", "", noEnv, "", "no entry for the scheme"},
      {"a.test", false, kProxy, "ftp=f:21 p:8080 q:9", "", noEnv, "http://p:8080",
       "the first entry without a scheme serves the rest"},
      {"a.test", false, kProxy, "socks5://s:1080", "", noEnv, "socks5://s:1080",
       "a proxy with a scheme keeps it"},
      {"a.test", false, kProxy, "p:8080", "", env, "http://p:8080", "the environment is ignored"},
      {"a.test", false, kProxy, "p:8080", "<local>;a.test", noEnv, "", "bypassed by name"},
      {"A.TEST", false, kProxy, "p:8080", "a.test", noEnv, "", "names in any case"},
      {"w.example.com", false, kProxy, "p:8080", "*.example.com", noEnv, "", "by domain"},
      {"example.com", false, kProxy, "p:8080", "*.example.com", noEnv, "", "the domain itself"},
      {"notexample.com", false, kProxy, "p:8080", "*.example.com", noEnv, "http://p:8080",
       "a suffix counts only after a dot"},
      {"a.test", false, kProxy, "p:8080", "<local>", noEnv, "http://p:8080",
       "<local> bypasses nothing here"},
      {"a.test", false, kPreconfig, "", "", env, "http://env-http:3128", "http_proxy"},
      {"a.test", true, kPreconfig, "", "", env, "http://env-https:3129", "https_proxy"},
      {"a.test", false, kPreconfig, "", "", httpsOnly, "", "no http_proxy and no all_proxy"},
      {"a.test", true, kPreconfig, "", "", allOnly, "socks5://env-all:1080", "all_proxy last"},
      {"a.test", false, INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY, "", "", env,
       "http://env-http:3128", "like PRECONFIG"},
      {"a.test", false, kPreconfig, "", "", noneAll, "", "no_proxy *"},
      {"b.internal", false, kPreconfig, "", "", noneList, "", "no_proxy domain with blanks"},
      {"example.org", false, kPreconfig, "", "", noneList, "", "no_proxy in any case"},
      {"a.test", false, kPreconfig, "", "", noneList, "http://env-http:3128", "not on no_proxy"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::wininet::ChooseProxy(c.host, c.secure, c.access, c.list, c.bypass, c.env),
              c.expected)
        << c.why << " (host " << c.host << ", list \"" << c.list << "\")";
  }
}

TEST(WininetProxyTest, TheEnvironmentIsReadLowerCaseFirstAndNeverFromHttpProxyInCapitals) {
  test::ScopedEnv http("http_proxy", std::nullopt), httpUpper("HTTP_PROXY", "cgi-header:1"),
      https("https_proxy", "lower:2"), httpsUpper("HTTPS_PROXY", "upper:2"), all("all_proxy", ""),
      allUpper("ALL_PROXY", "upper-all:3"), none("no_proxy", "lower.none"),
      noneUpper("NO_PROXY", "upper.none");
  const ProxyEnvironment env = platform::wininet::ReadProxyEnvironment();
  EXPECT_EQ(env.http, "") << "HTTP_PROXY may come from a request header under CGI";
  EXPECT_EQ(env.https, "lower:2");
  EXPECT_EQ(env.all, "upper-all:3") << "an empty lower-case variable gives way";
  EXPECT_EQ(env.none, "lower.none");
}

}  // namespace
