// The pages of a new signup on their own, played through the built program against the
// stand-in: the start page's connection, the terms page's download (retry, a line end split
// between reads, disagreeing, cancelling mid-download), the user information page's rules and
// the signup's refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resources.h"
#include "support/flow_fixture.h"
#include "ui/framework.h"
#include "ui/headless/headless_backend.h"

namespace {

using test::kNetInfoKey;

constexpr char kTermsPath[] = "/signup_pc/kiyaku.txt";
constexpr char kSignupPath[] = "/signup_pc/signup_pc.cgi";

std::string U(UINT id) { return test::Utf8(res::String(id)); }

class SignupPagesFlowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(world.problem(), ""); }

  // The terms document exactly as the stand-in serves it (the fetch is not left in the log).
  std::string ServedTerms() {
    std::string served;
    EXPECT_EQ(world.provider.Control("GET", kTermsPath, "", &served), 200);
    EXPECT_TRUE(world.provider.ClearRequests());
    return served;
  }
  size_t RequestsTo(const std::string& path) {
    size_t n = 0;
    for (const auto& q : world.provider.Requests()) n += q.target == path;
    return n;
  }

  test::SignupWorld world;
  test::UserEntries entries;
};

// ---- Start page ------------------------------------------------------------------------------

TEST(StartPageFlowTest, StaysWithNextEnabledWhenTheDialIsDeclinedOrFails) {
  const struct {
    const char* what;
    const char* outcome;  // of the simulated dial
    std::string answer;   // from the connect question on
    int dials;
  } cases[] = {
      {"declined", "connect", "answer no\n", 0},
      {"busy", "error 676",
       "answer yes\nwait dialog 142\nwait message \"\"\nanswer ok\nwait enabled 1038\nclick 2\n",
       1},
  };
  for (const auto& c : cases) {
    test::SignupWorld world;
    ASSERT_EQ(world.problem(), "");
    ASSERT_TRUE(world.ras.SetOutcome(c.outcome));
    const test::FlowResult r = world.Play("wait page 0\nclick 0x3024\nwait message \"" +
                                          U(IDS_SIGNUP_SERVER_NAME) + "\"\n" + c.answer +
                                          "expect page 0\nexpect enabled 0x3024\nclick 2\nwait "
                                          "end\n");
    EXPECT_EQ(r.exitCode, 0) << c.what << "\n" << r.stderrText << r.transcript;
    EXPECT_EQ(test::TranscriptLines(r.transcript, "page "), std::vector<std::string>{"page 0"})
        << c.what;
    const auto dial = world.ras.LastDial();
    EXPECT_EQ(dial ? dial->number : 0, c.dials) << c.what;
    if (dial) {
      EXPECT_EQ(dial->user, res::String(IDS_SIGNUP_DIAL_USER)) << "the signup account";
    }
    EXPECT_TRUE(world.ras.ListedConnections().empty()) << c.what;
    EXPECT_TRUE(world.ras.Entries().empty()) << c.what;
    EXPECT_TRUE(world.provider.Requests().empty()) << c.what << ": the server was not reached";
  }
}

// ---- Terms page ------------------------------------------------------------------------------

TEST_F(SignupPagesFlowTest, ARetryAnsweredYesDownloadsAgainAndShowsOnlyTheNewText) {
  const std::string served = ServedTerms();
  ASSERT_TRUE(world.provider.SetFault(kTermsPath, {test::FaultKind::kStatus, 1, 500}));
  const test::FlowResult r = world.Play(std::string(test::scenario::kLanNext) + R"scn(
wait message "再試行しますか"
answer yes
wait enabled 0x3024
expect text 0x3024 "同意する(&A)"
expect text 0x3023 "同意しない(&N)"
print 1059
click 2
wait end
)scn");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find("status 1059 \"500 Internal Server Error\"\nstatus 1060"),
            std::string::npos)
      << "the first attempt shows the status line\n"
      << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "print "),
            std::vector<std::string>{test::PrintLine(1059, served)})
      << "the status line of the first attempt is gone";
  EXPECT_EQ(RequestsTo(kTermsPath), 2u);
}

TEST_F(SignupPagesFlowTest, ACrLfSplitBetweenTwoReadsIsOneLineEnd) {
  const std::string served = ServedTerms();
  // The first piece ends with the CR of the last line end within one read; its LF opens the
  // second piece.
  const size_t cr = served.rfind("\r\n", 2046);
  ASSERT_NE(cr, std::string::npos);
  test::Fault pieces{test::FaultKind::kPieces};
  pieces.piece = static_cast<int>(cr + 1);
  pieces.ms = 400;
  ASSERT_TRUE(world.provider.SetFault(kTermsPath, pieces));
  const test::FlowResult r = world.Play(std::string(test::scenario::kLanNext) +
                                        "wait enabled 0x3024\nprint 1059\nclick 2\nwait end\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  const std::vector<std::string> growth = test::TranscriptLines(r.transcript, "status 1059 ");
  ASSERT_GE(growth.size(), 2u);
  EXPECT_EQ(growth[0], "status 1059 " + ui::headless::Quote(served.substr(0, cr + 2)))
      << "the lone CR shows as a line end";
  EXPECT_EQ(test::TranscriptLines(r.transcript, "print "),
            std::vector<std::string>{test::PrintLine(1059, served)})
      << "the LF that follows adds no second line end";
}

TEST_F(SignupPagesFlowTest, DisagreeingEndsTheWizardWithTheCancelResult) {
  const test::FlowResult r = world.Play(std::string(test::scenario::kLanNext) + R"scn(
wait enabled 0x3023
expect text 0x3023 "同意しない(&N)"
click 0x3023
wait end
)scn");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find("page 1\n"), std::string::npos);
  EXPECT_EQ(r.transcript.find("page 0", r.transcript.find("page 1")), std::string::npos)
      << "not back to the start page";
  EXPECT_NE(r.transcript.find("sheet close cancel\nend 0\n"), std::string::npos) << r.transcript;
}

TEST_F(SignupPagesFlowTest, CancelDuringASlowDownloadEndsAtOnceAndLeavesNoConnectionOrEntry) {
  test::Fault slow{test::FaultKind::kPieces};
  slow.ms = 5000;
  ASSERT_TRUE(world.provider.SetFault(kTermsPath, slow));
  // The sleep after the click never completes: the program must have ended within a second of
  // virtual time, which the scenario reports as that line's failure.
  const test::FlowResult r = world.Play(R"(
wait page 0
click 0x3024
wait message "に接続します"
answer yes
wait text 1059 "第1条"
click 2
sleep 1000
wait end
)");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.stderrText.find("sleep 1000: the program has ended"), std::string::npos)
      << r.stderrText << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "status 1059 ").size(), 1u)
      << "the download stopped after the chunk being shown";
  EXPECT_EQ(r.transcript.find(U(IDS_TERMS_FAILED)), std::string::npos)
      << "nothing of the page is touched after the Cancel";
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message ").size(), 1u) << "no retry question";
  EXPECT_NE(r.transcript.find("sheet close cancel\n"), std::string::npos) << r.transcript;
  EXPECT_TRUE(world.ras.ListedConnections().empty());
  EXPECT_TRUE(world.ras.Entries().empty());
}

TEST_F(SignupPagesFlowTest, ATricklingServerCannotHoldTheTermsPageLongerThanItsTimeOuts) {
  test::Fault trickle{test::FaultKind::kPieces};
  trickle.piece = 1;
  trickle.ms = 1000;
  ASSERT_TRUE(world.provider.SetFault(kTermsPath, trickle));
  // Connecting, sending and receiving may take 10 + 15 + 30 s at most in all; the document at
  // this pace would take more than an hour.
  const test::FlowResult r = world.Play(std::string(test::scenario::kLanNext) +
                                        "wait message \"再試行しますか\"\nanswer no\nexpect text "
                                        "1060 \"" +
                                        U(IDS_TERMS_FAILED) + "\"\nclick 2\nwait end\n");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
}

TEST_F(SignupPagesFlowTest, AnEndlessTermsDocumentIsCutOffAsAFailedDownload) {
  ASSERT_TRUE(world.provider.SetFault(kTermsPath, {test::FaultKind::kEndless}));
  const test::FlowResult r = world.Play(std::string(test::scenario::kLanNext) +
                                        "wait message \"再試行しますか\"\nanswer no\nexpect text "
                                        "1060 \"" +
                                        U(IDS_TERMS_FAILED) + "\"\nclick 2\nwait end\n");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText;
}

// ---- User information page -------------------------------------------------------------------

TEST_F(SignupPagesFlowTest, TheUserPageCorrectsTheDateAndShowsTheCorrectionAfterBack) {
  const struct {
    const char *year, *month, *day;
    const char *shownYear, *shownMonth, *shownDay;
  } dates[] = {
      {"1799", "13", "32", "1980", "1", "1"},  {"3000", "0", "", "1980", "1", "1"},
      {"", "", "0", "1980", "1", "1"},         {"1800", "07", "31", "1800", "7", "31"},
      {"2999", "12", "05", "2999", "12", "5"}, {"1985", "+3", "9x", "1985", "3", "9"},
  };
  std::string scenario = std::string(test::scenario::kLanNext) + test::scenario::kAgree +
                         "wait page 2\n" + test::scenario::TypeUserEntries(entries);
  std::vector<std::string> expected;
  for (const auto& d : dates) {
    scenario += std::string("type 1045 \"") + d.year + "\"\ntype 1046 \"" + d.month +
                "\"\ntype 1047 \"" + d.day + "\"\nclick 0x3024\nwait page 3\nexpect text 1083 \"" +
                d.shownYear + "年" + d.shownMonth + "月" + d.shownDay +
                "日\"\nclick 0x3023\nwait page 2\nprint 1045\nprint 1046\nprint 1047\n";
    expected.push_back(test::PrintLine(1045, d.shownYear));
    expected.push_back(test::PrintLine(1046, d.shownMonth));
    expected.push_back(test::PrintLine(1047, d.shownDay));
  }
  const test::FlowResult r = world.Play(scenario + "click 2\nwait end\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "print "), expected);
  EXPECT_EQ(RequestsTo(kSignupPath), 0u) << "\"< いいえ(&N)\" sends nothing";
}

TEST_F(SignupPagesFlowTest, NextWaitsForEveryRequiredFieldAndDigitsAndAccountsTakeNoInputMethod) {
  // Required, in the order typed; the last one enables Next.
  const int required[] = {1040, 1041, 1043, 1044, 1050, 1048, 1049,
                          1052, 1053, 1054, 1055, 1056, 1057};
  std::string scenario = std::string(test::scenario::kLanNext) + test::scenario::kAgree +
                         "wait page 2\nexpect disabled 0x3024\n";
  for (int id : required)
    scenario += "expect disabled 0x3024\ntype " + std::to_string(id) + " \"7\"\n";
  // Building name, date, sex and entry code may stay empty; any required field emptied again
  // takes Next away.
  scenario +=
      "expect enabled 0x3024\ntype 1054 \"\"\nexpect disabled 0x3024\n"
      "type 1054 \"7\"\nexpect enabled 0x3024\ntype 1051 \"\"\ntype 1099 \"\"\n"
      "expect enabled 0x3024\n";
  for (int id : {1040, 1041, 1043, 1044, 1050, 1051})
    scenario += "focus " + std::to_string(id) + "\nexpect ime " + std::to_string(id) + " on\n";
  for (int id : {1045, 1046, 1047, 1048, 1049, 1052, 1053, 1054, 1055, 1056, 1057, 1099, 1100})
    scenario += "focus " + std::to_string(id) + "\nexpect ime " + std::to_string(id) + " off\n";
  // Each field takes as many bytes as its limit.
  const std::pair<int, size_t> limits[] = {
      {1040, 16}, {1041, 16}, {1043, 16}, {1044, 16}, {1045, 4}, {1046, 2}, {1047, 2},
      {1050, 50}, {1051, 42}, {1052, 6},  {1053, 5},  {1054, 5}, {1048, 3}, {1049, 4},
      {1055, 8},  {1056, 8},  {1057, 8},  {1099, 2},  {1100, 3}};
  const std::string typed(60, '8');
  std::vector<std::string> kept;
  for (const auto& [id, limit] : limits) {
    scenario +=
        "type " + std::to_string(id) + " \"" + typed + "\"\nprint " + std::to_string(id) + "\n";
    kept.push_back(test::PrintLine(id, typed.substr(0, limit)));
  }
  const test::FlowResult r = world.Play(scenario + "click 2\nwait end\n");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "print "), kept);
}

// ---- The signup's refusals -------------------------------------------------------------------

TEST_F(SignupPagesFlowTest, NoFreeAccountBringsTheServerMessageToTheAccountFieldAndANewNameWorks) {
  for (const std::string& taken : {entries.account, entries.account2, entries.account3})
    ASSERT_TRUE(world.provider.AddAccount(taken, "pw"));
  const test::FlowResult r =
      world.Play(std::string(test::scenario::kLanNext) + test::scenario::kAgree + "wait page 2\n" +
                 test::scenario::TypeUserEntries(entries) + R"scn(
click 0x3024
wait page 3
click 0x3024
wait message "(2)"
answer ok
wait page 2
expect focus 1055
expect text 1058 "(2)"
type 1055 "taro04"
click 0x3024
wait page 3
click 0x3024
wait page 4
expect text 1072 "taro04"
type 1062 "たろう"
click 0x3024
wait page 5
click 0x3024
)scn" + test::scenario::kFinish);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  // The server's own words, in the box and in the page's log, without a code of ours.
  const std::string refusal =
      "ご希望のアカウントはすべて使用されているか、使用できない文字列です。"
      "\r\n別のアカウントをご指定ください。(2)";
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message "),
            std::vector<std::string>{test::MessageLine("stop", test::Sjis(refusal))});
  EXPECT_NE(r.transcript.find("status 1058 " + ui::headless::Quote(test::Sjis(refusal + "\r\n"))),
            std::string::npos)
      << r.transcript;
  EXPECT_EQ(world.Get(kNetInfoKey, "LoginID"), "taro04");
  EXPECT_EQ(world.Get(test::kSignupKey, "MekoID"), "taro04") << "the entries are kept";
  EXPECT_EQ(RequestsTo(kSignupPath), 2u);
}

TEST_F(SignupPagesFlowTest, ASignupServerGoneAfterTheTermsIsATransportErrorWithItsCode) {
  ASSERT_TRUE(world.StoreUserEntries(entries));
  ASSERT_TRUE(world.provider.SetFault(kTermsPath, {test::FaultKind::kDown}));
  const test::FlowResult r =
      world.Play(std::string(test::scenario::kLanNext) + test::scenario::kAgree + R"(
wait page 2
type 1055 "taro09"
click 0x3024
wait page 3
click 0x3024
wait message "通信ｴﾗｰが発生しました"
answer ok
wait page 2
print 1058
click 2
wait end
)");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message "),
            std::vector<std::string>{
                test::MessageLine("stop", res::String(IDS_COMMUNICATION_ERROR) + "(#12029)")});
  EXPECT_EQ(test::TranscriptLines(r.transcript, "print "),
            std::vector<std::string>{
                test::PrintLine(1058, res::String(IDS_SIGNUP_ERROR) + "(#12029)\r\n")});
  // The entries as typed are kept for the next attempt, and nothing else is stored.
  const std::string after = world.run.Export();
  entries.account = "taro09";
  ASSERT_TRUE(world.StoreUserEntries(entries));
  EXPECT_EQ(after, world.run.Export());
}

}  // namespace
