// The registry store that the registry calls and regtool work on: on Linux the SQLite file of the
// program's keys (posix/registry_store.cpp), on Windows the system's registry of the logged-on
// user (win32/registry_store.cpp). Key paths are written "HKEY_CURRENT_USER\Software\...", names
// and text are UTF-8, names compare without regard to ASCII case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_path.h"
#include "platform/win32.h"

namespace platform::regstore {

// What messages name as the store: on Linux the file, SIGNUP_REGISTRY when set, else
// $XDG_CONFIG_HOME/signup/registry.db, else ~/.config/signup/registry.db (empty when none of
// these can be formed); on Windows the registry itself.
std::string StorePath();

// One connection to the store; close it by destroying it. Every operation returns ERROR_SUCCESS
// or a Win32 error code. On Linux the key and value operations run inside the current transaction,
// or each as its own one when none is open. The Windows registry has no transactions: Begin,
// Commit and Rollback keep the same call pattern there, and an import is applied as it goes
// (regtool checks the whole file first).
class Store {
 public:
  // Linux: opens the file named by StorePath(). A missing or empty file is no store yet: reading
  // gives ERROR_FILE_NOT_FOUND, writing creates it with mode 0600 (and its folder with 0700). A
  // file that is there but not ours (not a regular file, not a database, a database of another
  // program) gives ERROR_BADDB and is left untouched; one that cannot be read, ERROR_ACCESS_DENIED
  // or ERROR_CANTREAD. Opened for writing, the store is made mode 0600 whatever its mode was.
  // Windows: always succeeds, the registry is there.
  static LONG Open(bool write, std::unique_ptr<Store>* out);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Write transactions take the write lock at once, so concurrent writers queue on the busy
  // timeout instead of failing midway; a transaction not committed is rolled back on destruction.
  LONG Begin(bool write);
  // Whether the commits that follow wait until the write-ahead log is on the disk (FULL), or
  // only until it reached the operating system (NORMAL, the default: a crash of the program
  // loses nothing, a power cut may lose the last moment). Set outside a transaction. Nothing to
  // set on Windows.
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
  // Values in the order they were first written (on Windows, the registry's own order).
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
  // The key, its values and its whole subtree. A root is refused (ERROR_ACCESS_DENIED): on a
  // real machine it holds far more than the program's settings.
  LONG DeleteTree(const std::string& path);

 private:
  // What the implementation keeps of its connection: the SQLite database and its transaction on
  // Linux, nothing on Windows.
  struct State;
  explicit Store(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Tests only: called inside every write transaction just before it commits (null: none).
void SetBeforeCommitHookForTest(void (*hook)());

}  // namespace platform::regstore
