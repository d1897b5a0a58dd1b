// A private simulated dial-up service for one test: its own state directory, the dial-up library
// chosen for the scope, and calls that arrange and inspect the service through the rassim tool.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"
#include "support/test_support.h"

namespace test {

// What the library recorded about the last RasDialA. Strings are CP932, as the program holds them.
struct RasDialRecord {
  int number = 0;  // dials made in this state directory so far; this dial's sequence number
  unsigned handle = 0;
  std::string entry;     // szEntryName as passed
  std::string phone;     // the number dialled: szPhoneNumber, or the entry's when that is empty
  std::string user;      // szUserName as passed
  std::string password;  // szPassword as passed
  std::string domain;
  std::string device_type;  // the device the dial used (the entry's)
  std::string device_name;
  std::string
      outcome;  // the outcome the dial took, in the tool's words ("connect", "error 676 ...")
  // The phone-book entry as it stood when the dial was made.
  bool entry_existed = false;
  std::string entry_phone;
  DWORD entry_options = 0;
  DWORD entry_net_protocols = 0;
  DWORD entry_framing = 0;
  DWORD entry_country_id = 0;
  DWORD entry_country_code = 0;
  std::string entry_area_code;
  std::string entry_device_type;
  std::string entry_device_name;
  bool entry_has_params = false;  // RasSetEntryDialParamsA was called for it
  std::string entry_user;
  std::string entry_password;
};

// A phone-book entry of the default phone book with its saved dial parameters.
struct RasEntryInfo {
  std::string name;
  std::string phone;
  std::string device_type;
  std::string device_name;
  DWORD options = 0;
  DWORD net_protocols = 0;
  DWORD framing = 0;
  DWORD country_id = 0;
  DWORD country_code = 0;
  std::string area_code;
  bool has_params = false;
  std::string user;
  std::string password;
  std::string domain;
};

// A connection kept by the service. listed: RasEnumConnectionsA reports it (dialling or
// connected); failed, dropped and hung-up connections are not listed but keep their handle.
struct RasConnectionInfo {
  unsigned handle = 0;
  std::string entry;
  std::string device_name;
  std::string status;  // "dialling", "connected", "failed", "dropped" or "closing"
  std::string state;   // the last state reached, by name ("Connected") or number ("24")
  bool listed = false;
};

class RasFixture {
 public:
  enum class Build { kComplete, kIncomplete };

  // Makes the private state directory and points RASSIM_DIR and SIGNUP_RASAPI32 at it and at the
  // chosen build of the library (build/bin/rasapi32.so or rasapi32_incomplete.so) for the scope.
  explicit RasFixture(Build build = Build::kComplete);
  RasFixture(const RasFixture&) = delete;
  RasFixture& operator=(const RasFixture&) = delete;

  const std::string& dir() const { return dir_.path(); }
  const std::string& library_path() const { return library_; }

  // Devices as RasEnumDevicesA lists them, in the order added. Names are CP932.
  bool AddDevice(std::string_view name, std::string_view type);
  bool AddModem(std::string_view name) { return AddDevice(name, "modem"); }
  bool RemoveDevice(std::string_view name);

  // The outcome of the next dial, in the tool's words: "connect", "error 676",
  // "error 691 --at Authenticate --extended 5 --second 678", "drop", "drop --at Authenticate",
  // "unknown-state", "unknown-state --value 24 --at Authenticate". SetOutcome replaces every
  // pending outcome, QueueOutcome adds one for the dial after those already pending. Each dial
  // takes the first pending outcome; with none pending it connects.
  bool SetOutcome(std::string_view outcome);
  bool QueueOutcome(std::string_view outcome);
  // How many status polls after RasHangUpA the handle still answers; the last returns
  // ERROR_INVALID_HANDLE (1 means the first poll already does).
  bool SetHangUpPolls(int polls);

  // A connection made by another program, already connected; returns its handle (0 on failure).
  unsigned Connect(std::string_view entry);
  // Hangs up the listed connections of that entry, or every connection for "all".
  bool HangUp(std::string_view entry);

  // The last dial, or nothing when no dial has been made.
  std::optional<RasDialRecord> LastDial() const;
  std::vector<RasEntryInfo> Entries() const;
  std::optional<RasEntryInfo> Entry(std::string_view name) const;
  // Every connection the service keeps, listed or not, in handle order.
  std::vector<RasConnectionInfo> Connections() const;
  // Only those RasEnumConnectionsA reports.
  std::vector<RasConnectionInfo> ListedConnections() const;

  // Runs build/bin/rassim with UTF-8 arguments on this state directory; returns its exit status
  // and leaves its standard output (UTF-8) in output when given.
  int RunTool(const std::vector<std::string>& args, std::string* output = nullptr) const;

 private:
  TempDir dir_;
  std::string library_;
  ScopedEnv dir_env_;
  ScopedEnv library_env_;
};

}  // namespace test
