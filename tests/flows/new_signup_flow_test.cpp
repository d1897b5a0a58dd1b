// A new signup played through the built program against the provider stand-in: the whole way over
// LAN and over the simulated modem, with what reaches the registry and the servers.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "res/resources.h"
#include "settings/SignSettings.h"
#include "support/flow_fixture.h"
#include "ui/framework.h"
#include "ui/headless/headless_backend.h"

namespace {

using test::kNetInfoKey;
using test::Sjis;

constexpr char kTermsPath[] = "/signup_pc/kiyaku.txt";
constexpr char kSignupPath[] = "/signup_pc/signup_pc.cgi";
constexpr char kRecoveryPath[] = "/profile_pc/rst/QXSRst_PCEIA.cgi";
constexpr char kCommIdPath[] = "/cmtool/menu/PC_IDGetEIA.cgi";

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 && Hex(text[i + 2]) >= 0) {
      out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A form body as the server splits it: at every "&", then at the first "=", each side decoded.
std::vector<std::pair<std::string, std::string>> SplitForm(const std::string& body) {
  std::vector<std::pair<std::string, std::string>> fields;
  size_t at = 0;
  while (at <= body.size()) {
    size_t end = body.find('&', at);
    if (end == std::string::npos) end = body.size();
    const std::string item = body.substr(at, end - at);
    const size_t eq = item.find('=');
    fields.emplace_back(PercentDecode(item.substr(0, eq)),
                        eq == std::string::npos ? "" : PercentDecode(item.substr(eq + 1)));
    at = end + 1;
  }
  return fields;
}

std::string Unscramble(const std::string& stored) { return CSignSettings::ScrambleText(stored, 0); }
std::string Scramble(const std::string& plain) { return CSignSettings::ScrambleText(plain, 1); }

class NewSignupFlowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(world.problem(), ""); }

  test::SignupWorld world;
  test::UserEntries entries;
};

TEST_F(NewSignupFlowTest, OverLanEveryPageLeadsToTheStoredAccountAndTheServerGetsEveryField) {
  // A proxy login stored earlier (not in use with the "udp" protocol) must come through the
  // signup's save as it was.
  const std::string proxySecret = Scramble("pr&xy=pw");
  ASSERT_TRUE(world.run.Import(std::string("REGEDIT4\n\n[") + kNetInfoKey +
                               "]\n\"Proxy_Data1\"=\"alice\"\n\"Proxy_Data2\"=\"" + proxySecret +
                               "\"\n"));
  const std::string commName = "a&b=c+d";
  const test::FlowResult r = world.Play(std::string(test::scenario::kLanNext) +
                                        test::scenario::kAgree + "wait page 2\n" +
                                        test::scenario::TypeUserEntries(entries) + R"(
click 0x3024
wait page 3
expect text 1083 "ﾒｿﾞﾝ&ｶﾞｰﾃﾞﾝ=2F+3F"
expect text 1083 "12-345"
click 0x3024
wait page 4
expect text 1072 "taro01"
expect disabled 0x3023
expect disabled 2
expect focus 1062
expect disabled 0x3024
expect ime 1072 off
expect ime 1073 off
type 1062 ")" + commName + R"("
expect enabled 0x3024
click 0x3024
wait page 5
expect text 1092 "ﾛｸﾞｲﾝID: taro01"
expect enabled 2
click 0x3024
wait page 6
expect hidden 2
expect disabled 0x3023
print 1063
click 0x3025
wait dialog 147
expect text 1097 "taro01@example.ne.jp"
click 1
wait end
)");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_EQ(test::TranscriptLines(r.transcript, "page "),
            (std::vector<std::string>{"page 0", "page 1", "page 2", "page 3", "page 4", "page 5",
                                      "page 6"}));
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message ").size(), 0u) << r.transcript;
  EXPECT_NE(r.transcript.find("dialog 147 close 1\nsheet close finish\nend 0\n"), std::string::npos)
      << r.transcript;

  // The requests, in order, as the stand-in received them.
  const std::vector<test::RecordedRequest> requests = world.provider.Requests();
  std::vector<std::string> targets;
  for (const auto& q : requests) targets.push_back(q.method + " " + q.target);
  ASSERT_EQ(targets,
            (std::vector<std::string>{
                "GET " + std::string(kTermsPath), "POST " + std::string(kSignupPath),
                "POST " + std::string(kRecoveryPath), "POST " + std::string(kCommIdPath)}));

  // The terms grew chunk by chunk into the whole document, CR LF line ends as served.
  std::string served;
  ASSERT_EQ(world.provider.Control("GET", kTermsPath, "", &served), 200);
  ASSERT_GT(served.size(), 4800u);
  const std::vector<std::string> growth = test::TranscriptLines(r.transcript, "status 1059 ");
  ASSERT_GE(growth.size(), 3u) << "at most 2048 bytes a read";
  // A read may end inside a double-byte character, which shows replaced until the next read
  // completes it: the text before it must stay.
  for (size_t i = 0; i + 1 < growth.size(); ++i)
    EXPECT_EQ(growth[i + 1].rfind(growth[i].substr(0, growth[i].size() - 8), 0), 0u)
        << "each chunk adds to what is shown";
  EXPECT_EQ(growth.back(), "status 1059 " + ui::headless::Quote(served));

  // Every field of the signup, each value encoded on its own: the separators typed into the
  // apartment name split nothing.
  const auto form = SplitForm(requests[1].body);
  const std::string address =
      (Sjis(entries.address1) + " " + Sjis(entries.address2) + std::string(93, ' ')).substr(0, 93) +
      "#12-345";
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"lastname", Sjis(entries.name)},
      {"firtname", Sjis(entries.name2)},
      {"kana_lastname", Sjis(entries.kana)},
      {"kana_firstname", Sjis(entries.kana2)},
      {"zipcode1", "100"},
      {"zipcode2", "0001"},
      {"address", address},
      {"T1", "03"},
      {"T2", "1234"},
      {"T3", "5678"},
      {"sex", "male"},
      {"year", "1985"},
      {"month", "4"},
      {"day", "1"},
      {"1st_acc", "taro01"},
      {"2nd_acc", "taro02"},
      {"3rd_acc", "taro03"}};
  ASSERT_EQ(form.size(), expected.size() + 1) << requests[1].body;
  EXPECT_EQ(form[0].first, "qxid");
  EXPECT_EQ(form[0].second.size(), 40u) << "the machine identity, 40 hex digits";
  EXPECT_EQ(form[0].second.find_first_not_of("0123456789abcdef"), std::string::npos);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(form[i + 1], expected[i]) << i;
  EXPECT_NE(requests[1].body.find("%26%B6%DE%B0%C3%DE%DD%3D2F%2B3F"), std::string::npos)
      << requests[1].body;
  EXPECT_NE(requests[3].body.find("&n_name=a%26b%3Dc%2Bd"), std::string::npos) << requests[3].body;

  // The registry holds what the servers know of the new account.
  const std::string login = world.Get(kNetInfoKey, "LoginID").value_or("");
  ASSERT_EQ(login, "taro01");
  const std::string password = Unscramble(world.Get(kNetInfoKey, "LoginPasswd").value_or(""));
  const auto server = test::AccountOnServer(world.provider, login, password);
  ASSERT_FALSE(server.empty()) << "the stored password is the account's";
  for (const auto& [name, value] : test::StoredNetInfoOf(server))
    EXPECT_EQ(world.Get(kNetInfoKey, name).value_or("<missing>"), value) << name;
  EXPECT_EQ(server.at("19"), commName) << "the name reached the server as typed";
  EXPECT_EQ(world.Get(kNetInfoKey, "Proxy_Data1"), "alice");
  EXPECT_EQ(world.Get(kNetInfoKey, "Proxy_Data2"), proxySecret) << "the proxy secret as it was";
  EXPECT_EQ(world.Get(kNetInfoKey, "ConnectType"), "Lan");
  EXPECT_EQ(server.at("17").rfind("PL", 0), 0u) << server.at("17");
  for (const char* secret : {"LoginPasswd", "Pop_password", "Comm_data"}) {
    const std::string text = world.Get(kNetInfoKey, secret).value_or("");
    EXPECT_EQ(text.size(), secret[0] == 'L' ? 20u : 16u)
        << secret << " is stored scrambled: " << text;
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos) << secret;
  }
  // The communication-ID page showed the new login read-only (the transcript writes the texts of
  // read-only edits), and the completion page the same account.
  EXPECT_NE(r.transcript.find("status 1072 \"taro01\"\nstatus 1073 \"" + password + "\"\n"),
            std::string::npos)
      << r.transcript;
  EXPECT_NE(r.transcript.find("print 1063 \" ﾛｸﾞｲﾝID:\\t\\ttaro01\\r\\n ﾊﾟｽﾜｰﾄﾞ:\\t\\t" + password),
            std::string::npos)
      << r.transcript;
  EXPECT_TRUE(world.ras.Entries().empty());
  EXPECT_FALSE(world.ras.LastDial().has_value()) << "LAN: nothing is dialled";
}

TEST_F(NewSignupFlowTest, TheDemoPlaysACompleteSignupOverLan) {
  const test::FlowResult r = world.Play(test::ReadFile(SIGNUP_SOURCE_DIR "/scripts/demo.scn"));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find("page 6\nprint 1063"), std::string::npos) << r.transcript;
  EXPECT_NE(r.transcript.find("dialog 147 close 1\nsheet close finish\nend 0\n"),
            std::string::npos);
  EXPECT_NE(world.Get(kNetInfoKey, "Comm_id").value_or(""), "");
}

TEST_F(NewSignupFlowTest, OverTheModemDialsForTheTermsAndAgainForTheSignupAndLeavesNothingUp) {
  const std::string connectQuestion =
      ui::Format(res::String(IDS_CONNECT_QUESTION), res::String(IDS_SIGNUP_SERVER_NAME));
  const test::FlowResult r = world.Play(R"(
wait page 0
expect text 1089 "Flow Modem"
expect enabled 1090
click 0x3024
wait message "に接続します"
answer yes
wait page 1
)" + std::string(test::scenario::kAgree) +
                                        test::scenario::SignupToEnd(entries, "たろう"));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;

  // The start page asks and dials; the terms page hangs up, so the signup dials again without
  // asking; the communication-ID requests use that connection, and the completion page ends it.
  EXPECT_EQ(test::TranscriptLines(r.transcript, "message "),
            std::vector<std::string>{test::MessageLine("exclamation", connectQuestion, "yesno")})
      << r.transcript;
  const std::vector<std::string> opened = test::TranscriptLines(r.transcript, "dialog 142 ");
  EXPECT_EQ(opened, (std::vector<std::string>{"dialog 142 open", "dialog 142 close 1",
                                              "dialog 142 open", "dialog 142 close 1"}));
  const size_t secondDial = r.transcript.rfind("dialog 142 open");
  EXPECT_GT(secondDial, r.transcript.find("page 3\n")) << "the second dial is the signup's";
  EXPECT_LT(secondDial, r.transcript.find("page 4\n"));

  const auto dial = world.ras.LastDial();
  ASSERT_TRUE(dial.has_value());
  EXPECT_EQ(dial->number, 2) << "two dials in all";
  EXPECT_EQ(dial->user, res::String(IDS_SIGNUP_DIAL_USER));
  EXPECT_EQ(dial->password, res::String(IDS_SIGNUP_DIAL_PASSWORD));
  EXPECT_EQ(dial->entry, res::String(IDS_SIGNUP_ENTRY_NAME));
  EXPECT_EQ(dial->device_name, test::SignupWorld::kModem);
  EXPECT_EQ(dial->phone, "T" + res::String(IDS_FREE_ACCESS_NUMBER));
  EXPECT_TRUE(world.ras.Entries().empty()) << "no phone-book entry is left";
  EXPECT_TRUE(world.ras.ListedConnections().empty()) << "no connection is left";

  EXPECT_EQ(world.Get(kNetInfoKey, "LoginID"), "taro01");
  EXPECT_EQ(world.Get(kNetInfoKey, "ConnectType"), "Dialup");
  EXPECT_EQ(world.Get(kNetInfoKey, "ModemName"), test::SignupWorld::kModem);
  EXPECT_EQ(world.Get(kNetInfoKey, "Comm_name"), "たろう");
}

// The scenario with a check that the mail-account dialog names the deployed mail domain.
std::string WithMailNotice(std::string scenario) {
  const std::string dialog = "wait dialog 147\n";
  return scenario.replace(scenario.find(dialog), dialog.size(),
                          dialog + "expect text 1101 \"mail.provider.jp\"\n");
}

// The provider's deployment file (as the Debian package installs it) names the servers, the
// number the modem dials, the dial account and the mail domain; a bad value in it is named at
// start-up and its built-in value used. The per-user Servers key still wins over the file.
TEST_F(NewSignupFlowTest, TheDeploymentFileSetsTheServersTheNumberAndTheAccountThatAreUsed) {
  ASSERT_EQ(world.run.Regtool({"delete", test::kServersKey}), 0);
  const std::string url = world.provider.HttpUrl();
  ASSERT_TRUE(test::WriteFile(world.run.deployment(),
                              "SignupServer=" + url + "\nProfileServer=" + url +
                                  "\nAccessNumber=0120-999-000\nSignupDialUser=deployed\n"
                                  "MailDomain=mail.provider.jp\nSearchServer=gopher://x/\n"
                                  "RecoveryDialPassword=\x01secret\n"));
  const test::FlowResult r = world.Play(R"(
wait message "SearchServer ("
answer ok
wait page 0
click 0x3024
wait message "に接続します"
answer yes
)" + std::string(test::scenario::kAgree) +
                                        WithMailNotice(test::scenario::SignupToEnd(entries, "たろう")));
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  EXPECT_NE(r.transcript.find(test::Utf8(res::String(IDS_DEPLOY_NOT_URL)) + " \\\"gopher://x/\\\""),
            std::string::npos)
      << r.transcript;
  EXPECT_NE(r.transcript.find(world.run.deployment() + ":6"), std::string::npos) << r.transcript;
  EXPECT_NE(r.transcript.find("RecoveryDialPassword ("), std::string::npos) << r.transcript;
  EXPECT_EQ(r.transcript.find("secret"), std::string::npos) << "a password is never shown";
  const auto dial = world.ras.LastDial();
  ASSERT_TRUE(dial.has_value());
  EXPECT_EQ(dial->phone, "T0120-999-000");
  EXPECT_EQ(dial->user, "deployed");
  EXPECT_EQ(dial->password, res::String(IDS_SIGNUP_DIAL_PASSWORD)) << "not deployed: built in";
  EXPECT_EQ(world.Get(kNetInfoKey, "LoginID"), "taro01") << "the file's server signed up";
  EXPECT_FALSE(world.Get(test::kServersKey, "SignupPage").has_value()) << "nothing is written";

  // The Servers key before the file: the file's server does not answer, the key's does.
  ASSERT_TRUE(test::WriteFile(
      world.run.deployment(),
      "SignupServer=http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/\n"));
  ASSERT_TRUE(world.SetServers(url, url));
  ASSERT_EQ(world.run.Regtool({"delete", kNetInfoKey}), 0) << "a new signup again";
  const test::FlowResult lan =
      world.Play(std::string(test::scenario::kLanNext) + test::scenario::kAgree +
                 "wait page 2\nclick 2\nwait end\n");
  EXPECT_EQ(lan.exitCode, 0) << lan.stderrText << lan.transcript;
  // What staff see of it.
  test::ScopedEnv file("SIGNUP_DEPLOYMENT", world.run.deployment());
  std::string shown;
  EXPECT_EQ(world.run.Regtool({"deployment"}, &shown), 0) << shown;
  EXPECT_NE(shown.find("SignupServer=" + url + "\t(this user's HKEY_CURRENT_USER"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("AccessNumber=0120-345-678\t(built in)\n"), std::string::npos) << shown;
}

}  // namespace
