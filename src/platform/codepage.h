// Conversion between the system code page (CP932) used for every string in the program and UTF-8
// used at the edges (GTK, the registry store, logs, the transcript).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// CP932 bytes to UTF-8. A byte sequence that does not convert becomes U+FFFD; never fails.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to CP932 bytes. A character CP932 lacks (or invalid UTF-8) becomes "?"; never fails.
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace platform
