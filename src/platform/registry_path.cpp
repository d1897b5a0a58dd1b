// Key paths of the registry stores and regtool, the same on every system.
#include "platform/registry_path.h"

namespace platform::regstore {

std::string Fold(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

const std::vector<std::string>& Roots() {
  static const std::vector<std::string> roots = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
  return roots;
}

bool IsRoot(std::string_view canonical) { return canonical.find('\\') == std::string_view::npos; }

bool CanonicalKeyPath(std::string_view text, std::string* canonical) {
  size_t slash = text.find('\\');
  std::string root = Fold(text.substr(0, slash));
  if (root == "HKCU") root = "HKEY_CURRENT_USER";
  if (root == "HKLM") root = "HKEY_LOCAL_MACHINE";
  if (root != "HKEY_CURRENT_USER" && root != "HKEY_LOCAL_MACHINE") return false;
  std::string out = root;
  while (slash != std::string_view::npos) {
    size_t next = text.find('\\', slash + 1);
    std::string_view part = text.substr(
        slash + 1, next == std::string_view::npos ? std::string_view::npos : next - slash - 1);
    if (part.empty()) {
      if (next != std::string_view::npos) return false;
      break;
    }
    out += '\\';
    out += part;
    slash = next;
  }
  *canonical = out;
  return true;
}

}  // namespace platform::regstore
