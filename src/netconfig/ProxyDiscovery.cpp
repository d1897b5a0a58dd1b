// System proxy discovery: the proxy settings of the system's Internet options (or, where the
// store has none, the desktop's proxy variables) for protocol "auto", and the LAN test.
#include <cstdlib>
#include <cstring>

#include "netconfig/ProxyDiscovery.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr DWORD kProxyServerBuffer = 260;

}  // namespace

bool ProxyDiscovery::ParseProxyEntry(const std::string& value, const std::string& prefix,
                                     std::string& host, std::string& port) {
  if (value.empty()) return false;
  std::string rest = value;
  if (!prefix.empty()) {
    size_t at = value.find(prefix);
    if (at == std::string::npos) return false;
    rest = value.substr(at + prefix.size());
  }
  // The entry ends at the next ";": a later entry's host or port is not this one's.
  rest = rest.substr(0, rest.find(';'));
  size_t colon = rest.find(':');
  if (colon == std::string::npos) {
    host = rest;
    port = "80";
    return true;
  }
  host = rest.substr(0, colon);
  port = rest.substr(colon + 1);
  port = port.substr(0, port.find(' '));
  return true;
}

WORD ProxyDiscovery::ReadSystemProxy(std::string& host, std::string& port) {
  host.clear();
  port.clear();
  platform::RegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, kInternetSettings, KEY_QUERY_VALUE) != ERROR_SUCCESS)
    return platform::ProxyFromEnvironment(host, port) ? kConnProxyInEffect : 0;

  WORD flags = 0;
  DWORD enable = 0;
  DWORD size = sizeof(enable);
  DWORD type = REG_NONE;
  LONG enableStatus = RegQueryValueExA(key.get(), "ProxyEnable", nullptr, &type,
                                       reinterpret_cast<LPBYTE>(&enable), &size);
  if (enableStatus == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(enable) && (enable & 1))
    flags = kConnProxyInEffect;

  char server[kProxyServerBuffer + 2] = {};
  size = kProxyServerBuffer;
  type = REG_NONE;
  LONG serverStatus = RegQueryValueExA(key.get(), "ProxyServer", nullptr, &type,
                                       reinterpret_cast<LPBYTE>(server), &size);
  if (serverStatus == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::string text(server,
                     strnlen(server, size < kProxyServerBuffer ? size : kProxyServerBuffer));
    if (!ParseProxyEntry(text, "https=", host, port) && !ParseProxyEntry(text, "http=", host, port))
      ParseProxyEntry(text, "", host, port);
  }

  // Values in the store decide; a store without them leaves it to the desktop's settings.
  if (enableStatus == ERROR_FILE_NOT_FOUND && serverStatus == ERROR_FILE_NOT_FOUND)
    return platform::ProxyFromEnvironment(host, port) ? kConnProxyInEffect : 0;
  return flags;
}

void ProxyDiscovery::DiscoverSystemProxy() {
  if (!(connectionFlags & kConnProtocolAuto)) return;
  std::string host, port;
  WORD found = ReadSystemProxy(host, port);
  if ((found & kConnProxyInEffect) && !host.empty()) {
    connectionFlags |= kConnTcp | kConnProxyInEffect;
    effectiveProxyHost = host;
    effectiveProxyPort = port;
  } else {
    connectionFlags &= static_cast<uint16_t>(~kConnProxyInEffect);
    connectionFlags |= kConnTcp;
  }
}

bool ProxyDiscovery::IsLanChosen(const std::string& url) const {
  return (connectionFlags & kConnLan) != 0;
}

bool ProxyDiscovery::DiscoverProxyOnce() {
  if (proxyDiscoveryPending != 0) {
    DiscoverSystemProxy();
    proxyDiscoveryPending = 0;
  }
  return true;
}
