// CP932 <-> UTF-16 at the edge of the Windows services: the program's bytes become the wide text
// the system's W calls take, and back, whatever the system's own code page is.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace platform::win32 {

// The code page the program's strings are in.
constexpr UINT kProgramCodePage = 932;

// CP932 bytes as UTF-16. A byte sequence that does not convert becomes U+FFFD; never fails.
std::wstring Wide(std::string_view ansi);
// UTF-16 as CP932 bytes. A character CP932 lacks becomes "?"; never fails.
std::string Ansi(std::wstring_view wide);

// UTF-8 as UTF-16 (malformed bytes become U+FFFD), and back.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Hands CP932 text with its zero to an ANSI caller's buffer of *size bytes. *size becomes the
// length written, counting the zero when countZero says so (GetUserName does, WinInet does not);
// a missing or short buffer gives FALSE with ERROR_INSUFFICIENT_BUFFER and the size needed, zero
// included.
BOOL CopyAnsiOut(const std::string& text, LPVOID buffer, LPDWORD size, bool countZero);

// Wide text of a caller's optional string: holds nothing for null, so c_str() gives null back.
class WideArg {
 public:
  explicit WideArg(LPCSTR text) : null_(text == nullptr), text_(text ? Wide(text) : L"") {}
  LPCWSTR get() const { return null_ ? nullptr : text_.c_str(); }

 private:
  bool null_;
  std::wstring text_;
};

}  // namespace platform::win32
