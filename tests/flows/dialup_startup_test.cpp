// What start-up and shutdown of the whole program do with dial-up, played headless: LAN only
// when dial-up is unusable, and the signup entry and connections cleared when the wizard closes.
#include <gtest/gtest.h>

#include "dialup/RasLibrary.h"
#include "res/resources.h"
#include "support/flow_fixture.h"
#include "support/ras_fixture.h"

namespace {

const char* kLanOnlyStart = R"(
wait message "ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません"
answer ok
wait page 0
click 2
wait end
)";

// Runs the program against the fixture's simulated service.
test::FlowResult PlayWith(test::RasFixture& ras, const std::string& scenario) {
  test::FlowRun run;
  run.SetEnv("RASSIM_DIR", ras.dir());
  run.SetEnv("SIGNUP_RASAPI32", ras.library_path());
  return run.Play(scenario);
}

TEST(DialupStartupFlowTest, AnIncompleteLibraryMeansLanOnly) {
  test::RasFixture ras(test::RasFixture::Build::kIncomplete);
  ASSERT_TRUE(ras.AddModem("Modem A"));
  test::FlowResult r = PlayWith(ras, kLanOnlyStart);
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(r.transcript.rfind("message exclamation", 0), 0u) << "message 125 comes first";
}

TEST(DialupStartupFlowTest, ALibraryWithoutModemsMeansLanOnly) {
  test::RasFixture ras;
  ASSERT_TRUE(ras.AddDevice("Tunnel", "vpn"));
  test::FlowResult r = PlayWith(ras, kLanOnlyStart);
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
}

TEST(DialupStartupFlowTest, ClosingTheWizardRemovesTheSignupEntryAndHangsUp) {
  test::RasFixture ras;
  ASSERT_TRUE(ras.AddModem("Modem A"));
  ASSERT_NE(ras.Connect("Office"), 0u);
  {
    RasLibrary library;
    ASSERT_EQ(
        library.CreateEntry(res::String(14613), "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "123", ""),
        0u);
  }
  test::FlowResult r = PlayWith(ras, "wait page 0\nclick 2\nwait end\n");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(r.transcript.find("message "), std::string::npos) << "dial-up is usable";
  EXPECT_FALSE(ras.Entry(res::String(14613)).has_value()) << "the leftover entry is removed";
  EXPECT_TRUE(ras.ListedConnections().empty()) << "dial-up chosen: every connection ends";
}

}  // namespace
