// Windows implementation of the sets of values written as one (registry.h): the registry has no
// transactions the program can count on, so a set is recorded whole in one value first, then
// applied, flushed and its record deleted; a set a kill interrupted is completed from its record.
// The fault plan (registry_fault_plan.h) kills the process at, or fails, the registry calls of a
// set, for the tests of whole runs.
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_fault_plan.h"
#include "platform/win32/text.h"

namespace {

constexpr wchar_t kPendingKey[] = L"PendingSave";
constexpr wchar_t kPendingValue[] = L"Values";

long g_setsBegun = 0;

// Counts the registry calls of one set for the fault plan; Point() before each call that
// changes the registry: ERROR_SUCCESS to go on, or the error to fail it with.
class SetFaults {
 public:
  SetFaults() : set_(++g_setsBegun) {}
  LONG Point() {
    using platform::regstore::FaultPlan;
    const FaultPlan::Kind fault = platform::regstore::ProcessFaultPlan().At(set_, ++points_);
    if (fault == FaultPlan::kKill) TerminateProcess(GetCurrentProcess(), 9);
    return fault == FaultPlan::kFull ? ERROR_DISK_FULL : ERROR_SUCCESS;
  }

 private:
  long set_;
  long points_ = 0;
};

void PutNumber(std::string& out, DWORD n) { out.append(reinterpret_cast<const char*>(&n), 4); }

bool TakeNumber(std::string_view& in, DWORD* n) {
  if (in.size() < 4) return false;
  std::memcpy(n, in.data(), 4);
  in.remove_prefix(4);
  return true;
}

bool TakeBytes(std::string_view& in, std::string* out) {
  DWORD size = 0;
  if (!TakeNumber(in, &size) || in.size() < size) return false;
  out->assign(in.substr(0, size));
  in.remove_prefix(size);
  return true;
}

// The record of a set: for each value its name, type and data, each length-prefixed.
std::string Record(const std::vector<platform::RegistryValue>& values) {
  std::string out;
  for (const auto& v : values) {
    PutNumber(out, static_cast<DWORD>(v.name.size()));
    out += v.name;
    PutNumber(out, v.type);
    PutNumber(out, static_cast<DWORD>(v.data.size()));
    out += v.data;
  }
  return out;
}

bool Parse(std::string_view in, std::vector<platform::RegistryValue>* values) {
  while (!in.empty()) {
    platform::RegistryValue v;
    if (!TakeBytes(in, &v.name) || !TakeNumber(in, &v.type) || !TakeBytes(in, &v.data))
      return false;
    values->push_back(std::move(v));
  }
  return true;
}

LONG Apply(HKEY key, const std::vector<platform::RegistryValue>& values, SetFaults* faults) {
  for (const auto& v : values) {
    if (LONG err = faults ? faults->Point() : ERROR_SUCCESS; err != ERROR_SUCCESS) return err;
    // Text goes with its zero, as RegSetValueExA takes it.
    std::string data = v.data;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) data.push_back('\0');
    LONG err =
        RegSetValueExA(key, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    if (err != ERROR_SUCCESS) return err;
  }
  return RegFlushKey(key);
}

}  // namespace

LONG platform::RegSetValuesAsOne(HKEY key, const std::vector<RegistryValue>& values) {
  SetFaults faults;
  HKEY pending = nullptr;
  LONG err = faults.Point();
  if (err == ERROR_SUCCESS)
    err = RegCreateKeyExW(key, kPendingKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &pending, nullptr);
  if (err != ERROR_SUCCESS) return err;
  const std::string record = Record(values);
  err = faults.Point();
  if (err == ERROR_SUCCESS)
    err = RegSetValueExW(pending, kPendingValue, 0, REG_BINARY,
                         reinterpret_cast<const BYTE*>(record.data()),
                         static_cast<DWORD>(record.size()));
  if (err == ERROR_SUCCESS) err = RegFlushKey(pending);
  RegCloseKey(pending);
  if (err != ERROR_SUCCESS) {
    // Nothing of the set reached the key: the record goes, the key keeps its values.
    RegDeleteKeyW(key, kPendingKey);
    return err;
  }
  // From here the set is recorded: if applying it fails or is cut short, the record stays and
  // the next start completes it.
  err = Apply(key, values, &faults);
  if (err != ERROR_SUCCESS) return err;
  if (LONG e = faults.Point(); e != ERROR_SUCCESS) return e;
  RegDeleteKeyW(key, kPendingKey);
  return ERROR_SUCCESS;
}

LONG platform::RegCompleteValueSet(HKEY parent, const char* subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, subKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return ERROR_SUCCESS;
  HKEY pending = nullptr;
  LONG err = RegOpenKeyExW(key, kPendingKey, 0, KEY_QUERY_VALUE, &pending);
  if (err != ERROR_SUCCESS) {
    RegCloseKey(key);
    return ERROR_SUCCESS;
  }
  DWORD type = REG_NONE, size = 0;
  std::string record;
  err = RegQueryValueExW(pending, kPendingValue, nullptr, &type, nullptr, &size);
  if (err == ERROR_SUCCESS) {
    record.resize(size);
    err = RegQueryValueExW(pending, kPendingValue, nullptr, &type,
                           reinterpret_cast<BYTE*>(record.data()), &size);
    record.resize(size);
  }
  RegCloseKey(pending);
  std::vector<RegistryValue> values;
  // A record cut short was never complete, so none of its set reached the key.
  if (err == ERROR_SUCCESS && type == REG_BINARY && Parse(record, &values))
    err = Apply(key, values, nullptr);
  else
    err = ERROR_SUCCESS;
  if (err == ERROR_SUCCESS) RegDeleteKeyW(key, kPendingKey);
  RegCloseKey(key);
  return err;
}

std::string platform::RegistryStoreName() { return "HKEY_CURRENT_USER\\Software"; }
