// Tests of the string table: every number the program uses is present, texts arrive in CP932
// exactly as the program must show or send them, and the deployment values are usable.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "res/resources.h"
#include "support/test_support.h"

namespace {

// Every numbered text the program loads.
const UINT kUsedIds[] = {
    103,   104,   106,   107,   109,   110,   114,   120,   121,   122,   123,   125,   139,
    142,   143,   147,   155,   156,   157,   162,   163,   167,   168,   171,   172,   175,
    176,   177,   178,   179,   180,   181,   182,   183,   184,   185,   186,   187,   188,
    189,   193,   14002, 14003, 14004, 14006, 14007, 14008, 14009, 14010, 14011, 14013, 14014,
    14016, 14017, 14018, 14019, 14020, 14021, 14023, 14024, 14029, 14030, 14058, 14059, 14061,
    14603, 14608, 14611, 14613, 14615, 14618, 14619, 14620, 14621, 14622, 14623, 14624, 14700,
    14701, 14702, 14703, 14704, 14705, 14706, 14707, 14708, 14709, 14710, 14711,
};

TEST(StringTable, HoldsEveryNumberTheProgramLoads) {
  for (UINT id : kUsedIds) {
    std::string text;
    EXPECT_TRUE(res::LoadString(id, text)) << "string " << id << " is missing";
    EXPECT_FALSE(text.empty()) << "string " << id << " is empty";
  }
}

TEST(StringTable, HoldsEveryDialStateTextFrom14500To14530) {
  for (UINT id = 14500; id <= 14530; ++id) {
    EXPECT_FALSE(res::String(id).empty()) << "dial state text " << id << " is missing";
  }
}

TEST(StringTable, ListsItsNumbersAscendingWithoutDuplicates) {
  std::vector<UINT> ids = res::StringIds();
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end())) << "StringIds must be ascending";
  EXPECT_EQ(std::set<UINT>(ids.begin(), ids.end()).size(), ids.size()) << "duplicate numbers";
  for (UINT id : kUsedIds) {
    EXPECT_TRUE(std::binary_search(ids.begin(), ids.end(), id)) << id << " not listed";
  }
}

TEST(StringTable, UnknownNumberFailsAndEmptiesTheOutput) {
  std::string text = "stale";
  EXPECT_FALSE(res::LoadString(99999, text)) << "99999 must not exist";
  EXPECT_TRUE(text.empty()) << "a failed load must leave the output empty";
  EXPECT_EQ(res::String(0), "") << "String of a missing number is empty";
}

TEST(StringTable, ServesHalfWidthKatakanaAsSingleBytes) {
  // "ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません\r\nLAN接続のみ有効となります"
  const std::string expected =
      "\xC0\xDE\xB2\xD4\xD9\xB1\xAF\xCC\xDF\x82\xC9\x95\x4B\x97\x76\x82\xC8\xD3\xC3\xDE\xD1\x82"
      "\xDC\x82\xBD\x82\xCD\xD7\xB2\xCC\xDE\xD7\xD8\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82"
      "\xDC\x82\xB9\x82\xF1\x0D\x0A\x4C\x41\x4E\x90\xDA\x91\xB1\x82\xCC\x82\xDD\x97\x4C\x8C\xF8"
      "\x82\xC6\x82\xC8\x82\xE8\x82\xDC\x82\xB7";
  EXPECT_EQ(res::String(125), expected) << "message 125 must be byte-exact CP932";
  EXPECT_EQ(res::String(176),
            "\x92\xCA\x90\x4D\xB4\xD7\xB0\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82"
            "\xDC\x82\xB5\x82\xBD")
      << "message 176 must be byte-exact CP932";
}

TEST(StringTable, KeepsQuotesAndTheTrailingBlankOfTheReconnectQuestion) {
  const std::string expected =
      "\x8C\xBB\x8D\xDD\x90\xDA\x91\xB1\x92\x86\x82\xCC\x27\x25\x73\x27\x82\xF0\x90\xD8\x92\x66"
      "\x82\xB5\x81\x41\x27\x25\x73\x27\x82\xC9\x90\xDA\x91\xB1\x82\xB5\x82\xDC\x82\xB7\x2E\x0D"
      "\x0A\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48\x20";
  EXPECT_EQ(res::String(14608), expected) << "14608 with its two '%s' and the final blank";
}

TEST(StringTable, SummaryFormatUsesIdeographicSpacesTabsAndCrLf) {
  const std::string text = res::String(123);
  EXPECT_EQ(text, test::Sjis("名前、生年月日、性別\r\n\u3000ﾌﾘｶﾞﾅ:\t %s %s\r\n\u3000名前:\t%s "
                             "%s\r\n\u3000誕生日:\t %s年%s月%s日\r\n\u3000性別: "
                             "\t%s\r\n\r\n住所と電話番号\r\n\u3000郵便番号: %s-%s\r\n\u3000住所: "
                             "%s\r\n\u3000ｱﾊﾟｰﾄ・ﾏﾝｼｮﾝ名: %s\r\n\u3000電話番号: "
                             "%s-%s-%s\r\n\r\n希望ｱｶｳﾝﾄ\r\n\u3000第一希望: %s\r\n\u3000第二希望: "
                             "%s\r\n\u3000第三希望: %s\r\n\r\nｴﾝﾄﾘｰｺｰﾄﾞ\r\n\u3000%s\r\n"));
  EXPECT_NE(text.find("\r\n\x81\x40\xCC\xD8\xB6\xDE\xC5\x3A\x09"), std::string::npos)
      << "U+3000 must become 0x81 0x40 and ﾌﾘｶﾞﾅ stay half-width";
  EXPECT_EQ(std::count(text.begin(), text.end(), '%'), 19) << "19 placeholders";
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "ends with CR LF";
}

TEST(StringTable, MailAccountTextsMatch) {
  EXPECT_EQ(res::String(178), test::Sjis("ﾒｰﾙｱﾄﾞﾚｽ: \t%s\r\nﾒｰﾙｱｶｳﾝﾄ:\t%s\r\nﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t%s\r\n"
                                         "POPﾎｽﾄ名:\t%s\r\nSMTPﾎｽﾄ名:\t%s"));
  // Five lines in three paragraphs, naming the mail domain twice, no placeholders.
  const std::string notice = test::Utf8(res::String(179));
  EXPECT_EQ(notice.find("%"), std::string::npos) << "179 is shown as it is";
  size_t lines = 1, paragraphs = 1, pos = 0;
  while ((pos = notice.find("\r\n", pos)) != std::string::npos) {
    pos += 2;
    if (notice.compare(pos, 2, "\r\n") == 0) {
      ++paragraphs;
      pos += 2;
    }
    ++lines;
  }
  EXPECT_EQ(lines, 5u) << notice;
  EXPECT_EQ(paragraphs, 3u) << notice;
  size_t first = notice.find("example.com");
  ASSERT_NE(first, std::string::npos) << notice;
  EXPECT_NE(notice.find("example.com", first + 1), std::string::npos) << "domain named twice";
}

TEST(StringTable, SelectedTextsMatchCharacterForCharacter) {
  EXPECT_EQ(res::String(114), test::Sjis("登録情報に間違いがないかを確認してください.\r\nこの情報を"
                                         "ｻｰﾊﾞｰに送信します.  よろしいですか？"));
  EXPECT_EQ(res::String(167), test::Sjis(" ﾛｸﾞｲﾝID: %s\r\n ﾊﾟｽﾜｰﾄﾞ: %s\r\n ｺﾐｭﾆｹｰｼｮﾝ名: %s"));
  EXPECT_EQ(res::String(14514), "Reauthentication (after callback) is starting. ");
  EXPECT_EQ(res::String(14002), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(res::String(14010), "Content-Type: application/x-www-form-urlencoded\r\n");
  EXPECT_EQ(res::String(14009), "Mozilla/4.0 (SignupClient/1.1; ORVEL/Windows/Signup)");
  EXPECT_EQ(res::String(14613), "ORVEL parlanza signup");
  EXPECT_EQ(res::String(14058), "xx-xxxx-xxxx");
  EXPECT_EQ(res::String(14061), test::Sjis("(なし)"));
  EXPECT_EQ(res::String(180), test::Sjis("<LAN接続>"));
  EXPECT_EQ(res::String(14007), "pcsignup");
  EXPECT_EQ(res::String(14008), "tqwmzhle");
  EXPECT_EQ(res::String(14023), "pcrecover");
  EXPECT_EQ(res::String(14024), "plomvakri");
  EXPECT_EQ(res::String(14504), res::String(14505)) << "identical pair";
  EXPECT_EQ(res::String(14519), res::String(14529)) << "identical pair";
}

TEST(StringTable, ServerBaseUrlsAreHttpsAndEndWithSlash) {
  for (UINT id : {14029u, 14018u, 14030u}) {
    const std::string url = res::String(id);
    EXPECT_EQ(url.rfind("https://", 0), 0u) << id << ": " << url;
    ASSERT_FALSE(url.empty());
    EXPECT_EQ(url.back(), '/') << id << ": " << url;
    EXPECT_EQ(url.find('/', 8), url.size() - 1) << id << " is a scheme, a host and a slash";
  }
}

TEST(StringTable, TollFreeNumberIsPlainDialableText) {
  const std::string number = res::String(14006);
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(number.rfind("0120", 0), 0u) << number;
  EXPECT_TRUE(std::all_of(number.begin(), number.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '-';
  })) << number;
}

}  // namespace
