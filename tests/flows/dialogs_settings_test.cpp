// The three settings dialogs played headless: dial-up details (modems, tone and pulse with Ctrl,
// prefix, access points through the dial pattern), LAN details (protocol boxes, proxy group,
// system proxy) and the mail account; each checks what reached the registry store.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/SignApp.h"
#include "dialup/DialupDetailsDialog.h"
#include "netconfig/LanDetailsDialog.h"
#include "netconfig/MailAccountDialog.h"
#include "res/resources.h"
#include "support/ras_fixture.h"
#include "support/regtool.h"
#include "support/test_support.h"
#include "ui/headless/headless_backend.h"

namespace {

constexpr char kPattern[] = "0077-xx-xxxx-xxxx";
constexpr char kInternetSettings[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// A private store and dial-up service, the application loaded from that store, and the headless
// play of one dialog at a time.
class DialogsTest : public ::testing::Test {
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
  // The same with a stored LAN configuration.
  void StartLan(const std::string& protocol, bool proxy, const std::string& host,
                const std::string& port = "8080") {
    Start([&](CSignApp& a) {
      a.ApplyConnectionConfig("Lan", protocol, proxy, host, port, "alice", "secret");
    });
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
    if (backend->HasFailed()) return backend->GetFailure();
    if (result != expected) return "dialog ended with " + std::to_string(result);
    return {};
  }
  const std::string& Transcript() const { return transcript->GetText(); }
  // Only the lines of `print` commands, in order.
  std::string Prints() const {
    std::string out;
    const std::string& text = transcript->GetText();
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
      end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      if (text.compare(at, 6, "print ") == 0) out.append(text, at, end + 1 - at);
    }
    return out;
  }

  // A NetInfo value as the store holds it (UTF-8), "<missing>" when there is none.
  std::string Stored(const std::string& name) {
    return test::RegtoolGet("HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo", name)
        .value_or("<missing>");
  }
  // Sets a value with regtool; its complaint, empty when it worked.
  std::string Set(const std::string& key, const std::string& name, const std::string& type,
                  const std::string& value) {
    const test::ProgramResult r = test::RunRegtool({"set", key, name, type, value});
    return r.exit == 0 ? std::string() : "regtool: " + r.err;
  }

  test::RasFixture ras;
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  test::NoDesktopProxy noProxy;
  std::unique_ptr<ui::headless::Transcript> transcript;
  std::unique_ptr<ui::headless::HeadlessBackend> backend;
  std::unique_ptr<CSignApp> app;
};

// ---- Dial-up details -------------------------------------------------------------------------

using DialupDetailsTest = DialogsTest;

// Captures the tooltips and the modem list while the dialog is still up.
class ObservedDetails : public CDialupDetailsDlg {
 public:
  std::vector<std::string> modems;
  std::map<int, std::string> tips;

 protected:
  void OnOK() override {
    for (int id : {kModemList, kToneBox, kPulseBox, kPrefixCombo, kAccessPointList})
      tips[id] = GetDlgItem(id)->GetToolTipText();
    modems = GetDlgItem(kModemList)->GetItems();
    CDialupDetailsDlg::OnOK();
  }
};

TEST_F(DialupDetailsTest, OpensWithTheCallersChoicesAndTheStoredPrefixAndListsOnlyModems) {
  Start([](CSignApp& a) { a.OutsideLine = "9,"; });
  ObservedDetails dlg;
  dlg.chosenModem = "Modem B";
  dlg.initialDialMode = 1;
  EXPECT_EQ(Play(dlg, R"(
expect text 1102 "Modem B"
expect checked 1104
expect unchecked 1103
expect text 1108 "9,"
expect text 1105 "0077-0120-111-111"
print 1109
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_EQ(Prints(), "print 1109 \"9,0077-0120-111-111\"\n") << Transcript();
  EXPECT_EQ(dlg.modems, (std::vector<std::string>{"Modem A", "Modem B"}))
      << "devices that are not modems stay out of the list";
  const std::map<int, UINT> tips = {
      {1102, 14619}, {1103, 14620}, {1104, 14620}, {1108, 14621}, {1105, 14622}};
  for (const auto& [id, stringId] : tips)
    EXPECT_EQ(dlg.tips[id], res::String(stringId)) << "tooltip of " << id;
  EXPECT_EQ(Stored("ModemName"), "Modem B") << "the caller's modem is saved";
  EXPECT_EQ(Stored("DialMode"), "P") << "the caller's pulse choice beats the stored tone";
  EXPECT_EQ(Stored("OutsideLine"), "9,");
  EXPECT_EQ(Stored("PhoneNumber"), "0120-111-111");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
}

TEST_F(DialupDetailsTest, AnUnknownPrefixIsAppendedATypedOneCountsAndNoneIsStoredEmpty) {
  Start([](CSignApp& a) { a.OutsideLine = "0066,"; });
  CDialupDetailsDlg first;
  EXPECT_EQ(Play(first, R"(
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
  EXPECT_EQ(Prints(),
            "print 1109 \"8,0077-0120-111-111\"\n"
            "print 1109 \"0066,0077-0120-111-111\"\n"
            "print 1109 \"12345678900077-0120-111-111\"\n")
      << "the typed prefix is cut to 10 bytes\n"
      << Transcript();
  EXPECT_EQ(Stored("OutsideLine"), "1234567890");

  CDialupDetailsDlg second;
  EXPECT_EQ(Play(second, "select 1108 \"(なし)\"\nprint 1109\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(Prints(), "print 1109 \"0077-0120-111-111\"\n") << Transcript();
  EXPECT_EQ(Stored("OutsideLine"), "");
}

TEST_F(DialupDetailsTest, ChoosingTheThirdAccessPointMakesItTheFirstAndKeepsThePattern) {
  Start([](CSignApp&) {});
  CDialupDetailsDlg dlg;
  EXPECT_EQ(
      Play(dlg, "focus 1105\nselect 1105 \"0077-0120-333-333\"\nprint 1109\nfocus 1108\nclick 1\n",
           ui::IDOK),
      "");
  EXPECT_EQ(Prints(), "print 1109 \"0077-0120-333-333\"\n") << Transcript();
  EXPECT_EQ(Transcript().find("message "), std::string::npos) << "the number was not changed";
  EXPECT_EQ(Stored("PhoneNumber"), "0120-333-333");
  EXPECT_EQ(Stored("PhoneNumber2"), "0120-222-222");
  EXPECT_EQ(Stored("PhoneNumber3"), "0120-111-111");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
}

TEST_F(DialupDetailsTest, AGapInTheStoredAccessPointsStillMovesTheChosenOneFirst) {
  Start([](CSignApp& a) { a.PhoneNumber = ""; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(
      Play(dlg, "focus 1105\nselect 1105 \"0077-0120-333-333\"\nfocus 1108\nclick 1\n", ui::IDOK),
      "");
  EXPECT_EQ(Transcript().find("message "), std::string::npos) << Transcript();
  EXPECT_EQ(Stored("PhoneNumber"), "0120-333-333");
  EXPECT_EQ(Stored("PhoneNumber2"), "0120-222-222");
  EXPECT_EQ(Stored("PhoneNumber3"), "");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern) << "the pattern keeps its placeholder";
}

TEST_F(DialupDetailsTest, WithoutStoredAccessPointsTheBarePatternIsShownAndKept) {
  Start([](CSignApp& a) { a.PhoneNumber = a.PhoneNumber2 = a.PhoneNumber3 = ""; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "expect disabled 1105\nexpect text 1105 \"0077-xx-xxxx-xxxx\"\nclick 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
  EXPECT_EQ(Stored("PhoneNumber"), "");
}

// A list whose shown text no longer carries its number.
class AlteredAccessPoint : public CDialupDetailsDlg {
 protected:
  bool OnInitDialog() override {
    CDialupDetailsDlg::OnInitDialog();
    GetDlgItem(kAccessPointList)->SetWindowText("0077-0120-999");
    return true;
  }
};

TEST_F(DialupDetailsTest, AnAccessPointTextWithoutItsNumberIsPutBack) {
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
  EXPECT_EQ(Prints(), "print 1109 \"0077-0120-111-111\"\n") << Transcript();
  EXPECT_EQ(Stored("PreFixNumber"), kPattern);
}

TEST_F(DialupDetailsTest, ToneAndPulseStayExclusiveAndCtrlClickClearsBoth) {
  Start([](CSignApp&) {});
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
expect checked 1103
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

TEST_F(DialupDetailsTest, CancelStoresNothing) {
  Start([](CSignApp& a) { a.OutsideLine = "9,"; });
  CDialupDetailsDlg dlg;
  EXPECT_EQ(Play(dlg,
                 "select 1102 \"Modem B\"\nclick 1104\nselect 1108 \"0,\"\n"
                 "select 1105 \"0077-0120-222-222\"\nclick 2\n",
                 ui::IDCANCEL),
            "");
  EXPECT_EQ(Stored("ModemName"), "Modem A");
  EXPECT_EQ(Stored("DialMode"), "T");
  EXPECT_EQ(Stored("OutsideLine"), "9,");
  EXPECT_EQ(Stored("PhoneNumber"), "0120-111-111");
  EXPECT_EQ(app->ModemName, "Modem A");
}

TEST_F(DialupDetailsTest, WithoutModemOrLibraryEveryInputIsDisabledAndTheRestStillSaved) {
  ASSERT_TRUE(ras.RemoveDevice("Modem A"));
  ASSERT_TRUE(ras.RemoveDevice("Modem B"));
  const std::string disabled =
      "expect text 1102 \"ﾓﾃﾞﾑがありません\"\nexpect disabled 1102\nexpect disabled 1103\n"
      "expect disabled 1104\nexpect disabled 1108\nexpect disabled 1105\nexpect disabled 1109\n";
  const std::string warning = "wait message \"接続可能なﾓﾃﾞﾑが見つかりません\"\nanswer ok\n";
  Start([](CSignApp& a) { a.OutsideLine = "0,"; });

  CDialupDetailsDlg noModem;
  EXPECT_EQ(Play(noModem, warning + disabled + "click 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("ModemName"), "Modem A") << "the no-modem text is not a modem name";
  EXPECT_EQ(Stored("OutsideLine"), "0,");

  app->ConnectType = "Lan";
  CDialupDetailsDlg lan;
  EXPECT_EQ(Play(lan, disabled + "click 1\n", ui::IDOK), "");
  EXPECT_EQ(Transcript().find("message "), std::string::npos) << "no warning with LAN chosen";

  app->ConnectType = "Dialup";
  app->statusFlags &= static_cast<uint16_t>(~CSignSettings::kStatusDialupAvailable);
  CDialupDetailsDlg noLibrary;
  EXPECT_EQ(Play(noLibrary, warning + disabled + "click 1\n", ui::IDOK), "");
}

// ---- LAN details -----------------------------------------------------------------------------

using LanDetailsTest = DialogsTest;

constexpr char kProxyFieldsDisabled[] =
    "expect disabled 1114\nexpect disabled 1115\nexpect disabled 1325\nexpect disabled 1327\n"
    "expect disabled 1116\nexpect disabled 1117\nexpect disabled 1324\nexpect disabled 1326\n";
constexpr char kProxyFieldsEnabled[] =
    "expect enabled 1114\nexpect enabled 1115\nexpect enabled 1325\nexpect enabled 1327\n"
    "expect enabled 1116\nexpect enabled 1117\nexpect enabled 1324\nexpect enabled 1326\n";

// Captures the tooltips while the dialog is still up.
class ObservedLan : public CLanDetailsDlg {
 public:
  std::map<int, std::string> tips;

 protected:
  void OnCancel() override {
    for (int id : {1073, 1131, 1113, 1114, 1115, 1124, 1325, 1327})
      tips[id] = GetDlgItem(id)->GetToolTipText();
    CLanDetailsDlg::OnCancel();
  }
};

TEST_F(LanDetailsTest, ProtocolAutoOpensWithOnlyTheUnknownBoxAndCancelKeepsEverything) {
  StartLan("auto", true, "proxy.example");
  ObservedLan dlg;
  EXPECT_EQ(Play(dlg,
                 std::string("expect checked 1124\nexpect unchecked 1073\nexpect unchecked 1131\n"
                             "expect disabled 1113\n") +
                     kProxyFieldsDisabled +
                     "click 1131\nclick 1113\ntype 1114 \"other.example\"\nclick 2\n",
                 ui::IDCANCEL),
            "");
  EXPECT_EQ(Stored("Protocol"), "auto");
  EXPECT_EQ(Stored("Proxy_host"), "proxy.example");
  EXPECT_EQ(app->Protocol, "auto");
  EXPECT_EQ(app->Proxy_host, "proxy.example");
  EXPECT_TRUE(app->connectionFlags & CSignSettings::kConnProtocolAuto);
  const std::map<int, UINT> tips = {{1073, 184}, {1131, 185}, {1113, 186}, {1114, 187},
                                    {1115, 188}, {1124, 189}, {1325, 193}, {1327, 193}};
  for (const auto& [id, stringId] : tips)
    EXPECT_EQ(dlg.tips[id], res::String(stringId)) << "tooltip of " << id;
}

TEST_F(LanDetailsTest, TcpWithAProxyOpensWithEveryProxyFieldAndOkKeepsIt) {
  StartLan("tcp", true, "proxy.example", "3128");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg,
                 std::string("expect checked 1131\nexpect unchecked 1073\nexpect unchecked 1124\n"
                             "expect checked 1113\nexpect enabled 1113\n") +
                     kProxyFieldsEnabled +
                     "expect text 1114 \"proxy.example\"\nexpect text 1115 \"3128\"\n"
                     "expect text 1325 \"alice\"\nexpect text 1327 \"secret\"\nclick 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("ConnectType"), "Lan");
  EXPECT_EQ(Stored("Protocol"), "tcp");
  EXPECT_EQ(Stored("Proxy_enable"), "1");
  EXPECT_EQ(Stored("Proxy_host"), "proxy.example");
  EXPECT_EQ(Stored("Proxy_port"), "3128");
  EXPECT_EQ(Stored("Proxy_Data1"), "alice");
  EXPECT_TRUE(app->connectionFlags & CSignSettings::kConnProxyInEffect);
}

TEST_F(LanDetailsTest, CheckingTheProxyBoxOffersTheSystemsProxyServerOnlyForAnEmptyAddress) {
  StartLan("tcp", false, "");
  // Switched off in the system, and still offered.
  ASSERT_EQ(Set(kInternetSettings, "ProxyServer", "sz", "10.1.2.3:8080"), "");
  ASSERT_EQ(Set(kInternetSettings, "ProxyEnable", "dword", "0"), "");
  CLanDetailsDlg typed;
  EXPECT_EQ(Play(typed,
                 "click 1113\nexpect text 1114 \"10.1.2.3\"\nexpect text 1115 \"8080\"\n"
                 "type 1114 \"own.example\"\nclick 1113\nclick 1113\n"
                 "expect text 1114 \"own.example\"\nclick 2\n",
                 ui::IDCANCEL),
            "");
  CLanDetailsDlg system;
  EXPECT_EQ(Play(system, std::string("click 1113\n") + kProxyFieldsEnabled + "click 1\n", ui::IDOK),
            "");
  EXPECT_EQ(Stored("Proxy_enable"), "1");
  EXPECT_EQ(Stored("Proxy_host"), "10.1.2.3");
  EXPECT_EQ(Stored("Proxy_port"), "8080");
}

TEST_F(LanDetailsTest, WithoutASystemProxyTheTypedPortStaysAndNoAddressMeansNoProxy) {
  StartLan("tcp", false, "");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg,
                 "click 1113\ntype 1115 \"3128\"\nclick 1113\nclick 1113\n"
                 "expect checked 1113\nexpect text 1114 \"\"\nexpect text 1115 \"3128\"\nclick 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("Protocol"), "tcp");
  EXPECT_EQ(Stored("Proxy_port"), "3128");
  EXPECT_EQ(Stored("Proxy_enable"), "0");
}

TEST_F(LanDetailsTest, TheProtocolBoxesStayExclusiveAndUnknownDisablesTheProxy) {
  StartLan("udp", false, "");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg,
                 std::string(R"(
expect checked 1073
expect unchecked 1131
expect disabled 1113
click 1073
expect checked 1073
click 1131
expect checked 1131
expect unchecked 1073
expect enabled 1113
click 1113
)") + kProxyFieldsEnabled +
                     R"(
click 1124
expect checked 1124
expect unchecked 1131
expect unchecked 1073
expect disabled 1113
)" + kProxyFieldsDisabled +
                     "click 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("Protocol"), "auto");
  EXPECT_EQ(Stored("Proxy_enable"), "0");
}

TEST_F(LanDetailsTest, UdpAndTcpClicksPutTheDialogsOwnValuesBackIntoTheFields) {
  StartLan("tcp", true, "proxy.example");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, R"(
type 1114 "typed.example"
click 1131
expect checked 1131
expect text 1114 "proxy.example"
type 1115 "9999"
click 1073
expect text 1115 "8080"
click 1
)",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("Protocol"), "udp");
}

TEST_F(LanDetailsTest, UdpWithTheProxyStillCheckedKeepsTheAddressButNoProxy) {
  StartLan("tcp", true, "proxy.example");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg,
                 std::string("click 1073\nexpect checked 1113\nexpect disabled 1113\n") +
                     kProxyFieldsDisabled + "click 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("Protocol"), "udp");
  EXPECT_EQ(Stored("Proxy_enable"), "0");
  EXPECT_EQ(Stored("Proxy_host"), "proxy.example");
  EXPECT_FALSE(app->connectionFlags & CSignSettings::kConnProxyInEffect);
}

TEST_F(LanDetailsTest, APortAbove65535IsStoredAsTheHttpPort) {
  StartLan("tcp", true, "proxy.example");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "type 1115 \"700001\"\nexpect text 1115 \"70000\"\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("Proxy_port"), "80");
  EXPECT_EQ(Stored("Proxy_enable"), "1");
}

// ---- Mail account ----------------------------------------------------------------------------

using MailAccountTest = DialogsTest;

// Captures the texts while the dialog is still up.
class ObservedMail : public CMailAccountDlg {
 public:
  std::string notice, account;

 protected:
  void OnOK() override {
    notice = GetDlgItemText(kNoticeEdit);
    account = GetDlgItemText(kAccountEdit);
    CMailAccountDlg::OnOK();
  }
};

TEST_F(MailAccountTest, ShowsTheAccountInPlainTextOrEmptyValuesWithOnlyOk) {
  Start([](CSignApp&) {});
  ObservedMail empty;
  EXPECT_EQ(Play(empty, "expect hidden 2\nexpect visible 1\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(empty.notice, res::String(IDS_MAIL_NOTICE));
  EXPECT_EQ(empty.account, test::Sjis(u8"ﾒｰﾙｱﾄﾞﾚｽ: \t\r\nﾒｰﾙｱｶｳﾝﾄ:\t\r\nﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t\r\n"
                                      u8"POPﾎｽﾄ名:\t\r\nSMTPﾎｽﾄ名:\t"));

  app->E_mail = "taro@mail.example.com";
  app->Pop_id = "taro";
  app->Pop_password = "pw+1";
  app->Pop_host = "pop.example.com";
  app->Smtp_host = "smtp.example.com";
  ObservedMail issued;
  EXPECT_EQ(Play(issued, "click 1\n", ui::IDOK), "");
  EXPECT_EQ(issued.account, test::Sjis(u8"ﾒｰﾙｱﾄﾞﾚｽ: \ttaro@mail.example.com\r\nﾒｰﾙｱｶｳﾝﾄ:\ttaro\r\n"
                                       u8"ﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\tpw+1\r\nPOPﾎｽﾄ名:\tpop.example.com\r\n"
                                       u8"SMTPﾎｽﾄ名:\tsmtp.example.com"));
}

}  // namespace
