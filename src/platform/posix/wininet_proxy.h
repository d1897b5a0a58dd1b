// The proxy choice of the WinInet calls on Linux: which proxy, if any, a request goes through, as
// a pure function of the session's proxy settings, the environment's proxy variables and the
// request's host and scheme.
#pragma once

#include <string>

#include "platform/win32.h"

namespace platform::wininet {

// The proxy variables a preconfigured session follows; each is the lower-case variable, else the
// upper-case one.
struct ProxyEnvironment {
  std::string http;   // http_proxy only: HTTP_PROXY may be set from a request header under CGI
  std::string https;  // https_proxy, HTTPS_PROXY
  std::string all;    // all_proxy, ALL_PROXY: when the scheme's own variable is empty
  std::string none;   // no_proxy, NO_PROXY: "*", host names and domain suffixes, comma-separated
};

// Reads the proxy variables of the process environment.
ProxyEnvironment ReadProxyEnvironment();

// The proxy URL for a request to host over http or https (secure), or "" to go direct.
// access_type is the session's: INTERNET_OPEN_TYPE_PROXY takes the proxy list ("host:port" for
// every scheme, or "http=host:port https=host:port") and the bypass list ("host;*.domain;<local>");
// the PRECONFIG types take env; any other type goes direct. A proxy without a scheme gets
// "http://"; a host on the bypass or no-proxy list goes direct.
std::string ChooseProxy(const std::string& host, bool secure, DWORD access_type,
                        const std::string& proxy_list, const std::string& bypass,
                        const ProxyEnvironment& env);

}  // namespace platform::wininet
