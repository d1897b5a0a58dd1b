// The Windows build played headless under Wine against the provider stand-in running on Linux:
// start-up without a dial-up library and with a copy already running, and a complete new signup
// over LAN and over the simulated rasapi32.dll, with the registry read back by regtool.exe.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "settings/SignSettings.h"
#include "support/flow_fixture.h"
#include "support/provider_fixture.h"
#include "wine_run.h"

namespace {

// Waits (bounded) until the provider has received a request for `path`.
bool ReceivedRequestFor(test::ProviderFixture& provider, const std::string& path) {
  for (int i = 0; i < 1200; ++i) {
    for (const test::RecordedRequest& r : provider.Requests())
      if (r.target == path) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

class WineFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_WINE();
    ASSERT_TRUE(provider.ok()) << provider.error();
  }
  test::ProviderFixture provider;
};

TEST_F(WineFlowTest, WithoutUsableDialupMessage125ComesOnceAndTheWizardOpens) {
  const std::string box =
      "message exclamation \"Signup\" \"ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません\\r\\n"
      "LAN接続のみ有効となります\" ok";
  const struct {
    const char* situation;
    wine::Dialup dialup;
    const char* library;  // SIGNUP_RASAPI32, beside the programs
    bool modem;
  } cases[] = {
      {"no rasapi32.dll at all", wine::Dialup::kMissing, nullptr, true},
      {"a library lacking an entry point", wine::Dialup::kSimulated, "rasapi32_incomplete.dll",
       true},
      {"no modem", wine::Dialup::kSimulated, nullptr, false},
  };
  for (const auto& c : cases) {
    wine::WineRun run(c.dialup);
    if (c.library) run.SetEnv("SIGNUP_RASAPI32", wine::WindowsPath(wine::BinPath(c.library)));
    if (c.modem) {
      ASSERT_TRUE(run.AddModem("Wine Modem")) << c.situation;
    }
    const wine::FlowResult r = run.Play(R"(wait message "ﾀﾞｲﾔﾙｱｯﾌﾟに必要な"
answer ok
wait page 0
click 2
wait end
)");
    EXPECT_EQ(r.exitCode, 0) << c.situation << "\n" << r.stderrText << r.transcript;
    const size_t first = r.transcript.find(box);
    EXPECT_NE(first, std::string::npos) << c.situation << "\n" << r.transcript;
    EXPECT_EQ(r.transcript.find(box, first + 1), std::string::npos)
        << c.situation << ": once only\n"
        << r.transcript;
  }
}

TEST_F(WineFlowTest, ASecondCopyEndsSilentlyWhileTheFirstRuns) {
  wine::WineRun run;
  ASSERT_TRUE(run.AddModem("Wine Modem"));
  ASSERT_TRUE(run.SetServers(provider.HttpUrl()));
  // The first copy stays in its terms download, holding the named mutex.
  ASSERT_TRUE(provider.SetFault("/signup_pc/kiyaku.txt", {test::FaultKind::kSilent, 0}));
  const pid_t first = run.StartPlay(
      "wait page 0\nselect 1089 \"<LAN接続>\"\nclick 0x3024\n"
      "wait page 2\n",
      "first");
  ASSERT_GT(first, 0);
  ASSERT_TRUE(ReceivedRequestFor(provider, "/signup_pc/kiyaku.txt"));

  const wine::FlowResult second = run.Play("wait end\n");
  EXPECT_EQ(second.exitCode, 0) << second.stderrText << second.transcript;
  EXPECT_EQ(second.transcript, "") << "the second copy shows nothing";

  test::StopChild(first, SIGKILL);
}

TEST_F(WineFlowTest, ANewSignupOverLanStoresTheNetworkInformation) {
  wine::WineRun run;
  ASSERT_TRUE(run.AddModem("Wine Modem"));
  ASSERT_TRUE(run.SetServers(provider.HttpUrl()));
  const wine::FlowResult r = run.Play(wine::NewSignup("<LAN接続>", false));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  wine::ExpectStoredSignup(run);
}

TEST_F(WineFlowTest, ANewSignupOverTheSimulatedDialupLibraryDialsAndHangsUp) {
  wine::WineRun run(wine::Dialup::kSimulated);
  ASSERT_TRUE(run.AddModem("Wine Modem"));
  ASSERT_TRUE(run.SetServers(provider.HttpUrl()));
  const wine::FlowResult r = run.Play(wine::NewSignup("Wine Modem", true));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find("dialog 142 open"), std::string::npos)
      << "the progress dialog dialled: " << r.transcript;
  wine::ExpectStoredSignup(run);

  const test::ProgramResult dial = run.Rassim({"last-dial"});
  EXPECT_NE(dial.out.find("Wine Modem"), std::string::npos) << dial.out << dial.err;
  EXPECT_EQ(run.Rassim({"connections"}).out.find("connected"), std::string::npos)
      << "every connection is hung up at the end";
  EXPECT_EQ(run.Rassim({"entries"}).out.find("ORVEL parlanza signup"), std::string::npos)
      << "the signup phone-book entry is deleted";
}

TEST_F(WineFlowTest, AKillInsideTheAccountSaveLeavesTheOldOrTheNewSetWholeAtTheNextStart) {
  // Points of the account's save (the run's second set) in the registry: its record's key, the
  // record, the first, a middle and the last value, the record's removal, and past its end.
  for (const int point : {1, 2, 3, 16, 30, 31, 40}) {
    SCOPED_TRACE("killed at point " + std::to_string(point));
    test::ProviderFixture server;
    wine::WineRun run;
    ASSERT_TRUE(run.AddModem("Wine Modem"));
    ASSERT_TRUE(run.SetServers(server.HttpUrl()));
    ASSERT_EQ(run.Regtool({"set", test::kNetInfoKey, "ModemName", "sz", "Old Modem"}).exit, 0);
    run.SetEnv("SIGNUP_REGISTRY_FAULT", "kill:2:" + std::to_string(point));
    const wine::FlowResult killed = run.Play(wine::NewSignup("<LAN接続>", false));
    EXPECT_EQ(killed.exitCode == 0, point == 40) << killed.transcript;
    // The next start completes a recorded set before it reads the settings.
    run.SetEnv("SIGNUP_REGISTRY_FAULT", std::nullopt);
    EXPECT_EQ(run.Play("wait page 0\nclick 2\nwait end\n").exitCode, 0);
    const std::string login = run.Get(test::kNetInfoKey, "LoginID").value_or("");
    if (login.empty()) {
      EXPECT_EQ(run.Get(test::kNetInfoKey, "PrimaryDNS"), std::nullopt) << "the old set whole";
    } else {
      const auto account = test::AccountOnServer(
          server, login,
          CSignSettings::ScrambleText(run.Get(test::kNetInfoKey, "LoginPasswd").value_or(""), 0));
      ASSERT_FALSE(account.empty()) << login;
      for (const auto& [name, value] : test::StoredNetInfoOf(account))
        EXPECT_EQ(run.Get(test::kNetInfoKey, name).value_or("(none)"), value) << name;
    }
    EXPECT_EQ(run.Get(test::kNetInfoKey, "ModemName"), "Old Modem");
    EXPECT_NE(run.Regtool({"export", std::string(test::kNetInfoKey) + "\\PendingSave"}).exit, 0)
        << "no record is left";
  }
}

}  // namespace
