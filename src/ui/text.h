// Byte-string helpers of the framework for text in the system code page (CP932).
#pragma once

#include <string>
#include <string_view>

namespace ui {

// The text cut to at most `bytes` bytes without splitting a two-byte character.
std::string ClipAnsi(std::string_view text, size_t bytes);
// CP932 of UTF-8 resource text.
std::string AnsiFromUtf8(const char* utf8);

}  // namespace ui
