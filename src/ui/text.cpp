// Byte-string helpers for text in the system code page.
#include "ui/text.h"

#include "platform/codepage.h"

namespace ui {

std::string ClipAnsi(std::string_view text, size_t bytes) {
  size_t i = 0;
  while (i < text.size()) {
    size_t step = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + step > bytes) break;
    i += step;
  }
  return std::string(text.substr(0, i));
}

namespace {
unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

// Compares the first n bytes of a and b, folding only single-byte letters.
bool EqualPrefix(std::string_view a, std::string_view b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(ca)) {
      if (ca != cb || i + 1 >= n || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (Fold(ca) != Fold(cb)) return false;
  }
  return true;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && EqualPrefix(a, b, a.size());
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualPrefix(text, prefix, prefix.size());
}

std::string AnsiFromUtf8(const char* utf8) {
  return utf8 != nullptr ? platform::Utf8ToAnsi(utf8) : std::string();
}

}  // namespace ui
