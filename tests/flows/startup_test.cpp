// Start-up and shutdown of the whole program, played headless.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/system.h"
#include "support/flow_fixture.h"
#include "support/loopback_server.h"

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

TEST(StartupFlowTest, WhatAVariableNamesIsUsedOnlyAsARegularFileAndTheRunSaysWhy) {
  // Takes the TCP connection of an HTTPS request and never answers, as a TLS port that hangs.
  test::LoopbackServer tls([](test::LoopbackServer::Connection& c) { c.HoldUntilClosed(); }, false);
  const std::string lanOnly = "wait message \"LAN接続のみ\"\nanswer ok\n";
  const struct {
    const char* variable;
    std::string file;  // "fifo": a named pipe
    std::string scenario;
    int exit;
    const char* said;  // on standard error
  } cases[] = {
      {"SIGNUP_RASAPI32", "fifo", lanOnly + "click 2\nwait end\n", 0, "SIGNUP_RASAPI32 names"},
      {"SIGNUP_CA_BUNDLE", "fifo",
       lanOnly + test::scenario::kLanNext +
           "wait message \"再試行しますか\"\nanswer no\nexpect text 1060 \"(#12157)\"\nclick "
           "2\nwait end\n",
       0, "SIGNUP_CA_BUNDLE names"},
      {"SIGNUP_TRANSCRIPT", "fifo", "wait end\n", 2, "SIGNUP_TRANSCRIPT names"},
      {"SIGNUP_TRANSCRIPT", "no-such-folder/run.transcript", "wait end\n", 2, "No such file"},
      {"SIGNUP_TRANSCRIPT", "/dev/full", lanOnly + "click 2\nwait end\n", 2, "cannot be written"},
  };
  for (const auto& c : cases) {
    test::FlowRun run;
    const std::string path = c.file[0] == '/' ? c.file : run.dir().File(c.file);
    ASSERT_TRUE(c.file != "fifo" || mkfifo(path.c_str(), 0600) == 0);
    run.SetEnv(c.variable, path);
    ASSERT_TRUE(run.Import("REGEDIT4\n\n[" + std::string(test::kServersKey) +
                           "]\n\"SignupPage\"=\"https://127.0.0.1:" + std::to_string(tls.port()) +
                           "/\"\n"));
    const test::FlowResult r = run.Play(c.scenario);
    EXPECT_EQ(r.exitCode, c.exit) << c.variable << " " << c.file << "\n" << r.stderrText;
    EXPECT_NE(r.stderrText.find(c.said), std::string::npos) << c.variable << ": " << r.stderrText;
  }
}

}  // namespace
