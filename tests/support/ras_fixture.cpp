// The simulated dial-up service fixture: runs build/bin/rassim on a private state directory.
#include "support/ras_fixture.h"

#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>

#include "platform/codepage.h"
#include "support/child_process.h"

namespace test {
namespace {

std::vector<std::vector<std::string>> Rows(const std::string& utf8) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(utf8);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
      size_t tab = line.find('\t', start);
      fields.push_back(platform::Utf8ToAnsi(line.substr(start, tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(fields);
  }
  return rows;
}

std::map<std::string, std::string> Pairs(const std::string& utf8) {
  std::map<std::string, std::string> pairs;
  for (const auto& row : Rows(utf8))
    if (row.size() >= 2) pairs[row[0]] = row[1];
  return pairs;
}

DWORD Number(const std::map<std::string, std::string>& pairs, const char* key) {
  auto it = pairs.find(key);
  return it == pairs.end() ? 0 : static_cast<DWORD>(std::strtoul(it->second.c_str(), nullptr, 0));
}

std::string Text(const std::map<std::string, std::string>& pairs, const char* key) {
  auto it = pairs.find(key);
  return it == pairs.end() ? std::string() : it->second;
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream in{std::string(text)};
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

RasEntryInfo EntryFrom(const std::map<std::string, std::string>& p) {
  RasEntryInfo e;
  e.name = Text(p, "name");
  e.phone = Text(p, "phone");
  e.device_type = Text(p, "device_type");
  e.device_name = Text(p, "device_name");
  e.options = Number(p, "options");
  e.net_protocols = Number(p, "net_protocols");
  e.framing = Number(p, "framing");
  e.country_id = Number(p, "country_id");
  e.country_code = Number(p, "country_code");
  e.area_code = Text(p, "area_code");
  e.has_params = Text(p, "has_params") == "1";
  e.user = Text(p, "user");
  e.password = Text(p, "password");
  e.domain = Text(p, "domain");
  return e;
}

}  // namespace

RasFixture::RasFixture(Build build)
    : library_(std::string(SIGNUP_BIN_DIR) +
               (build == Build::kComplete ? "/rasapi32.so" : "/rasapi32_incomplete.so")),
      dir_env_("RASSIM_DIR", dir_.path()),
      library_env_("SIGNUP_RASAPI32", library_) {}

int RasFixture::RunTool(const std::vector<std::string>& args, std::string* output) const {
  std::vector<std::string> argv{std::string(SIGNUP_BIN_DIR) + "/rassim"};
  argv.insert(argv.end(), args.begin(), args.end());
  const ProgramResult r = RunProgram(argv);
  // The tool's complaints belong in the test's log, as when it shared our standard error.
  std::cerr << r.err;
  if (output) *output = r.out;
  return r.exit;
}

bool RasFixture::AddDevice(std::string_view name, std::string_view type) {
  return RunTool({"add-device", platform::AnsiToUtf8(name), platform::AnsiToUtf8(type)}) == 0;
}

bool RasFixture::RemoveDevice(std::string_view name) {
  return RunTool({"remove-device", platform::AnsiToUtf8(name)}) == 0;
}

bool RasFixture::SetOutcome(std::string_view outcome) {
  std::vector<std::string> args{"outcome"};
  for (std::string& w : Words(outcome)) args.push_back(w);
  return RunTool(args) == 0;
}

bool RasFixture::QueueOutcome(std::string_view outcome) {
  std::vector<std::string> args{"outcome", "--append"};
  for (std::string& w : Words(outcome)) args.push_back(w);
  return RunTool(args) == 0;
}

bool RasFixture::SetHangUpPolls(int polls) {
  return RunTool({"set", "hangup-polls", std::to_string(polls)}) == 0;
}

unsigned RasFixture::Connect(std::string_view entry) {
  std::string out;
  if (RunTool({"connect", platform::AnsiToUtf8(entry)}, &out) != 0) return 0;
  return static_cast<unsigned>(std::strtoul(out.c_str(), nullptr, 10));
}

bool RasFixture::HangUp(std::string_view entry) {
  return RunTool({"hangup", platform::AnsiToUtf8(entry)}) == 0;
}

std::optional<RasDialRecord> RasFixture::LastDial() const {
  std::string out;
  if (RunTool({"last-dial"}, &out) != 0) return std::nullopt;
  auto p = Pairs(out);
  RasDialRecord r;
  r.number = static_cast<int>(Number(p, "number"));
  r.handle = Number(p, "handle");
  r.entry = Text(p, "entry");
  r.phone = Text(p, "phone");
  r.user = Text(p, "user");
  r.password = Text(p, "password");
  r.domain = Text(p, "domain");
  r.device_type = Text(p, "device_type");
  r.device_name = Text(p, "device_name");
  r.outcome = Text(p, "outcome");
  r.entry_existed = Text(p, "entry_existed") == "1";
  r.entry_phone = Text(p, "entry_phone");
  r.entry_options = Number(p, "entry_options");
  r.entry_net_protocols = Number(p, "entry_net_protocols");
  r.entry_framing = Number(p, "entry_framing");
  r.entry_country_id = Number(p, "entry_country_id");
  r.entry_country_code = Number(p, "entry_country_code");
  r.entry_area_code = Text(p, "entry_area_code");
  r.entry_device_type = Text(p, "entry_device_type");
  r.entry_device_name = Text(p, "entry_device_name");
  r.entry_has_params = Text(p, "entry_has_params") == "1";
  r.entry_user = Text(p, "entry_user");
  r.entry_password = Text(p, "entry_password");
  return r;
}

std::vector<RasEntryInfo> RasFixture::Entries() const {
  std::vector<RasEntryInfo> entries;
  std::string out;
  if (RunTool({"entries"}, &out) != 0) return entries;
  for (const auto& row : Rows(out)) {
    if (auto e = Entry(row[0])) entries.push_back(*e);
  }
  return entries;
}

std::optional<RasEntryInfo> RasFixture::Entry(std::string_view name) const {
  std::string out;
  if (RunTool({"entry", platform::AnsiToUtf8(name)}, &out) != 0) return std::nullopt;
  return EntryFrom(Pairs(out));
}

std::vector<RasConnectionInfo> RasFixture::Connections() const {
  std::vector<RasConnectionInfo> connections;
  std::string out;
  if (RunTool({"connections"}, &out) != 0) return connections;
  for (const auto& row : Rows(out)) {
    if (row.size() < 6) continue;
    RasConnectionInfo c;
    c.handle = static_cast<unsigned>(std::strtoul(row[0].c_str(), nullptr, 10));
    c.status = row[1];
    c.state = row[2];
    c.entry = row[3];
    c.device_name = row[4];
    c.listed = row[5] == "listed";
    connections.push_back(c);
  }
  return connections;
}

std::vector<RasConnectionInfo> RasFixture::ListedConnections() const {
  std::vector<RasConnectionInfo> listed;
  for (const RasConnectionInfo& c : Connections())
    if (c.listed) listed.push_back(c);
  return listed;
}

}  // namespace test
