// Text in the system code page (CP932): conversion to and from UTF-8 used at the edges (GTK, the
// registry store, logs, the transcript), and the byte-string helpers every layer shares.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// CP932 bytes to UTF-8. A byte sequence that does not convert becomes U+FFFD; never fails.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to CP932 bytes. A character CP932 lacks (or invalid UTF-8) becomes "?"; never fails.
std::string Utf8ToAnsi(std::string_view utf8);

// True for a CP932 lead byte (the first byte of a two-byte character). Its trail byte may look
// like an ASCII letter or a backslash, so byte-wise code must step over it.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Comparisons that ignore the case of single-byte ASCII letters. A two-byte character is compared
// whole and exactly, so a trail byte is never folded; a lead byte that ends the text has no trail
// and is compared as a single byte.
bool EqualsNoCase(std::string_view a, std::string_view b);
// True when the first prefix.size() bytes of text equal prefix in the sense of EqualsNoCase.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace platform
