// ASCII text rules of the HTTP protocol shared by the WinInet files: header names, schemes and
// host names compared without case, and blanks trimmed from header lines.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace platform::wininet {

inline bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

inline std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  size_t e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace platform::wininet
