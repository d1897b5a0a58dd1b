// The machine identity sent with a signup: SHA-1 of the system's registration data and the
// logged-on user's name.
#include <cstring>

#include "net/ServerProtocol.h"
#include "net/Sha1Digest.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "res/resources.h"

namespace {

constexpr DWORD kRegistrationBuffer = 260;
constexpr DWORD kUserNameBuffer = 64;

// A REG_SZ value of at most 260 bytes; empty when missing, of another type or longer.
std::string QueryText(HKEY key, const char* name) {
  char data[kRegistrationBuffer + 1] = {};
  DWORD size = kRegistrationBuffer;
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(data), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  if (size > kRegistrationBuffer) size = kRegistrationBuffer;
  return std::string(data, strnlen(data, size));
}

}  // namespace

void ServerProtocol::ReadRegistration(std::string& productId, std::string& organization,
                                      std::string& owner) {
  productId.clear();
  organization.clear();
  owner.clear();
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  bool windows95 = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  std::string keyName = res::String(windows95 ? IDS_REGISTRATION_KEY_9X : IDS_REGISTRATION_KEY_NT);

  platform::RegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, keyName.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS) return;
  productId = QueryText(key.get(), "ProductID");
  owner = QueryText(key.get(), "RegisteredOwner");
  organization = QueryText(key.get(), "RegisteredOrganization");
}

std::string ServerProtocol::ComputeMachineId() {
  std::string userName;
  char name[kUserNameBuffer + 1] = {};
  DWORD size = kUserNameBuffer;
  if (GetUserNameA(name, &size)) userName.assign(name, strnlen(name, kUserNameBuffer));

  std::string productId, organization, owner;
  ReadRegistration(productId, organization, owner);
  return Sha1Digest::Of(productId + organization + owner + userName);
}
