// An existing account played through the built program against the stand-in: its communication
// ID obtained (existing-account mode), its connection information recovered (recovery mode, over
// LAN and over the modem), and the servers' refusals on the communication information page.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "res/resources.h"
#include "settings/SignSettings.h"
#include "support/flow_fixture.h"
#include "ui/framework.h"
#include "ui/headless/headless_backend.h"

namespace {

using test::kNetInfoKey;

constexpr char kTermsPath[] = "/signup_pc/kiyaku.txt";
constexpr char kRecoveryPath[] = "/profile_pc/rst/QXSRst_PCEIA.cgi";
constexpr char kCommIdPath[] = "/cmtool/menu/PC_IDGetEIA.cgi";
constexpr char kAccount[] = "hanako";
constexpr char kPassword[] = "hn260501";

std::string Scramble(const std::string& plain) { return CSignSettings::ScrambleText(plain, 1); }

// From the communication-ID page: Next, then "はい" on the communication information page.
constexpr char kNextAndYes[] = "click 0x3024\nwait page 5\nclick 0x3024\n";

// A world in which the stand-in has the account (without a communication ID yet).
void Prepare(test::SignupWorld& world) {
  ASSERT_EQ(world.problem(), "");
  ASSERT_TRUE(world.provider.AddAccount(kAccount, kPassword));
}

// The registry after a successful run holds what the server knows of the account, with the
// communication name it has.
void ExpectStoredAsOnServer(test::SignupWorld& world, const std::string& commName) {
  const auto server = test::AccountOnServer(world.provider, kAccount, kPassword);
  ASSERT_FALSE(server.empty());
  EXPECT_NE(server.at("17"), "") << "the account has its communication ID now";
  EXPECT_EQ(server.at("19"), commName);
  for (const auto& [name, value] : test::StoredNetInfoOf(server))
    EXPECT_EQ(world.Get(kNetInfoKey, name).value_or("<missing>"), value) << name;
}

// The requests the stand-in received, as "METHOD path", oldest first.
std::vector<std::string> Requests(test::SignupWorld& world) {
  std::vector<std::string> out;
  for (const auto& q : world.provider.Requests()) out.push_back(q.method + " " + q.target);
  return out;
}

// A machine where the account signed up before: its login stored, the rest stale.
bool StoreLogin(test::SignupWorld& world, const std::string& connectType) {
  return world.run.Import(std::string("REGEDIT4\n\n[") + kNetInfoKey + "]\n\"LoginID\"=\"" +
                          kAccount + "\"\n\"LoginPasswd\"=\"" + Scramble(kPassword) +
                          "\"\n\"PrimaryDNS\"=\"198.51.100.1\"\n\"ConnectType\"=\"" + connectType +
                          "\"\n\"ModemName\"=\"" + test::SignupWorld::kModem + "\"\n");
}

// Existing-account mode up to the communication-ID page.
std::string ExistingAccountToCommunicationIdPage() {
  return std::string("wait page 0\nclick 1087\nselect 1089 \"<LAN接続>\"\nclick 0x3024\n") +
         test::scenario::kAgree + "wait page 4\n";
}

// The login typed on the communication-ID page.
std::string TypeLogin(const std::string& password, const std::string& commName) {
  return std::string("type 1072 \"") + kAccount + "\"\ntype 1073 \"" + password +
         "\"\ntype 1062 \"" + commName + "\"\n";
}

TEST(AccountFlowTest, AnExistingAccountAgreesToTheTermsThenObtainsItsCommunicationId) {
  test::SignupWorld world;
  ASSERT_NO_FATAL_FAILURE(Prepare(world));
  const test::FlowResult r = world.Play(ExistingAccountToCommunicationIdPage() + R"scn(
expect text 1061 "登録情報の復旧(再設定)を行います"
expect enabled 0x3023
expect disabled 2
expect disabled 0x3024
expect ime 1072 off
expect ime 1073 off
type 1072 "hanako"
type 1073 "hn260501"
expect disabled 0x3024
type 1062 "はなこ"
expect enabled 0x3024
click 0x3024
wait page 5
expect text 1093 "接続情報の復旧（再設定）を行います"
expect text 1092 "ﾊﾟｽﾜｰﾄﾞ: hn260501"
click 0x3024
)scn" + test::scenario::kFinish);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "page "),
            (std::vector<std::string>{"page 0", "page 1", "page 4", "page 5", "page 6"}));
  EXPECT_EQ(Requests(world), (std::vector<std::string>{"GET " + std::string(kTermsPath),
                                                       "POST " + std::string(kRecoveryPath),
                                                       "POST " + std::string(kCommIdPath)}));
  ExpectStoredAsOnServer(world, "はなこ");
  EXPECT_FALSE(world.ras.LastDial().has_value());
}

TEST(AccountFlowTest, RecoveryRestoresTheStoredAccountOverLanOrTheModemWithoutTheTerms) {
  const struct {
    const char* connectType;
    std::string start;    // the start page
    std::string connect;  // after the communication information page's "はい"
  } cases[] = {
      {"Lan", "", ""},
      // The first recovery fails: the retry uses the connection the first one brought up.
      {"Dialup", "expect text 1089 \"Flow Modem\"\n",
       "wait message \"に接続します\"\nanswer yes\nwait dialog 142\nwait message \"(#500)\"\n"
       "answer ok\nwait page 4\nclick 0x3024\nwait page 5\nclick 0x3024\n"},
  };
  for (const auto& c : cases) {
    test::SignupWorld world;
    ASSERT_NO_FATAL_FAILURE(Prepare(world));
    ASSERT_TRUE(StoreLogin(world, c.connectType));
    const bool retry = !c.connect.empty();
    ASSERT_TRUE(!retry || world.provider.SetFault(kRecoveryPath, {test::FaultKind::kStatus}));
    const test::FlowResult r = world.Play(
        "wait page 0\nexpect disabled 1086\nexpect disabled "
        "1087\nexpect enabled 1088\nexpect checked 1088\n" +
        c.start + "click 0x3024\nwait page 4\n" + R"scn(
expect text 1072 "hanako"
expect enabled 0x3023
type 1062 "はなこ"
click 0x3024
wait page 5
click 0x3024
)scn" + c.connect +
        test::scenario::kFinish);
    ASSERT_EQ(r.exitCode, 0) << c.connectType << "\n" << r.stderrText << r.transcript;
    std::vector<std::string> pages = {"page 0", "page 4", "page 5", "page 4", "page 5", "page 6"};
    if (!retry) pages.erase(pages.begin() + 3, pages.begin() + 5);
    EXPECT_EQ(test::TranscriptLines(r.transcript, "page "), pages) << c.connectType;
    std::vector<std::string> expected(retry ? 2 : 1, "POST " + std::string(kRecoveryPath));
    expected.push_back("POST " + std::string(kCommIdPath));
    EXPECT_EQ(Requests(world), expected) << c.connectType << ": no terms in recovery mode";
    ExpectStoredAsOnServer(world, "はなこ");
    const auto dial = world.ras.LastDial();
    if (c.connect.empty()) {
      EXPECT_FALSE(dial.has_value()) << "LAN: nothing is dialled";
    } else {
      ASSERT_TRUE(dial.has_value());
      EXPECT_EQ(dial->number, 1);
      EXPECT_EQ(dial->user, res::String(IDS_RECOVERY_DIAL_USER));
      EXPECT_EQ(dial->password, res::String(IDS_RECOVERY_DIAL_PASSWORD));
    }
    EXPECT_TRUE(world.ras.ListedConnections().empty()) << c.connectType;
    EXPECT_TRUE(world.ras.Entries().empty()) << c.connectType;
  }
}

TEST(AccountFlowTest, AnAccountWithACommunicationIdSendsNoRequestAndTakesTheNameFromTheServer) {
  test::SignupWorld world;
  ASSERT_NO_FATAL_FAILURE(Prepare(world));
  std::string issued;
  ASSERT_EQ(world.provider.Control("POST", kCommIdPath,
                                   std::string("s_id=") + kAccount + "&login_id=" + kAccount +
                                       "&login_password=" + kPassword +
                                       "&n_name=" + test::FormEscape(test::Sjis("はなちゃん")),
                                   &issued),
            200);
  ASSERT_NE(issued.find("17:PL"), std::string::npos) << issued;
  ASSERT_TRUE(world.provider.ClearRequests());
  ASSERT_TRUE(StoreLogin(world, "Lan"));
  const test::FlowResult r =
      world.Play(std::string("wait page 0\nclick 0x3024\nwait page 4\n") +
                 "type 1062 \"別の名前\"\n" + kNextAndYes + test::scenario::kFinish);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(Requests(world), std::vector<std::string>{"POST " + std::string(kRecoveryPath)});
  ExpectStoredAsOnServer(world, "はなちゃん");
}

TEST(AccountFlowTest, WhatWasTypedOnTheCommunicationIdPageSurvivesBackAndForth) {
  // Existing-account mode goes back to the terms, recovery mode to the start page.
  const struct {
    const char* mode;
    bool loginStored;
    std::string there, back;
  } cases[] = {
      {"existing account", false, ExistingAccountToCommunicationIdPage(),
       std::string("wait page 1\n") + test::scenario::kAgree},
      {"recovery", true, "wait page 0\nselect 1089 \"<LAN接続>\"\nclick 0x3024\nwait page 4\n",
       "wait page 0\nclick 0x3024\n"},
  };
  for (const auto& c : cases) {
    test::SignupWorld world;
    ASSERT_NO_FATAL_FAILURE(Prepare(world));
    if (c.loginStored) {
      ASSERT_TRUE(world.run.Import(std::string("REGEDIT4\n\n[") + kNetInfoKey +
                                   "]\n\"LoginID\"=\"someone\"\n"));
    }
    const test::FlowResult r =
        world.Play(c.there + TypeLogin(kPassword, "はなこ") + "expect disabled 2\nclick 0x3023\n" +
                   c.back + "wait page 4\nprint 1072\nprint 1073\nprint 1062\n" + kNextAndYes +
                   test::scenario::kFinish);
    ASSERT_EQ(r.exitCode, 0) << c.mode << "\n" << r.stderrText << r.transcript;
    EXPECT_EQ(
        test::TranscriptLines(r.transcript, "print "),
        (std::vector<std::string>{test::PrintLine(1072, kAccount), test::PrintLine(1073, kPassword),
                                  test::PrintLine(1062, test::Sjis("はなこ"))}))
        << c.mode;
    const auto requests = Requests(world);
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "GET " + std::string(kTermsPath)),
              c.loginStored ? 0 : 1)
        << c.mode << ": the terms are downloaded once a run";
    ExpectStoredAsOnServer(world, "はなこ");
  }
}

// ---- Refusals on the communication information page --------------------------------------

TEST(AccountFlowTest, ASecondCommunicationIdRequestIsRefusedThenTheNextAttemptFindsTheId) {
  test::SignupWorld world;
  ASSERT_NO_FATAL_FAILURE(Prepare(world));
  // The stand-in gets the request twice: the first issues the ID, the second is refused.
  ASSERT_TRUE(world.provider.SetFault(kCommIdPath, {test::FaultKind::kDuplicate}));
  const test::FlowResult r = world.Play(ExistingAccountToCommunicationIdPage() +
                                        TypeLogin(kPassword, "はなこ") + kNextAndYes +
                                        R"scn(
wait message "(7)"
answer ok
wait page 4
expect text 1062 "はなこ"
click 0x3024
wait page 5
click 0x3024
)scn" + test::scenario::kFinish);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  const std::string refusal = test::Sjis("コミュニケーションIDは既に取得済みです。(7)");
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message "),
            std::vector<std::string>{test::MessageLine("stop", refusal)});
  EXPECT_NE(
      r.transcript.find("status 1061 " + ui::headless::Quote(res::String(IDS_RECOVERY_NOTICE) +
                                                             "\r\n" + refusal + "\r\n")),
      std::string::npos)
      << "the communication-ID page tells once more\n"
      << r.transcript;
  EXPECT_EQ(Requests(world),
            (std::vector<std::string>{
                "GET " + std::string(kTermsPath), "POST " + std::string(kRecoveryPath),
                "POST " + std::string(kCommIdPath), "POST " + std::string(kRecoveryPath)}))
      << "the second attempt verifies again and finds the ID";
  ExpectStoredAsOnServer(world, "はなこ");
}

TEST(AccountFlowTest, ARefusedRecoveryShowsTheServerMessageAndTheCorrectedLoginGoesThrough) {
  test::SignupWorld world;
  ASSERT_NO_FATAL_FAILURE(Prepare(world));
  const test::FlowResult r = world.Play(ExistingAccountToCommunicationIdPage() +
                                        TypeLogin("wrong", "はなこ") + kNextAndYes +
                                        R"scn(
wait message "(5)"
answer ok
wait page 4
expect text 1072 "hanako"
type 1073 "hn260501"
)scn" + kNextAndYes + test::scenario::kFinish);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  const std::string refusal = test::Sjis("ログインIDまたはパスワードが正しくありません。(5)");
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message "),
            std::vector<std::string>{test::MessageLine("stop", refusal)});
  EXPECT_NE(r.transcript.find(ui::headless::Quote(refusal + "\r\n").substr(1)), std::string::npos);
  ExpectStoredAsOnServer(world, "はなこ");
}

TEST(AccountFlowTest, AnUnreachableProfileServerIsReportedAgainOnTheCommunicationIdPage) {
  // The new-signup mode names the signup, the others the recovery; the connection is refused.
  const struct {
    const char* mode;
    std::string toTransactions;
    std::string afterwards;  // from the communication-ID page to the end
    UINT notice, error;
  } cases[] = {
      {"new signup",
       std::string(test::scenario::kLanNext) + test::scenario::kAgree + "wait page 2\n" +
           test::scenario::TypeUserEntries({}) +
           "click 0x3024\nwait page 3\nclick 0x3024\nwait page 4\ntype 1062 \"たろう\"\n" +
           kNextAndYes,
       "click 0x3024\nwait page 5\nclick 2\nwait end\n", IDS_SIGNUP_DONE, IDS_SIGNUP_ERROR},
      {"existing account",
       ExistingAccountToCommunicationIdPage() + TypeLogin(kPassword, "はなこ") + kNextAndYes,
       "click 0x3023\nwait page 1\nclick 2\nwait end\n", IDS_RECOVERY_NOTICE, IDS_RECOVERY_ERROR},
  };
  for (const auto& c : cases) {
    test::SignupWorld world;
    ASSERT_NO_FATAL_FAILURE(Prepare(world));
    ASSERT_TRUE(
        world.SetServers(world.provider.HttpUrl(),
                         "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/"));
    const test::FlowResult r =
        world.Play(c.toTransactions + "wait message \"\"\nanswer ok\nwait page 4\nprint 1061\n" +
                   c.afterwards);
    ASSERT_EQ(r.exitCode, 0) << c.mode << "\n" << r.stderrText << r.transcript;
    const std::string error = res::String(c.error) + "(#12029)";
    EXPECT_EQ(test::TranscriptLines(r.transcript, "message "),
              std::vector<std::string>{test::MessageLine("stop", error.substr(2))})
        << c.mode << ": the box without the log's opening line break";
    EXPECT_EQ(test::TranscriptLines(r.transcript, "print "),
              std::vector<std::string>{
                  test::PrintLine(1061, res::String(c.notice) + "\r\n" + error + "\r\n")})
        << c.mode;
    EXPECT_EQ(world.Get(kNetInfoKey, "Comm_id").value_or(""), "") << c.mode;
  }
}

}  // namespace
