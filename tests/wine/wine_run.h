// The Windows build's programs run under Wine for the Linux build's tests: where they are, the
// shared Wine prefix the ctest fixture makes, Windows paths for Linux files, and a private world
// per test (the program's registry keys cleared, its own dial-up state folder).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/test_support.h"

namespace wine {

// Why the Wine tests cannot run on this machine, or "" when they can: Wine not installed, the
// prefix not made, or the Windows build missing (make windows).
std::string Unavailable();

// Skips the calling test with the reason when Wine tests cannot run here.
#define SKIP_WITHOUT_WINE()                                        \
  do {                                                             \
    if (const std::string why = wine::Unavailable(); !why.empty()) \
      GTEST_SKIP() << "Wine tests skipped: " << why;               \
  } while (0)

// A file of the Windows build (build-windows/bin/NAME), and whether it is the 64-bit one.
std::string BinPath(const std::string& name);
bool Win64();

// Why one of these Linux tools cannot be used, or "" when all are installed.
std::string MissingTool(const std::vector<std::string>& tools);

// The Windows path (drive Z:) of a Linux file or folder.
std::string WindowsPath(const std::string& path);

// A new signup from the start page to Finish and the mail-account dialog (the demo's scenario)
// over the connection chosen on the start page; a dial-up connection is confirmed first.
std::string NewSignup(const std::string& connection, bool dialup);

// Ends every program of the prefix and starts its server and services afresh (on both ends of
// its life), so that the desktop Wine keeps per prefix is made on the display of the next
// program that needs one, not left from a run for another display or for none.
class FreshDesktop {
 public:
  FreshDesktop() { ok_ = Restart(); }
  ~FreshDesktop() { Restart(); }
  FreshDesktop(const FreshDesktop&) = delete;
  FreshDesktop& operator=(const FreshDesktop&) = delete;
  bool ok() const { return ok_; }

 private:
  static bool Restart();
  bool ok_ = false;
};

// The dial-up library the programs find as "rasapi32.dll".
enum class Dialup {
  kSimulated,  // the build's rasapi32.dll beside signup.exe, instead of Wine's own
  kMissing,    // none at all
};

struct FlowResult {
  int exitCode = -1;
  std::string transcript;  // UTF-8
  std::string stderrText;
};

class WineRun {
 public:
  // Clears the program's registry keys (HKEY_CURRENT_USER\Software\Orvel) in the prefix.
  explicit WineRun(Dialup dialup = Dialup::kSimulated);
  WineRun(const WineRun&) = delete;
  WineRun& operator=(const WineRun&) = delete;

  // Extra environment for the programs (nullopt removes a variable).
  void SetEnv(const std::string& name, std::optional<std::string> value) { env_[name] = value; }
  // The base URL the program's Servers key names for all three servers.
  bool SetServers(const std::string& baseUrl);

  // The signup.exe the plays run: the build's, or an installed one (its Linux path).
  void SetProgram(const std::string& path) { program_ = path; }
  // Runs a program of the Windows build (e.g. "regtool.exe"), an installed one (its Linux path)
  // or one of Wine's own ("msiexec") to its end, output captured.
  test::ProgramResult Run(const std::string& program, const std::vector<std::string>& args) const;
  // Starts one and returns its pid at once (test::WaitChild collects it).
  pid_t Start(const std::string& program, const std::vector<std::string>& args) const;
  test::ProgramResult Regtool(const std::vector<std::string>& args) const {
    return Run("regtool.exe", args);
  }
  // rassim.exe on this run's dial-up state folder.
  test::ProgramResult Rassim(const std::vector<std::string>& args) const {
    return Run("rassim.exe", args);
  }
  // A modem of the simulated library, so that dial-up is possible and start-up is quiet.
  bool AddModem(const std::string& name) const {
    return Rassim({"add-device", name, "modem"}).exit == 0;
  }
  // A value as regtool.exe get prints it, without the line break; nullopt when it fails.
  std::optional<std::string> Get(const std::string& key, const std::string& name) const;

  // Plays a headless scenario (UTF-8) with signup.exe and waits for it to end.
  FlowResult Play(const std::string& scenario);
  // Starts signup.exe with the scenario and returns at once; Finish collects it.
  pid_t StartPlay(const std::string& scenario, const std::string& name);
  FlowResult Finish(pid_t pid, const std::string& name);

  const test::TempDir& dir() const { return dir_; }

 private:
  test::ChildOptions Options() const;
  // Writes the scenario and points SIGNUP_SCENARIO and SIGNUP_TRANSCRIPT at this run's files.
  void Prepare(const std::string& scenario, const std::string& name);

  test::TempDir dir_;
  std::map<std::string, std::optional<std::string>> env_;
  std::string program_ = "signup.exe";
  int plays_ = 0;
};

// Checks what a completed new signup (NewSignup) stored for the user and the network, read back
// with regtool.exe.
void ExpectStoredSignup(const WineRun& run);

}  // namespace wine
