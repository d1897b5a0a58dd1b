// The LAN details and mail-account dialogs played headless: the protocol boxes and the proxy
// group, the system proxy offered for an empty address, what OK stores and what Cancel leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/SignApp.h"
#include "netconfig/LanDetailsDialog.h"
#include "netconfig/MailAccountDialog.h"
#include "res/resources.h"
#include "support/test_support.h"
#include "ui/headless/headless_backend.h"

namespace {

constexpr char kInternetSettings[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class LanDetailsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    app.reset();
    ui::SetBackend(nullptr);
  }

  // The application with a stored LAN configuration, loaded back as start-up does.
  void Start(const std::string& protocol, bool proxy, const std::string& host,
             const std::string& port = "8080",
             const std::function<void(CSignApp&)>& more = nullptr) {
    app = std::make_unique<CSignApp>();
    app->ApplyConnectionConfig("Lan", protocol, proxy, host, port, "alice", "secret");
    if (more) more(*app);
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

  // Runs regtool on the private store; its standard output without the last line break, or
  // "<missing>" when it fails.
  std::string Regtool(const std::string& args) {
    std::string cmd = std::string(SIGNUP_BIN_DIR) + "/regtool " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (pclose(p) != 0) return "<missing>";
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }
  std::string Stored(const std::string& name) {
    return Regtool("get 'HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo' " + name);
  }

  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  // The desktop's proxy variables would stand in for a store without proxy settings.
  test::ScopedEnv httpProxy{"http_proxy", std::nullopt};
  test::ScopedEnv httpsProxy{"https_proxy", std::nullopt};
  test::ScopedEnv httpProxyUpper{"HTTP_PROXY", std::nullopt};
  test::ScopedEnv httpsProxyUpper{"HTTPS_PROXY", std::nullopt};
  std::unique_ptr<ui::headless::Transcript> transcript;
  std::unique_ptr<ui::headless::HeadlessBackend> backend;
  std::unique_ptr<CSignApp> app;
};

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

TEST_F(LanDetailsTest, protocolAutoOpensWithOnlyTheUnknownBoxAndCancelKeepsEverything) {
  Start("auto", true, "proxy.example");
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

  const std::map<int, UINT> expected = {{1073, 184}, {1131, 185}, {1113, 186}, {1114, 187},
                                        {1115, 188}, {1124, 189}, {1325, 193}, {1327, 193}};
  for (const auto& [id, stringId] : expected)
    EXPECT_EQ(dlg.tips[id], res::String(stringId)) << "tooltip of " << id;
}

TEST_F(LanDetailsTest, tcpWithAProxyOpensWithEveryProxyFieldAndOkKeepsIt) {
  Start("tcp", true, "proxy.example", "3128");
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
  EXPECT_EQ(app->effectiveProxyHost, "proxy.example");
}

TEST_F(LanDetailsTest, checkingTheProxyBoxOffersTheSystemsProxyServer) {
  Start("tcp", false, "");
  // Switched off in the system, and still offered.
  ASSERT_EQ(Regtool(std::string("set '") + kInternetSettings + "' ProxyServer sz 10.1.2.3:8080"),
            "");
  ASSERT_EQ(Regtool(std::string("set '") + kInternetSettings + "' ProxyEnable dword 0"), "");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg,
                 std::string("expect unchecked 1113\n") + kProxyFieldsDisabled +
                     "click 1113\nexpect text 1114 \"10.1.2.3\"\nexpect text 1115 \"8080\"\n" +
                     kProxyFieldsEnabled + "click 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("Proxy_enable"), "1");
  EXPECT_EQ(Stored("Proxy_host"), "10.1.2.3");
  EXPECT_EQ(Stored("Proxy_port"), "8080");
}

TEST_F(LanDetailsTest, aTypedAddressIsNotReplacedAndNoSystemProxyLeavesThePortAlone) {
  Start("tcp", false, "");
  ASSERT_EQ(Regtool(std::string("set '") + kInternetSettings + "' ProxyServer sz 10.1.2.3:8080"),
            "");
  CLanDetailsDlg typed;
  EXPECT_EQ(Play(typed,
                 "click 1113\ntype 1114 \"own.example\"\nclick 1113\nclick 1113\n"
                 "expect text 1114 \"own.example\"\nclick 2\n",
                 ui::IDCANCEL),
            "");

  ASSERT_EQ(Regtool(std::string("delete '") + kInternetSettings + "'"), "");
  CLanDetailsDlg none;
  EXPECT_EQ(Play(none,
                 "click 1113\ntype 1115 \"3128\"\nclick 1113\nclick 1113\n"
                 "expect text 1114 \"\"\nexpect text 1115 \"3128\"\nclick 1\n",
                 ui::IDOK),
            "");
  EXPECT_EQ(Stored("Proxy_port"), "3128");
  EXPECT_EQ(Stored("Proxy_enable"), "0") << "no address, no proxy";
}

TEST_F(LanDetailsTest, theProtocolBoxesStayExclusiveAndUnknownDisablesTheProxy) {
  Start("udp", false, "");
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

TEST_F(LanDetailsTest, udpAndTcpClicksPutTheDialogsOwnValuesBackIntoTheFields) {
  Start("tcp", true, "proxy.example");
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

TEST_F(LanDetailsTest, udpWithTheProxyStillCheckedKeepsTheAddressButNoProxy) {
  Start("tcp", true, "proxy.example");
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

TEST_F(LanDetailsTest, tcpWithTheProxyCheckedButNoAddressStoresNoProxy) {
  Start("tcp", false, "");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "click 1113\nexpect checked 1113\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("Protocol"), "tcp");
  EXPECT_EQ(Stored("Proxy_enable"), "0");
}

TEST_F(LanDetailsTest, aPortAbove65535IsStoredAsTheHttpPort) {
  Start("tcp", true, "proxy.example");
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "type 1115 \"700001\"\nexpect text 1115 \"70000\"\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("Proxy_port"), "80");
  EXPECT_EQ(Stored("Proxy_enable"), "1");
}

TEST_F(LanDetailsTest, theLanDialogChoosesLanEvenWhenDialUpWasStored) {
  Start("udp", false, "", "80", [](CSignApp& a) { a.ConnectType = "Dialup"; });
  CLanDetailsDlg dlg;
  EXPECT_EQ(Play(dlg, "click 1\n", ui::IDOK), "");
  EXPECT_EQ(Stored("ConnectType"), "Lan");
  EXPECT_TRUE(app->connectionFlags & CSignSettings::kConnLan);
}

// Captures the account text while the dialog is still up.
class ObservedMail : public CMailAccountDlg {
 public:
  std::string notice, account;
  bool cancelVisible = true, okVisible = false;

 protected:
  void OnOK() override {
    notice = GetDlgItemText(kNoticeEdit);
    account = GetDlgItemText(kAccountEdit);
    cancelVisible = GetDlgItem(2)->IsWindowVisible();
    okVisible = GetDlgItem(1)->IsWindowVisible();
    CMailAccountDlg::OnOK();
  }
};

TEST_F(LanDetailsTest, theMailAccountDialogShowsTheAccountInPlainTextWithOnlyOk) {
  Start("udp", false, "", "80", [](CSignApp& a) {
    a.E_mail = "taro@mail.example.com";
    a.Pop_id = "taro";
    a.Pop_password = "pw+1";
    a.Pop_host = "pop.example.com";
    a.Smtp_host = "smtp.example.com";
  });
  ObservedMail dlg;
  EXPECT_EQ(Play(dlg, "expect hidden 2\nexpect visible 1\nclick 1\n", ui::IDOK), "");
  EXPECT_EQ(dlg.notice, res::String(179));
  EXPECT_EQ(dlg.account, test::Sjis(u8"ﾒｰﾙｱﾄﾞﾚｽ: \ttaro@mail.example.com\r\nﾒｰﾙｱｶｳﾝﾄ:\ttaro\r\n"
                                    u8"ﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\tpw+1\r\nPOPﾎｽﾄ名:\tpop.example.com\r\n"
                                    u8"SMTPﾎｽﾄ名:\tsmtp.example.com"));
  EXPECT_FALSE(dlg.cancelVisible);
  EXPECT_TRUE(dlg.okVisible);
}

TEST_F(LanDetailsTest, theMailAccountDialogShowsEmptyValuesWhenNoAccountWasIssued) {
  Start("udp", false, "");
  ObservedMail dlg;
  EXPECT_EQ(Play(dlg, "click 1\n", ui::IDOK), "");
  EXPECT_EQ(dlg.account, test::Sjis(u8"ﾒｰﾙｱﾄﾞﾚｽ: \t\r\nﾒｰﾙｱｶｳﾝﾄ:\t\r\nﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t\r\n"
                                    u8"POPﾎｽﾄ名:\t\r\nSMTPﾎｽﾄ名:\t"));
  EXPECT_EQ(dlg.notice, res::String(179));
}

}  // namespace
