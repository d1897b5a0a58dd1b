// Runs the built signup program headless under a scenario, in a private world: its own registry
// store, runtime folder (for the single-instance lock) and dial-up state, and returns what it did;
// and the whole world of a signup: the provider stand-in, a simulated modem and scenario pieces.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/provider_fixture.h"
#include "support/ras_fixture.h"
#include "support/test_support.h"

namespace test {

class TestCa;

struct FlowResult {
  int exitCode = -1;
  std::string transcript;  // UTF-8
  std::string stderrText;
};

class FlowRun {
 public:
  FlowRun();
  // The registry store file the program uses (seed it with regtool or the platform calls under
  // a ScopedEnv of SIGNUP_REGISTRY = registry()).
  const std::string& registry() const { return registry_; }
  const std::string& runtimeDir() const { return runtime_; }
  const std::string& rasDir() const { return ras_; }
  std::string deployment() const { return dir_.File("deployment.conf"); }
  // Extra environment for the program (e.g. SIGNUP_RASAPI32). By default SIGNUP_RASAPI32 names a
  // file that does not exist, so no dial-up library is found, and SIGNUP_DEPLOYMENT names
  // deployment() (absent until a test writes it).
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  // A command the program is started under (e.g. strace and its arguments, ending in "--").
  void SetWrapper(std::vector<std::string> argv) { wrapper_ = std::move(argv); }
  // Runs regtool with these arguments (no shell quoting) on this run's store; its exit code, and
  // what it printed on standard output and then error in `out`.
  int Regtool(const std::vector<std::string>& args, std::string* out = nullptr) const;
  // Imports REGEDIT4 text (UTF-8) into this run's store; false when regtool refuses it.
  bool Import(const std::string& regText);
  // The whole store as `regtool export` prints it.
  std::string Export() const;
  // Plays the scenario (UTF-8 text) and waits for the program to end.
  FlowResult Play(const std::string& scenario);
  // Starts the program with the scenario and returns at once (pid); WaitFor collects it.
  int Start(const std::string& scenario, const std::string& transcriptName);
  FlowResult WaitFor(int pid, const std::string& transcriptName);
  TempDir& dir() { return dir_; }

 private:
  TempDir dir_;
  std::string registry_, runtime_, ras_;
  std::map<std::string, std::string> env_;
  std::vector<std::string> wrapper_;
  int counter_ = 0;
};

// The program's registry keys, as .reg files and regtool write them.
inline constexpr char kSignupKey[] = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\Signup";
inline constexpr char kNetInfoKey[] = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo";
inline constexpr char kServersKey[] = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\Servers";

// What a person enters on the user information page (UTF-8). The defaults make a signup the
// stand-in accepts: a valid entry code, free account names, and an apartment name holding the
// form's separators, which must reach the server as they were typed.
struct UserEntries {
  std::string kana = "ヤマダ", kana2 = "タロウ", name = "山田", name2 = "太郎";
  std::string year = "1985", month = "4", day = "1";
  std::string sex = "male";  // as stored; the page shows "男" or "女"
  std::string zip = "100", zip2 = "0001";
  std::string address1 = "東京都千代田区1-1", address2 = "ﾒｿﾞﾝ&ｶﾞｰﾃﾞﾝ=2F+3F";
  std::string tel = "03", tel2 = "1234", tel3 = "5678";
  std::string account = "taro01", account2 = "taro02", account3 = "taro03";
  std::string entryCode = "12", entryCode2 = "345";
};

// Scenario pieces (UTF-8) for the wizard's pages.
namespace scenario {
// The start page with LAN chosen, then Next.
inline constexpr char kLanNext[] = "wait page 0\nselect 1089 \"<LAN接続>\"\nclick 0x3024\n";
// The terms page: once the terms are shown, agree.
inline constexpr char kAgree[] =
    "wait enabled 0x3024\nexpect text 1060 \"同意しますか\"\nexpect text 1059 \"第1条\"\nclick "
    "0x3024\n";
// The completion page: Finish, OK in the mail-account dialog, and the end.
inline constexpr char kFinish[] = "wait page 6\nclick 0x3025\nwait dialog 147\nclick 1\nwait end\n";
// Types every entry into the user information page and chooses the sex.
std::string TypeUserEntries(const UserEntries& e);
// The signup from the user information page to the communication-ID page, and on to the end with
// the communication name typed.
std::string SignupToEnd(const UserEntries& e, const std::string& commName);
}  // namespace scenario

// A signup's world: the provider stand-in (also over HTTPS with the given CA's certificates), a
// simulated dial-up service with one modem, and a run of the program whose Servers key points
// both servers at the stand-in over HTTP.
class SignupWorld {
 public:
  static constexpr char kModem[] = "Flow Modem";

  explicit SignupWorld(const TestCa* ca = nullptr);
  // Why the world is not ready; empty when it is.
  const std::string& problem() const { return problem_; }

  // Points SignupPage and ProfilePage at these base URLs.
  bool SetServers(const std::string& signupUrl, const std::string& profileUrl);
  // Stores the entries as an earlier signup attempt left them under the Signup key.
  bool StoreUserEntries(const UserEntries& e);
  // A value of the run's store as regtool prints it (UTF-8); nullopt when there is none.
  std::optional<std::string> Get(const std::string& key, const std::string& name) const;
  FlowResult Play(const std::string& scenario) { return run.Play(scenario); }

  ProviderFixture provider;
  RasFixture ras;
  FlowRun run;

 private:
  std::string problem_;
};

// What the stand-in knows of an account: its recovery reply, key ("03") to value (UTF-8); empty
// when the login is refused. The query is left out of the request log.
std::map<std::string, std::string> AccountOnServer(ProviderFixture& provider,
                                                   const std::string& login,
                                                   const std::string& password);
// The NetInfo values (as regtool prints them) the registry holds after a signup or recovery of
// an account the stand-in describes so: login, network and mail information and communication
// ID, the secrets scrambled.
std::map<std::string, std::string> StoredNetInfoOf(
    const std::map<std::string, std::string>& server);

// Quotes a REGEDIT4 string value (UTF-8).
std::string RegString(std::string_view value);
// The transcript lines that begin with `prefix`, in order, without their line breaks.
std::vector<std::string> TranscriptLines(const std::string& transcript, std::string_view prefix);
// How the transcript writes a message box of the program: icon, caption, text (CP932), buttons.
std::string MessageLine(std::string_view icon, const std::string& text,
                        std::string_view buttons = "ok");
// How the transcript writes `print ID` of a control holding `text` (CP932).
std::string PrintLine(int id, const std::string& text);

}  // namespace test
