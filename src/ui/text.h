// Byte-string helpers of the framework for text in the system code page (CP932).
#pragma once

#include <string>
#include <string_view>

namespace ui {

// The text cut to at most `bytes` bytes without splitting a two-byte character.
std::string ClipAnsi(std::string_view text, size_t bytes);
// CP932 of UTF-8 resource text.
std::string AnsiFromUtf8(const char* utf8);
// A caption without its "&" mnemonic markers ("&&" stays one "&"), stepping over the trail bytes
// of two-byte characters.
std::string StripAmpersands(std::string_view text);

}  // namespace ui
