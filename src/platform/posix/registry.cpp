// The Win32 registry calls on top of the SQLite store: handles, CP932 <-> UTF-8 at the edge, and
// the Windows size and error conventions. Each call opens the store on its own, so a changed
// SIGNUP_REGISTRY or a fork between calls needs no care.
#include "platform/registry.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

#include "platform/codepage.h"
#include "platform/posix/registry_faults.h"
#include "platform/registry_store.h"
#include "platform/registry_ansi.h"

namespace rs = platform::regstore;

struct HKEY__ {
  std::string path;  // canonical UTF-8 path, "HKEY_CURRENT_USER\..."
  REGSAM access;
};

namespace {

std::mutex g_handlesMutex;
std::unordered_set<HKEY>& OpenHandles() {
  static std::unordered_set<HKEY> handles;
  return handles;
}

// The key behind a handle, or false for a handle that is not open.
bool Resolve(HKEY key, std::string* path, REGSAM* access) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
    *path = key == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    *access = KEY_ALL_ACCESS;
    return true;
  }
  std::lock_guard lock(g_handlesMutex);
  if (!OpenHandles().count(key)) return false;
  *path = key->path;
  *access = key->access;
  return true;
}

HKEY NewHandle(const std::string& path, REGSAM access) {
  HKEY key = new HKEY__{path, access};
  std::lock_guard lock(g_handlesMutex);
  OpenHandles().insert(key);
  return key;
}

// path + "\" + subKey (CP932), split at backslashes after conversion: a CP932 trail byte can be
// 0x5C and must not split a name.
LONG Join(const std::string& path, LPCSTR subKey, std::string* out) {
  *out = path;
  if (subKey == nullptr || *subKey == '\0') return ERROR_SUCCESS;
  std::string rest = platform::AnsiToUtf8(subKey);
  size_t start = 0;
  while (start < rest.size()) {
    size_t slash = rest.find('\\', start);
    if (slash == start) return ERROR_BAD_PATHNAME;
    size_t end = slash == std::string::npos ? rest.size() : slash;
    *out += '\\';
    out->append(rest, start, end - start);
    start = slash == std::string::npos ? rest.size() : slash + 1;
  }
  return ERROR_SUCCESS;
}

std::string ValueName(LPCSTR name) { return name ? platform::AnsiToUtf8(name) : std::string(); }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The bytes a caller sees: text in CP932 with its terminating zero, anything else as stored.
std::string CallerData(const rs::Value& v) {
  if (!IsText(v.type)) return v.data;
  std::string text = platform::Utf8ToAnsi(v.data);
  text.push_back('\0');
  return text;
}

// Runs fn(store) in one write transaction of an open store; a key that vanished meanwhile gives
// ERROR_KEY_DELETED.
template <typename Fn>
LONG WriteInOpenStore(rs::Store& store, const std::string& path, Fn fn) {
  LONG err = store.Begin(true);
  if (err != ERROR_SUCCESS) return err;
  bool exists = false;
  err = store.KeyExists(path, &exists);
  if (err != ERROR_SUCCESS) return err;
  if (!exists) return ERROR_KEY_DELETED;
  err = fn(store);
  if (err != ERROR_SUCCESS) return err;
  return store.Commit();
}

template <typename Fn>
LONG WriteInKey(const std::string& path, Fn fn) {
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(true, &store);
  if (err != ERROR_SUCCESS) return err;
  return WriteInOpenStore(*store, path, fn);
}

// Opens the store for a read on an existing key. *store stays null when there is no store at all,
// which reads treat as an empty registry.
LONG OpenForRead(const std::string& path, std::unique_ptr<rs::Store>* store) {
  LONG err = rs::Store::Open(false, store);
  if (err == ERROR_FILE_NOT_FOUND) return rs::IsRoot(path) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  return err;
}

// After a read found nothing: was it the value, or the key itself?
LONG MissingOr(rs::Store& store, const std::string& path, LONG err) {
  bool exists = true;
  if (store.KeyExists(path, &exists) == ERROR_SUCCESS && !exists) return ERROR_KEY_DELETED;
  return err;
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::string base;
  REGSAM access;
  if (!Resolve(hKey, &base, &access)) return ERROR_INVALID_HANDLE;
  std::string path;
  LONG err = Join(base, lpSubKey, &path);
  if (err != ERROR_SUCCESS) return err;
  std::unique_ptr<rs::Store> store;
  err = rs::Store::Open(false, &store);
  bool exists = rs::IsRoot(path);
  if (err == ERROR_SUCCESS) {
    err = store->KeyExists(path, &exists);
    if (err != ERROR_SUCCESS) return err;
  } else if (err != ERROR_FILE_NOT_FOUND) {
    return err;
  }
  if (!exists) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewHandle(path, samDesired);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                     const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::string base;
  REGSAM access;
  if (!Resolve(hKey, &base, &access)) return ERROR_INVALID_HANDLE;
  std::string path;
  LONG err = Join(base, lpSubKey, &path);
  if (err != ERROR_SUCCESS) return err;
  bool created = false;
  err = WriteInKey(base, [&](rs::Store& store) {
    bool exists = false;
    LONG e = store.KeyExists(path, &exists);
    if (e != ERROR_SUCCESS || exists) return e;
    if (!(access & KEY_CREATE_SUB_KEY)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return store.CreateKey(path, &created);
  });
  if (err != ERROR_SUCCESS) return err;
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = NewHandle(path, samDesired);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
  std::string path;
  REGSAM access;
  if (!Resolve(hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  std::unique_ptr<rs::Store> store;
  LONG err = OpenForRead(path, &store);
  if (err != ERROR_SUCCESS) return err;
  if (!store) return ERROR_FILE_NOT_FOUND;
  rs::Value value;
  err = store->GetValue(path, ValueName(lpValueName), &value);
  if (err == ERROR_FILE_NOT_FOUND) return MissingOr(*store, path, err);
  if (err != ERROR_SUCCESS) return err;
  if (lpType) *lpType = value.type;
  return platform::regansi::CopyData(CallerData(value), lpData, lpcbData);
}

namespace {

// A value as the store keeps it: text up to its zero in UTF-8, anything else byte for byte.
rs::Value StoredValue(LPCSTR name, DWORD type, const char* bytes, DWORD size) {
  rs::Value value{ValueName(name), type, {}};
  if (IsText(type)) {
    size_t len = bytes ? strnlen(bytes, size) : 0;
    value.data = platform::AnsiToUtf8(std::string_view(bytes ? bytes : "", len));
  } else if (size) {
    value.data.assign(bytes, size);
  }
  return value;
}

}  // namespace

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
  std::string path;
  REGSAM access;
  if (!Resolve(hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  rs::Value value = StoredValue(lpValueName, dwType, reinterpret_cast<const char*>(lpData), cbData);
  return WriteInKey(path, [&](rs::Store& store) { return store.SetValue(path, value); });
}

LONG platform::RegSetValuesAsOne(HKEY key, const std::vector<RegistryValue>& values) {
  std::string path;
  REGSAM access;
  if (!Resolve(key, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::vector<rs::Value> stored;
  for (const RegistryValue& v : values)
    stored.push_back(
        StoredValue(v.name.c_str(), v.type, v.data.data(), static_cast<DWORD>(v.data.size())));
  rs::ValueSetScope set;
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(true, &store);
  if (err != ERROR_SUCCESS) return err;
  // One transaction, synced at its commit: the values of this set are the ones that matter.
  err = store->SetDurable(true);
  if (err == ERROR_SUCCESS) {
    err = WriteInOpenStore(*store, path, [&](rs::Store& s) {
      for (const rs::Value& v : stored)
        if (LONG e = s.SetValue(path, v); e != ERROR_SUCCESS) return e;
      return static_cast<LONG>(ERROR_SUCCESS);
    });
  }
  store->SetDurable(false);
  return err;
}

LONG platform::RegCompleteValueSet(HKEY, const char*) { return ERROR_SUCCESS; }

std::string platform::RegistryStoreName() { return platform::Utf8ToAnsi(rs::StorePath()); }

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::string path;
  REGSAM access;
  if (!Resolve(hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::unique_ptr<rs::Store> probe;
  // Nothing to delete without a store: do not create one for that.
  LONG err = OpenForRead(path, &probe);
  if (err != ERROR_SUCCESS) return err;
  if (!probe) return ERROR_FILE_NOT_FOUND;
  probe.reset();
  std::string name = ValueName(lpValueName);
  return WriteInKey(path, [&](rs::Store& store) { return store.DeleteValue(path, name); });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  std::string base;
  REGSAM access;
  if (!Resolve(hKey, &base, &access)) return ERROR_INVALID_HANDLE;
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  std::string path;
  LONG err = Join(base, lpSubKey, &path);
  if (err != ERROR_SUCCESS) return err;
  if (rs::IsRoot(path)) return ERROR_ACCESS_DENIED;
  std::unique_ptr<rs::Store> probe;
  err = rs::Store::Open(false, &probe);
  if (err != ERROR_SUCCESS) return err;
  probe.reset();
  return WriteInKey(base, [&](rs::Store& store) {
    bool exists = false;
    LONG e = store.KeyExists(path, &exists);
    if (e != ERROR_SUCCESS) return e;
    if (!exists) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    std::string first;
    e = store.SubKeyAt(path, 0, &first);
    if (e == ERROR_SUCCESS) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (e != ERROR_NO_MORE_ITEMS) return e;
    return store.DeleteKey(path);
  });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                   LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  std::string path;
  REGSAM access;
  if (!Resolve(hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (lpName == nullptr || lpcchName == nullptr) return ERROR_INVALID_PARAMETER;
  std::unique_ptr<rs::Store> store;
  LONG err = OpenForRead(path, &store);
  if (err != ERROR_SUCCESS) return err;
  if (!store) return ERROR_NO_MORE_ITEMS;
  std::string name;
  err = store->SubKeyAt(path, dwIndex, &name);
  if (err == ERROR_NO_MORE_ITEMS) return MissingOr(*store, path, err);
  if (err != ERROR_SUCCESS) return err;
  err = platform::regansi::CopyName(platform::Utf8ToAnsi(name), lpName, lpcchName);
  if (err != ERROR_SUCCESS) return err;
  if (lpClass && lpcchClass && *lpcchClass > 0) {
    *lpClass = '\0';
    *lpcchClass = 0;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  std::string path;
  REGSAM access;
  if (!Resolve(hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (lpValueName == nullptr || lpcchValueName == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  std::unique_ptr<rs::Store> store;
  LONG err = OpenForRead(path, &store);
  if (err != ERROR_SUCCESS) return err;
  if (!store) return ERROR_NO_MORE_ITEMS;
  rs::Value value;
  err = store->ValueAt(path, dwIndex, &value);
  if (err == ERROR_NO_MORE_ITEMS) return MissingOr(*store, path, err);
  if (err != ERROR_SUCCESS) return err;
  err = platform::regansi::CopyName(platform::Utf8ToAnsi(value.name), lpValueName, lpcchValueName);
  if (err != ERROR_SUCCESS) return err;
  if (lpType) *lpType = value.type;
  return platform::regansi::CopyData(CallerData(value), lpData, lpcbData);
}

LONG RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  {
    std::lock_guard lock(g_handlesMutex);
    if (OpenHandles().erase(hKey) == 0) return ERROR_INVALID_HANDLE;
  }
  delete hKey;
  return ERROR_SUCCESS;
}
