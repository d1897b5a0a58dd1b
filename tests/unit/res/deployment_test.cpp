// Tests of the deployment data: the file's lines as the source reads them, which values are taken
// and which refused (and why), and the string table serving the deployed texts.
#include "res/deployment.h"

#include <gtest/gtest.h>

#include "res/resources.h"
#include "support/test_support.h"

namespace {

struct Case {
  const char* line;  // of the deployment file (UTF-8)
  UINT id;           // the string it sets
  bool taken;
  const char* text;  // taken: the text String(id) serves; refused: part of the reason (UTF-8)
};

const Case kCases[] = {
    {"SignupServer = https://signup.example.jp/", IDS_SIGNUP_SERVER_URL, true,
     "https://signup.example.jp/"},
    {"profileserver=HTTP://10.0.0.1:8080", IDS_PROFILE_SERVER_URL, true, "HTTP://10.0.0.1:8080"},
    {"SearchServer=ftp://search.example.jp/", IDS_SEARCH_SERVER_URL, false, "http:// または"},
    {"AccessNumber=0120 (44) 55-66,,*9#", IDS_FREE_ACCESS_NUMBER, true, "0120 (44) 55-66,,*9#"},
    {"AccessNumber=0120-ABC-DEF", IDS_FREE_ACCESS_NUMBER, false, "ﾀﾞｲﾔﾙできない"},
    {"SignupDialUser=", IDS_SIGNUP_DIAL_USER, false, "空です"},
    {"SignupDialUser=新規受付", IDS_SIGNUP_DIAL_USER, true, "新規受付"},
    {"RecoveryDialUser=\x01x", IDS_RECOVERY_DIAL_USER, false, "制御文字"},
    {"RecoveryDialPassword=secret-word", IDS_RECOVERY_DIAL_PASSWORD, true, "secret-word"},
    {"MailDomain=-bad-.jp", IDS_MAIL_NOTICE, false, "ﾄﾞﾒｲﾝ名"},
    {"Telephone=0120", 0, false, "この名前の設定はありません"},
    {"just words", 0, false, "「名前=値」の形"},
    {"Bad=\xff\xfe", 0, false, "「名前=値」の形"},
};

class DeploymentTest : public ::testing::Test {
 protected:
  void TearDown() override { res::ApplyDeployment({}); }
  // Each line alone in a deployment file, as the program reads it at start-up.
  std::vector<res::DeploymentRefusal> Load(const std::string& text) {
    test::WriteFile(dir.File("deployment.conf"), text);
    test::ScopedEnv file("SIGNUP_DEPLOYMENT", dir.File("deployment.conf"));
    return res::LoadDeployment();
  }
  test::TempDir dir;
};

TEST_F(DeploymentTest, EachValueIsTakenOrRefusedWithItsReasonAndLine) {
  for (const Case& c : kCases) {
    res::ApplyDeployment({});
    const std::string builtIn = res::String(c.id);
    const auto refused = Load(std::string("# provider values\n\n") + c.line + "\n");
    const std::string line3 = dir.File("deployment.conf") + ":3";
    if (c.taken) {
      EXPECT_TRUE(refused.empty()) << c.line;
      ASSERT_EQ(res::DeployedValues().size(), 1u) << c.line;
      EXPECT_EQ(res::DeployedValues()[0].where, line3) << c.line;
      EXPECT_EQ(test::Utf8(res::String(c.id)), c.text) << c.line;
      continue;
    }
    ASSERT_EQ(refused.size(), 1u) << c.line;
    EXPECT_NE(test::Utf8(refused[0].reason).find(c.text), std::string::npos)
        << c.line << ": " << test::Utf8(refused[0].reason);
    EXPECT_EQ(refused[0].where, line3) << c.line;
    EXPECT_TRUE(res::DeployedValues().empty()) << c.line;
    EXPECT_EQ(res::String(c.id), builtIn) << c.line << ": the built-in value stays";
  }
}

// Both places of the notice name the deployed domain; a second line of a name is refused, and a
// source read again replaces the texts the first set.
TEST_F(DeploymentTest, TheMailDomainTakesTheBuiltInOnesPlacesInTheNotice) {
  const std::string notice = test::Utf8(res::String(IDS_MAIL_NOTICE));
  EXPECT_EQ(Load("MailDomain=mail.provider.jp\nMailDomain=other.jp\n").size(), 1u);
  std::string expected = notice;
  for (size_t at; (at = expected.find("mail.example.com")) != std::string::npos;)
    expected.replace(at, 16, "mail.provider.jp");
  EXPECT_EQ(test::Utf8(res::String(IDS_MAIL_NOTICE)), expected);
  EXPECT_TRUE(Load("").empty());
  EXPECT_EQ(test::Utf8(res::String(IDS_MAIL_NOTICE)), notice);
}

}  // namespace
