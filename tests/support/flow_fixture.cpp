// Runs the built signup program headless under a scenario in a private world.
#include "support/flow_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "settings/SignSettings.h"
#include "support/child_process.h"
#include "support/regtool.h"
#include "support/test_ca.h"
#include "ui/headless/headless_backend.h"

namespace test {

FlowRun::FlowRun() {
  registry_ = dir_.File("registry.db");
  runtime_ = dir_.File("run");
  ras_ = dir_.File("ras");
  mkdir(runtime_.c_str(), 0700);
  mkdir(ras_.c_str(), 0700);
  env_["SIGNUP_RASAPI32"] = dir_.File("no-such-rasapi32.so");
  // The machine's own deployment file (/etc/signup) stays out of the tests.
  env_["SIGNUP_DEPLOYMENT"] = dir_.File("deployment.conf");
}

int FlowRun::Regtool(const std::vector<std::string>& args, std::string* out) const {
  const ProgramResult r = RunRegtool(args, registry_);
  if (out != nullptr) *out = r.out + r.err;
  return r.exit;
}

bool FlowRun::Import(const std::string& regText) {
  const std::string file = dir_.File("import" + std::to_string(++counter_) + ".reg");
  return WriteFile(file, regText) && RunRegtool({"import", file}, registry_).exit == 0;
}

std::string FlowRun::Export() const { return RunRegtool({"export"}, registry_).out; }

int FlowRun::Start(const std::string& scenario, const std::string& name) {
  const std::string scenarioPath = dir_.File(name + ".scn");
  WriteFile(scenarioPath, scenario);
  const std::string transcript = dir_.File(name + ".transcript");
  const std::string err = dir_.File(name + ".stderr");
  std::remove(transcript.c_str());
  ChildOptions options;
  options.env = {{"SIGNUP_SCENARIO", scenarioPath},
                 {"SIGNUP_TRANSCRIPT", transcript},
                 {"SIGNUP_REGISTRY", registry_},
                 {"XDG_RUNTIME_DIR", runtime_},
                 {"RASSIM_DIR", ras_},
                 {"DISPLAY", std::nullopt}};
  for (const char* name : kDesktopProxyVariables) options.env[name] = std::nullopt;
  for (const auto& [k, v] : env_) options.env[k] = v;
  const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int nullFd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_t pid = -1;
  if (errFd >= 0 && nullFd >= 0) {
    options.stderr_fd = errFd;
    options.stdout_fd = nullFd;
    std::vector<std::string> argv = wrapper_;
    argv.push_back(SIGNUP_BIN_DIR "/signup");
    pid = StartChild(argv, options);
  }
  if (errFd >= 0) close(errFd);
  if (nullFd >= 0) close(nullFd);
  return pid;
}

FlowResult FlowRun::WaitFor(int pid, const std::string& name) {
  FlowResult r;
  r.exitCode = WaitChild(pid);
  r.transcript = ReadFile(dir_.File(name + ".transcript"));
  r.stderrText = ReadFile(dir_.File(name + ".stderr"));
  return r;
}

FlowResult FlowRun::Play(const std::string& scenario) {
  const std::string name = "run" + std::to_string(++counter_);
  return WaitFor(Start(scenario, name), name);
}

namespace scenario {

std::string TypeUserEntries(const UserEntries& e) {
  const std::pair<int, const std::string*> fields[] = {
      {1040, &e.kana},     {1041, &e.kana2},     {1043, &e.name},      {1044, &e.name2},
      {1045, &e.year},     {1046, &e.month},     {1047, &e.day},       {1048, &e.zip},
      {1049, &e.zip2},     {1050, &e.address1},  {1051, &e.address2},  {1052, &e.tel},
      {1053, &e.tel2},     {1054, &e.tel3},      {1055, &e.account},   {1056, &e.account2},
      {1057, &e.account3}, {1099, &e.entryCode}, {1100, &e.entryCode2}};
  std::string out;
  for (const auto& [id, value] : fields)
    out += "type " + std::to_string(id) + " " + RegString(*value) + "\n";
  out += std::string("select 1042 \"") + (e.sex == "male" ? "男" : "女") + "\"\n";
  return out;
}

std::string SignupToEnd(const UserEntries& e, const std::string& commName) {
  return "wait page 2\n" + TypeUserEntries(e) +
         "click 0x3024\nwait page 3\nclick 0x3024\nwait page 4\ntype 1062 " +
         RegString(commName) + "\nclick 0x3024\nwait page 5\nclick 0x3024\n" + kFinish;
}

}  // namespace scenario

std::string RegString(std::string_view value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

SignupWorld::SignupWorld(const TestCa* ca) : provider(ca) {
  if (!provider.ok()) {
    problem_ = provider.error();
    return;
  }
  run.SetEnv("RASSIM_DIR", ras.dir());
  run.SetEnv("SIGNUP_RASAPI32", ras.library_path());
  if (ca != nullptr) run.SetEnv("SIGNUP_CA_BUNDLE", ca->ca_cert());
  if (!ras.AddModem(kModem)) problem_ = "the simulated modem could not be added";
  if (!SetServers(provider.HttpUrl(), provider.HttpUrl()))
    problem_ = "the Servers key could not be set";
}

bool SignupWorld::SetServers(const std::string& signupUrl, const std::string& profileUrl) {
  return run.Import(std::string("REGEDIT4\n\n[") + kServersKey + "]\n\"SignupPage\"=" +
                    RegString(signupUrl) + "\n\"ProfilePage\"=" + RegString(profileUrl) + "\n");
}

bool SignupWorld::StoreUserEntries(const UserEntries& e) {
  const std::pair<const char*, const std::string*> values[] = {{"Kana", &e.kana},
                                                               {"Kana2", &e.kana2},
                                                               {"Name", &e.name},
                                                               {"Name2", &e.name2},
                                                               {"Age", &e.year},
                                                               {"Age2", &e.month},
                                                               {"Age3", &e.day},
                                                               {"Sex", &e.sex},
                                                               {"Address1", &e.address1},
                                                               {"Address2", &e.address2},
                                                               {"Tel", &e.tel},
                                                               {"Tel2", &e.tel2},
                                                               {"Tel3", &e.tel3},
                                                               {"Zip", &e.zip},
                                                               {"Zip2", &e.zip2},
                                                               {"MekoID", &e.account},
                                                               {"MekoID2", &e.account2},
                                                               {"MekoID3", &e.account3},
                                                               {"EntryCode", &e.entryCode},
                                                               {"EntryCode2", &e.entryCode2}};
  std::string reg = std::string("REGEDIT4\n\n[") + kSignupKey + "]\n";
  for (const auto& [name, value] : values) reg += RegString(name) + "=" + RegString(*value) + "\n";
  return run.Import(reg);
}

std::optional<std::string> SignupWorld::Get(const std::string& key, const std::string& name) const {
  return RegtoolGet(key, name, run.registry());
}

std::map<std::string, std::string> AccountOnServer(ProviderFixture& provider,
                                                   const std::string& login,
                                                   const std::string& password) {
  std::string reply;
  provider.Control("POST", "/profile_pc/rst/QXSRst_PCEIA.cgi",
                   "user_id=" + FormEscape(login) + "&login_password=" + FormEscape(password),
                   &reply);
  provider.ClearRequests();
  std::map<std::string, std::string> values;
  if (reply.find("\n01:OK\n") == std::string::npos) return values;
  for (const std::string& line : TranscriptLines(reply, ""))
    if (line.size() >= 3 && line[2] == ':') values[line.substr(0, 2)] = Utf8(line.substr(3));
  return values;
}

std::map<std::string, std::string> StoredNetInfoOf(
    const std::map<std::string, std::string>& server) {
  auto at = [&](const char* key) {
    auto it = server.find(key);
    return it == server.end() ? std::string() : it->second;
  };
  auto scrambled = [&](const char* key) { return CSignSettings::ScrambleText(at(key), 1); };
  return {{"LoginID", at("03")},
          {"LoginPasswd", scrambled("04")},
          {"PrimaryDNS", at("05")},
          {"SecondaryDNS", at("06")},
          {"PhoneNumber", at("07")},
          {"PhoneNumber2", at("08")},
          {"PhoneNumber3", at("09")},
          {"E_mail", at("10")},
          {"Pop_id", at("11")},
          {"Pop_host", at("12")},
          {"Pop_password", scrambled("13")},
          {"Smtp_host", at("14")},
          {"Comm_id", at("17")},
          {"Comm_data", scrambled("18")},
          {"Comm_name", at("19")}};
}

std::vector<std::string> TranscriptLines(const std::string& transcript, std::string_view prefix) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < transcript.size();) {
    size_t end = transcript.find('\n', at);
    if (end == std::string::npos) end = transcript.size();
    if (transcript.compare(at, prefix.size(), prefix) == 0)
      lines.push_back(transcript.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

std::string MessageLine(std::string_view icon, const std::string& text, std::string_view buttons) {
  return "message " + std::string(icon) + " \"Signup\" " + ui::headless::Quote(text) + " " +
         std::string(buttons);
}

std::string PrintLine(int id, const std::string& text) {
  return "print " + std::to_string(id) + " " + ui::headless::Quote(text);
}

}  // namespace test
