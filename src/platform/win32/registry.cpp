// Windows implementation of the registry calls in registry.h: the system's registry through its
// wide calls, with names and string data converted from and to CP932 and the sizes, types and
// codes of the ANSI calls kept.
#include "platform/registry.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_ansi.h"
#include "platform/win32/text.h"

using platform::win32::Ansi;
using platform::win32::Wide;
using platform::win32::WideArg;

namespace {

// The longest value name the registry allows, in characters, with its zero.
constexpr DWORD kMaxValueName = 16384;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The bytes an ANSI caller sees for stored data: text as CP932 with its terminating zero (or
// zeros, for REG_MULTI_SZ), anything else as stored.
std::string CallerData(DWORD type, const std::vector<BYTE>& stored) {
  if (!IsText(type)) return std::string(stored.begin(), stored.end());
  std::wstring wide(stored.size() / sizeof(wchar_t), L'\0');
  if (!wide.empty()) std::memcpy(wide.data(), stored.data(), wide.size() * sizeof(wchar_t));
  // Stored text may or may not carry its zero; the caller always gets exactly one at the end.
  while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
  std::string text = Ansi(wide);
  text.push_back('\0');
  if (type == REG_MULTI_SZ) text.push_back('\0');
  return text;
}

// Reads a value's type and stored bytes, growing the buffer while another writer grows the value.
LONG ReadStored(HKEY key, LPCWSTR name, DWORD* type, std::vector<BYTE>* data) {
  DWORD size = 0;
  LONG err = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
  while (err == ERROR_SUCCESS || err == ERROR_MORE_DATA) {
    data->resize(size);
    err = RegQueryValueExW(key, name, nullptr, type, data->data(), &size);
    if (err == ERROR_SUCCESS) {
      data->resize(size);
      return ERROR_SUCCESS;
    }
  }
  return err;
}

}  // namespace

LONG Cp932RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                       PHKEY phkResult) {
  return RegOpenKeyExW(hKey, WideArg(lpSubKey).get(), ulOptions, samDesired, phkResult);
}

LONG Cp932RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                         REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                         PHKEY phkResult, LPDWORD lpdwDisposition) {
  WideArg keyClass(lpClass);
  return RegCreateKeyExW(hKey, WideArg(lpSubKey).get(), Reserved,
                         const_cast<LPWSTR>(keyClass.get()), dwOptions, samDesired,
                         lpSecurityAttributes, phkResult, lpdwDisposition);
}

LONG Cp932RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                          LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  DWORD type = REG_NONE;
  std::vector<BYTE> stored;
  LONG err = ReadStored(hKey, WideArg(lpValueName).get(), &type, &stored);
  if (err != ERROR_SUCCESS) return err;
  if (lpType) *lpType = type;
  return platform::regansi::CopyData(CallerData(type, stored), lpData, lpcbData);
}

LONG Cp932RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                        const BYTE* lpData, DWORD cbData) {
  if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  WideArg name(lpValueName);
  if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
    return RegSetValueExW(hKey, name.get(), Reserved, dwType, lpData, cbData);
  // Text is taken up to its terminating zero or cbData bytes, and stored with its zero.
  const char* bytes = reinterpret_cast<const char*>(lpData);
  const size_t length = bytes ? strnlen(bytes, cbData) : 0;
  const std::wstring text = Wide(std::string_view(bytes ? bytes : "", length));
  return RegSetValueExW(hKey, name.get(), Reserved, dwType,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG Cp932RegDeleteValue(HKEY hKey, LPCSTR lpValueName) {
  return RegDeleteValueW(hKey, WideArg(lpValueName).get());
}

LONG Cp932RegDeleteKey(HKEY hKey, LPCSTR lpSubKey) {
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  return RegDeleteKeyW(hKey, Wide(lpSubKey).c_str());
}

LONG Cp932RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                       LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                       PFILETIME lpftLastWriteTime) {
  if (lpName == nullptr || lpcchName == nullptr) return ERROR_INVALID_PARAMETER;
  wchar_t name[256];
  DWORD length = sizeof name / sizeof name[0];
  LONG err =
      RegEnumKeyExW(hKey, dwIndex, name, &length, lpReserved, nullptr, nullptr, lpftLastWriteTime);
  if (err != ERROR_SUCCESS) return err;
  err = platform::regansi::CopyName(Ansi(std::wstring_view(name, length)), lpName, lpcchName);
  if (err != ERROR_SUCCESS) return err;
  // Keys made by the program have no class.
  if (lpClass && lpcchClass && *lpcchClass > 0) {
    *lpClass = '\0';
    *lpcchClass = 0;
  }
  return ERROR_SUCCESS;
}

LONG Cp932RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                       LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpValueName == nullptr || lpcchValueName == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<wchar_t> name(kMaxValueName);
  DWORD length = kMaxValueName;
  DWORD type = REG_NONE;
  LONG err =
      RegEnumValueW(hKey, dwIndex, name.data(), &length, lpReserved, &type, nullptr, nullptr);
  if (err != ERROR_SUCCESS) return err;
  std::vector<BYTE> stored;
  err = ReadStored(hKey, name.data(), &type, &stored);
  if (err != ERROR_SUCCESS) return err;
  err = platform::regansi::CopyName(Ansi(std::wstring_view(name.data(), length)), lpValueName,
                                    lpcchValueName);
  if (err != ERROR_SUCCESS) return err;
  if (lpType) *lpType = type;
  return platform::regansi::CopyData(CallerData(type, stored), lpData, lpcbData);
}
