// The framework under the headless backend: data exchange and byte limits, radio groups, wizard
// navigation, nested modal loops, timers in virtual time, message boxes, posted messages, and
// the scenario language's own rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>

#include "platform/library.h"
#include "support/test_support.h"
#include "ui/headless/headless_backend.h"

namespace {

using ui::headless::HeadlessBackend;
using ui::headless::Scenario;
using ui::headless::Transcript;

// Installs a headless backend that plays `scenario` for the test's scope.
class Headless {
 public:
  explicit Headless(const std::string& scenario) {
    auto s = std::make_unique<Scenario>();
    std::string error;
    EXPECT_TRUE(s->Parse(scenario, error)) << error;
    backend = std::make_unique<HeadlessBackend>(std::move(s), &transcript);
    ui::SetBackend(backend.get());
  }
  ~Headless() { ui::SetBackend(nullptr); }
  Transcript transcript{"/dev/null"};
  std::unique_ptr<HeadlessBackend> backend;
};

// The LAN details template (159) as a plain dialog with one exchanged field.
class PortDialog : public ui::Dialog {
 public:
  PortDialog() : ui::Dialog(IDD_LAN_DETAILS) {}
  void DoDataExchange(ui::DataExchange& dx) override {
    dx.Text(IDC_LAN_PORT, port, 5);
    dx.Text(IDC_LAN_USER, user, 5);
    dx.Check(IDC_LAN_PROXY, proxy);
  }
  std::string port = "80", user;
  int proxy = 0;
};

TEST(FrameworkTest, TypingIsCutToTheByteLimitWithoutSplittingACharacter) {
  Headless h("type 1115 \"123456\"\ntype 1325 \"あいう\"\nclick 1113\nclick 1\n");
  PortDialog dlg;
  EXPECT_EQ(dlg.DoModal(), ui::IDOK);
  EXPECT_EQ(dlg.port, "12345");
  EXPECT_EQ(dlg.user, test::Sjis(u8"あい")) << "5 bytes hold two double-byte characters";
  EXPECT_EQ(dlg.proxy, 1);
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
}

TEST(FrameworkTest, CancelLeavesTheMembersAsTheyWere) {
  Headless h("type 1115 \"8080\"\nclick 2\n");
  PortDialog dlg;
  EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL);
  EXPECT_EQ(dlg.port, "80");
  EXPECT_NE(h.transcript.GetText().find("dialog 159 open\ndialog 159 close 2\n"), std::string::npos)
      << h.transcript.GetText();
}

// A page that records what the sheet does to it.
class Page : public ui::PropertyPage {
 public:
  explicit Page(int t) : ui::PropertyPage(t) {}
  bool OnInitDialog() override {
    ++inits;
    return ui::PropertyPage::OnInitDialog();
  }
  bool OnSetActive() override {
    ++activations;
    return true;
  }
  LRESULT OnWizardNext() override { return next ? next() : 0; }
  std::function<LRESULT()> next;
  int inits = 0, activations = 0;
};

struct Wizard {
  Wizard()
      : sheet(IDS_WIZARD_CAPTION, nullptr, 0),
        p0(IDD_START_PAGE),
        p1(IDD_TERMS_PAGE),
        p2(IDD_USER_PAGE) {
    sheet.AddPage(&p0);
    sheet.AddPage(&p1);
    sheet.AddPage(&p2);
    sheet.SetWizardMode();
  }
  ui::PropertySheet sheet;
  Page p0, p1, p2;
};

TEST(FrameworkTest, WizardNextAndBackFollowTheHandlersResult) {
  Headless h(
      "click 0x3024\nexpect page 1\nclick 0x3023\nexpect page 0\nclick 0x3024\nexpect page 2\n"
      "click 0x3024\nexpect page 2\nclick 2\n");
  Wizard w;
  int nextCalls = 0;
  w.p0.next = [&]() -> LRESULT {
    // First time: default; second time: jump straight to the third page by template id.
    return ++nextCalls == 1 ? 0 : 152;
  };
  w.p2.next = [] { return static_cast<LRESULT>(-1); };
  EXPECT_EQ(w.sheet.DoModal(), ui::IDCANCEL);
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
  EXPECT_EQ(w.p1.inits, 1) << "a page is created once, on its first activation";
  EXPECT_EQ(w.p0.activations, 2);
  EXPECT_EQ(w.p2.inits, 1);
}

TEST(FrameworkTest, AHandlerThatActivatesAnotherPageAndStaysLeavesThatPageActive) {
  Headless h("click 0x3024\nexpect page 2\nclick 2\n");
  Wizard w;
  w.p0.next = [&]() -> LRESULT {
    w.sheet.SetActivePage(2);
    return -1;
  };
  w.sheet.DoModal();
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
  EXPECT_EQ(w.p1.inits, 0) << "the skipped page was never created";
}

TEST(FrameworkTest, RadioButtonsOfAGroupExcludeEachOther) {
  Headless h(
      "click 1087\nexpect checked 1087\nclick 1088\nexpect unchecked 1087\n"
      "expect checked 1088\nclick 2\n");
  Wizard w;
  w.sheet.DoModal();
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
}

TEST(FrameworkTest, PostedWizardButtonsTakeEffectAtTheNextPump) {
  Headless h("wait enabled 0x3025\nexpect hidden 0x3024\nexpect disabled 0x3023\nclick 0x3025\n");
  Wizard w;
  // Posted before the run: it acts only once the run's loop pumps.
  w.sheet.PostMessage(ui::PSM_SETWIZBUTTONS, 0, ui::PSWIZB_FINISH);
  const bool finished = w.sheet.DoModal() == ui::ID_WIZFINISH;
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
  EXPECT_TRUE(finished);
}

// A dialog whose button opens another dialog whose initialisation asks a question.
class Outer : public ui::Dialog {
 public:
  Outer() : ui::Dialog(IDD_LAN_DETAILS) {}
  bool OnCommand(UINT code, int id) override {
    if (code == ui::BN_CLICKED && id == 1124) {
      struct Inner : ui::Dialog {
        Inner() : ui::Dialog(IDD_MAIL_ACCOUNT) {}
        bool OnInitDialog() override {
          answer = ui::MessageBox("inner?", ui::MB_YESNO | ui::MB_ICONQUESTION);
          return true;
        }
        int answer = 0;
      } inner;
      innerResult = inner.DoModal();
      innerAnswer = inner.answer;
      return true;
    }
    return ui::Dialog::OnCommand(code, id);
  }
  int innerResult = 0, innerAnswer = 0;
};

TEST(FrameworkTest, ModalLoopsNestMessageBoxInsideDialogInsideDialog) {
  Headless h(
      "click 1124\nwait message \"inner\"\nanswer yes\nwait dialog 147\nclick 1\n"
      "wait dialog 159\nclick 1\n");
  Outer outer;
  EXPECT_EQ(outer.DoModal(), ui::IDOK);
  EXPECT_EQ(outer.innerAnswer, ui::IDYES);
  EXPECT_EQ(outer.innerResult, ui::IDOK);
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
  EXPECT_NE(h.transcript.GetText().find("message question \"\" \"inner?\" yesno\nanswer yes\n"),
            std::string::npos)
      << h.transcript.GetText();
}

TEST(FrameworkTest, MessageBoxWithoutIconGetsTheExclamationIcon) {
  Headless h("answer ok\nanswer no\nanswer ok\n");
  ui::MessageBox("a");
  ui::MessageBox("b", ui::MB_YESNO);
  ui::MessageBox("c", ui::MB_OK | ui::MB_ICONSTOP);
  const std::string& t = h.transcript.GetText();
  EXPECT_NE(t.find("message exclamation \"\" \"a\" ok"), std::string::npos) << t;
  EXPECT_NE(t.find("message exclamation \"\" \"b\" yesno"), std::string::npos) << t;
  EXPECT_NE(t.find("message stop \"\" \"c\" ok"), std::string::npos) << t;
}

// A dialog with a one-shot timer that closes it.
class TimerDialog : public ui::Dialog {
 public:
  TimerDialog() : ui::Dialog(IDD_PROGRESS) {}
  bool OnInitDialog() override {
    SetTimer(256, 200);
    SetTimer(7, 50);
    return true;
  }
  void OnTimer(UINT id) override {
    fired.push_back({id, ui::TickCount()});
    if (id == 7 && fired.size() >= 3) KillTimer(7);
    if (id == 256) {
      KillTimer(256);
      ui::PumpMessagesFor(60000);  // a minute of virtual time costs nothing
      EndDialog(ui::IDOK);
    }
  }
  std::vector<std::pair<UINT, DWORD>> fired;
};

TEST(FrameworkTest, TimersFireInVirtualTimeOrderAndPumpingWaitsWithoutCost) {
  Headless h("wait end\n");
  const auto start = std::chrono::steady_clock::now();
  TimerDialog dlg;
  EXPECT_EQ(dlg.DoModal(), ui::IDOK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_EQ(dlg.fired.size(), 4u);
  EXPECT_EQ(dlg.fired[0], (std::pair<UINT, DWORD>{7, 50}));
  EXPECT_EQ(dlg.fired[1], (std::pair<UINT, DWORD>{7, 100}));
  EXPECT_EQ(dlg.fired[2], (std::pair<UINT, DWORD>{7, 150}));
  EXPECT_EQ(dlg.fired[3], (std::pair<UINT, DWORD>{256, 200}));
  EXPECT_EQ(ui::TickCount(), 60200u);
}

TEST(FrameworkTest, APersonCannotClickADisabledOrHiddenControl) {
  Headless h("click 1037\n");
  ui::Dialog dlg(IDD_PROGRESS);
  dlg.DoModal();
  EXPECT_TRUE(h.backend->HasFailed());
  EXPECT_NE(h.backend->GetFailure().find("line 1"), std::string::npos) << h.backend->GetFailure();
  EXPECT_NE(h.backend->GetFailure().find("hidden"), std::string::npos) << h.backend->GetFailure();
}

TEST(FrameworkTest, WaitGivesUpWhenNothingMoreCanHappen) {
  Headless h("wait text 1035 \"never\"\n");
  ui::Dialog dlg(IDD_PROGRESS);
  EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL) << "the failed run unwinds the dialog";
  EXPECT_TRUE(h.backend->HasFailed());
}

// The dial progress template (142) with scripted timers; records when things happened.
class ClockDialog : public ui::Dialog {
 public:
  ClockDialog() : ui::Dialog(IDD_PROGRESS) {}
  bool OnInitDialog() override {
    if (onInit) onInit(*this);
    return true;
  }
  void OnTimer(UINT id) override {
    fired.push_back({id, ui::TickCount()});
    if (onTimer) onTimer(*this, id);
  }
  void OnCancel() override {
    cancelledAt = ui::TickCount();
    ui::Dialog::OnCancel();
  }
  std::function<void(ClockDialog&)> onInit;
  std::function<void(ClockDialog&, UINT)> onTimer;
  std::vector<std::pair<UINT, DWORD>> fired;
  DWORD cancelledAt = 0;
};

TEST(FrameworkTest, ASleepEndsAtItsOwnTimeBeforeALaterTimerAndInsideAProgramsPumping) {
  {
    Headless h("sleep 100\nclick 2\n");
    ClockDialog dlg;
    dlg.onInit = [](ClockDialog& d) { d.SetTimer(1, 5000); };
    EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL);
    EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
    EXPECT_EQ(dlg.cancelledAt, 100u);
    EXPECT_TRUE(dlg.fired.empty()) << "the timer due at 5000 fired during a 100 ms sleep";
  }
  {
    // The program pumps for a minute; the person clicks Cancel after 50 ms of it.
    Headless h("sleep 50\nclick 2\n");
    ClockDialog dlg;
    dlg.onInit = [](ClockDialog& d) { d.SetTimer(1, 10); };
    dlg.onTimer = [](ClockDialog& d, UINT id) {
      d.KillTimer(id);
      ui::PumpMessagesFor(60000);
    };
    EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL);
    EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
    EXPECT_EQ(dlg.cancelledAt, 50u);
  }
}

TEST(FrameworkTest, AWaitGivesUpAfter600sBeforeALaterTimerFires) {
  Headless h("wait text 1035 \"never\"\n");
  ClockDialog dlg;
  bool failedWhenFired = false;
  dlg.onInit = [](ClockDialog& d) { d.SetTimer(1, 700000); };
  dlg.onTimer = [&](ClockDialog& d, UINT id) {
    failedWhenFired = h.backend->HasFailed();
    d.KillTimer(id);
  };
  EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL);
  ASSERT_TRUE(h.backend->HasFailed());
  EXPECT_NE(h.backend->GetFailure().find("gave up after 600 s"), std::string::npos)
      << h.backend->GetFailure();
  EXPECT_TRUE(dlg.fired.empty() || failedWhenFired)
      << "the program went on 700 s into a wait that ends after 600 s";
}

TEST(FrameworkTest, AMessageBoxRightAfterAWaitHeldDoesNotFailThatWait) {
  Headless h("wait text 1035 \"ready\"\nwait message \"go\"\nanswer ok\nclick 2\n");
  ClockDialog dlg;
  dlg.onInit = [](ClockDialog& d) { d.SetTimer(1, 100); };
  dlg.onTimer = [](ClockDialog& d, UINT id) {
    d.KillTimer(id);
    d.SetDlgItemText(IDC_DIAL_STATUS, "ready");
    ui::MessageBox("go");
  };
  EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL);
  EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
}

TEST(FrameworkTest, AFailedRunEndsADialogWhoseTimerNeverStops) {
  Headless h("click 4711\n");
  ClockDialog dlg;
  dlg.onInit = [](ClockDialog& d) { d.SetTimer(1, 1000); };
  EXPECT_EQ(dlg.DoModal(), ui::IDCANCEL);
  EXPECT_TRUE(h.backend->HasFailed());
  EXPECT_EQ(h.backend->PendingTimers(), 0u);
}

TEST(FrameworkTest, TimersOfAControlGoWithItsDialog) {
  Headless h("wait end\n");
  ui::Dialog dlg(IDD_PROGRESS);
  ASSERT_TRUE(dlg.Create(nullptr));
  dlg.SetTimer(1, 10);
  dlg.GetDlgItem(IDC_DIAL_STATUS)->SetTimer(2, 10);
  EXPECT_EQ(h.backend->PendingTimers(), 2u);
  dlg.Destroy();
  EXPECT_EQ(h.backend->PendingTimers(), 0u) << "a timer would fire on a freed control";
  ui::PumpMessagesFor(100);
}

TEST(FrameworkTest, ScenarioSyntaxErrorsNameTheirLine) {
  Scenario s;
  std::string error;
  EXPECT_FALSE(s.Parse("wait page 1\nclick\n", error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  EXPECT_FALSE(s.Parse("type 1 \"open\n", error));
  EXPECT_FALSE(s.Parse("frobnicate 3\n", error));
  EXPECT_TRUE(s.Parse(
      "# comment\n\nclick 0x3024 # trailing\nkey ctrl down\nexpect text 5 \"a\\\"b\"\n", error))
      << error;
  EXPECT_TRUE(s.Parse("\xEF\xBB\xBFwait end\n", error)) << "a byte-order mark: " << error;
}

TEST(FrameworkTest, ScenarioErrorsQuoteAShortCleanExcerptAndRefuseNumbersOutOfRange) {
  const std::string flood(50000, 'x');
  const struct {
    std::string scenario;
    std::string expected;  // the start of the message
  } bad[] = {
      {"wait end\nsleep 99999999999999\n", "line 2: number out of range"},
      {"click 99999999999999999999999\n", "line 1: number out of range"},
      {"wait page 0x100000000\n", "line 1: number out of range"},
      {"click -1\n", "line 1: number out of range"},
      {"click 5 " + flood + "\n", "line 1: cannot read 'click 5 xxx"},
      {"click 5 " + std::string(50000, '\x80') + "\n", "line 1: cannot read 'click 5 \\x80\\x80"},
      {"frobnicate" + flood + "\n", "line 1: unknown command 'frobnicatexxx"},
      {"click \x01\x1b[2J\x7f\n", "line 1: cannot read 'click \\x01\\x1B[2J\\x7F'"},
      {"type 5 \"\\\x1b\"\n", "line 1: unknown escape \\\\x1B"},
  };
  for (const auto& [scenario, expected] : bad) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(s.Parse(scenario, error)) << expected;
    EXPECT_EQ(error.rfind(expected, 0), 0u) << error.substr(0, 300);
    EXPECT_LT(error.size(), 160u) << "at most 80 characters of the line";
    for (char c : error) ASSERT_GE(static_cast<unsigned char>(c), 0x20u) << error;
  }
  EXPECT_EQ(ui::headless::Quote("\x1b]0;x\x07\x1b[2J\t\"\\"),
            "\"\\x1B]0;x\\x07\\x1B[2J\\t\\\"\\\\\"");
  Scenario s;
  std::string error;
  ASSERT_TRUE(s.Parse("sleep 2147483647 # " + flood + "\n", error)) << error.substr(0, 200);
  EXPECT_EQ(s.Current()->number, 2147483647);
  EXPECT_EQ(s.Current()->source.size(), 83u) << "what a failure later quotes is cut as well";
}

TEST(FrameworkTest, ScenarioTranscriptAndDialupLibraryAreNeverAPipeOrAFolder) {
  test::TempDir dir;
  const std::string pipe = dir.File("pipe.scn");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string large = dir.File("large.scn");
  ASSERT_TRUE(test::WriteFile(large, std::string((1 << 20) + 1, '#')));
  for (const std::string& path : {dir.path(), std::string("/dev/zero"), pipe, large}) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(s.Load(path, error)) << path;
    EXPECT_EQ(error.rfind("cannot read the scenario " + path + ": ", 0), 0u) << error;
  }
  ASSERT_TRUE(test::WriteFile(large, std::string(1 << 20, '#')));
  Scenario s;
  std::string error;
  EXPECT_TRUE(s.Load(large, error)) << "one mebibyte is still taken: " << error;
  for (const std::string& path : {dir.path(), pipe, dir.File("none/t"), std::string("/dev/full")}) {
    Transcript transcript(path);
    transcript.Line("x");
    EXPECT_NE(transcript.GetProblem(), "") << "a transcript to " << path << " fails the run";
  }
  test::ScopedEnv library("SIGNUP_RASAPI32", pipe);
  EXPECT_EQ(LoadLibraryA("rasapi32.dll"), nullptr) << "a pipe is never loaded";
}

TEST(FrameworkTest, ComboSearchesIgnoreCaseOfSingleByteLettersOnly) {
  Headless h("wait end\n");
  ui::Dialog dlg(IDD_DIALUP_DETAILS);
  ASSERT_TRUE(dlg.Create(nullptr));
  ui::Control* c = dlg.GetDlgItem(IDC_DETAILS_PREFIX);
  ASSERT_NE(c, nullptr);
  c->ResetContent();
  c->AddString(test::Sjis(u8"ア"));  // 83 41: trail byte 'A'
  c->AddString("Modem");
  EXPECT_EQ(c->FindStringExact(-1, test::Sjis(u8"ヂ")), -1) << "83 61 must not fold to 83 41";
  EXPECT_EQ(c->FindStringExact(-1, "MODEM"), 1);
  EXPECT_EQ(c->FindString(-1, "mo"), 1);
  dlg.Destroy();
}

}  // namespace

// Controls whose label is in a page picture are named from the picture's words; a dialog's
// control without a caption takes the label before it; "print names" writes them all.
TEST(FrameworkTest, PrintNamesWritesEveryShownControlsAccessibleName) {
  struct Case {
    int templateId;
    std::vector<std::string> lines;  // UTF-8 lines the transcript must hold
  };
  const Case cases[] = {
      {157,
       {"name 1102 \"ﾓﾃﾞﾑの選択\"", "name 1103 \"ﾄｰﾝ(T)\"", "name 1108 \"外線発信番号\"",
        "name 1109 \"電話番号\""}},
      {142, {"name 1035 \"接続状況\"", "name 2 \"ｷｬﾝｾﾙ\""}},
      {152,
       {"name 1040 \"フリガナ セイ\"", "name 1045 \"生年月日（西暦） 年\"",
        "name 1048 \"郵便番号 〒（上3桁）\"",
        "name 1055 \"希望アカウント 第一希望\" \"英数字 6～8文字\"", "name 12324 \"次へ(N) >\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("template " + std::to_string(c.templateId));
    Headless h("print names\nclick 2\n");
    if (c.templateId == 152) {
      ui::PropertyPage page(IDD_USER_PAGE);
      ui::PropertySheet sheet(IDS_WIZARD_CAPTION, nullptr, 0);
      sheet.SetWizardMode();
      sheet.AddPage(&page);
      sheet.DoModal();
    } else {
      ui::Dialog dlg(c.templateId);
      dlg.DoModal();
    }
    EXPECT_FALSE(h.backend->HasFailed()) << h.backend->GetFailure();
    for (const std::string& line : c.lines)
      EXPECT_NE(h.transcript.GetText().find(line + "\n"), std::string::npos)
          << line << " in\n"
          << h.transcript.GetText();
  }
  Headless hidden("print names\nclick 2\n");
  ui::Dialog progress(IDD_PROGRESS);
  progress.DoModal();
  EXPECT_EQ(hidden.transcript.GetText().find("name 1037"), std::string::npos)
      << "the hidden hang-up button is not listed";
}
