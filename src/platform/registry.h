// The registry calls the program makes (settings, Internet settings, machine registration), with
// the Win32 signatures, constants and error codes. On Windows they are the system's registry; on
// Linux the keys live in one SQLite file per
// user (SIGNUP_REGISTRY, else $XDG_CONFIG_HOME/signup/registry.db); names and string data cross
// this interface as CP932 bytes and are kept as UTF-8 in the store.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/win32.h"

#ifndef _WIN32

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;

// Predefined roots: always open, never closed (RegCloseKey on them is a harmless no-op).
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)((LONG)0x80000002))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F

// Every call returns ERROR_SUCCESS or a Win32 error code (it does not touch GetLastError):
//   ERROR_INVALID_HANDLE     hKey is not an open key;
//   ERROR_FILE_NOT_FOUND     the key or value does not exist (also: no store file yet, or an
//                            empty one);
//   ERROR_ACCESS_DENIED      the handle lacks the access right, RegDeleteKeyA on a key with
//                            subkeys or on a root, or a store file this user may not read;
//   ERROR_KEY_DELETED        the key behind hKey has been deleted meanwhile;
//   ERROR_MORE_DATA          a buffer is too small (the size out-parameter gives what is needed);
//   ERROR_INVALID_PARAMETER  a key name beyond 255 characters, a path beyond 512 levels or a
//                            value name beyond 16,383 characters (nothing is written);
//   ERROR_BADDB              any call, read or write, on a store file that is not a registry
//                            database of this program (the file is left as it is);
//   ERROR_CANTREAD / ERROR_CANTOPEN / ERROR_CANTWRITE  the store cannot be read, created or
//                            written.

// Opens an existing key below hKey (empty or null lpSubKey: a new handle to hKey itself).
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);

// Opens or creates the key (and missing keys on the way); *lpdwDisposition, when given, tells
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. Class, options and security are ignored.
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                     PHKEY phkResult, LPDWORD lpdwDisposition);

// Reads a value (null or empty name: the key's default value). With lpData null the size is
// reported in *lpcbData; a buffer smaller than the value gives ERROR_MORE_DATA and the needed
// size. REG_SZ and REG_EXPAND_SZ come back as CP932 text, sizes counting the terminating zero.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData);

// Writes a value in one transaction. REG_SZ and REG_EXPAND_SZ data is CP932 text, taken up to its
// terminating zero or cbData bytes; other types are kept byte for byte.
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

// Deletes the key and its values; fails with ERROR_ACCESS_DENIED while it has subkeys.
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);

// Subkeys in case-insensitive name order. *lpcchName: buffer size in, name length (without the
// zero) out. ERROR_NO_MORE_ITEMS past the last one. Class and time are reported empty and zero.
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);

// Values in the order they were first written; name and data sizes as for RegEnumKeyExA and
// RegQueryValueExA.
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

LONG RegCloseKey(HKEY hKey);

#else

// Names and string data cross these calls as CP932 bytes whatever the system's code page; the
// Windows build implements them on the wide calls, with the sizes and codes of the ANSI ones.
LONG Cp932RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                       PHKEY phkResult);
LONG Cp932RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                         REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                         PHKEY phkResult, LPDWORD lpdwDisposition);
LONG Cp932RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                          LPBYTE lpData, LPDWORD lpcbData);
LONG Cp932RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                        const BYTE* lpData, DWORD cbData);
LONG Cp932RegDeleteValue(HKEY hKey, LPCSTR lpValueName);
LONG Cp932RegDeleteKey(HKEY hKey, LPCSTR lpSubKey);
LONG Cp932RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                       LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                       PFILETIME lpftLastWriteTime);
LONG Cp932RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                       LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
#define RegOpenKeyExA Cp932RegOpenKeyEx
#define RegCreateKeyExA Cp932RegCreateKeyEx
#define RegQueryValueExA Cp932RegQueryValueEx
#define RegSetValueExA Cp932RegSetValueEx
#define RegDeleteValueA Cp932RegDeleteValue
#define RegDeleteKeyA Cp932RegDeleteKey
#define RegEnumKeyExA Cp932RegEnumKeyEx
#define RegEnumValueA Cp932RegEnumValue

#endif

namespace platform {

// One value of a set that RegSetValuesAsOne writes: name and data as RegSetValueExA takes them
// (text in CP932, without its terminating zero).
struct RegistryValue {
  std::string name;
  DWORD type = REG_SZ;
  std::string data;
};

// Writes every value of `values` into the open key as one unit and waits until it is on the
// disk: afterwards the key holds all of them, and a failure, a kill or a power cut in the middle
// leaves either all of them or none. Linux: one transaction of the store, committed with a sync.
// Windows: the set is first recorded whole in the key's subkey "PendingSave" (one value, written
// at once), then applied and flushed (RegFlushKey), then the record is deleted; a set that a
// kill interrupted is completed by RegCompleteValueSet. Returns ERROR_SUCCESS or the error of the
// write that failed (the key's values are then as they were, or, on Windows, completed later).
// The settings' saves call it.
LONG RegSetValuesAsOne(HKEY key, const std::vector<RegistryValue>& values);
// Completes a set that RegSetValuesAsOne began under parent\subKey and a kill interrupted
// (Windows; nothing to do on Linux, where the store rolls an unfinished one back). The
// framework calls it before it first reads a profile key. ERROR_SUCCESS when nothing was pending.
LONG RegCompleteValueSet(HKEY parent, const char* subKey);
// Where the per-user settings are kept, as a message names it (CP932): the store file on Linux,
// the registry of the logged-on user on Windows.
std::string RegistryStoreName();

// An open registry key that is closed when it goes out of scope: movable, not copyable. For code
// that opens a key, reads or writes a few values and leaves; get() gives the handle to the Reg*
// calls.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(RegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // RegOpenKeyExA on an existing key below parent, closing any key held before. Returns its
  // result; on failure the object holds no key.
  LONG Open(HKEY parent, const char* subKey, REGSAM access);
  // RegCreateKeyExA (a non-volatile key, made with the keys missing on the way), closing any key
  // held before. Returns its result; *disposition, when given, tells REG_CREATED_NEW_KEY or
  // REG_OPENED_EXISTING_KEY. On failure the object holds no key.
  LONG Create(HKEY parent, const char* subKey, REGSAM access, DWORD* disposition = nullptr);
  // Closes the key now; nothing when none is held.
  void Close();

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace platform
