// Tests of the form bodies: value-by-value encoding, the signup address field and the recovery
// form.
#include "net/Forms.h"

#include <gtest/gtest.h>

#include <string>

#include "res/resources.h"
#include "support/protocol_seam.h"
#include "support/test_support.h"

TEST(EncodeFormTest, AFormWithoutSeparatorsInValuesIsTheWholeFormEncoding) {
  const std::string format = res::String(14019);
  const std::string values[] = {"u1234", "", "", "u1234", "pass word/~", test::Sjis(u8"ニック")};
  char filled[512];
  std::snprintf(filled, sizeof(filled), format.c_str(), values[0].c_str(), values[1].c_str(),
                values[2].c_str(), values[3].c_str(), values[4].c_str(), values[5].c_str());
  EXPECT_EQ(
      net::EncodeForm(format, {values[0], values[1], values[2], values[3], values[4], values[5]}),
      net::UrlEncode(filled));
}

TEST(EncodeFormTest, SeparatorsInsideValuesCannotSplitTheForm) {
  EXPECT_EQ(net::EncodeForm("user_id=%s&login_password=%s", {"a&b=c+d", "x;y"}),
            "user_id=a%26b%3Dc%2Bd&login_password=x%3By");
  EXPECT_EQ(net::EncodeForm("user_id=%s&login_password=%s", {"me&login_password=evil", "pw"}),
            "user_id=me%26login_password%3Devil&login_password=pw")
      << "a value cannot add a key";
}

TEST(EncodeFormTest, HandlesLiteralPercentsAndMissingValues) {
  EXPECT_EQ(net::EncodeForm("a=%s&rate=100%%&b=%s", {"1"}), "a=1&rate=100%25&b=");
  EXPECT_EQ(net::EncodeForm("tail%", {}), "tail%25");
}

TEST(SignupAddressFieldTest, PadsTheAddressTo93BytesAndTagsTheEntryCode) {
  std::string field = net::SignupAddressField("A", "B", "12", "345");
  ASSERT_EQ(field.size(), 100u);
  EXPECT_EQ(field, "A B" + std::string(90, ' ') + "#12-345");
  EXPECT_EQ(net::SignupAddressField("A", "B", "", "").substr(93), "#-     ");
  EXPECT_EQ(net::SignupAddressField("", "", "123", "4567").substr(93), "#123-45")
      << "overlong codes are cut to the 7-byte tag";
}

TEST(SignupAddressFieldTest, AnOverlongAddressIsCutAtACharacterBoundary) {
  // 46 two-byte characters are 92 bytes: "A" plus a blank would leave one byte, not a whole one.
  std::string kanji;
  for (int i = 0; i < 46; ++i) kanji += test::Sjis(u8"東");
  std::string field = net::SignupAddressField(kanji, "more", "12", "345");
  ASSERT_EQ(field.size(), 100u);
  EXPECT_EQ(field.substr(0, 92), kanji);
  EXPECT_EQ(field.substr(92), " #12-345");

  field = net::SignupAddressField("x" + kanji, "", "1", "2");
  EXPECT_EQ(field.substr(0, 93), "x" + kanji) << "exactly 93 bytes fit";
  field = net::SignupAddressField("xy" + kanji, "", "1", "2");
  EXPECT_EQ(field.substr(0, 93), "xy" + kanji.substr(0, 90) + " ")
      << "the last character would straddle the tag";
}

TEST(BuildRecoveryFormTest, EncodesTheLoginOfTheRecord) {
  test::ProtocolSeam settings;
  settings.LoginID = "u1234";
  settings.LoginPasswd = "p+w&d";
  EXPECT_EQ(settings.BuildRecoveryForm(), "user_id=u1234&login_password=p%2Bw%26d");
}
