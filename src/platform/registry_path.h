// Key paths and values as the registry stores and regtool write them, the same on every system:
// paths "HKEY_CURRENT_USER\Software\...", names and text in UTF-8.
#pragma once

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

struct Value {
  std::string name;
  DWORD type = 0;
  // REG_SZ / REG_EXPAND_SZ: UTF-8 text without a terminating zero; other types: the bytes.
  std::string data;
};

}  // namespace platform::regstore
