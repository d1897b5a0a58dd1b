// Tests of the CP932 <-> UTF-8 conversion used at every edge of the program.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(CodepageTest, JapaneseTextConvertsBothWays) {
  struct Case {
    std::string utf8;
    std::string cp932;
  };
  const std::vector<Case> cases = {
      {U8(u8"山田"), "\x8E\x52\x93\x63"},
      {U8(u8"表示"), "\x95\x5C\x8E\xA6"},       // trail byte 0x5C, the backslash
      {U8(u8"ｱﾊﾟｰﾄ"), "\xB1\xCA\xDF\xB0\xC4"},  // half-width katakana are single bytes
      {U8(u8"～"), "\x81\x60"},  // FULLWIDTH TILDE: the Windows mapping, not the JIS wave dash
      {U8(u8"①"), "\x87\x40"},   // an NEC extension only CP932 has
      {"a\\b~", "a\\b~"},        // ASCII is kept as is
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Utf8ToAnsi(c.utf8), c.cp932) << c.utf8;
    EXPECT_EQ(platform::AnsiToUtf8(c.cp932), c.utf8) << c.utf8;
  }
  EXPECT_EQ(platform::AnsiToUtf8(""), "");
  EXPECT_EQ(platform::Utf8ToAnsi(std::string("a\0b", 3)), std::string("a\0b", 3))
      << "zero bytes are text like any other";
}

TEST(CodepageTest, BytesThatDoNotConvertAreReplacedAndTheRestKept) {
  const std::string kReplacement = U8(u8"\uFFFD");
  EXPECT_EQ(platform::AnsiToUtf8("ab\x81"), "ab" + kReplacement) << "lead byte cut off at the end";
  EXPECT_EQ(platform::AnsiToUtf8("\xFF"
                                 "c"),
            kReplacement + "c");
  EXPECT_EQ(platform::AnsiToUtf8("x\x85\x40y"
                                 "\x8E\x52"),
            "x" + kReplacement + "@y" + U8(u8"山"))
      << "an unassigned pair loses only its lead byte";

  EXPECT_EQ(platform::Utf8ToAnsi(U8(u8"A😀B")), "A?B") << "one ? per character CP932 lacks";
  EXPECT_EQ(platform::Utf8ToAnsi(U8(u8"é山")), "?\x8E\x52");
  EXPECT_EQ(platform::Utf8ToAnsi("a\xC3"), "a?") << "truncated sequence";
  EXPECT_EQ(platform::Utf8ToAnsi("\xC0\xAF"
                                 "z"),
            "??z")
      << "overlong form";
  EXPECT_EQ(platform::Utf8ToAnsi("\xED\xA0\x80"), "???") << "encoded surrogate";

  std::string longText;
  for (int i = 0; i < 2000; ++i) longText += U8(u8"漢字\xFF");
  std::string back = platform::AnsiToUtf8(platform::Utf8ToAnsi(longText));
  EXPECT_EQ(back.size(), 2000u * (6 + 1)) << "long input is converted completely";
}

TEST(CodepageTest, ConcurrentConversionsDoNotInterfere) {
  const std::string utf8 = U8(u8"東京都千代田区　ｱﾊﾟｰﾄ①～");
  const std::string cp932 = platform::Utf8ToAnsi(utf8);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (platform::Utf8ToAnsi(utf8) != cp932 || platform::AnsiToUtf8(cp932) != utf8)
          ++failures[t];
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
