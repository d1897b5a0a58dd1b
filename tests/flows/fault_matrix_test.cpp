// The fault matrix: every request the wizard makes (terms, signup, recovery, communication ID)
// against every way the stand-in can fail, played through the built program. Each cell checks
// what the user is told, where the wizard stands afterwards, and that a failed step leaves the
// registry exactly as it was before it. One table drives every cell; each cell is a test of its
// own, so the cells that wait out the 30-second receive time-out run side by side.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "res/resources.h"
#include "support/flow_fixture.h"
#include "support/test_ca.h"
#include "ui/framework.h"

namespace {

using test::FaultKind;

enum class Step { kTerms, kSignup, kRecovery, kCommId };

enum class Fault {
  kStatus302,
  kStatus404,
  kStatus500,
  kSilent,
  kCut,
  kMalformed,
  kPieces,
  kLong,
  kNoLength,
  kEmpty,
  kExpiredCert,
  kWrongHostCert,
};

// What the user meets: the step goes through, or fails showing `code` ("(#%d)"; 0: no code).
// A step is unreachable when an earlier request to the same server meets the fault first.
struct Outcome {
  enum Kind { kPasses, kFails, kUnreachable } kind;
  int code = 0;
};
constexpr Outcome kPasses{Outcome::kPasses};
constexpr Outcome kUnreachable{Outcome::kUnreachable};
constexpr Outcome Fails(int code) { return {Outcome::kFails, code}; }

struct Row {
  Fault fault;
  Outcome terms, signup, recovery, commId;
};

// A failed status is reported with its number (the terms page also shows the status line in its
// box); a document is whatever arrives with status 200, an HTML page included. A request reports
// the WinInet error of a connection or a read that failed, or -2 for a reply
// that is not in the servers' format. The certificate is the server's, met at its first request.
constexpr Row kMatrix[] = {
    {Fault::kStatus302, Fails(302), Fails(302), Fails(302), Fails(302)},
    {Fault::kStatus404, Fails(404), Fails(404), Fails(404), Fails(404)},
    {Fault::kStatus500, Fails(500), Fails(500), Fails(500), Fails(500)},
    {Fault::kSilent, Fails(12002), Fails(12002), Fails(12002), Fails(12002)},
    {Fault::kCut, Fails(12030), Fails(12030), Fails(12030), Fails(12030)},
    {Fault::kMalformed, kPasses, Fails(-2), Fails(-2), Fails(-2)},
    {Fault::kPieces, kPasses, kPasses, kPasses, kPasses},
    {Fault::kLong, kPasses, kPasses, kPasses, kPasses},
    {Fault::kNoLength, kPasses, kPasses, kPasses, kPasses},
    {Fault::kEmpty, Fails(0), Fails(-2), Fails(-2), Fails(-2)},
    {Fault::kExpiredCert, Fails(12037), kUnreachable, Fails(12037), kUnreachable},
    {Fault::kWrongHostCert, Fails(12038), kUnreachable, Fails(12038), kUnreachable},
};

struct Cell {
  Step step;
  Fault fault;
  Outcome outcome;
};

std::vector<Cell> ReachableCells() {
  std::vector<Cell> cells;
  for (const Row& row : kMatrix) {
    const std::pair<Step, Outcome> steps[] = {{Step::kTerms, row.terms},
                                              {Step::kSignup, row.signup},
                                              {Step::kRecovery, row.recovery},
                                              {Step::kCommId, row.commId}};
    for (const auto& [step, outcome] : steps)
      if (outcome.kind != Outcome::kUnreachable) cells.push_back({step, row.fault, outcome});
  }
  return cells;
}

// Each step's name and the path of its request, in the order of Step.
struct StepInfo {
  const char* name;
  const char* path;
};
constexpr StepInfo kSteps[] = {{"Terms", "/signup_pc/kiyaku.txt"},
                               {"Signup", "/signup_pc/signup_pc.cgi"},
                               {"Recovery", "/profile_pc/rst/QXSRst_PCEIA.cgi"},
                               {"CommunicationId", "/cmtool/menu/PC_IDGetEIA.cgi"}};
const StepInfo& InfoOf(Step step) { return kSteps[static_cast<int>(step)]; }

const char* FaultName(Fault fault) {
  static const char* const kNames[] = {"Status302",
                                       "Status404",
                                       "Status500",
                                       "Silent",
                                       "Cut",
                                       "Malformed",
                                       "Pieces",
                                       "Long",
                                       "NoLength",
                                       "Empty",
                                       "ExpiredCertificate",
                                       "WrongHostCertificate"};
  return kNames[static_cast<int>(fault)];
}

// The stand-in's fault for a cell; the certificate faults are servers, not faults.
test::Fault StandInFault(Fault fault) {
  test::Fault f;
  f.count = 0;
  switch (fault) {
    case Fault::kStatus302:
    case Fault::kStatus404:
    case Fault::kStatus500:
      f.kind = FaultKind::kStatus;
      f.status = fault == Fault::kStatus302 ? 302 : fault == Fault::kStatus404 ? 404 : 500;
      break;
    case Fault::kSilent:
      f.kind = FaultKind::kSilent;
      break;
    case Fault::kCut:
      f.kind = FaultKind::kCut;
      break;
    case Fault::kMalformed:
      f.kind = FaultKind::kMalformed;
      break;
    case Fault::kPieces:
      f.kind = FaultKind::kPieces;
      f.ms = 20;
      break;
    case Fault::kLong:
      // Longer than a POST reply may be, and longer than the terms.
      f.kind = FaultKind::kLong;
      f.size = 8192;
      break;
    case Fault::kNoLength:
      f.kind = FaultKind::kChunked;
      break;
    case Fault::kEmpty:
    case Fault::kExpiredCert:
    case Fault::kWrongHostCert:
      f.kind = FaultKind::kEmpty;
      break;
  }
  return f;
}

std::string StatusLine(Fault fault) {
  switch (fault) {
    case Fault::kStatus302:
      return "302 Found";
    case Fault::kStatus404:
      return "404 Not Found";
    case Fault::kStatus500:
      return "500 Internal Server Error";
    default:
      return {};
  }
}

std::string WithCode(UINT stringId, int code) {
  std::string text = res::String(stringId);
  if (code != 0) text += ui::Format("(#%d)", code);
  return text;
}

constexpr char kAccount[] = "hanako";
constexpr char kPassword[] = "hn260501";

// Mode 1 up to the communication information page's "はい": the terms, then the account.
std::string ExistingAccountToTransactions() {
  return std::string("wait page 0\nclick 1087\n") + "select 1089 \"<LAN接続>\"\nclick 0x3024\n" +
         test::scenario::kAgree + "wait page 4\ntype 1072 \"" + kAccount + "\"\ntype 1073 \"" +
         kPassword + "\"\ntype 1062 \"はなこ\"\nclick 0x3024\nwait page 5\nclick 0x3024\n";
}

class FaultMatrixTest : public ::testing::TestWithParam<Cell> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ca.ok());
    ASSERT_EQ(world.problem(), "");
  }

  test::TestCa ca;
  test::SignupWorld world{&ca};
};

TEST_P(FaultMatrixTest, TheUserIsToldAndAFailedStepChangesNothingStored) {
  const Cell& cell = GetParam();
  const bool passes = cell.outcome.kind == Outcome::kPasses;
  const bool certificate = cell.fault == Fault::kExpiredCert || cell.fault == Fault::kWrongHostCert;
  const bool signupServer = cell.step == Step::kTerms || cell.step == Step::kSignup;
  if (certificate) {
    const std::string bad = cell.fault == Fault::kExpiredCert ? world.provider.ExpiredUrl()
                                                              : world.provider.WrongHostUrl();
    ASSERT_TRUE(world.SetServers(signupServer ? bad : world.provider.HttpUrl(),
                                 signupServer ? world.provider.HttpUrl() : bad));
  } else {
    ASSERT_TRUE(world.provider.SetFault(InfoOf(cell.step).path, StandInFault(cell.fault)));
  }
  ASSERT_TRUE(world.provider.AddAccount(kAccount, kPassword));
  test::UserEntries entries;
  ASSERT_TRUE(world.StoreUserEntries(entries));
  const std::string before = world.run.Export();

  // To the step, then what follows it.
  std::string scenario;
  std::string expectedBox, expectedPrint;
  const int code = cell.outcome.code;
  switch (cell.step) {
    case Step::kTerms:
      scenario = test::scenario::kLanNext;
      if (passes) {
        scenario +=
            "wait enabled 0x3024\nexpect text 1060 \"同意しますか\"\nclick 0x3024\n"
            "wait page 2\nclick 2\nwait end\n";
      } else {
        scenario +=
            "wait message \"再試行しますか\"\nanswer no\nexpect page 1\nexpect disabled "
            "0x3024\nexpect enabled 0x3023\nexpect text 0x3023 \"< 戻る(&B)\"\nprint 1060\n";
        if (!StatusLine(cell.fault).empty())
          scenario += "expect text 1059 \"" + StatusLine(cell.fault) + "\"\n";
        scenario += "click 2\nwait end\n";
        expectedBox = test::MessageLine("exclamation", res::String(IDS_TERMS_RETRY), "yesno");
        expectedPrint = test::PrintLine(1060, WithCode(IDS_TERMS_FAILED, code));
      }
      break;
    case Step::kSignup:
      scenario = std::string(test::scenario::kLanNext) + test::scenario::kAgree +
                 "wait page 2\nclick 0x3024\nwait page 3\nclick 0x3024\n";
      if (passes) {
        scenario += "wait page 4\ntype 1062 \"x\"\nclick 0x3024\nwait page 5\nclick 0x3024\n" +
                    std::string(test::scenario::kFinish);
      } else {
        scenario +=
            "wait message \"通信ｴﾗｰが発生しました\"\nanswer ok\nwait page 2\n"
            "expect focus 1040\nprint 1058\nclick 2\nwait end\n";
        expectedBox = test::MessageLine("stop", WithCode(IDS_COMMUNICATION_ERROR, code));
        expectedPrint = test::PrintLine(1058, WithCode(IDS_SIGNUP_ERROR, code) + "\r\n");
      }
      break;
    case Step::kRecovery:
    case Step::kCommId:
      scenario = ExistingAccountToTransactions();
      if (passes) {
        scenario += test::scenario::kFinish;
      } else {
        // Back on the communication-ID page, which tells once more; Back, and Cancel.
        scenario +=
            "wait message \"\"\nanswer ok\nwait page 4\nprint 1061\nclick 0x3023\n"
            "wait page 1\nclick 2\nwait end\n";
        const UINT boxText = cell.step == Step::kRecovery ? IDS_RECOVERY_ERROR : IDS_COMM_ID_FAILED;
        expectedBox = test::MessageLine(
            "stop", WithCode(boxText, code).substr(cell.step == Step::kRecovery ? 2 : 0));
        expectedPrint = test::PrintLine(1061, res::String(IDS_RECOVERY_NOTICE) + "\r\n" +
                                                  WithCode(IDS_RECOVERY_ERROR, code) + "\r\n");
      }
      break;
  }

  const test::FlowResult r = world.Play(scenario);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  const std::vector<std::string> boxes = test::TranscriptLines(r.transcript, "message ");
  if (passes) {
    EXPECT_TRUE(boxes.empty()) << r.transcript;
    if (cell.step == Step::kTerms) {
      EXPECT_EQ(world.run.Export(), before) << "nothing is stored on the terms page";
    } else {
      const std::string login = cell.step == Step::kSignup ? entries.account : kAccount;
      EXPECT_EQ(world.Get(test::kNetInfoKey, "LoginID"), login);
      EXPECT_NE(world.Get(test::kNetInfoKey, "Comm_id").value_or(""), "");
    }
    return;
  }
  EXPECT_EQ(boxes, std::vector<std::string>{expectedBox}) << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "print "), std::vector<std::string>{expectedPrint})
      << r.transcript;
  EXPECT_NE(r.transcript.find("sheet close cancel\nend 0\n"), std::string::npos) << r.transcript;
  EXPECT_EQ(world.run.Export(), before) << "the failed step changed the registry";
}

void PrintTo(const Cell& cell, std::ostream* out) {
  *out << InfoOf(cell.step).name << " with " << FaultName(cell.fault) << ": ";
  if (cell.outcome.kind == Outcome::kPasses)
    *out << "passes";
  else
    *out << "fails, code " << cell.outcome.code;
}

std::string CellName(const ::testing::TestParamInfo<Cell>& info) {
  return std::string(InfoOf(info.param.step).name) + FaultName(info.param.fault);
}

INSTANTIATE_TEST_SUITE_P(EveryRequestEveryFault, FaultMatrixTest,
                         ::testing::ValuesIn(ReachableCells()), CellName);

}  // namespace
