// What the netconfig folder offers: the system's proxy settings, read once per run for protocol
// "auto" (ProxyDiscovery, a part of the application object), and the LAN and mail-account
// dialogs (LanDetailsDialog.h, MailAccountDialog.h).
#pragma once

#include <string>

#include "settings/SignSettings.h"

class ProxyDiscovery : public virtual CSignSettings {
 public:
  ProxyDiscovery() = default;

  // Returns kConnProxyInEffect when the system proxy is switched on; host/port from ProxyServer.
  static WORD ReadSystemProxy(std::string& host, std::string& port);
  static bool ParseProxyEntry(const std::string& value, const std::string& prefix,
                              std::string& host, std::string& port);
  // With protocol "auto": the system's proxy, if one is on, becomes the effective proxy.
  void DiscoverSystemProxy();
  bool IsLanChosen(const std::string& url) const;
  // Discovers the system proxy at the first call of the run; always true.
  bool DiscoverProxyOnce();

  // While non-zero the next DiscoverProxyOnce reads the system's settings.
  int proxyDiscoveryPending = 1;
};
