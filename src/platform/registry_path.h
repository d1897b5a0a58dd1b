// Key paths and values as the registry stores and regtool write them, the same on every system:
// paths "HKEY_CURRENT_USER\Software\...", names and text in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace platform::regstore {

// The form in which key paths and value names are compared: ASCII letters upper-cased. UTF-8 has
// no ASCII bytes inside multi-byte characters, so this never touches Japanese text (in CP932 it
// would: trail bytes can be letters).
std::string Fold(std::string_view utf8);

// Turns "HKEY_CURRENT_USER\A\B" (or HKCU / HKEY_LOCAL_MACHINE / HKLM, any case) into the
// canonical path with the root's full name. False for an unknown root or an empty component; a
// trailing backslash is allowed.
bool CanonicalKeyPath(std::string_view text, std::string* canonical);
// True for a path that is one of the predefined roots (they always exist).
bool IsRoot(std::string_view canonical);
// The predefined roots, in export order.
const std::vector<std::string>& Roots();

// The limits of the Windows registry, in UTF-16 characters as Windows counts them: a key name
// (one level of a path), a value name, and the levels of a path below its root.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyDepth = 512;

// UTF-16 characters of UTF-8 text (a byte that is no valid UTF-8 counts as one).
size_t Utf16Length(std::string_view utf8);
// ERROR_SUCCESS, or ERROR_INVALID_PARAMETER when a canonical path or a value name is beyond the
// limits above.
LONG CheckKeyPath(std::string_view canonical);
LONG CheckValueName(std::string_view name);

struct Value {
  std::string name;
  DWORD type = 0;
  // REG_SZ / REG_EXPAND_SZ: UTF-8 text without a terminating zero; other types: the bytes.
  std::string data;
};

}  // namespace platform::regstore
