// The CP932 edge on Windows: the program's text converts through code page 932 whatever the
// system's ANSI code page is (Wine's prefix here runs with 1252).
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "platform/win32.h"

namespace {

// "山田" and "ﾀﾞｲﾔﾙ" in CP932 and UTF-8.
const char kYamadaAnsi[] = "\x8E\x52\x93\x63";
const char kYamadaUtf8[] = "\xE5\xB1\xB1\xE7\x94\xB0";
const char kDialAnsi[] = "\xC0\xDE\xB2\xD4\xD9";
const char kDialUtf8[] = "\xEF\xBE\x80\xEF\xBE\x9E\xEF\xBD\xB2\xEF\xBE\x94\xEF\xBE\x99";

TEST(Win32Codepage, ConvertsJapaneseTextWhateverTheSystemCodePage) {
  EXPECT_EQ(platform::AnsiToUtf8(kYamadaAnsi), kYamadaUtf8) << "ANSI code page " << GetACP();
  EXPECT_EQ(platform::Utf8ToAnsi(kYamadaUtf8), kYamadaAnsi);
  EXPECT_EQ(platform::AnsiToUtf8(kDialAnsi), kDialUtf8) << "half-width katakana are single bytes";
  EXPECT_EQ(platform::Utf8ToAnsi(kDialUtf8), kDialAnsi);
}

TEST(Win32Codepage, ReplacesWhatDoesNotConvertAndKeepsTheRest) {
  // A lead byte at the end has no trail; the text before it still comes through.
  EXPECT_EQ(platform::AnsiToUtf8("ab\x8E"), "ab\xEF\xBF\xBD");
  // A character CP932 lacks (U+00E9) and a malformed UTF-8 byte each become "?".
  EXPECT_EQ(platform::Utf8ToAnsi("caf\xC3\xA9"), "caf?");
  EXPECT_EQ(platform::Utf8ToAnsi("a\xFF"
                                 "b"),
            "a?b");
  EXPECT_EQ(platform::AnsiToUtf8(""), "");
}

}  // namespace
