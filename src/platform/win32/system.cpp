// Windows implementation of the system services in system.h that carry text (the named mutex,
// the user name, the program's path) on the wide calls, and the Windows Sockets name lookups.
#include "platform/system.h"

#include <cstring>
#include <string>

#include "platform/win32/text.h"

HANDLE Cp932CreateMutex(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                        LPCSTR lpName) {
  platform::win32::WideArg name(lpName);
  // The system leaves ERROR_ALREADY_EXISTS or ERROR_SUCCESS, as the caller expects.
  return CreateMutexW(lpMutexAttributes, bInitialOwner, name.get());
}

BOOL Cp932GetUserName(LPSTR lpBuffer, LPDWORD pcbBuffer) {
  if (pcbBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  wchar_t name[256 + 1];
  DWORD length = sizeof name / sizeof name[0];
  if (!GetUserNameW(name, &length)) return FALSE;
  // length counts the terminating zero.
  return platform::win32::CopyAnsiOut(
      platform::win32::Ansi(std::wstring_view(name, length > 0 ? length - 1 : 0)), lpBuffer,
      pcbBuffer, true);
}

DWORD Cp932GetModuleFileName(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(hModule, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return 0;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::string ansi = platform::win32::Ansi(path);
  if (lpFilename == nullptr || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (ansi.size() >= nSize) {
    std::memcpy(lpFilename, ansi.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::memcpy(lpFilename, ansi.c_str(), ansi.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(ansi.size());
}

namespace platform {

unsigned long InetAddr(const char* cp) {
  return cp == nullptr ? INADDR_NONE : static_cast<unsigned long>(::inet_addr(cp));
}

struct hostent* GetHostByName(const char* name) {
  if (name == nullptr || *name == '\0') {
    WSASetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  return ::gethostbyname(name);
}

}  // namespace platform
