// The SQLite file behind the registry calls and regtool: keys and values in UTF-8, key paths
// written "HKEY_CURRENT_USER\Software\...", names compared without regard to ASCII case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

struct sqlite3;

namespace platform::regstore {

// The store file: SIGNUP_REGISTRY when set, else $XDG_CONFIG_HOME/signup/registry.db, else
// ~/.config/signup/registry.db. Empty when none of these can be formed.
std::string StorePath();

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

// One connection to the store file; close it by destroying it. Every operation returns
// ERROR_SUCCESS or a Win32 error code; the key and value operations run inside the current
// transaction, or each as its own one when none is open.
class Store {
 public:
  // Opens the file named by StorePath(). For reading, a missing file, a file that is not a
  // readable database or a database of another program gives ERROR_FILE_NOT_FOUND. For writing,
  // a missing file is created with mode 0600 (and its folder with 0700); a file that is not ours
  // gives ERROR_BADDB and is left untouched.
  static LONG Open(bool write, std::unique_ptr<Store>* out);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Write transactions take the write lock at once, so concurrent writers queue on the busy
  // timeout instead of failing midway; a transaction not committed is rolled back on destruction.
  LONG Begin(bool write);
  LONG Commit();
  void Rollback();

  LONG KeyExists(const std::string& path, bool* exists);
  // Creates the key and any missing parents; *created tells whether the key itself was new.
  LONG CreateKey(const std::string& path, bool* created);
  // Names of the direct subkeys, in folded-name order.
  LONG SubKeys(const std::string& path, std::vector<std::string>* names);
  // Name of the subkey at index in folded-name order; ERROR_NO_MORE_ITEMS past the end.
  LONG SubKeyAt(const std::string& path, DWORD index, std::string* name);
  // Values in the order they were first written.
  LONG Values(const std::string& path, std::vector<Value>* values);
  LONG ValueAt(const std::string& path, DWORD index, Value* value);
  // ERROR_FILE_NOT_FOUND when absent.
  LONG GetValue(const std::string& path, std::string_view name, Value* value);
  // Overwrites type and data of an existing value (keeping its name's case and its place).
  LONG SetValue(const std::string& path, const Value& value);
  // ERROR_FILE_NOT_FOUND when absent.
  LONG DeleteValue(const std::string& path, std::string_view name);
  // The key and its values, subkeys left alone (callers check there are none).
  LONG DeleteKey(const std::string& path);
  // The key, its values and its whole subtree; for a root, everything below it.
  LONG DeleteTree(const std::string& path);

 private:
  explicit Store(sqlite3* db) : db_(db) {}
  LONG Setup(bool write);
  LONG Exec(const char* sql);

  sqlite3* db_;
  bool inTransaction_ = false;
  bool writeTransaction_ = false;
};

// Tests only: called inside every write transaction just before it commits (null: none).
void SetBeforeCommitHookForTest(void (*hook)());

}  // namespace platform::regstore
