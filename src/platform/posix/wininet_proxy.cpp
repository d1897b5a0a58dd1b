// The proxy choice of the WinInet calls on Linux, apart from the transfer so that it can be tested
// without a network.
#include "platform/posix/wininet_proxy.h"

#include <cstdlib>
#include <vector>

#include "platform/posix/wininet_text.h"
#include "platform/wininet.h"

namespace platform::wininet {
namespace {

std::string Env(const char* lower, const char* upper) {
  if (const char* v = std::getenv(lower); v && *v) return v;
  if (upper)
    if (const char* v = std::getenv(upper); v && *v) return v;
  return {};
}

// The items of a list between any of the separators; empty ones are left out.
std::vector<std::string> Items(const std::string& list, const char* separators) {
  std::vector<std::string> items;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find_first_of(separators, pos);
    if (end == std::string::npos) end = list.size();
    if (end > pos) items.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return items;
}

// Picks the entry for a scheme out of a WinInet proxy list: "host:port" serves every scheme,
// "http=host:port https=host:port" one each.
std::string ProxyFor(const std::string& list, bool secure) {
  std::string plain;
  for (const std::string& item : Items(list, " ;")) {
    size_t eq = item.find('=');
    if (eq == std::string::npos) {
      if (plain.empty()) plain = item;
      continue;
    }
    if (SameName(item.substr(0, eq), secure ? "https" : "http")) return item.substr(eq + 1);
  }
  return plain;
}

// WinInet bypass entries ("host;*.domain;<local>") as a comma list like no_proxy.
std::string NoProxyList(const std::string& bypass) {
  std::string out;
  for (std::string item : Items(bypass, " ;,")) {
    if (item == "<local>") continue;
    if (item.rfind("*.", 0) == 0) item.erase(0, 1);
    if (!out.empty()) out += ',';
    out += item;
  }
  return out;
}

// Whether a host is on a no-proxy list ("*", exact names, domain suffixes). The choice is made
// here, not by curl, so that the transfer knows whether a tunnel reply comes first.
bool Bypassed(const std::string& host, const std::string& list) {
  for (const std::string& entry : Items(list, ",")) {
    std::string item = Trim(entry);
    if (!item.empty() && item[0] == '.') item.erase(0, 1);
    if (item.empty()) continue;
    if (item == "*" || SameName(item, host)) return true;
    if (host.size() > item.size() && host[host.size() - item.size() - 1] == '.' &&
        SameName(std::string_view(host).substr(host.size() - item.size()), item))
      return true;
  }
  return false;
}

}  // namespace

ProxyEnvironment ReadProxyEnvironment() {
  return {Env("http_proxy", nullptr), Env("https_proxy", "HTTPS_PROXY"),
          Env("all_proxy", "ALL_PROXY"), Env("no_proxy", "NO_PROXY")};
}

std::string ChooseProxy(const std::string& host, bool secure, DWORD access_type,
                        const std::string& proxy_list, const std::string& bypass,
                        const ProxyEnvironment& env) {
  std::string proxy, noproxy;
  switch (access_type) {
    case INTERNET_OPEN_TYPE_PROXY:
      proxy = ProxyFor(proxy_list, secure);
      noproxy = NoProxyList(bypass);
      break;
    case INTERNET_OPEN_TYPE_PRECONFIG:
    case INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY:
      proxy = secure ? env.https : env.http;
      if (proxy.empty()) proxy = env.all;
      noproxy = env.none;
      break;
    default:
      break;
  }
  if (!proxy.empty() && Bypassed(host, noproxy)) proxy.clear();
  if (!proxy.empty() && proxy.find("://") == std::string::npos) proxy = "http://" + proxy;
  return proxy;
}

}  // namespace platform::wininet
