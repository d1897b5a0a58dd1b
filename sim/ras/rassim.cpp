// rassim: lists and changes the state of the simulated dial-up service (devices, phone book,
// connections, the outcome of the next dial), like rasdial does for the real one.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/system.h"
#include "state.h"

namespace {

using namespace rassim;

const char kUsage[] =
    "usage: rassim devices | add-device NAME TYPE | remove-device NAME\n"
    "       rassim entries | entry NAME\n"
    "       rassim connections | connect NAME | hangup NAME|all\n"
    "       rassim outcome [--append] connect\n"
    "       rassim outcome [--append] error CODE [--at STATE] [--extended N] [--second CODE]\n"
    "       rassim outcome [--append] drop [--at STATE]\n"
    "       rassim outcome [--append] unknown-state [--value N] [--at STATE]\n"
    "       rassim outcome [--append] hold [--at STATE]\n"
    "       rassim outcomes | last-dial | set hangup-polls N | set device-count N\n"
    "The state directory is RASSIM_DIR. Names are UTF-8.\n";

std::string Out(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

void Print(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    line += fields[i];
  }
  std::printf("%s\n", line.c_str());
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "rassim: %s\n", message.c_str());
  return 1;
}

std::string Hex(DWORD v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
  return buf;
}

void PrintEntry(const Entry& e) {
  const RASENTRYA& p = e.props;
  Print({"name", Out(e.name)});
  Print({"phone", Out(FieldText(p.szLocalPhoneNumber))});
  Print({"device_type", Out(FieldText(p.szDeviceType))});
  Print({"device_name", Out(FieldText(p.szDeviceName))});
  Print({"options", Hex(p.dwfOptions)});
  Print({"net_protocols", Hex(p.dwfNetProtocols)});
  Print({"framing", Hex(p.dwFramingProtocol)});
  Print({"country_id", std::to_string(p.dwCountryID)});
  Print({"country_code", std::to_string(p.dwCountryCode)});
  Print({"area_code", Out(FieldText(p.szAreaCode))});
  Print({"has_params", e.has_params ? "1" : "0"});
  Print({"user", Out(e.user)});
  Print({"password", Out(e.password)});
  Print({"domain", Out(e.domain)});
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Fail(std::string("missing command\n") + kUsage);
  const std::string& command = args[0];
  const size_t n = args.size();
  std::string dir = StateDir();
  Lock lock(dir);
  if (!lock.ok()) return Fail("cannot lock the state directory " + dir);
  Service s = LoadService(dir);
  std::string pbk = PhonebookPath(dir, nullptr);

  if (command == "devices" && n == 1) {
    for (const Device& d : s.devices) Print({Out(d.name), Out(d.type)});
    return 0;
  }
  if (command == "add-device" && n == 3) {
    std::string name = platform::Utf8ToAnsi(args[1]);
    std::string type = platform::Utf8ToAnsi(args[2]);
    bool replaced = false;
    for (Device& d : s.devices) {
      if (d.name == name) {
        d.type = type;
        replaced = true;
      }
    }
    if (!replaced) s.devices.push_back(Device{name, type});
    return SaveService(dir, s) ? 0 : Fail("cannot write the state");
  }
  if (command == "remove-device" && n == 2) {
    std::string name = platform::Utf8ToAnsi(args[1]);
    if (std::erase_if(s.devices, [&](const Device& d) { return d.name == name; }) == 0)
      return Fail("no device " + args[1]);
    return SaveService(dir, s) ? 0 : Fail("cannot write the state");
  }
  if ((command == "entries" && n == 1) || (command == "entry" && n == 2)) {
    auto entries = LoadPhonebook(pbk);
    if (!entries) return Fail("cannot read the phone book");
    if (command == "entries") {
      for (const Entry& e : *entries)
        Print({Out(e.name), Out(FieldText(e.props.szLocalPhoneNumber)),
               Out(FieldText(e.props.szDeviceName))});
      return 0;
    }
    Entry* e = FindEntry(*entries, platform::Utf8ToAnsi(args[1]));
    if (e == nullptr) return Fail("no entry " + args[1]);
    PrintEntry(*e);
    return 0;
  }
  if (command == "connections" && n == 1) {
    for (const Connection& c : s.connections)
      Print({std::to_string(c.handle), StatusName(c.status), StateName(c.state), Out(c.entry),
             Out(c.device_name), Service::Listed(c) ? "listed" : "unlisted"});
    return 0;
  }
  if (command == "connect" && n == 2) {
    // A connection made by another program: the entry's modem when the entry exists, else the
    // first modem.
    Connection c;
    c.entry = platform::Utf8ToAnsi(args[1]);
    auto entries = LoadPhonebook(pbk);
    Entry* e = entries ? FindEntry(*entries, c.entry) : nullptr;
    ChooseDevice(s, e, &c);
    if (e != nullptr) c.phone = FieldText(e->props.szLocalPhoneNumber);
    c.handle = s.next_handle++;
    c.status = Status::kConnected;
    c.state = RASCS_Connected;
    c.outcome = "connect";
    s.connections.push_back(c);
    if (!SaveService(dir, s)) return Fail("cannot write the state");
    std::printf("%s\n", std::to_string(c.handle).c_str());
    return 0;
  }
  if (command == "hangup" && n == 2) {
    bool all = args[1] == "all";
    std::string name = platform::Utf8ToAnsi(args[1]);
    int count = 0;
    for (Connection& c : s.connections) {
      if (c.status == Status::kClosing) continue;
      if (all || (Service::Listed(c) && SameName(c.entry, name))) {
        c.status = Status::kClosing;
        c.closing_polls = s.hangup_polls < 1 ? 1 : s.hangup_polls;
        ++count;
      }
    }
    if (count == 0 && !all) return Fail("no connection " + args[1]);
    return SaveService(dir, s) ? 0 : Fail("cannot write the state");
  }
  if (command == "outcome" && n >= 2) {
    bool append = args[1] == "--append";
    std::vector<std::string> words(args.begin() + (append ? 2 : 1), args.end());
    std::string error;
    auto outcome = ParseOutcome(words, &error);
    if (!outcome) return Fail(error + "\n" + kUsage);
    if (!append) s.outcomes.clear();
    s.outcomes.push_back(OutcomeText(*outcome));
    return SaveService(dir, s) ? 0 : Fail("cannot write the state");
  }
  if (command == "outcomes" && n == 1) {
    for (const std::string& o : s.outcomes) Print({o});
    return 0;
  }
  if (command == "last-dial" && n == 1) {
    DialRecord record = LoadDialRecord(dir);
    if (record.empty()) return Fail("no dial has been made");
    for (const auto& [key, value] : record) Print({key, Out(value)});
    return 0;
  }
  if (command == "set" && n == 3 && args[1] == "hangup-polls") {
    char* end = nullptr;
    long polls = std::strtol(args[2].c_str(), &end, 10);
    if (end == args[2].c_str() || *end != '\0' || polls < 1 || polls > 1000000)
      return Fail("hangup-polls needs a number from 1");
    s.hangup_polls = static_cast<int>(polls);
    return SaveService(dir, s) ? 0 : Fail("cannot write the state");
  }
  if (command == "set" && n == 3 && args[1] == "device-count") {
    // The count the library claims, for a caller that must not trust it; 0 restores the truth.
    char* end = nullptr;
    unsigned long long count = std::strtoull(args[2].c_str(), &end, 10);
    if (end == args[2].c_str() || *end != '\0' || count > 0xFFFFFFFFull)
      return Fail("device-count needs a number from 0 to 4294967295");
    s.device_count = static_cast<DWORD>(count);
    return SaveService(dir, s) ? 0 : Fail("cannot write the state");
  }
  return Fail(std::string("bad command\n") + kUsage);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = platform::Utf8Arguments(argc, argv);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Run(args);
}
