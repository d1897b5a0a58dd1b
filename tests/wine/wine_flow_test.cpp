// The Windows build played headless under Wine against the provider stand-in running on Linux:
// start-up without a dial-up library and with a copy already running, and a complete new signup
// over LAN and over the simulated rasapi32.dll, with the registry read back by regtool.exe.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/provider_fixture.h"
#include "wine_run.h"

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass";

// A new signup from the start page to Finish and the mail-account dialog, over the connection
// chosen on the start page (the demo's scenario, with the connection as a parameter); a dial-up
// connection is confirmed first.
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
  // The simulated library with one modem, so that dial-up is possible and start-up is quiet.
  static void AddModem(const wine::WineRun& run) {
    ASSERT_EQ(run.Rassim({"add-device", "Wine Modem", "modem"}).exit, 0);
  }
  // Every value the signup stores for the user and the network, as they are read back.
  void ExpectStoredSignup(const wine::WineRun& run) {
    EXPECT_EQ(run.Get(kKey + "\\Signup", "Name").value_or("<missing>"), "山田")
        << "Japanese text crosses the CP932 edge into the registry unharmed";
    EXPECT_EQ(run.Get(kKey + "\\Signup", "Kana").value_or("<missing>"), "ヤマダ");
    EXPECT_EQ(run.Get(kKey + "\\NetInfo", "LoginID").value_or("<missing>"), "taro01");
    for (const char* name : {"LoginPasswd", "E_mail", "Pop_host", "Smtp_host", "PrimaryDNS"})
      EXPECT_FALSE(run.Get(kKey + "\\NetInfo", name).value_or("").empty()) << name;
  }

  test::ProviderFixture provider;
};

TEST_F(WineFlowTest, WithoutADialupLibraryMessage125ComesOnceAndTheWizardOpens) {
  wine::WineRun run(wine::Dialup::kMissing);
  const wine::FlowResult r = run.Play(R"(wait message "ﾀﾞｲﾔﾙｱｯﾌﾟに必要な"
answer ok
wait page 0
click 2
wait end
)");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find("message exclamation \"Signup\" \"ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが"
                              "見つかりません\\r\\nLAN接続のみ有効となります\" ok"),
            std::string::npos)
      << r.transcript;
}

TEST_F(WineFlowTest, ASecondCopyEndsSilentlyWhileTheFirstRuns) {
  wine::WineRun run;
  AddModem(run);
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
  AddModem(run);
  ASSERT_TRUE(run.SetServers(provider.HttpUrl()));
  const wine::FlowResult r = run.Play(NewSignup("<LAN接続>", false));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  ExpectStoredSignup(run);
}

TEST_F(WineFlowTest, ANewSignupOverTheSimulatedDialupLibraryDialsAndHangsUp) {
  wine::WineRun run(wine::Dialup::kSimulated);
  AddModem(run);
  ASSERT_TRUE(run.SetServers(provider.HttpUrl()));
  const wine::FlowResult r = run.Play(NewSignup("Wine Modem", true));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find("dialog 142 open"), std::string::npos)
      << "the progress dialog dialled: " << r.transcript;
  ExpectStoredSignup(run);

  const test::ProgramResult dial = run.Rassim({"last-dial"});
  EXPECT_NE(dial.out.find("Wine Modem"), std::string::npos) << dial.out << dial.err;
  EXPECT_EQ(run.Rassim({"connections"}).out.find("connected"), std::string::npos)
      << "every connection is hung up at the end";
  EXPECT_EQ(run.Rassim({"entries"}).out.find("ORVEL parlanza signup"), std::string::npos)
      << "the signup phone-book entry is deleted";
}

}  // namespace
