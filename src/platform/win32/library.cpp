// Windows implementation of the run-time library loader in library.h: LoadLibraryW on the CP932
// name; GetProcAddress and FreeLibrary are the system's own.
#include "platform/library.h"

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/win32/text.h"

HMODULE Cp932LoadLibrary(LPCSTR lpLibFileName) {
  if (lpLibFileName == nullptr || *lpLibFileName == '\0') {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const char* file = lpLibFileName;
  // A test or a deployment may name the dial-up library to use instead of the system's.
  if (platform::EqualsNoCase(lpLibFileName, "rasapi32.dll")) {
    const char* chosen = std::getenv("SIGNUP_RASAPI32");
    if (chosen != nullptr && *chosen != '\0') file = chosen;
  }
  return LoadLibraryW(platform::win32::Wide(file).c_str());
}
