// The owning registry key handle, on the Reg* calls of whichever platform is built.
#include "platform/registry.h"

#include <utility>

namespace platform {

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

LONG RegistryKey::Open(HKEY parent, const char* subKey, REGSAM access) {
  Close();
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExA(parent, subKey, 0, access, &key);
  if (status == ERROR_SUCCESS) key_ = key;
  return status;
}

LONG RegistryKey::Create(HKEY parent, const char* subKey, REGSAM access, DWORD* disposition) {
  Close();
  HKEY key = nullptr;
  const LONG status = RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                      nullptr, &key, disposition);
  if (status == ERROR_SUCCESS) key_ = key;
  return status;
}

void RegistryKey::Close() {
  if (key_ != nullptr) RegCloseKey(std::exchange(key_, nullptr));
}

}  // namespace platform
