// The ANSI registry calls' buffer rules, shared by both implementations of registry.h.
#include "platform/registry_ansi.h"

#include <cstring>

namespace platform::regansi {

LONG CopyData(const std::string& data, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpcbData == nullptr) return lpData == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  const DWORD needed = static_cast<DWORD>(data.size());
  if (lpData == nullptr) {
    *lpcbData = needed;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < needed) {
    *lpcbData = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(lpData, data.data(), needed);
  *lpcbData = needed;
  return ERROR_SUCCESS;
}

LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (buffer == nullptr || size == nullptr) return ERROR_INVALID_PARAMETER;
  if (*size <= name.size()) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

}  // namespace platform::regansi
