// The system's registry as the store regtool works on, with the interface of the Linux store:
// key paths written "HKEY_CURRENT_USER\Software\...", names and text in UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_path.h"
#include "platform/win32.h"

namespace platform::regstore {

// What messages name as the store: the registry itself.
std::string StorePath();

// The registry of the logged-on user. Every operation returns ERROR_SUCCESS or a Win32 error
// code. The registry has no transactions: Begin, Commit and Rollback only keep the Linux store's
// call pattern, and an import is applied as it goes (regtool checks the whole file first).
class Store {
 public:
  // Always succeeds: the registry is there.
  static LONG Open(bool write, std::unique_ptr<Store>* out);
  LONG Begin(bool write) { return ERROR_SUCCESS; }
  LONG Commit() { return ERROR_SUCCESS; }
  void Rollback() {}

  LONG KeyExists(const std::string& path, bool* exists);
  // Creates the key and any missing parents; *created tells whether the key itself was new.
  LONG CreateKey(const std::string& path, bool* created);
  // Names of the direct subkeys, in folded-name order.
  LONG SubKeys(const std::string& path, std::vector<std::string>* names);
  // Name of the subkey at index in folded-name order; ERROR_NO_MORE_ITEMS past the end.
  LONG SubKeyAt(const std::string& path, DWORD index, std::string* name);
  // Values in the registry's own order.
  LONG Values(const std::string& path, std::vector<Value>* values);
  LONG ValueAt(const std::string& path, DWORD index, Value* value);
  // ERROR_FILE_NOT_FOUND when absent.
  LONG GetValue(const std::string& path, std::string_view name, Value* value);
  LONG SetValue(const std::string& path, const Value& value);
  // ERROR_FILE_NOT_FOUND when absent.
  LONG DeleteValue(const std::string& path, std::string_view name);
  // The key and its values, subkeys left alone (callers check there are none).
  LONG DeleteKey(const std::string& path);
  // The key, its values and its whole subtree. A root is refused (ERROR_ACCESS_DENIED): on a
  // real machine it holds far more than the program's settings.
  LONG DeleteTree(const std::string& path);

 private:
  Store() = default;
};

}  // namespace platform::regstore
