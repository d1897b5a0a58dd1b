// Windows implementation of deployment.h: the values of HKEY_LOCAL_MACHINE\Software\Orvel\Signup,
// read through the program's registry calls (a 32-bit program sees the 32-bit view, where the
// 32-bit installer writes them).
#include "platform/deployment.h"

#include "platform/registry.h"

namespace platform {
namespace {

constexpr char kKey[] = "Software\\Orvel\\Signup";

}  // namespace

DeploymentSource ReadDeploymentSource() {
  DeploymentSource source;
  source.where = std::string("HKEY_LOCAL_MACHINE\\") + kKey;
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return source;
  if (opened != ERROR_SUCCESS) {
    source.problem = DeploymentProblem::kUnreadable;
    source.detail = "the key cannot be opened (error " + std::to_string(opened) + ")";
    return source;
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name, type = 0, dataSize = 0;
    LONG err = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize);
    if (err == ERROR_NO_MORE_ITEMS) break;
    if (err != ERROR_SUCCESS && err != ERROR_MORE_DATA) continue;
    DeploymentEntry entry;
    entry.name.assign(name, nameSize);
    entry.where = source.where;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      entry.problem = DeploymentProblem::kNotText;
    } else {
      std::string data(dataSize, '\0');
      err = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(data.data()),
                             &dataSize);
      if (err != ERROR_SUCCESS) continue;
      data.resize(data.find('\0') == std::string::npos ? dataSize : data.find('\0'));
      // The installer writes every value, empty for a property it was not given.
      if (data.empty()) continue;
      entry.value = std::move(data);
    }
    source.entries.push_back(std::move(entry));
  }
  RegCloseKey(key);
  return source;
}

}  // namespace platform
