// Byte-string helpers of the framework for text in the system code page (CP932).
#pragma once

#include <string>
#include <string_view>

namespace ui {

// True for a CP932 lead byte (the first byte of a two-byte character).
inline bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
// The text cut to at most `bytes` bytes without splitting a two-byte character.
std::string ClipAnsi(std::string_view text, size_t bytes);
// Comparisons that ignore the case of single-byte letters (never of trail bytes).
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// CP932 of UTF-8 resource text.
std::string AnsiFromUtf8(const char* utf8);

}  // namespace ui
