// Running the Windows build's programs under Wine for the Linux build's tests.
#include "wine_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace wine {
namespace {

std::string TrimLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The Wine the prefix was made with, as the fixture recorded it ("LOADER ARCH"): Wine's own
// command and the 32-bit build, or, where 32-bit programs cannot run, the 64-bit loader and build.
struct Loader {
  std::string command;  // empty: the prefix was not made
  bool win64 = false;
};

const Loader& ChosenLoader() {
  static const Loader loader = [] {
    Loader l;
    const std::string line =
        TrimLine(test::ReadFile(std::string(SIGNUP_WINE_PREFIX) + "/signup-loader"));
    const size_t space = line.rfind(' ');
    if (space == std::string::npos) return l;
    l.command = line.substr(0, space);
    l.win64 = line.substr(space + 1) == "x86_64";
    return l;
  }();
  return loader;
}

std::string BinDir() {
  return ChosenLoader().win64 ? SIGNUP_WINDOWS64_BIN_DIR : SIGNUP_WINDOWS_BIN_DIR;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A program of the build ("signup.exe"), an installed one (its Linux path) or Wine's own ("reg").
std::vector<std::string> Command(const std::string& program, const std::vector<std::string>& args) {
  const bool own = program.front() == '/' || program.find('.') == std::string::npos;
  std::vector<std::string> argv{ChosenLoader().command, own ? program : BinDir() + "/" + program};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

std::string Unavailable() {
  if (ChosenLoader().command.empty() || !Exists(std::string(SIGNUP_WINE_PREFIX) + "/system.reg"))
    return "the Wine prefix " SIGNUP_WINE_PREFIX
           " was not made: the wine_prefix test, which ctest runs first, says why (Wine missing, "
           "or unable to run the Windows build here)";
  const char* target = ChosenLoader().win64 ? "make windows64" : "make windows";
  for (const char* program : {"signup.exe", "regtool.exe", "rassim.exe", "rasapi32.dll"})
    if (!Exists(BinDir() + "/" + program))
      return "the Windows build is missing (" + BinDir() + "/" + program + "): run " + target;
  return {};
}

std::string NewSignup(const std::string& connection, bool dialup) {
  return R"(wait page 0
select 1089 ")" +
         connection +
         R"("
click 0x3024
)" + (dialup ? "wait message \"接続します\"\nanswer yes\n" : "") +
         R"(wait enabled 0x3024
expect text 1060 "同意しますか"
click 0x3024
wait page 2
type 1040 "ヤマダ"
type 1041 "タロウ"
type 1043 "山田"
type 1044 "太郎"
type 1045 "1985"
type 1048 "100"
type 1049 "0001"
type 1050 "東京都千代田区1-1"
type 1052 "03"
type 1053 "1234"
type 1054 "5678"
type 1055 "taro01"
type 1056 "taro02"
type 1057 "taro03"
click 0x3024
wait page 3
click 0x3024
wait page 4
type 1062 "たろう"
click 0x3024
wait page 5
click 0x3024
wait page 6
click 0x3025
wait dialog 147
click 1
wait end
)";
}

bool FreshDesktop::Restart() {
  test::ChildOptions options;
  options.env = {{"DISPLAY", std::nullopt}};
  return test::RunProgram({SIGNUP_WINE_PREFIX_SCRIPT, "restart", SIGNUP_WINE_PREFIX}, options)
             .exit == 0;
}

std::string BinPath(const std::string& name) { return BinDir() + "/" + name; }

bool Win64() { return ChosenLoader().win64; }

std::string MissingTool(const std::vector<std::string>& tools) {
  for (const std::string& tool : tools)
    if (test::RunProgram({"sh", "-c", "command -v " + tool}).exit != 0)
      return tool + " is not installed (scripts/install-deps.sh installs it)";
  return {};
}

std::string WindowsPath(const std::string& path) {
  std::string out = "Z:" + path;
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

WineRun::WineRun(Dialup dialup) {
  const std::string ras = dir_.File("ras");
  mkdir(ras.c_str(), 0700);
  env_["RASSIM_DIR"] = WindowsPath(ras);
  // Wine's own dial-up library, its menu builder and its browser and .NET installers stay out.
  std::string overrides = "mscoree,mshtml,winemenubuilder.exe=d";
  overrides += dialup == Dialup::kSimulated ? ";rasapi32=n" : ";rasapi32=d";
  env_["WINEDLLOVERRIDES"] = overrides;
  if (Unavailable().empty()) Regtool({"delete", "HKEY_CURRENT_USER\\Software\\Orvel"});
}

test::ChildOptions WineRun::Options() const {
  test::ChildOptions options;
  options.env = {
      {"WINEPREFIX", SIGNUP_WINE_PREFIX}, {"WINEDEBUG", "-all"}, {"DISPLAY", std::nullopt}};
  // Wine's WinInet would take a proxy from these; the tests name their proxy themselves.
  for (const char* name : test::kDesktopProxyVariables) options.env[name] = std::nullopt;
  // As Debian's wine sets it when it falls back to the 64-bit loader, for the programs Wine starts.
  if (ChosenLoader().win64) options.env["WINELOADER"] = ChosenLoader().command;
  for (const auto& [name, value] : env_) options.env[name] = value;
  return options;
}

test::ProgramResult WineRun::Run(const std::string& program,
                                 const std::vector<std::string>& args) const {
  return test::RunProgram(Command(program, args), Options());
}

pid_t WineRun::Start(const std::string& program, const std::vector<std::string>& args) const {
  const std::vector<std::string> argv = Command(program, args);
  // Its output goes to a file: a Wine process it starts (the desktop of a display) may outlive
  // it, and must not hold the test's own output open.
  test::ChildOptions options = Options();
  const std::string log = dir_.File(program + ".log");
  const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  options.stdout_fd = options.stderr_fd = fd;
  const pid_t pid = test::StartChild(argv, options);
  if (fd >= 0) close(fd);
  return pid;
}

bool WineRun::SetServers(const std::string& baseUrl) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\Servers";
  for (const char* name : {"SignupPage", "ProfilePage", "SearchPage"})
    if (Regtool({"set", key, name, "sz", baseUrl}).exit != 0) return false;
  return true;
}

std::optional<std::string> WineRun::Get(const std::string& key, const std::string& name) const {
  test::ProgramResult r = Regtool({"get", key, name});
  if (r.exit != 0) return std::nullopt;
  return TrimLine(r.out);
}

void WineRun::Prepare(const std::string& scenario, const std::string& name) {
  const std::string path = dir_.File(name + ".scn");
  test::WriteFile(path, scenario);
  std::remove(dir_.File(name + ".transcript").c_str());
  SetEnv("SIGNUP_SCENARIO", WindowsPath(path));
  SetEnv("SIGNUP_TRANSCRIPT", WindowsPath(dir_.File(name + ".transcript")));
}

pid_t WineRun::StartPlay(const std::string& scenario, const std::string& name) {
  Prepare(scenario, name);
  return Start(program_, {});
}

FlowResult WineRun::Finish(pid_t pid, const std::string& name) {
  FlowResult r;
  r.exitCode = test::WaitChild(pid);
  r.transcript = test::ReadFile(dir_.File(name + ".transcript"));
  return r;
}

FlowResult WineRun::Play(const std::string& scenario) {
  const std::string name = "play" + std::to_string(++plays_);
  Prepare(scenario, name);
  const test::ProgramResult run = Run(program_, {});
  FlowResult r;
  r.exitCode = run.exit;
  r.stderrText = run.err;
  r.transcript = test::ReadFile(dir_.File(name + ".transcript"));
  return r;
}

void ExpectStoredSignup(const WineRun& run) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass";
  EXPECT_EQ(run.Get(key + "\\Signup", "Name").value_or("<missing>"), "山田")
      << "Japanese text crosses the CP932 edge into the registry unharmed";
  EXPECT_EQ(run.Get(key + "\\Signup", "Kana").value_or("<missing>"), "ヤマダ");
  EXPECT_EQ(run.Get(key + "\\NetInfo", "LoginID").value_or("<missing>"), "taro01");
  for (const char* name : {"LoginPasswd", "E_mail", "Pop_host", "Smtp_host", "PrimaryDNS"})
    EXPECT_FALSE(run.Get(key + "\\NetInfo", name).value_or("").empty()) << name;
}

}  // namespace wine
