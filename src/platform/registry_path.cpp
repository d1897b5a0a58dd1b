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

size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t width = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + width > utf8.size()) width = 1;
    for (size_t k = 1; k < width; ++k) {
      if ((static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) width = 1;
    }
    units += width == 4 ? 2 : 1;
    i += width;
  }
  return units;
}

LONG CheckKeyPath(std::string_view canonical) {
  size_t depth = 0;
  for (size_t slash = canonical.find('\\'); slash != std::string_view::npos; ++depth) {
    size_t next = canonical.find('\\', slash + 1);
    std::string_view name = canonical.substr(
        slash + 1, next == std::string_view::npos ? std::string_view::npos : next - slash - 1);
    if (Utf16Length(name) > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    slash = next;
  }
  return depth > kMaxKeyDepth ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

LONG CheckValueName(std::string_view name) {
  return Utf16Length(name) > kMaxValueNameLength ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

}  // namespace platform::regstore
