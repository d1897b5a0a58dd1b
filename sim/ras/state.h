// State of the simulated dial-up service, kept as files in one directory so that every process
// (the program, a later run, the rassim tool) sees the same devices, phone book and connections.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ras.h"

namespace rassim {

struct Device {
  std::string name;  // CP932
  std::string type;
};

struct Entry {
  std::string name;
  RASENTRYA props{};
  bool has_params = false;  // RasSetEntryDialParamsA was called
  std::string user;
  std::string password;
  std::string domain;
  std::string callback;
  bool has_password = false;
};

enum class Status { kDialling, kConnected, kFailed, kDropped, kClosing };

struct Connection {
  HRASCONN handle = 0;
  Status status = Status::kDialling;
  std::string entry;
  std::string device_type;
  std::string device_name;
  std::string phone;
  std::string outcome;  // the canonical outcome this dial follows
  int step = -1;        // index of the last step reached on the outcome's path
  int state = RASCS_OpenPort;
  DWORD error = 0;
  DWORD extended = 0;
  int closing_polls = 0;  // polls left before the handle stops answering
};

// One step of a dial: the state reported and, for a failing step, the errors the notifier gets.
struct Step {
  int state = 0;
  DWORD error = 0;
  DWORD extended = 0;
  DWORD second_error = 0;
  Status result = Status::kDialling;  // kConnected, kFailed, kDropped end the dial
};

// How the next dial goes, as the tool's words say it.
struct Outcome {
  enum Kind { kConnect, kError, kDrop, kUnknownState, kHold } kind = kConnect;
  DWORD code = 0;
  DWORD extended = 0;
  DWORD second = 0;
  int at = -1;  // a state; -1 for the default of the kind
  int value = 24;
};

// Parses the words after "outcome" (e.g. {"error", "676", "--at", "ConnectDevice"}); nullopt
// with a message in error when they make no sense.
std::optional<Outcome> ParseOutcome(const std::vector<std::string>& words, std::string* error);
// The outcome in the tool's words, as ParseOutcome reads it back.
std::string OutcomeText(const Outcome& outcome);
// The states a dial of that outcome goes through, one per status poll.
std::vector<Step> DialPath(const Outcome& outcome);
// A state by name ("Authenticate", "RASCS_Authenticate") or number; nullopt if neither.
std::optional<int> StateFromName(std::string_view name);
std::string StateName(int state);
const char* StatusName(Status status);

// Everything but the phone books.
struct Service {
  std::vector<Device> devices;
  std::vector<Connection> connections;
  std::deque<std::string> outcomes;
  HRASCONN next_handle = 1;
  int hangup_polls = 1;
  DWORD device_count = 0;  // the count RasEnumDevicesA reports; 0: the devices there are
  int dials = 0;

  Connection* Find(HRASCONN handle);
  static bool Listed(const Connection& c) {
    return c.status == Status::kDialling || c.status == Status::kConnected;
  }
};

// The last dial, as key/value pairs in recording order.
using DialRecord = std::vector<std::pair<std::string, std::string>>;

// The state directory: RASSIM_DIR, else $XDG_RUNTIME_DIR/rassim, else /tmp/rassim-<uid> (on
// Windows %TEMP%\rassim); created (mode 0700) when missing.
std::string StateDir();

// Holds the service's lock (flock on Linux, LockFileEx on Windows, on a file in the state
// directory) for its lifetime; every read and change of the state happens under it, so processes
// never see a half-made change.
class Lock {
 public:
  explicit Lock(const std::string& dir);
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  bool ok() const { return file_ != kNoFile; }

 private:
  // A descriptor on Linux, a file handle on Windows.
  static constexpr intptr_t kNoFile = -1;
  intptr_t file_ = kNoFile;
};

// The file operations of the system (state_posix.cpp, state_win32.cpp).
bool FileExists(const std::string& path);
// Replaces the file with data in one step (a temporary file renamed over it), private to the user.
bool WriteAtomically(const std::string& path, const std::string& data);

// Reads and writes under a held Lock. Writes replace the file atomically (temporary + rename).
Service LoadService(const std::string& dir);
bool SaveService(const std::string& dir, const Service& service);
// The default phone book when phonebook is null or empty, else the file it names.
std::string PhonebookPath(const std::string& dir, const char* phonebook);
// nullopt when an existing file cannot be read.
std::optional<std::vector<Entry>> LoadPhonebook(const std::string& path);
bool SavePhonebook(const std::string& path, const std::vector<Entry>& entries);
DialRecord LoadDialRecord(const std::string& dir);
bool SaveDialRecord(const std::string& dir, const DialRecord& record);

// Entry names compare without regard to ASCII letter case, as the phone book does.
bool SameName(std::string_view a, std::string_view b);
// A name the phone book accepts: 1..256 bytes, not starting with '.', no control characters and
// none of \ / : * ? " < > | (tested per CP932 character, so a trail byte 0x5C is no backslash).
bool ValidEntryName(std::string_view name);
Entry* FindEntry(std::vector<Entry>& entries, std::string_view name);
// A device is a modem for the service when its type is "modem" or "isdn" in any letter case.
bool IsDialDevice(const Device& device);

// Copies a string into a fixed char array, cut to fit and always terminated.
template <size_t N>
void CopyField(char (&field)[N], std::string_view value) {
  size_t n = value.size() < N - 1 ? value.size() : N - 1;
  for (size_t i = 0; i < n; ++i) field[i] = value[i];
  for (size_t i = n; i < N; ++i) field[i] = '\0';
}
// A fixed char array's text up to its terminator (or its end).
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string(field, n);
}

// The device of a connection being made (a dial, or one another program made): the entry's when
// there is an entry, else the service's first modem (none when it has none).
void ChooseDevice(const Service& service, const Entry* entry, Connection* connection);

}  // namespace rassim
