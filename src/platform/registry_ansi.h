// How the ANSI registry calls hand data and names to their callers' buffers, the same for the
// Linux and the Windows implementation of registry.h.
#pragma once

#include <string>

#include "platform/win32.h"

namespace platform::regansi {

// RegQueryValueEx's contract for lpData / lpcbData: without a buffer the size is reported; a
// buffer too small gives ERROR_MORE_DATA and the size needed.
LONG CopyData(const std::string& data, LPBYTE lpData, LPDWORD lpcbData);
// A name into a character buffer of *size (including the zero); *size becomes its length, or
// ERROR_MORE_DATA when it does not fit.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD size);

}  // namespace platform::regansi
