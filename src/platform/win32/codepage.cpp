// Windows implementation of the CP932 <-> UTF-8 conversion in codepage.h, on
// MultiByteToWideChar and WideCharToMultiByte with code page 932 named explicitly, so that a
// Windows whose ANSI code page is another one still reads the program's text right.
#include "platform/codepage.h"

#include <cstring>

#include "platform/win32/text.h"

namespace platform {
namespace win32 {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Converts in one call when every sequence is valid in `codePage`; false otherwise.
bool ToWideStrict(UINT codePage, std::string_view in, std::wstring* out) {
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, wide.data(), n);
  *out += wide;
  return true;
}

std::string FromWide(UINT codePage, std::wstring_view in) {
  if (in.empty()) return {};
  const int size = static_cast<int>(in.size());
  // No best-fit look-alikes for CP932: a character it lacks becomes the default "?".
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = utf8 ? nullptr : "?";
  int n = WideCharToMultiByte(codePage, flags, in.data(), size, nullptr, 0, fallback, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, in.data(), size, out.data(), n, fallback, nullptr);
  return out;
}

}  // namespace

std::wstring Wide(std::string_view ansi) {
  std::wstring out;
  if (ToWideStrict(kProgramCodePage, ansi, &out)) return out;
  // Character by character, so that one bad byte costs one U+FFFD and the byte after it may
  // start a good character.
  out.clear();
  size_t i = 0;
  while (i < ansi.size()) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(ansi[i])) && i + 1 < ansi.size();
    const size_t length = lead ? 2 : 1;
    if (ToWideStrict(kProgramCodePage, ansi.substr(i, length), &out)) {
      i += length;
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

std::string Ansi(std::wstring_view wide) { return FromWide(kProgramCodePage, wide); }

std::wstring WideFromUtf8(std::string_view utf8) {
  std::wstring wide;
  if (utf8.empty()) return wide;
  const int size = static_cast<int>(utf8.size());
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (n <= 0) return wide;
  wide.resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  return wide;
}

std::string Utf8(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }

BOOL CopyAnsiOut(const std::string& text, LPVOID buffer, LPDWORD size, bool countZero) {
  const DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, text.c_str(), needed);
  *size = countZero ? needed : needed - 1;
  return TRUE;
}

}  // namespace win32

std::string AnsiToUtf8(std::string_view ansi) { return win32::Utf8(win32::Wide(ansi)); }

// Malformed UTF-8 becomes U+FFFD, which CP932 lacks: one "?" each.
std::string Utf8ToAnsi(std::string_view utf8) { return win32::Ansi(win32::WideFromUtf8(utf8)); }

}  // namespace platform
