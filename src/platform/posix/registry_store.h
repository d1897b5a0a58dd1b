// The SQLite file behind the registry calls and regtool: keys and values in UTF-8, key paths
// written "HKEY_CURRENT_USER\Software\...", names compared without regard to ASCII case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_path.h"
#include "platform/win32.h"

struct sqlite3;

namespace platform::regstore {

struct StoreConnection;

// The store file: SIGNUP_REGISTRY when set, else $XDG_CONFIG_HOME/signup/registry.db, else
// ~/.config/signup/registry.db. Empty when none of these can be formed.
std::string StorePath();

// One connection to the store file; close it by destroying it. Every operation returns
// ERROR_SUCCESS or a Win32 error code; the key and value operations run inside the current
// transaction, or each as its own one when none is open.
class Store {
 public:
  // Opens the file named by StorePath(). A missing or empty file is no store yet: reading gives
  // ERROR_FILE_NOT_FOUND, writing creates it with mode 0600 (and its folder with 0700). A file
  // that is there but not ours (not a regular file, not a database, a database of another
  // program) gives ERROR_BADDB and is left untouched; one that cannot be read, ERROR_ACCESS_DENIED
  // or ERROR_CANTREAD. Opened for writing, the store is made mode 0600 whatever its mode was.
  static LONG Open(bool write, std::unique_ptr<Store>* out);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Write transactions take the write lock at once, so concurrent writers queue on the busy
  // timeout instead of failing midway; a transaction not committed is rolled back on destruction.
  LONG Begin(bool write);
  // Whether the commits that follow wait until the write-ahead log is on the disk (FULL), or
  // only until it reached the operating system (NORMAL, the default: a crash of the program
  // loses nothing, a power cut may lose the last moment). Set outside a transaction.
  LONG SetDurable(bool durable);
  LONG Commit();
  void Rollback();

  LONG KeyExists(const std::string& path, bool* exists);
  // Creates the key and any missing parents; *created tells whether the key itself was new.
  // ERROR_INVALID_PARAMETER, with nothing created, for a path beyond the limits.
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
  // Writes a value, or overwrites type and data of an existing one (keeping its name's case and
  // its place). ERROR_INVALID_PARAMETER for a name beyond the limit.
  LONG SetValue(const std::string& path, const Value& value);
  // ERROR_FILE_NOT_FOUND when absent.
  LONG DeleteValue(const std::string& path, std::string_view name);
  // The key and its values, subkeys left alone (callers check there are none).
  LONG DeleteKey(const std::string& path);
  // The key, its values and its whole subtree; ERROR_ACCESS_DENIED for a root.
  LONG DeleteTree(const std::string& path);

 private:
  explicit Store(std::shared_ptr<StoreConnection> connection);
  LONG Setup(bool write);
  LONG Exec(const char* sql);

  // Shared with the thread's cache of connections, and kept open while this store lives even
  // when the cache moves on to another file.
  std::shared_ptr<StoreConnection> connection_;
  sqlite3* db_;
  bool inTransaction_ = false;
  bool writeTransaction_ = false;
};

// Tests only: called inside every write transaction just before it commits (null: none).
void SetBeforeCommitHookForTest(void (*hook)());

}  // namespace platform::regstore
