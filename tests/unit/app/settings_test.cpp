// The settings record: defaults, the connection flag word, the stored form of the secrets, the
// summary text, and the round trip through the registry store.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

#include "app/SignApp.h"
#include "pages/SignPages.h"
#include "res/resources.h"
#include "support/protocol_seam.h"
#include "support/regtool.h"
#include "support/test_support.h"
#include "ui/headless/headless_backend.h"

namespace {

const std::string kProgramKey = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\";

class SettingsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};

  // A fresh application object that loaded the store as start-up does.
  std::unique_ptr<CSignApp> Load() {
    auto app = std::make_unique<CSignApp>();
    app->SelectProfile("");
    app->LoadSettings("", "");
    app->LoadServerUrls();
    return app;
  }
  // regtool on the private store: its exit status.
  int Regtool(const std::vector<std::string>& args) { return test::RunRegtool(args).exit; }
  // A stored value of that key under the program's own, as regtool prints it.
  std::string Get(const std::string& key, const std::string& name) {
    return test::RegtoolGet(kProgramKey + key, name).value_or("<missing>");
  }
};

TEST_F(SettingsTest, AMachineWithNoStoredValuesGetsTheDefaults) {
  auto app = Load();
  EXPECT_EQ(app->Age, "2000");
  EXPECT_EQ(app->Age2, "1");
  EXPECT_EQ(app->Age3, "1");
  EXPECT_EQ(app->Sex, "male");
  EXPECT_EQ(app->DialMode, "T");
  EXPECT_EQ(app->ConnectType, "Dialup");
  EXPECT_EQ(app->Protocol, "udp");
  EXPECT_EQ(app->Proxy_port, "80");
  EXPECT_EQ(app->PreFixNumber, "xx-xxxx-xxxx");
  EXPECT_EQ(app->FreeAP, res::String(14006));
  EXPECT_EQ(app->connectionFlags, 0);
  EXPECT_EQ(app->ProtocolVer, 0);
  EXPECT_EQ(app->signupServerUrl, res::String(14029));
  EXPECT_EQ(app->profileServerUrl, res::String(14018));
  EXPECT_EQ(app->searchServerUrl, res::String(14030));
  EXPECT_EQ(app->appName, "Signup") << "the profile is left at Signup after loading";
}

TEST_F(SettingsTest, StoredEmptyBirthDateStillLoadsTheDefaults) {
  ASSERT_EQ(Regtool({"set", kProgramKey + "Signup", "Age", "sz", ""}), 0);
  ASSERT_EQ(Regtool({"set", kProgramKey + "Signup", "Age2", "sz", "7"}), 0);
  auto app = Load();
  EXPECT_EQ(app->Age, "2000");
  EXPECT_EQ(app->Age2, "7");
}

struct FlagCase {
  const char* protocol;
  bool proxyEnabled;
  const char* host;
  uint16_t flags;
  bool proxyInEffect;
};

TEST_F(SettingsTest, ConnectionFlagWordFollowsProtocolProxySwitchAndHost) {
  const FlagCase cases[] = {
      {"udp", false, "", 0x0000, false},
      {"udp", true, "", 0x0000, false},
      {"udp", true, "proxy.local", 0x0000, false},
      {"udp", false, "proxy.local", 0x0000, false},
      {"tcp", false, "", 0x1002, false},
      {"tcp", true, "", 0x1002, false},
      {"tcp", false, "proxy.local", 0x1002, false},
      {"tcp", true, "proxy.local", 0x3006, true},
      {"auto", false, "", 0x4000, false},
      {"auto", true, "", 0x4000, false},
      {"auto", false, "proxy.local", 0x4000, false},
      {"auto", true, "proxy.local", 0x4000, false},
  };
  for (const FlagCase& c : cases) {
    for (const char* type : {"Dialup", "Lan"}) {
      CSignApp app;
      app.ApplyConnectionConfig(type, c.protocol, c.proxyEnabled, c.host, "8080", "u", "p");
      const uint16_t lan = std::string(type) == "Lan" ? 0x0001 : 0;
      EXPECT_EQ(app.connectionFlags, c.flags | lan)
          << c.protocol << " enabled=" << c.proxyEnabled << " host='" << c.host << "' " << type;
      EXPECT_EQ(app.effectiveProxyHost, c.proxyInEffect ? c.host : "");
      EXPECT_EQ(app.effectiveProxyPort, c.proxyInEffect ? "8080" : "");
    }
  }
}

TEST_F(SettingsTest, ProxyPortThatIsNoPortNumberBecomes80) {
  for (const char* port : {"0", "65536", "abc", "", "-1", "99999999999999999999"}) {
    CSignApp app;
    app.ApplyConnectionConfig("Lan", "tcp", true, "h", port, "", "");
    EXPECT_EQ(app.Proxy_port, "80") << "port '" << port << "'";
  }
  for (const char* port : {"1", "8080", "65535"}) {
    CSignApp app;
    app.ApplyConnectionConfig("Lan", "tcp", true, "h", port, "", "");
    EXPECT_EQ(app.Proxy_port, port);
  }
  ASSERT_EQ(Regtool({"set", kProgramKey + "NetInfo", "Proxy_port", "sz", "65536"}), 0);
  EXPECT_EQ(Load()->Proxy_port, "80") << "a stored port above 65535 loads as 80";
}

TEST_F(SettingsTest, ScrambleMatchesAVectorComputedByHand) {
  // 'a' (0x61) XOR ((key[i mod 8] + i) mod 256) for i = 0..8.
  EXPECT_EQ(CSignSettings::ScrambleText("aaaaaaaaa", 1), "3C7EF42AAB4DE1D604");
  EXPECT_EQ(CSignSettings::ScrambleText("3C7EF42AAB4DE1D604", 0), "aaaaaaaaa");
  EXPECT_EQ(CSignSettings::ScrambleText("3c7ef42aab4de1d604", 0), "aaaaaaaaa")
      << "lower-case digits are accepted";
  EXPECT_EQ(CSignSettings::ScrambleText("", 1), "");
}

TEST_F(SettingsTest, ScrambleRoundTripsEveryByteAndWritesOnlyUpperCaseHex) {
  std::string all;
  for (int i = 0; i < 300; ++i) all += static_cast<char>(i & 0xFF);
  const std::string stored = CSignSettings::ScrambleText(all, 1);
  EXPECT_EQ(stored.size(), all.size() * 2);
  EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(CSignSettings::ScrambleText(stored, 0), all);
}

TEST_F(SettingsTest, BrokenScrambledValueReadsAsEmptyInsteadOfGarbage) {
  EXPECT_EQ(CSignSettings::ScrambleText("3C7", 0), "");
  EXPECT_EQ(CSignSettings::ScrambleText("ZZ", 0), "");
  // "3C" is 'a'; "1F" unscrambles to a zero byte, which ends the secret.
  ASSERT_EQ(Regtool({"set", kProgramKey + "NetInfo", "LoginPasswd", "sz", "3C1FF42A"}), 0);
  EXPECT_EQ(Load()->LoginPasswd, "a") << "a zero byte must not reach forms and dial parameters";
}

TEST_F(SettingsTest, NetworkInformationRoundTripsThroughTheStoreWithSecretsScrambled) {
  {
    auto app = Load();
    app->LoginID = "user01";
    app->LoginPasswd = "pass+word";
    app->Pop_password = std::string(70, 'x');  // longer than 32 bytes: stored whole
    app->Comm_data = test::Sjis(u8"秘密");
    app->Comm_name = test::Sjis(u8"ニックネーム");
    app->ApplyConnectionConfig("Lan", "tcp", true, "proxy.local", "3128", "puser", "ppass");
    app->SaveNetInfo("");
    EXPECT_EQ(app->appName, "Signup");
  }
  EXPECT_EQ(Get("NetInfo", "LoginID"), "user01");
  EXPECT_EQ(Get("NetInfo", "LoginPasswd"), CSignSettings::ScrambleText("pass+word", 1));
  EXPECT_EQ(Get("NetInfo", "Proxy_enable"), "1");
  EXPECT_EQ(Get("NetInfo", "ConnectType"), "Lan");
  auto app = Load();
  EXPECT_EQ(app->LoginPasswd, "pass+word");
  EXPECT_EQ(app->Pop_password, std::string(70, 'x'));
  EXPECT_EQ(app->Comm_data, test::Sjis(u8"秘密"));
  EXPECT_EQ(app->Comm_name, test::Sjis(u8"ニックネーム"));
  EXPECT_EQ(app->Proxy_Data2, "ppass");
  EXPECT_EQ(app->connectionFlags, 0x3007);
  EXPECT_EQ(app->effectiveProxyHost, "proxy.local");
}

TEST_F(SettingsTest, UdpWithProxySwitchedOnSavesProxyEnableZeroAndKeepsTheHost) {
  auto app = Load();
  app->ApplyConnectionConfig("Lan", "udp", true, "proxy.local", "8080", "", "");
  app->SaveNetInfo("");
  EXPECT_EQ(Get("NetInfo", "Proxy_enable"), "0");
  EXPECT_EQ(Get("NetInfo", "Proxy_host"), "proxy.local");
}

// Puts the store file back as it was when the program shows its first message box: a store that
// could not be read at start-up becomes readable during the run.
class RepairingBackend : public ui::headless::HeadlessBackend {
 public:
  RepairingBackend(std::unique_ptr<ui::headless::Scenario> s, ui::headless::Transcript* t,
                   std::string path, std::string good)
      : HeadlessBackend(std::move(s), t), path_(std::move(path)), good_(std::move(good)) {}
  int MessageBox(ui::Window* owner, const std::string& text, const std::string& caption,
                 UINT type) override {
    if (boxes.empty()) test::WriteFile(path_, good_);
    boxes.push_back(text);
    return HeadlessBackend::MessageBox(owner, text, caption, type);
  }
  std::vector<std::string> boxes;

 private:
  std::string path_, good_;
};

TEST_F(SettingsTest, AStoreUnreadableAtStartIsNamedAndNeverWrittenEvenOnceItCanBeReadAgain) {
  test::ScopedEnv noDialup("SIGNUP_RASAPI32", dir.File("none.so"));
  // Written by another process, so that the whole store is in its file when it is copied.
  const std::string reg = dir.File("account.reg");
  test::WriteFile(reg, "REGEDIT4\n\n[" + kProgramKey +
                           "NetInfo]\n\"LoginID\"=\"existing\"\n\"Comm_id\"=\"C-1\"\n");
  ASSERT_EQ(Regtool({"import", reg}), 0);
  const std::string path = dir.File("registry.db");
  const std::string good = test::ReadFile(path);
  const std::string before = test::RunRegtool({"export"}).out;
  {
    // A damaged header: no database at all.
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.write("not a database!!", 16);
  }
  auto scenario = std::make_unique<ui::headless::Scenario>();
  std::string error;
  ASSERT_TRUE(scenario->Parse(R"(wait message "読み込めません"
answer ok
wait message "LAN接続のみ"
answer ok
wait page 0
click 1100
wait dialog 159
click 1
wait page 0
click 2
wait end
)",
                              error))
      << error;
  ui::headless::Transcript transcript("/dev/null");
  RepairingBackend backend(std::move(scenario), &transcript, path, good);
  ui::SetBackend(&backend);
  {
    CSignApp app(&CSignWizard::Create);
    app.InitInstance();
    app.ExitInstance();
    backend.ProgramEnded();
  }
  ui::SetBackend(nullptr);
  EXPECT_FALSE(backend.HasFailed()) << backend.GetFailure();
  ASSERT_FALSE(backend.boxes.empty());
  const std::string& told = backend.boxes[0];
  EXPECT_NE(told.find(path), std::string::npos) << "names the file: " << told;
  EXPECT_NE(told.find(res::String(IDS_STORE_NOT_OURS)), std::string::npos) << told;
  EXPECT_EQ(backend.boxes.size(), 2u) << "the refused save of the dialog is not said again";
  EXPECT_EQ(test::RunRegtool({"export"}).out, before) << "nothing of the run reached the store";
}

TEST_F(SettingsTest, AnIssuedAccountNotStoredIsSaidEvenWhenTheStoreWasRefusedAtStart) {
  auto scenario = std::make_unique<ui::headless::Scenario>();
  std::string error;
  ASSERT_TRUE(scenario->Parse("wait message \"\"\nanswer ok\n", error)) << error;
  ui::headless::Transcript transcript("/dev/null");
  RepairingBackend backend(std::move(scenario), &transcript, dir.File("unused"), "");
  ui::SetBackend(&backend);
  CSignApp app;
  app.profileWritesRefused = true;
  CSignSettings::ShowFailedSave(false);
  CSignSettings::ShowFailedSave(true);
  backend.ProgramEnded();
  ui::SetBackend(nullptr);
  EXPECT_FALSE(backend.HasFailed()) << backend.GetFailure();
  ASSERT_EQ(backend.boxes.size(), 1u) << "the settings' failure was said at start-up";
  EXPECT_EQ(backend.boxes[0].rfind(res::String(IDS_ISSUED_NOT_STORED), 0), 0u) << backend.boxes[0];
}

TEST_F(SettingsTest, UserInformationIsSavedIntoTheSignupProfile) {
  auto app = Load();
  app->Name = test::Sjis(u8"山田");
  app->Sex = "fema";
  app->SaveUserInfo("");
  EXPECT_EQ(Get("Signup", "Name"), "山田");
  EXPECT_EQ(Get("Signup", "Sex"), "fema");
  EXPECT_EQ(Load()->Name, test::Sjis(u8"山田"));
}

TEST_F(SettingsTest, EachUserEntryHasItsOwnPlaceInTheStoreTheSummaryAndTheSignupForm) {
  // Each entry holds its own name in lower case, so that one in another's place shows.
  const UserInfo entries = {"kana",   "kana2",   "name",    "name2",     "age",
                            "age2",   "age3",    "sex",     "address1",  "address2",
                            "tel",    "tel2",    "tel3",    "zip",       "zip2",
                            "mekoid", "mekoid2", "mekoid3", "entrycode", "entrycode2"};
  auto app = Load();
  static_cast<UserInfo&>(*app) = entries;
  ASSERT_TRUE(app->SaveUserInfo(""));
  std::string stored;
  for (std::string name :
       {"Kana", "Kana2",    "Name",     "Name2",   "Age",       "Age2",      "Age3",
        "Sex",  "Address1", "Address2", "Tel",     "Tel2",      "Tel3",      "Zip",
        "Zip2", "MekoID",   "MekoID2",  "MekoID3", "EntryCode", "EntryCode2"}) {
    stored += "\"" + name + "\"=\"";
    for (char c : name) stored += static_cast<char>(std::tolower(c));
    stored += "\"\n";
  }
  EXPECT_NE(test::RunRegtool({"export", kProgramKey + "Signup"}).out.find(stored),
            std::string::npos)
      << "every entry under its own name, in the order of the record";
  EXPECT_TRUE(static_cast<const UserInfo&>(*Load()) == entries) << "and loaded back";
  std::string summary;
  app->FormatUserSummary(summary);
  EXPECT_EQ(summary, ui::Format(res::String(IDS_USER_SUMMARY), "kana", "kana2", "name", "name2",
                                "age", "age2", "age3", res::String(IDS_SEX_FEMALE), "zip", "zip2",
                                "address1", "address2", "tel", "tel2", "tel3", "mekoid", "mekoid2",
                                "mekoid3", "entrycode-entrycode2"));
  for (const char* sex : {"female", "", "MALE", "male"}) {
    app->Sex = sex;
    app->FormatUserSummary(summary);
    EXPECT_NE(summary.find(test::Sjis(app->Sex == "male" ? u8"性別: \t男" : u8"性別: \t女")),
              std::string::npos)
        << sex;
  }
  app->EntryCode = app->EntryCode2 = "";
  app->FormatUserSummary(summary);
  EXPECT_NE(summary.find(test::Sjis(u8"ｴﾝﾄﾘｰｺｰﾄﾞ\r\n\u3000-\r\n")), std::string::npos)
      << "empty codes show as a lone hyphen";
  // The address field: both lines and their blank padded to 93 bytes, then the entry-code tag.
  std::string padding;
  for (int i = 0; i < 93 - 17; ++i) padding += "%20";
  test::ProtocolSeam protocol;
  static_cast<UserInfo&>(protocol) = *app;
  const std::string form = protocol.BuildSignupForm();
  EXPECT_EQ(form, "qxid=" + protocol.machineId +
                      "&lastname=name&firtname=name2&kana_lastname=kana&kana_firstname=kana2"
                      "&zipcode1=zip&zipcode2=zip2&address=address1%20address2" +
                      padding +
                      "%23-%20%20%20%20%20&T1=tel&T2=tel2&T3=tel3&sex=male&year=age&month=age2"
                      "&day=age3&1st_acc=mekoid&2nd_acc=mekoid2&3rd_acc=mekoid3");
}

TEST_F(SettingsTest, SetModemAcceptsOnlyTonePulseOrEmpty) {
  CSignApp app;
  app.DialMode = "T";
  app.SetModem("Modem A", "X");
  EXPECT_EQ(app.ModemName, "Modem A");
  EXPECT_EQ(app.DialMode, "T");
  app.SetModem("Modem B", "P");
  EXPECT_EQ(app.DialMode, "P");
  app.SetModem("Modem B", "");
  EXPECT_EQ(app.DialMode, "");
  app.SetConnectType(true);
  EXPECT_EQ(app.ConnectType, "Lan");
  EXPECT_TRUE(app.connectionFlags & 0x0001);
  app.SetConnectType(false);
  EXPECT_EQ(app.ConnectType, "Dialup");
  EXPECT_FALSE(app.connectionFlags & 0x0001);
}

}  // namespace
