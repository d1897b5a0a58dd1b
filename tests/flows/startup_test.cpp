// Start-up and shutdown of the whole program, played headless.
#include <gtest/gtest.h>

#include "platform/system.h"
#include "support/flow_fixture.h"

namespace {

TEST(StartupFlowTest, WithoutDialupLibraryShowsMessage125ThenThePagesAndCancelEndsCleanly) {
  test::FlowRun run;
  test::FlowResult r = run.Play(R"(
wait message "ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません"
answer ok
wait page 0
expect page 0
click 2
wait end
)");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  const std::string expected =
      "message exclamation \"Signup\" "
      "\"ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません\\r\\nLAN接続のみ有効となります\" ok\n"
      "answer ok\n"
      "sheet open\n"
      "page 0\n";
  EXPECT_EQ(r.transcript.substr(0, expected.size()), expected) << r.transcript;
  EXPECT_NE(r.transcript.find("sheet close cancel\nend 0\n"), std::string::npos) << r.transcript;
}

TEST(StartupFlowTest, SecondCopyEndsAtOnceWithoutWindowOrTranscript) {
  test::FlowRun run;
  // The first copy is this test holding the single-instance marker in the same runtime folder.
  test::ScopedEnv runtime("XDG_RUNTIME_DIR", run.runtimeDir());
  HANDLE first = CreateMutexA(nullptr, FALSE, "PARLANZA_SIGNUP_RUNNING");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  test::FlowResult second = run.Play("wait end\n");
  CloseHandle(first);
  EXPECT_EQ(second.exitCode, 0) << second.stderrText;
  EXPECT_TRUE(second.transcript.empty()) << second.transcript;
}

TEST(StartupFlowTest, ScenarioFailureNamesTheLineAndStillCleansUp) {
  test::FlowRun run;
  test::FlowResult r = run.Play(R"(answer ok
wait page 0
click 0x3024
expect page 3
)");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.stderrText.find("line 4"), std::string::npos) << r.stderrText;
  EXPECT_NE(r.transcript.find("sheet close cancel"), std::string::npos) << r.transcript;
}

TEST(StartupFlowTest, AMessageBoxDuringAWaitEndsThatWaitAsAFailure) {
  test::FlowRun run;
  test::FlowResult r = run.Play("wait page 0\n");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.stderrText.find("a message box came up"), std::string::npos) << r.stderrText;
}

TEST(StartupFlowTest, ATranscriptThatCannotBeWrittenFailsTheRunAndSaysSo) {
  test::FlowRun run;
  run.SetEnv("SIGNUP_TRANSCRIPT", "/dev/full");
  const test::FlowResult r = run.Play("wait message \"LAN\"\nanswer ok\nclick 2\nwait end\n");
  EXPECT_EQ(r.exitCode, 2) << r.stderrText;
  EXPECT_NE(r.stderrText.find("transcript (SIGNUP_TRANSCRIPT"), std::string::npos) << r.stderrText;
}

}  // namespace
