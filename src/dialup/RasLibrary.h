// The dial-up library binding: loads "rasapi32.dll" at run time, resolves its 14 entry points and
// offers the device, phone-book, dialling and connection operations built on them.
#pragma once

#include <string>
#include <vector>

#include "platform/library.h"
#include "platform/ras.h"

// The library's 14 entry points in one list of (exported name, member): the members are declared,
// resolved by name, checked and forgotten from it.
#define SIGNUP_RAS_ENTRY_POINTS(X)                  \
  X(RasEnumEntriesA, rasEnumEntries_)               \
  X(RasEnumConnectionsA, rasEnumConnections_)       \
  X(RasGetConnectStatusA, rasGetConnectStatus_)     \
  X(RasHangUpA, rasHangUp_)                         \
  X(RasGetErrorStringA, rasGetErrorString_)         \
  X(RasDialA, rasDial_)                             \
  X(RasEnumDevicesA, rasEnumDevices_)               \
  X(RasSetEntryPropertiesA, rasSetEntryProperties_) \
  X(RasGetEntryPropertiesA, rasGetEntryProperties_) \
  X(RasValidateEntryNameA, rasValidateEntryName_)   \
  X(RasDeleteEntryA, rasDeleteEntry_)               \
  X(RasSetEntryDialParamsA, rasSetEntryDialParams_) \
  X(RasGetEntryDialParamsA, rasGetEntryDialParams_) \
  X(RasGetProjectionInfoA, rasGetProjectionInfo_)

class RasLibrary {
 public:
  // Result of GetEntryProperties for a name that is not in the phone book.
  static constexpr DWORD kEntryMissing = 755;
  // Result of GetErrorText for error code 0.
  static constexpr DWORD kNoErrorCode = 756;
  // Slots of the first connection enumeration; it grows when the library says it is too small.
  static constexpr int kConnectionSlots = 10;
  // Enumerations tried while connections keep coming up, and the most connections ever read.
  static constexpr int kEnumAttempts = 4;
  static constexpr size_t kMaxConnections = 4096;
  // The most devices an enumeration reads; a library that reports more fails it.
  static constexpr DWORD kMaxDevices = 4096;
  // Status polls, 100 ms apart, that a hang-up waits for the connection to go: about three
  // seconds, for one connection or for all of HangUpAll's together.
  static constexpr int kDisconnectPolls = 30;

  // Loads the library unless a module is given, then resolves every entry point by name. Nothing
  // is reported: a failed load or a missing name leaves null pointers (see IsComplete).
  explicit RasLibrary(HMODULE module = nullptr);
  // Unloads the library; an established connection stays up.
  virtual ~RasLibrary();
  RasLibrary(const RasLibrary&) = delete;
  RasLibrary& operator=(const RasLibrary&) = delete;

  // Called before any entry point is used: true only when the library and all 14 names are there.
  bool IsComplete() const;
  // Forgets the own connection handle (without hanging up) and frees the library. Returns
  // FreeLibrary's result, or 0 when nothing was loaded.
  int Unload();

  // ---- Devices (details dialog, PrepareEntry, CreateDialupObject) ----
  // Appends the name of every modem (device type "modem" or "isdn", any case) in enumeration
  // order; false when the enumeration fails.
  bool EnumModems(std::vector<std::string>& names);
  // Number of modems; -1 when the enumeration fails.
  int CountModems();
  // Name and type of device `index` of the enumeration; false for an index out of range.
  bool GetDeviceAt(int index, std::string& name, std::string& type);
  // The first modem whose name equals `name` ignoring case; false when none does.
  bool FindModem(const std::string& name, std::string& deviceName, std::string& deviceType);

  // ---- Phone book (PrepareEntry, RemoveEntry); an empty phonebook is the default one ----
  // Writes a new entry with only the given fields set. 183 when the name exists (nothing written),
  // otherwise RasSetEntryPropertiesA's result.
  DWORD CreateEntry(const std::string& entry, const std::string& deviceType,
                    const std::string& deviceName, DWORD netProtocols, DWORD framingProtocol,
                    const std::string& localPhoneNumber, const std::string& phonebook);
  // Reads an entry; 755 when it does not exist, else the result of the last (of at most two)
  // RasGetEntryPropertiesA calls.
  DWORD GetEntryProperties(const std::string& entry, RASENTRYA& out, const std::string& phonebook);
  // Sets or clears option bits of an entry; with RASEO_UseCountryAndAreaCodes in a mask being set
  // also stores the country and area code. 0 or a RAS error code.
  DWORD SetEntryOptions(const std::string& entry, DWORD mask, bool set, const std::string& areaCode,
                        DWORD countryCode, const std::string& phonebook);
  // Saves user name and password with an entry of the default phone book. 0 or a RAS error code.
  DWORD SetEntryDialParams(const std::string& entry, const std::string& userName,
                           const std::string& password);
  // 0 with out = base when no entry has that name; 183 with out = base + n for the first free
  // n >= 1; any other validation result unchanged (out untouched).
  DWORD MakeUniqueEntryName(const std::string& base, std::string& out,
                            const std::string& phonebook);
  void DeleteEntry(const std::string& entry, const std::string& phonebook);

  // ---- Dialling and connections (DialupDialog, orchestration) ----
  // Starts an asynchronous dial of `entry`; the own connection handle receives the connection.
  // RasDialA's result.
  DWORD Dial(const std::string& entry, RASDIALFUNC1 notifier, const std::string& phoneNumber,
             const std::string& userName, const std::string& password, const std::string& domain,
             const std::string& phonebook);
  // Polls the own connection and gives the text of its state. Returns true once the dial has
  // finished (connected or disconnected); `connected` only for the connected state.
  bool GetStatusText(std::string& text, bool& connected);
  // The library's text of a dial error, with " Extended Error Code: %d" when `extended` is not 0.
  // RasGetErrorStringA's result; 756 with a fallback text for code 0.
  DWORD GetErrorText(DWORD code, DWORD extended, std::string& text);
  // Every active connection, the buffer grown to what the library reports; false (and none) when
  // the library cannot enumerate them.
  bool EnumConnections(std::vector<RASCONNA>& connections);
  // The last active connection whose entry name equals `entry` ignoring case.
  bool FindConnection(const std::string& entry, HRASCONN& connection);
  // Empty name: whether any dial-up connection is up; otherwise whether that entry's is.
  bool IsConnected(const std::string& entry);
  // Hangs up the own connection, or else the connection of `entry`; false when there was none.
  bool HangUp(const std::string& entry);
  // With hangUp false: whether any connection is up, however many. With hangUp true: hangs every
  // one of them up, and is false when one refused (the others are hung up all the same).
  // `firstEntry`, when given, receives the entry name of the first active connection.
  bool HangUpAll(bool hangUp, std::string* firstEntry = nullptr);
  // Waits until the library no longer knows the connection, for at most `polls` status polls
  // 100 ms apart, handling window messages meanwhile so that the window stays served; returns
  // the polls left.
  int WaitForDisconnect(HRASCONN connection, int polls = kDisconnectPolls);

  // ---- The dial error record: the first error the notifier reported during the current dial ----
  static void ResetDialError();
  // True with the recorded codes once an error was reported.
  static bool GetDialError(DWORD& code, DWORD& extended);
  // The notifier passed to Dial; runs on the library's notifier thread.
  static void WINAPI DialNotifier(HRASCONN connection, UINT message, RASCONNSTATE state,
                                  DWORD error, DWORD extended);

  HRASCONN connection() const { return connection_; }
  const RASCONNSTATUSA& connectionStatus() const { return status_; }

 protected:
  // Every device of the library; false when it cannot be enumerated.
  bool EnumDevices(std::vector<RASDEVINFOA>& devices);

  HMODULE module_ = nullptr;
  HRASCONN connection_ = 0;
  RASCONNSTATUSA status_{};

#define SIGNUP_RAS_DECLARE(name, member) PFN_##name member = nullptr;
  SIGNUP_RAS_ENTRY_POINTS(SIGNUP_RAS_DECLARE)
#undef SIGNUP_RAS_DECLARE
};

namespace dialup {

// The text of a fixed character field, up to its terminator or its end.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string(field, n);
}

// Copies text into a fixed character field, cut cleanly so that the terminator always fits.
void CopyField(char* field, size_t size, const std::string& text);
template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  CopyField(field, N, text);
}

}  // namespace dialup
