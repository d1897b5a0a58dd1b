// The registry store of regtool on Windows (see registry_store.h): the system's registry through
// its wide calls.
#include "platform/registry_store.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/win32/text.h"

namespace platform::regstore {
namespace {

using win32::Utf8;
using win32::WideFromUtf8;

struct RootName {
  const char* name;
  HKEY key;
};
const RootName kRoots[] = {{"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                           {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}};

// The root handle and the subkey path (wide, without the root) of a canonical path.
HKEY Split(const std::string& path, std::wstring* subKey) {
  const size_t slash = path.find('\\');
  const std::string root = path.substr(0, slash);
  *subKey = slash == std::string::npos ? std::wstring() : WideFromUtf8(path.substr(slash + 1));
  for (const RootName& r : kRoots)
    if (root == r.name) return r.key;
  return nullptr;
}

// A key of a canonical path opened with the wide call, closed on scope exit.
class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  LONG Open(const std::string& path, REGSAM access) {
    std::wstring subKey;
    HKEY root = Split(path, &subKey);
    if (root == nullptr) return ERROR_BAD_PATHNAME;
    return RegOpenKeyExW(root, subKey.c_str(), 0, access, &key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

Value FromStored(std::wstring_view name, DWORD type, const std::vector<BYTE>& stored) {
  Value v{Utf8(name), type, {}};
  if (IsText(type)) {
    std::wstring text(stored.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), stored.data(), text.size() * sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    v.data = Utf8(text);
  } else {
    v.data.assign(stored.begin(), stored.end());
  }
  return v;
}

LONG ReadValue(HKEY key, const std::wstring& name, Value* value) {
  DWORD type = REG_NONE, size = 0;
  LONG err = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data;
  while (err == ERROR_SUCCESS || err == ERROR_MORE_DATA) {
    data.resize(size);
    err = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (err == ERROR_SUCCESS) {
      data.resize(size);
      *value = FromStored(name, type, data);
      return ERROR_SUCCESS;
    }
  }
  return err;
}

std::atomic<void (*)()> g_beforeCommitHook{nullptr};

}  // namespace

// The registry needs no connection; only whether a write is under way, for the test hook.
struct Store::State {
  bool writeTransaction = false;
};

std::string StorePath() { return "(the registry of the logged-on user)"; }

void SetBeforeCommitHookForTest(void (*hook)()) { g_beforeCommitHook = hook; }

LONG Store::Open(bool, std::unique_ptr<Store>* out) {
  out->reset(new Store(std::make_unique<State>()));
  return ERROR_SUCCESS;
}

Store::Store(std::unique_ptr<State> state) : state_(std::move(state)) {}
Store::~Store() = default;

LONG Store::Begin(bool write) {
  state_->writeTransaction = write;
  return ERROR_SUCCESS;
}

LONG Store::SetDurable(bool) { return ERROR_SUCCESS; }

LONG Store::Commit() {
  if (auto hook = g_beforeCommitHook.load(); hook && state_->writeTransaction) hook();
  state_->writeTransaction = false;
  return ERROR_SUCCESS;
}

void Store::Rollback() { state_->writeTransaction = false; }

LONG Store::KeyExists(const std::string& path, bool* exists) {
  OpenKey key;
  LONG err = key.Open(path, KEY_READ);
  *exists = err == ERROR_SUCCESS;
  return err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : err;
}

LONG Store::CreateKey(const std::string& path, bool* created) {
  std::wstring subKey;
  HKEY root = Split(path, &subKey);
  if (root == nullptr) return ERROR_BAD_PATHNAME;
  if (subKey.empty()) {
    *created = false;
    return ERROR_SUCCESS;
  }
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG err = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_WRITE, nullptr, &key, &disposition);
  if (err != ERROR_SUCCESS) return err;
  RegCloseKey(key);
  *created = disposition == REG_CREATED_NEW_KEY;
  return ERROR_SUCCESS;
}

LONG Store::SubKeys(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  OpenKey key;
  LONG err = key.Open(path, KEY_READ);
  if (err != ERROR_SUCCESS) return err;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = sizeof name / sizeof name[0];
    err = RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (err == ERROR_NO_MORE_ITEMS) break;
    if (err != ERROR_SUCCESS) return err;
    names->push_back(Utf8(std::wstring_view(name, length)));
  }
  std::stable_sort(names->begin(), names->end(),
                   [](const std::string& a, const std::string& b) { return Fold(a) < Fold(b); });
  return ERROR_SUCCESS;
}

LONG Store::SubKeyAt(const std::string& path, DWORD index, std::string* name) {
  std::vector<std::string> names;
  LONG err = SubKeys(path, &names);
  if (err != ERROR_SUCCESS) return err;
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  *name = names[index];
  return ERROR_SUCCESS;
}

LONG Store::Values(const std::string& path, std::vector<Value>* values) {
  values->clear();
  for (DWORD i = 0;; ++i) {
    Value v;
    LONG err = ValueAt(path, i, &v);
    if (err == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (err != ERROR_SUCCESS) return err;
    values->push_back(std::move(v));
  }
}

LONG Store::ValueAt(const std::string& path, DWORD index, Value* value) {
  OpenKey key;
  LONG err = key.Open(path, KEY_READ);
  if (err != ERROR_SUCCESS) return err;
  std::vector<wchar_t> name(16384);
  DWORD length = static_cast<DWORD>(name.size());
  err = RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (err != ERROR_SUCCESS) return err;
  return ReadValue(key.get(), std::wstring(name.data(), length), value);
}

LONG Store::GetValue(const std::string& path, std::string_view name, Value* value) {
  OpenKey key;
  LONG err = key.Open(path, KEY_READ);
  if (err != ERROR_SUCCESS) return err;
  return ReadValue(key.get(), WideFromUtf8(name), value);
}

LONG Store::SetValue(const std::string& path, const Value& value) {
  OpenKey key;
  LONG err = key.Open(path, KEY_SET_VALUE);
  if (err != ERROR_SUCCESS) return err;
  const std::wstring name = WideFromUtf8(value.name);
  if (!IsText(value.type)) {
    return RegSetValueExW(key.get(), name.c_str(), 0, value.type,
                          reinterpret_cast<const BYTE*>(value.data.data()),
                          static_cast<DWORD>(value.data.size()));
  }
  const std::wstring text = WideFromUtf8(value.data);
  return RegSetValueExW(key.get(), name.c_str(), 0, value.type,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG Store::DeleteValue(const std::string& path, std::string_view name) {
  OpenKey key;
  LONG err = key.Open(path, KEY_SET_VALUE);
  if (err != ERROR_SUCCESS) return err;
  return RegDeleteValueW(key.get(), WideFromUtf8(name).c_str());
}

LONG Store::DeleteKey(const std::string& path) {
  std::wstring subKey;
  HKEY root = Split(path, &subKey);
  if (root == nullptr) return ERROR_BAD_PATHNAME;
  if (subKey.empty()) return ERROR_ACCESS_DENIED;
  return RegDeleteKeyW(root, subKey.c_str());
}

LONG Store::DeleteTree(const std::string& path) {
  std::wstring subKey;
  HKEY root = Split(path, &subKey);
  if (root == nullptr) return ERROR_BAD_PATHNAME;
  if (subKey.empty()) return ERROR_ACCESS_DENIED;
  LONG err = RegDeleteTreeW(root, subKey.c_str());
  if (err != ERROR_SUCCESS) return err;
  // Some systems leave the emptied key itself in place.
  err = RegDeleteKeyW(root, subKey.c_str());
  return err == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : err;
}

}  // namespace platform::regstore
