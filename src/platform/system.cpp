// The desktop proxy read from the environment, the same on every system.
#include "platform/system.h"

#include <cstdlib>
#include <string_view>

namespace platform {

bool ProxyFromEnvironment(std::string& host, std::string& port) {
  for (const char* name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    std::string_view text = value;
    if (size_t scheme = text.find("://"); scheme != std::string_view::npos)
      text.remove_prefix(scheme + 3);
    text = text.substr(0, text.find('/'));
    // Credentials may hold "@" themselves; the host follows the last one.
    if (size_t at = text.rfind('@'); at != std::string_view::npos) text.remove_prefix(at + 1);
    size_t colon = text.find(':');
    host = std::string(text.substr(0, colon));
    port = colon == std::string_view::npos ? "80" : std::string(text.substr(colon + 1));
    if (port.empty()) port = "80";
    if (!host.empty()) return true;
  }
  host.clear();
  port.clear();
  return false;
}

}  // namespace platform
