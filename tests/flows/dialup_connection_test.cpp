// Connecting for a server transaction, played headless in this process: the dial-up object, the
// progress dialog with its states, errors, redial and cancel, asking before dropping another
// connection, the account per wizard mode, and hanging up; and what the pages do with the
// connection, the real wizard run from the page concerned.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "app/SignApp.h"
#include "dialup/DialupDialog.h"
#include "pages/SignPages.h"
#include "res/resources.h"
#include "support/ras_fixture.h"
#include "ui/headless/headless_backend.h"

namespace {

// The application object and a headless backend playing one scenario, with a private registry
// store. Build it after the simulated service is arranged: the settings record probes for the
// library when it is made.
class Harness {
 public:
  explicit Harness(const std::string& scenarioUtf8) {
    auto scenario = std::make_unique<ui::headless::Scenario>();
    std::string error;
    EXPECT_TRUE(scenario->Parse(scenarioUtf8, error)) << error;
    backend_ = std::make_unique<ui::headless::HeadlessBackend>(std::move(scenario), &transcript_);
    ui::SetBackend(backend_.get());
    app = std::make_unique<CSignApp>();
    app->SelectProfile("");
    app->ModemName = "Modem A";
    app->FreeAP = res::String(14006);
    app->PreFixNumber = res::String(14058);
  }
  ~Harness() {
    app.reset();
    ui::SetBackend(nullptr);
  }
  // Ends the play; empty when every command held and none is left over.
  std::string Finish() {
    backend_->ProgramEnded();
    return backend_->failed() ? backend_->failure() : std::string();
  }
  const std::string& transcript() const { return transcript_.text(); }
  // Queues work for the first message pump (as a window message would arrive).
  void Post(std::function<void()> fn) { backend_->Post(std::move(fn)); }
  // Runs the wizard from that page, without the start-up and shutdown around it, and ends the play.
  std::string RunWizardFrom(int page) {
    CSignWizard wizard(true, nullptr);
    wizard.SetStartPage(page);
    wizard.DoModal();
    return Finish();
  }

  std::unique_ptr<CSignApp> app;

 private:
  test::TempDir dir_;
  test::ScopedEnv store_{"SIGNUP_REGISTRY", dir_.File("registry.db")};
  ui::headless::Transcript transcript_{"/dev/null"};
  std::unique_ptr<ui::headless::HeadlessBackend> backend_;
};

std::string U(UINT id) { return test::Utf8(res::String(id)); }

std::string StatusLine(UINT id) { return "status 1035 \"" + U(id) + "\"\n"; }

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class DialupFlowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ras.AddModem("Modem A")); }
  test::RasFixture ras;
};

TEST_F(DialupFlowTest, ASuccessfulDialShowsTheStatesAndLeavesTheConnectionButNoEntry) {
  Harness h(R"(
wait dialog 142
expect hidden 1037
expect disabled 1037
expect disabled 1038
)");
  h.app->DialMode = "T";
  h.app->OutsideLine = "0,";
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_TRUE(h.app->ConnectForServer(false, nullptr));
  EXPECT_EQ(h.Finish(), "");

  // Identical neighbouring texts (14504/14505, 14519/14529) are written once.
  std::string states;
  for (UINT id : {14501, 14502, 14503, 14504, 14506, 14507, 14511, 14515, 14519})
    states += StatusLine(id);
  EXPECT_NE(h.transcript().find("dialog 142 open\n" + states + "dialog 142 close 1\n"),
            std::string::npos)
      << h.transcript();
  EXPECT_EQ(Count(h.transcript(), "message "), 0u) << h.transcript();

  auto dial = ras.LastDial();
  ASSERT_TRUE(dial.has_value());
  EXPECT_EQ(dial->phone, "T0," + res::String(14006)) << "dial mode + outside line + number";
  EXPECT_EQ(dial->entry, res::String(14613));
  EXPECT_TRUE(dial->entry_existed);
  EXPECT_EQ(dial->entry_phone, res::String(14006)) << "the entry keeps the bare number";
  EXPECT_EQ(dial->entry_options, 0x618u);
  EXPECT_EQ(dial->entry_net_protocols, static_cast<DWORD>(RASNP_Ip));
  EXPECT_EQ(dial->entry_framing, static_cast<DWORD>(RASFP_Ppp));
  EXPECT_EQ(dial->entry_country_code, 0u);
  EXPECT_EQ(dial->entry_device_name, "Modem A");

  EXPECT_FALSE(ras.Entry(res::String(14613)).has_value()) << "the entry goes after the dial";
  EXPECT_EQ(ras.ListedConnections().size(), 1u) << "the connection stays up";
  EXPECT_TRUE(h.app->signupEntryName.empty());

  h.app->HangUpDialup();
  EXPECT_TRUE(ras.ListedConnections().empty());
}

TEST_F(DialupFlowTest, TheAccountFollowsTheWizardMode) {
  Harness h("");
  ASSERT_NE(h.app->CreateDialupObject(false), nullptr);
  h.app->PreFixNumber = "0077-" + res::String(14058);
  const struct {
    int mode;
    UINT user, password;
  } cases[] = {{0, 14007, 14008}, {1, 14023, 14024}, {2, 14023, 14024}, {5, 14007, 14008}};
  for (const auto& c : cases) {
    h.app->mode = static_cast<WizardMode>(c.mode);
    ASSERT_TRUE(h.app->ConnectForServer(false, nullptr)) << "mode " << c.mode;
    auto dial = ras.LastDial();
    ASSERT_TRUE(dial.has_value());
    EXPECT_EQ(dial->user, res::String(c.user)) << "mode " << c.mode;
    EXPECT_EQ(dial->password, res::String(c.password)) << "mode " << c.mode;
    EXPECT_TRUE(dial->entry_has_params);
    EXPECT_EQ(dial->entry_user, res::String(c.user)) << "saved with the entry, mode " << c.mode;
    EXPECT_EQ(dial->entry_password, res::String(c.password));
    EXPECT_EQ(dial->phone, "0077-" + res::String(14006)) << "the pattern's placeholder replaced";
    h.app->HangUpDialup();
  }
  EXPECT_EQ(h.Finish(), "");
}

TEST_F(DialupFlowTest, ABusyLineIsReportedThenRedialSucceeds) {
  ASSERT_TRUE(ras.SetOutcome("error 676 --extended 3"));
  Harness h(R"(
wait dialog 142
wait message "Extended Error Code: 3"
answer ok
expect enabled 1038
expect text 1035 "Extended Error Code: 3"
click 1038
)");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_TRUE(h.app->ConnectForServer(false, nullptr));
  EXPECT_EQ(h.Finish(), "");
  EXPECT_EQ(Count(h.transcript(), "message stop \"Signup\""), 1u) << h.transcript();
  EXPECT_EQ(Count(h.transcript(), "dialog 142 open"), 1u) << "the dialog stayed open for redial";
  EXPECT_NE(h.transcript().find("dialog 142 close 1"), std::string::npos);
  // Only the redialled connection is left: the failed one was hung up and is gone.
  auto conns = ras.Connections();
  ASSERT_EQ(conns.size(), 1u);
  EXPECT_EQ(conns[0].status, "connected");
  EXPECT_FALSE(ras.Entry(res::String(14613)).has_value());
}

TEST_F(DialupFlowTest, TwoErrorsInOneDialShowOnlyTheFirst) {
  ASSERT_TRUE(ras.SetOutcome("error 691 --at Authenticate --extended 5 --second 678"));
  Harness h(R"(
wait dialog 142
wait message "Extended Error Code: 5"
answer ok
click 2
)");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_FALSE(h.app->ConnectForServer(false, nullptr));
  EXPECT_EQ(h.Finish(), "");

  RasLibrary library;
  std::string first, second;
  library.GetErrorText(691, 5, first);
  library.GetErrorText(678, 0, second);
  EXPECT_EQ(Count(h.transcript(), "message "), 1u) << h.transcript();
  EXPECT_NE(h.transcript().find(test::Utf8(first)), std::string::npos) << h.transcript();
  EXPECT_EQ(h.transcript().find(test::Utf8(second)), std::string::npos) << h.transcript();
  EXPECT_NE(h.transcript().find("dialog 142 close 2"), std::string::npos);
  EXPECT_FALSE(ras.Entry(res::String(14613)).has_value()) << "the entry goes after a failure too";
}

TEST_F(DialupFlowTest, CancelDuringTheDialHangsUp) {
  Harness h("wait dialog 142\nwait text 1035 \"" + U(14503) + "\"\nclick 2\n");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_FALSE(h.app->ConnectForServer(false, nullptr));
  EXPECT_EQ(h.Finish(), "");
  EXPECT_NE(h.transcript().find("dialog 142 close 2"), std::string::npos) << h.transcript();
  EXPECT_EQ(h.transcript().find(U(14504)), std::string::npos) << "the dial went no further";
  EXPECT_TRUE(ras.Connections().empty()) << "the half-made connection was hung up";
  EXPECT_FALSE(ras.Entry(res::String(14613)).has_value());
}

TEST_F(DialupFlowTest, ADropLeavesTheDisconnectedTextAndRedialWithoutAMessage) {
  ASSERT_TRUE(ras.SetOutcome("drop --at Authenticate"));
  Harness h("wait dialog 142\nwait text 1035 \"" + U(14530) +
            "\"\nwait enabled 1038\nexpect text 1035 \"" + U(14530) + "\"\nclick 2\n");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  // Enter (the OK command) arrives while the dialog is up and must not close it.
  h.Post([&h] {
    ui::Window* dialog = h.app->dialup.get();
    dialog->OnCommand(ui::BN_CLICKED, ui::IDOK);
  });
  EXPECT_FALSE(h.app->ConnectForServer(false, nullptr));
  EXPECT_EQ(h.Finish(), "");
  EXPECT_EQ(Count(h.transcript(), "message "), 0u) << h.transcript();
  EXPECT_NE(h.transcript().find("dialog 142 close 2"), std::string::npos) << h.transcript();
}

TEST_F(DialupFlowTest, AskingFirstNamesTheActiveConnectionAndNoKeepsIt) {
  ASSERT_NE(ras.Connect("Office"), 0u);
  Harness h("wait message \"現在接続中の'Office'を切断し、'" + U(14615) +
            "'に接続します\"\nanswer no\n");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_FALSE(h.app->ConnectForServer(true, nullptr));
  EXPECT_EQ(h.Finish(), "");
  EXPECT_EQ(ras.ListedConnections().size(), 1u) << "nothing hung up";
  EXPECT_FALSE(ras.LastDial().has_value()) << "nothing dialled";
}

TEST_F(DialupFlowTest, AskingFirstAndYesEndsTheOtherConnectionThenDials) {
  ASSERT_NE(ras.Connect("Office"), 0u);
  Harness h("wait message \"'Office'\"\nanswer yes\nwait dialog 142\n");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_TRUE(h.app->ConnectForServer(true, nullptr));
  EXPECT_EQ(h.Finish(), "");
  auto listed = ras.ListedConnections();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].entry, res::String(14613)) << "only the new connection is up";
}

TEST_F(DialupFlowTest, AskingFirstWithoutConnectionNamesTheServer) {
  Harness h("wait message \"" + U(14615) + "に接続します\"\nanswer no\n");
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_FALSE(h.app->ConnectForServer(true, nullptr));
  EXPECT_EQ(h.Finish(), "");
  EXPECT_FALSE(ras.LastDial().has_value());
}

TEST_F(DialupFlowTest, EnsureConnectedUsesLanOrAnyConnectionWithoutDialling) {
  Harness h("");
  ASSERT_NE(ras.Connect("Office"), 0u);
  h.app->connectionFlags = CSignSettings::kConnLan;
  EXPECT_TRUE(h.app->EnsureConnected(nullptr));
  h.app->HangUpDialup();
  EXPECT_EQ(ras.ListedConnections().size(), 1u) << "LAN chosen: nothing is hung up";

  h.app->connectionFlags = 0;
  EXPECT_TRUE(h.app->EnsureConnected(nullptr)) << "another program's connection counts";
  EXPECT_FALSE(ras.LastDial().has_value());
  h.app->HangUpDialup();
  EXPECT_TRUE(ras.ListedConnections().empty()) << "and is ended by the wizard's hang-up";
  EXPECT_EQ(h.Finish(), "");
}

TEST_F(DialupFlowTest, TheChosenModemMissingIsNamedAndNothingIsDialled) {
  Harness h("wait message \"'Other modem'\"\nanswer ok\n");
  h.app->ModemName = "Other modem";
  ui::Window parent;
  ASSERT_NE(h.app->CreateDialupObject(true), nullptr);
  EXPECT_FALSE(h.app->EnsureConnected(&parent));
  EXPECT_EQ(h.Finish(), "");
  EXPECT_NE(h.transcript().find(ui::headless::Quote(ui::Format(res::String(14618), "Other modem"))),
            std::string::npos)
      << h.transcript();
  EXPECT_EQ(h.transcript().find("dialog 142"), std::string::npos) << "no progress dialog";
  EXPECT_TRUE(parent.IsWindowEnabled());
  EXPECT_FALSE(ras.LastDial().has_value());
  EXPECT_FALSE(ras.Entry(res::String(14613)).has_value());
}

// ---- The pages' connections ----

TEST_F(DialupFlowTest, TheCompletionPageHangsUpAsItIsShownUnlessLanIsChosen) {
  ASSERT_NE(ras.Connect("Office"), 0u);
  for (const bool lan : {true, false}) {
    Harness h("wait page 6\nclick 0x3025\nwait dialog 147\nclick 1\nwait end\n");
    ASSERT_NE(h.app->CreateDialupObject(false), nullptr);
    h.app->SetConnectType(lan);
    EXPECT_EQ(h.RunWizardFrom(6), "") << h.transcript();
    EXPECT_EQ(ras.ListedConnections().size(), lan ? 1u : 0u) << "LAN chosen: " << lan;
  }
}

TEST_F(DialupFlowTest, WithoutAConnectionTheTransactionPagesStayWithBackAndNextEnabled) {
  // The confirmation page dials and the user gives up on a busy line; the communication
  // information page of recovery mode asks first, and the user declines.
  const struct {
    int page;
    WizardMode mode;
    std::string connect;
  } cases[] = {
      {3, WizardMode::NewSignup,
       "wait dialog 142\nwait message \"\"\nanswer ok\nwait enabled 1038\nclick 2\n"},
      {5, WizardMode::Recovery, "wait message \"に接続します\"\nanswer no\n"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(ras.SetOutcome("error 676"));
    const std::string page = std::to_string(c.page);
    Harness h("wait page " + page + "\nclick 0x3024\n" + c.connect + "expect page " + page +
              "\nexpect enabled 0x3023\nexpect enabled 0x3024\nclick 2\nwait end\n");
    ASSERT_NE(h.app->CreateDialupObject(false), nullptr);
    h.app->mode = c.mode;
    EXPECT_EQ(h.RunWizardFrom(c.page), "") << h.transcript();
    EXPECT_TRUE(ras.ListedConnections().empty()) << "page " << page;
  }
}

// A library whose devices can be counted, but not listed a second time.
struct NamesUnreadable : DialupDialog {
  NamesUnreadable() { real = std::exchange(rasEnumDevices_, &Enum), lists = 0; }
  static DWORD WINAPI Enum(LPRASDEVINFOA devices, LPDWORD size, LPDWORD count) {
    return devices && ++lists > 1 ? ERROR_CANNOT_OPEN_PHONEBOOK : real(devices, size, count);
  }
  static inline PFN_RasEnumDevicesA real = nullptr;
  static inline int lists = 0;
};

TEST_F(DialupFlowTest, TheStartPageClosesTheWizardWhenItsModemsCannotBeListed) {
  // The modem names cannot be read (an OK box); or, once the page is up, the modem goes, and
  // Back from the communication-ID page finds none to make the dial-up object with (a stop box).
  const std::string told =
      "wait message \"" + U(IDS_NO_MODEM_FOUND).substr(0, 18) + "\"\nanswer ok\nwait end\n";
  for (const bool back : {false, true}) {
    Harness h(back ? "click 1088\nclick 0x3024\nwait page 4\nclick 0x3023\n" + told : told);
    if (back) {
      ASSERT_NE(h.app->CreateDialupObject(false), nullptr);
      h.Post([this] { ASSERT_TRUE(ras.RemoveDevice("Modem A")); });
    } else {
      h.app->dialup.reset(new NamesUnreadable);
    }
    EXPECT_EQ(h.RunWizardFrom(0), "") << h.transcript();
    EXPECT_EQ(Count(h.transcript(), back ? "message stop" : "message exclamation"), 1u);
    EXPECT_NE(h.transcript().find("sheet close cancel"), std::string::npos) << h.transcript();
  }
}

// ---- What a misbehaving library or hostile settings cannot do ----

TEST(DialupHardeningTest, NoValueNorLibraryCrashesHoldsOrSilencesTheWizard) {
  const struct {
    // How the library misbehaves, in the tool's words; a single word is a damaged phone book.
    std::vector<std::string> rassim;
    std::string scenario;  // which waits for what the user must be told
    bool connects;
  } cases[] = {
      {{}, "wait dialog 142\n", true},  // with a pattern of 10,000 placeholders for 120 KB
      {{"set", "device-count", "4294967295"}, "wait message \"'Modem A'\"\nanswer ok\n", false},
      {{"outcome", "hold"},
       "wait dialog 142\nwait message \"timed out\"\nanswer ok\nclick 2\n",
       false},
      {{"garbage"}, "wait message \"Cannot open the phone book file.\"\nanswer ok\n", false},
  };
  for (const auto& c : cases) {
    test::RasFixture ras;
    ASSERT_TRUE(ras.AddModem("Modem A"));
    ASSERT_TRUE(c.rassim.size() != 1 || test::WriteFile(ras.dir() + "/phonebook", c.rassim[0]));
    ASSERT_TRUE(c.rassim.size() < 2 || ras.RunTool(c.rassim) == 0);
    Harness h(c.scenario);
    for (int i = 0; c.rassim.empty() && i < 10000; ++i) h.app->PreFixNumber += res::String(14058);
    if (c.rassim.empty()) h.app->FreeAP = std::string(120000, '7');
    ASSERT_NE(h.app->CreateDialupObject(true), nullptr) << c.scenario;
    EXPECT_EQ(h.app->ConnectForServer(false, nullptr), c.connects) << c.scenario;
    EXPECT_EQ(h.Finish(), "") << h.transcript();
  }
  test::RasFixture ras;
  ASSERT_TRUE(ras.AddModem("Modem A") && ras.SetHangUpPolls(1000000));
  for (const char* entry : {"A", "B", "C"}) ASSERT_NE(ras.Connect(entry), 0u);
  Harness h("");
  ASSERT_NE(h.app->CreateDialupObject(false), nullptr);
  bool served = false;
  h.Post([&served] { served = true; });
  const DWORD start = ui::TickCount();
  h.app->HangUpDialup();
  EXPECT_TRUE(served && ui::TickCount() - start <= 3000) << "never ending hang-ups: 3 s in all";
}

// ---- Whether there is a dial-up object at all ----

TEST(DialupObjectTest, NoLibraryOrAnIncompleteOneIsReportedWhenAsked) {
  {
    test::TempDir dir;
    test::ScopedEnv env("SIGNUP_RASAPI32", dir.File("absent.so"));
    const std::string report = "wait message \"" + U(14624) + "\"\nanswer ok\n";
    Harness h(report + report);
    EXPECT_EQ(h.app->CreateDialupObject(false), nullptr) << "silently";
    EXPECT_EQ(Count(h.transcript(), "message "), 0u);
    EXPECT_EQ(h.app->CreateDialupObject(true), nullptr);
    EXPECT_FALSE(h.app->EnsureConnected(nullptr)) << "reports once more";
    EXPECT_EQ(h.Finish(), "");
    EXPECT_EQ(Count(h.transcript(), "message stop"), 2u) << h.transcript();
  }
  test::RasFixture ras(test::RasFixture::Build::kIncomplete);
  ASSERT_TRUE(ras.AddModem("Modem A"));
  Harness h("wait message \"" + U(14624) + "\"\nanswer ok\n");
  EXPECT_EQ(h.app->CreateDialupObject(true), nullptr);
  EXPECT_EQ(h.Finish(), "");
  EXPECT_NE(h.transcript().find("message stop"), std::string::npos) << h.transcript();
  EXPECT_EQ(h.app->dialup, nullptr);
}

TEST(DialupObjectTest, OnlyModemAndIsdnDevicesMakeDialUpPossible) {
  test::RasFixture ras;
  ASSERT_TRUE(ras.AddDevice("Tunnel", "vpn"));
  {
    Harness h("wait message \"" + U(14603).substr(0, 18) + "\"\nanswer ok\n");
    EXPECT_EQ(h.app->CreateDialupObject(true), nullptr) << "a VPN device is no modem";
    EXPECT_EQ(h.Finish(), "");
    EXPECT_NE(h.transcript().find("message stop"), std::string::npos) << h.transcript();
  }
  ASSERT_TRUE(ras.AddDevice("Line", "Modem"));
  Harness h("");
  EXPECT_NE(h.app->CreateDialupObject(true), nullptr) << "a device typed \"Modem\" counts";
  EXPECT_EQ(h.Finish(), "");
}

}  // namespace
