// The dial-up details dialog played headless: modem list, tone and pulse with Ctrl, the
// outside-line prefix, the access points built through the dial pattern, and what OK stores.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/SignApp.h"
#include "dialup/DialupDetailsDialog.h"
#include "res/resources.h"
#include "support/ras_fixture.h"
#include "support/test_support.h"
#include "ui/headless/headless_backend.h"

namespace {

constexpr char kPattern[] = "0077-xx-xxxx-xxxx";

class DialupDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ras.AddModem("Modem A"));
    ASSERT_TRUE(ras.AddModem("Modem B"));
    ASSERT_TRUE(ras.AddDevice("VPN", "vpn"));
  }
  void TearDown() override {
    app.reset();
    ui::SetBackend(nullptr);
  }

  // The application with these stored values, loaded back from the store as start-up does.
  void Start(const std::function<void(CSignApp&)>& seed) {
    app = std::make_unique<CSignApp>();
    app->PhoneNumber = "0120-111-111";
    app->PhoneNumber2 = "0120-222-222";
    app->PhoneNumber3 = "0120-333-333";
    app->PreFixNumber = kPattern;
    app->ModemName = "Modem A";
    app->DialMode = "T";
    app->ConnectType = "Dialup";
    seed(*app);
    app->SaveNetInfo("");
    app->SelectProfile("");
    app->LoadSettings("", "");
  }

  // Runs the dialog under the scenario; the failure of the play, empty when every command held.
  std::string Play(ui::Dialog& dialog, const std::string& scenario, int expected) {
    auto s = std::make_unique<ui::headless::Scenario>();
    std::string error;
    if (!s->Parse(scenario, error)) return "parse: " + error;
    transcript = std::make_unique<ui::headless::Transcript>("/dev/null");
    backend = std::make_unique<ui::headless::HeadlessBackend>(std::move(s), transcript.get());
    ui::SetBackend(backend.get());
    const int result = dialog.DoModal();
    backend->ProgramEnded();
    if (backend->failed()) return backend->failure();
    if (result != expected) return "dialog ended with " + std::to_string(result);
    return {};
  }

  // A NetInfo value as the store holds it (UTF-8), or "<missing>".
  std::string Stored(const std::string& name) {
    std::string cmd = std::string(SIGNUP_BIN_DIR) +
                      "/regtool get 'HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo' " +
                      name + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (pclose(p) != 0) return "<missing>";
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  const std::string& Transcript() const { return transcript->text(); }
  // Only the lines of `print` commands, in order.
  std::string Prints() const {
    std::string out;
    const std::string& text = transcript->text();
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
      end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      if (text.compare(at, 6, "print ") == 0) out.append(text, at, end + 1 - at);
    }
    return out;
  }

  test::RasFixture ras;
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  std::unique_ptr<ui::headless::Transcript> transcript;
  std::unique_ptr<ui::headless::HeadlessBackend> backend;
  std::unique_ptr<CSignApp> app;
};

// Captures the tooltips and the modem list while the dialog is still up.
class ObservedDetails : public CDialupDetailsDlg {
 public:
  std::string tip(int id) const { return tips.count(id) ? tips.at(id) : std::string(); }
  std::vector<std::string> modems;
  std::map<int, std::string> tips;

 protected:
  void OnOK() override {
    for (int id : {kModemList, kToneBox, kPulseBox, kPrefixCombo, kAccessPointList})
      tips[id] = GetDlgItem(id)->GetToolTipText();
    modems = GetDlgItem(kModemList)->items();
    CDialupDetailsDlg::OnOK();
  }
};

TEST_F(DialupDetailsTest, opensWithTheStoredChoicesAndListsOnlyModems) {
  Start([](CSignApp& a) { a.OutsideLine = "9,"; });
  ObservedDetails dlg;
  dlg.chosenModem = "Modem B";
  EXPECT_EQ(Play(dlg, R"(
expect text 1102 "Modem B"
expect checked 1103
expect unchecked 1104
expect text 1108 "9,"
expect text 1105 "0077-0120-111-111"
print 1109
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_NE(Prints().find("print 1109 \"9,0077-0120-111-111\"\n"), std::string::npos)
      << Transcript();
  EXPECT_EQ(dlg.modems, (std::vector<std::string>{"Modem A", "Modem B"}))
      << "devices that are not modems stay out of the list";
  EXPECT_EQ(dlg.tip(CDialupDetailsDlg::kModemList), res::String(14619));
  EXPECT_EQ(dlg.tip(CDialupDetailsDlg::kToneBox), res::String(14620));
  EXPECT_EQ(dlg.tip(CDialupDetailsDlg::kPulseBox), res::String(14620));
  EXPECT_EQ(dlg.tip(CDialupDetailsDlg::kPrefixCombo), res::String(14621));
  EXPECT_EQ(dlg.tip(CDialupDetailsDlg::kAccessPointList), res::String(14622));
  EXPECT_EQ(Stored("ModemName"), "Modem B") << "the caller's modem is saved";
  EXPECT_EQ(Stored("OutsideLine"), "9,");
  EXPECT_EQ(Stored("PhoneNumber"), "0120-111-111");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
}

TEST_F(DialupDetailsTest, anUnknownStoredPrefixIsAppendedAndATypedOneReachesTheNumber) {
  Start([](CSignApp& a) { a.OutsideLine = "0066,"; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
expect text 1108 "0066,"
select 1108 "8,"
print 1109
select 1108 "0066,"
print 1109
type 1108 "12345678901234"
focus 1108
focus 1105
print 1109
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_NE(Prints().find("print 1109 \"8,0077-0120-111-111\"\n"
                          "print 1109 \"0066,0077-0120-111-111\"\n"
                          "print 1109 \"12345678900077-0120-111-111\"\n"),
            std::string::npos)
      << "the prefix is cut to 10 bytes as typed\n"
      << Transcript();
  EXPECT_EQ(Stored("OutsideLine"), "1234567890");
}

TEST_F(DialupDetailsTest, theNonePrefixAddsNothingAndIsStoredEmpty) {
  Start([](CSignApp& a) { a.OutsideLine = "9,"; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "select 1108 \"(なし)\"\nprint 1109\nclick 1\n", ui::IDOK), "");
  EXPECT_NE(Prints().find("print 1109 \"0077-0120-111-111\"\n"), std::string::npos) << Transcript();
  EXPECT_EQ(Stored("OutsideLine"), "");
}

TEST_F(DialupDetailsTest, choosingTheThirdAccessPointMakesItTheFirstAndKeepsThePattern) {
  Start([](CSignApp&) {});
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
focus 1105
select 1105 "0077-0120-333-333"
print 1109
focus 1108
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_NE(Prints().find("print 1109 \"0077-0120-333-333\"\n"), std::string::npos) << Transcript();
  EXPECT_EQ(Transcript().find("message "), std::string::npos) << "the number was not changed";
  EXPECT_EQ(Stored("PhoneNumber"), "0120-333-333");
  EXPECT_EQ(Stored("PhoneNumber2"), "0120-222-222");
  EXPECT_EQ(Stored("PhoneNumber3"), "0120-111-111");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
  EXPECT_EQ(app->PhoneNumber, "0120-333-333") << "the settings record follows the save";
}

TEST_F(DialupDetailsTest, aGapInTheStoredAccessPointsStillMovesTheChosenOneFirst) {
  Start([](CSignApp& a) {
    a.PhoneNumber = "";
    a.PhoneNumber2 = "0120-222-222";
  });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
focus 1105
select 1105 "0077-0120-333-333"
focus 1108
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_EQ(Transcript().find("message "), std::string::npos) << Transcript();
  EXPECT_EQ(Stored("PhoneNumber"), "0120-333-333");
  EXPECT_EQ(Stored("PhoneNumber2"), "0120-222-222");
  EXPECT_EQ(Stored("PhoneNumber3"), "");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern) << "the pattern keeps its placeholder";
}

TEST_F(DialupDetailsTest, withoutStoredAccessPointsTheBarePatternIsShownAndKept) {
  Start([](CSignApp& a) { a.PhoneNumber = a.PhoneNumber2 = a.PhoneNumber3 = ""; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "expect disabled 1105\nexpect text 1105 \"0077-xx-xxxx-xxxx\"\nclick 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
  EXPECT_EQ(Stored("PhoneNumber"), "");
}

// A list whose shown text no longer carries its number (as an edited entry would).
class AlteredAccessPoint : public CDialupDetailsDlg {
 protected:
  bool OnInitDialog() override {
    CDialupDetailsDlg::OnInitDialog();
    GetDlgItem(kAccessPointList)->SetWindowText("0077-0120-999");
    return true;
  }
};

TEST_F(DialupDetailsTest, anAccessPointTextWithoutItsNumberIsPutBack) {
  Start([](CSignApp&) {});
  AlteredAccessPoint dlg;
  EXPECT_EQ(Play(dlg, R"(
focus 1105
focus 1108
wait message "電話番号の変更はできません"
answer ok
expect text 1105 "0077-0120-111-111"
print 1109
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_NE(Prints().find("print 1109 \"0077-0120-111-111\"\n"), std::string::npos) << Transcript();
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
}

TEST_F(DialupDetailsTest, toneAndPulseStayExclusiveAndCtrlClickClearsBoth) {
  Start([](CSignApp&) {});
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
click 1104
expect checked 1104
expect unchecked 1103
click 1104
expect checked 1104
click 1103
expect checked 1103
expect unchecked 1104
key ctrl down
click 1103
key ctrl up
expect unchecked 1103
expect unchecked 1104
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("DialMode"), "");
}

TEST_F(DialupDetailsTest, theCallersDialModeChoiceWinsOverTheStoredOne) {
  Start([](CSignApp& a) { a.DialMode = "T"; });
  CDialupDetailsDlg pulse;
  pulse.initialDialMode = 1;
  EXPECT_EQ(Play(pulse, "expect checked 1104\nexpect unchecked 1103\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("DialMode"), "P");

  CDialupDetailsDlg stored;  // -1: the stored "P" decides
  EXPECT_EQ(Play(stored, "expect checked 1104\nclick 2\n", ui::IDCANCEL), "");
  CDialupDetailsDlg tone;
  tone.initialDialMode = 0;
  EXPECT_EQ(Play(tone, "expect checked 1103\nexpect unchecked 1104\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("DialMode"), "T");
}

TEST_F(DialupDetailsTest, cancelStoresNothing) {
  Start([](CSignApp& a) { a.OutsideLine = "9,"; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
select 1102 "Modem B"
click 1104
select 1108 "0,"
select 1105 "0077-0120-222-222"
click 2
)",
                 ui::IDCANCEL),
            "");
  EXPECT_EQ(Stored("ModemName"), "Modem A");
  EXPECT_EQ(Stored("DialMode"), "T");
  EXPECT_EQ(Stored("OutsideLine"), "9,");
  EXPECT_EQ(Stored("PhoneNumber"), "0120-111-111");
  EXPECT_EQ(app->ModemName, "Modem A");
}

TEST_F(DialupDetailsTest, withoutModemsEveryInputIsDisabledAndTheStoredModemKept) {
  ASSERT_TRUE(ras.RemoveDevice("Modem A"));
  ASSERT_TRUE(ras.RemoveDevice("Modem B"));
  const std::string disabled =
      "expect text 1102 \"ﾓﾃﾞﾑがありません\"\nexpect disabled 1102\nexpect disabled 1103\n"
      "expect disabled 1104\nexpect disabled 1108\nexpect disabled 1105\nexpect disabled 1109\n";

  Start([](CSignApp&) {});
  CDialupDetailsDlg dialup;
  EXPECT_EQ(
      Play(dialup,
           "wait message \"接続可能なﾓﾃﾞﾑが見つかりません\"\nanswer ok\n" + disabled + "click 1\n",
           ui::IDOK),
      "");
  EXPECT_EQ(Stored("ModemName"), "Modem A") << "the no-modem text is not a modem name";

  app->ConnectType = "Lan";
  CDialupDetailsDlg lan;
  EXPECT_EQ(Play(lan, disabled + "click 1\n", ui::IDOK), "");
  EXPECT_EQ(Transcript().find("message "), std::string::npos) << "no warning with LAN chosen";
}

TEST_F(DialupDetailsTest, withoutTheDialUpLibraryTheDialogWarnsAndStillSaves) {
  Start([](CSignApp& a) { a.OutsideLine = "0,"; });
  app->statusFlags &= static_cast<uint16_t>(~CSignSettings::kStatusDialupAvailable);
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
wait message "ﾓﾃﾞﾑのｾｯﾄｱｯﾌﾟを行ってください"
answer ok
expect text 1102 "ﾓﾃﾞﾑがありません"
expect disabled 1108
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("OutsideLine"), "0,");
  EXPECT_EQ(Stored("ModemName"), "Modem A");
}

}  // namespace
