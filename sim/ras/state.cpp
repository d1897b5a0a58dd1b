// Files of the simulated dial-up service: devices, phone books, connections, pending outcomes and
// the last dial record, each one line per item with escaped tab-separated fields.
#include "state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace rassim {
namespace {

const char* const kStateNames[] = {"OpenPort",
                                   "PortOpened",
                                   "ConnectDevice",
                                   "DeviceConnected",
                                   "AllDevicesConnected",
                                   "Authenticate",
                                   "AuthNotify",
                                   "AuthRetry",
                                   "AuthCallback",
                                   "AuthChangePassword",
                                   "AuthProject",
                                   "AuthLinkSpeed",
                                   "AuthAck",
                                   "ReAuthenticate",
                                   "Authenticated",
                                   "PrepareForCallback",
                                   "WaitForModemReset",
                                   "WaitForCallback",
                                   "Projected",
                                   "StartAuthentication",
                                   "CallbackComplete",
                                   "LogonNetwork",
                                   "SubEntryConnected",
                                   "SubEntryDisconnected"};
const char* const kPausedNames[] = {"Interactive", "RetryAuthentication", "CallbackSetByCaller",
                                    "PasswordExpired"};

// The path of a dial that connects.
const int kPath[] = {RASCS_OpenPort,
                     RASCS_PortOpened,
                     RASCS_ConnectDevice,
                     RASCS_DeviceConnected,
                     RASCS_AllDevicesConnected,
                     RASCS_Authenticate,
                     RASCS_AuthNotify,
                     RASCS_AuthProject,
                     RASCS_Authenticated,
                     RASCS_Projected,
                     RASCS_Connected};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::optional<long long> Number(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string s(text);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 0);
  if (errno != 0 || end == s.c_str() || *end != '\0') return std::nullopt;
  return v;
}

std::string Escape(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x20 || c == 0x7F || c == '%') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    fields.push_back(Unescape(std::string_view(line).substr(start, tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::string Line(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    line += Escape(fields[i]);
  }
  return line + "\n";
}

std::string ToHex(const void* data, size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    out += kHex[p[i] >> 4];
    out += kHex[p[i] & 15];
  }
  return out;
}

bool FromHex(const std::string& hex, void* data, size_t size) {
  if (hex.size() != size * 2) return false;
  unsigned char* p = static_cast<unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    p[i] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return true;
}

// Lines of a file; nullopt when it exists but cannot be read, empty when it does not exist.
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (!FileExists(path)) return std::vector<std::string>{};
    return std::nullopt;
  }
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

Status StatusFromName(const std::string& name) {
  if (name == "connected") return Status::kConnected;
  if (name == "failed") return Status::kFailed;
  if (name == "dropped") return Status::kDropped;
  if (name == "closing") return Status::kClosing;
  return Status::kDialling;
}

DWORD ToDword(const std::string& text) {
  auto v = Number(text);
  return v ? static_cast<DWORD>(*v) : 0;
}

int ToInt(const std::string& text) {
  auto v = Number(text);
  return v ? static_cast<int>(*v) : 0;
}

// Index of state in the connecting path; the path's end (Connected) when it is not on it.
size_t PathIndex(int state) {
  const size_t n = sizeof(kPath) / sizeof(kPath[0]);
  for (size_t i = 0; i < n; ++i)
    if (kPath[i] == state) return i;
  return n - 1;
}

}  // namespace

std::optional<int> StateFromName(std::string_view name) {
  if (auto v = Number(name)) return static_cast<int>(*v);
  if (name.size() > 6 && SameText(name.substr(0, 6), "RASCS_")) name.remove_prefix(6);
  for (int i = 0; i < 24; ++i)
    if (SameText(name, kStateNames[i])) return i;
  for (int i = 0; i < 4; ++i)
    if (SameText(name, kPausedNames[i])) return RASCS_PAUSED + i;
  if (SameText(name, "Connected")) return RASCS_Connected;
  if (SameText(name, "Disconnected")) return RASCS_Disconnected;
  return std::nullopt;
}

std::string StateName(int state) {
  if (state >= 0 && state < 24) return kStateNames[state];
  if (state >= RASCS_PAUSED && state < RASCS_PAUSED + 4) return kPausedNames[state - RASCS_PAUSED];
  if (state == RASCS_Connected) return "Connected";
  if (state == RASCS_Disconnected) return "Disconnected";
  return std::to_string(state);
}

const char* StatusName(Status status) {
  switch (status) {
    case Status::kDialling:
      return "dialling";
    case Status::kConnected:
      return "connected";
    case Status::kFailed:
      return "failed";
    case Status::kDropped:
      return "dropped";
    case Status::kClosing:
      return "closing";
  }
  return "dialling";
}

std::optional<Outcome> ParseOutcome(const std::vector<std::string>& words, std::string* error) {
  auto fail = [&](const std::string& message) -> std::optional<Outcome> {
    if (error) *error = message;
    return std::nullopt;
  };
  if (words.empty()) return fail("missing outcome");
  Outcome o;
  size_t i = 1;
  const std::string& kind = words[0];
  if (kind == "connect") {
    o.kind = Outcome::kConnect;
  } else if (kind == "error") {
    o.kind = Outcome::kError;
    auto code = words.size() > 1 ? Number(words[1]) : std::nullopt;
    if (!code || *code <= 0) return fail("error needs a non-zero code");
    o.code = static_cast<DWORD>(*code);
    i = 2;
  } else if (kind == "drop") {
    o.kind = Outcome::kDrop;
  } else if (kind == "unknown-state") {
    o.kind = Outcome::kUnknownState;
  } else if (kind == "hold") {
    o.kind = Outcome::kHold;
  } else {
    return fail("unknown outcome '" + kind + "'");
  }
  for (; i < words.size(); i += 2) {
    const std::string& option = words[i];
    if (i + 1 >= words.size()) return fail(option + " needs a value");
    const std::string& value = words[i + 1];
    if (option == "--at" && o.kind != Outcome::kConnect) {
      auto state = StateFromName(value);
      if (!state) return fail("unknown state '" + value + "'");
      o.at = *state;
    } else if (option == "--extended" && o.kind == Outcome::kError) {
      auto v = Number(value);
      if (!v) return fail("bad extended code '" + value + "'");
      o.extended = static_cast<DWORD>(*v);
    } else if (option == "--second" && o.kind == Outcome::kError) {
      auto v = Number(value);
      if (!v) return fail("bad second code '" + value + "'");
      o.second = static_cast<DWORD>(*v);
    } else if (option == "--value" && o.kind == Outcome::kUnknownState) {
      auto v = Number(value);
      if (!v) return fail("bad state value '" + value + "'");
      o.value = static_cast<int>(*v);
    } else {
      return fail("option " + option + " does not apply to " + kind);
    }
  }
  return o;
}

std::string OutcomeText(const Outcome& o) {
  std::string text;
  switch (o.kind) {
    case Outcome::kConnect:
      return "connect";
    case Outcome::kError:
      text = "error " + std::to_string(o.code);
      if (o.at >= 0) text += " --at " + StateName(o.at);
      if (o.extended != 0) text += " --extended " + std::to_string(o.extended);
      if (o.second != 0) text += " --second " + std::to_string(o.second);
      return text;
    case Outcome::kDrop:
      text = "drop";
      if (o.at >= 0) text += " --at " + StateName(o.at);
      return text;
    case Outcome::kUnknownState:
      text = "unknown-state --value " + std::to_string(o.value);
      if (o.at >= 0) text += " --at " + StateName(o.at);
      return text;
    case Outcome::kHold:
      text = "hold";
      if (o.at >= 0) text += " --at " + StateName(o.at);
      return text;
  }
  return "connect";
}

std::vector<Step> DialPath(const Outcome& o) {
  std::vector<Step> steps;
  auto through = [&](size_t end) {
    for (size_t i = 0; i < end; ++i) steps.push_back(Step{kPath[i]});
  };
  const size_t connected = PathIndex(RASCS_Connected);
  switch (o.kind) {
    case Outcome::kConnect:
      through(connected);
      break;
    case Outcome::kError: {
      // Line errors come while the modem dials, a refused account while it authenticates.
      int at = o.at;
      if (at < 0)
        at = o.code == ERROR_AUTHENTICATION_FAILURE || o.code == ERROR_PPP_TIMEOUT
                 ? RASCS_Authenticate
                 : RASCS_ConnectDevice;
      through(PathIndex(at));
      steps.push_back(Step{at, o.code, o.extended, o.second, Status::kFailed});
      return steps;
    }
    case Outcome::kDrop:
      through(PathIndex(o.at < 0 ? RASCS_Connected : o.at));
      steps.push_back(Step{RASCS_Disconnected, 0, 0, 0, Status::kDropped});
      return steps;
    case Outcome::kHold:
      // The dial reaches the state and stays in it, poll after poll, until it is hung up.
      through(PathIndex(o.at < 0 ? RASCS_ConnectDevice : o.at) + 1);
      return steps;
    case Outcome::kUnknownState: {
      size_t before = PathIndex(o.at < 0 ? RASCS_Authenticate : o.at);
      through(before);
      steps.push_back(Step{o.value});
      for (size_t i = before; i < connected; ++i) steps.push_back(Step{kPath[i]});
      break;
    }
  }
  steps.push_back(Step{RASCS_Connected, 0, 0, 0, Status::kConnected});
  return steps;
}

Connection* Service::Find(HRASCONN handle) {
  for (Connection& c : connections)
    if (c.handle == handle) return &c;
  return nullptr;
}

Service LoadService(const std::string& dir) {
  Service s;
  if (auto lines = ReadLines(dir + "/devices")) {
    for (const std::string& line : *lines) {
      auto f = Fields(line);
      s.devices.push_back(Device{f[0], f.size() > 1 ? f[1] : ""});
    }
  }
  if (auto lines = ReadLines(dir + "/service")) {
    for (const std::string& line : *lines) {
      auto f = Fields(line);
      if (f[0] == "next-handle" && f.size() > 1) {
        s.next_handle = ToDword(f[1]);
      } else if (f[0] == "hangup-polls" && f.size() > 1) {
        s.hangup_polls = ToInt(f[1]);
      } else if (f[0] == "device-count" && f.size() > 1) {
        s.device_count = ToDword(f[1]);
      } else if (f[0] == "dials" && f.size() > 1) {
        s.dials = ToInt(f[1]);
      } else if (f[0] == "outcome" && f.size() > 1) {
        s.outcomes.push_back(f[1]);
      } else if (f[0] == "connection" && f.size() >= 13) {
        Connection c;
        c.handle = ToDword(f[1]);
        c.status = StatusFromName(f[2]);
        c.entry = f[3];
        c.device_type = f[4];
        c.device_name = f[5];
        c.phone = f[6];
        c.outcome = f[7];
        c.step = ToInt(f[8]);
        c.state = ToInt(f[9]);
        c.error = ToDword(f[10]);
        c.extended = ToDword(f[11]);
        c.closing_polls = ToInt(f[12]);
        s.connections.push_back(c);
      }
    }
  }
  if (s.next_handle == 0) s.next_handle = 1;
  return s;
}

bool SaveService(const std::string& dir, const Service& s) {
  std::string devices;
  for (const Device& d : s.devices) devices += Line({d.name, d.type});
  std::string data;
  data += Line({"next-handle", std::to_string(s.next_handle)});
  data += Line({"hangup-polls", std::to_string(s.hangup_polls)});
  if (s.device_count != 0) data += Line({"device-count", std::to_string(s.device_count)});
  data += Line({"dials", std::to_string(s.dials)});
  for (const std::string& o : s.outcomes) data += Line({"outcome", o});
  for (const Connection& c : s.connections) {
    data += Line({"connection", std::to_string(c.handle), StatusName(c.status), c.entry,
                  c.device_type, c.device_name, c.phone, c.outcome, std::to_string(c.step),
                  std::to_string(c.state), std::to_string(c.error), std::to_string(c.extended),
                  std::to_string(c.closing_polls)});
  }
  return WriteAtomically(dir + "/devices", devices) && WriteAtomically(dir + "/service", data);
}

std::string PhonebookPath(const std::string& dir, const char* phonebook) {
  if (phonebook == nullptr || *phonebook == '\0') return dir + "/phonebook";
  return phonebook;
}

std::optional<std::vector<Entry>> LoadPhonebook(const std::string& path) {
  auto lines = ReadLines(path);
  if (!lines) return std::nullopt;
  std::vector<Entry> entries;
  for (const std::string& line : *lines) {
    auto f = Fields(line);
    if (f.size() < 8) return std::nullopt;
    Entry e;
    e.name = f[0];
    if (!FromHex(f[1], &e.props, sizeof(e.props))) return std::nullopt;
    e.has_params = f[2] == "1";
    e.user = f[3];
    e.password = f[4];
    e.domain = f[5];
    e.callback = f[6];
    e.has_password = f[7] == "1";
    entries.push_back(e);
  }
  return entries;
}

bool SavePhonebook(const std::string& path, const std::vector<Entry>& entries) {
  std::string data;
  for (const Entry& e : entries) {
    data += Line({e.name, ToHex(&e.props, sizeof(e.props)), e.has_params ? "1" : "0", e.user,
                  e.password, e.domain, e.callback, e.has_password ? "1" : "0"});
  }
  return WriteAtomically(path, data);
}

DialRecord LoadDialRecord(const std::string& dir) {
  DialRecord record;
  if (auto lines = ReadLines(dir + "/last-dial")) {
    for (const std::string& line : *lines) {
      auto f = Fields(line);
      record.emplace_back(f[0], f.size() > 1 ? f[1] : "");
    }
  }
  return record;
}

bool SaveDialRecord(const std::string& dir, const DialRecord& record) {
  std::string data;
  for (const auto& [key, value] : record) data += Line({key, value});
  return WriteAtomically(dir + "/last-dial", data);
}

bool SameName(std::string_view a, std::string_view b) { return SameText(a, b); }

bool ValidEntryName(std::string_view name) {
  if (name.empty() || name.size() > RAS_MaxEntryName || name[0] == '.') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      ++i;  // the trail byte of a double-byte character may be any value
      continue;
    }
    if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
  }
  return true;
}

Entry* FindEntry(std::vector<Entry>& entries, std::string_view name) {
  for (Entry& e : entries)
    if (SameName(e.name, name)) return &e;
  return nullptr;
}

bool IsDialDevice(const Device& device) {
  return SameText(device.type, "modem") || SameText(device.type, "isdn");
}

void ChooseDevice(const Service& service, const Entry* entry, Connection* connection) {
  if (entry != nullptr) {
    connection->device_type = FieldText(entry->props.szDeviceType);
    connection->device_name = FieldText(entry->props.szDeviceName);
    return;
  }
  for (const Device& d : service.devices) {
    if (IsDialDevice(d)) {
      connection->device_type = d.type;
      connection->device_name = d.name;
      return;
    }
  }
}

}  // namespace rassim
