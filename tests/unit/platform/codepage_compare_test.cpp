// Tests of the CP932 byte-string helpers: lead bytes and the comparisons that ignore letter case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

TEST(CodepageCompareTest, LeadBytesAreTheTwoCp932Ranges) {
  for (int byte = 0; byte < 256; ++byte) {
    const bool expected = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    EXPECT_EQ(platform::IsLeadByte(static_cast<unsigned char>(byte)), expected)
        << "byte 0x" << std::hex << byte
        << " (0x80, half-width katakana 0xA1-0xDF and 0xFD-0xFF are single bytes)";
  }
}

TEST(CodepageCompareTest, ComparisonsFoldAsciiLettersAndKeepTwoByteCharactersWhole) {
  struct Case {
    std::string text, other;
    bool equals;      // EqualsNoCase(text, other)
    bool startsWith;  // StartsWithNoCase(text, other)
    const char* why;
  };
  const std::vector<Case> cases = {
      {"Modem", "MODEM", true, true, "ASCII letters fold"},
      {"AZ", "az", true, true, "the first and the last letter fold"},
      {"Modem 2", "mo", false, true, "a prefix folds too"},
      {"Modem", "Modem2", false, false, "a longer text is neither equal nor a prefix"},
      {"", "", true, true, "empty texts"},
      {"abc", "", false, true, "the empty prefix"},
      {"[", "{", false, false, "only letters fold, not the bytes 0x20 apart"},
      {"\x83\x61", "\x83\x41", false, false, "a trail byte that looks like a letter is exact"},
      {"x\x83\x61Y", "X\x83\x61y", true, true, "letters around a two-byte character fold"},
      {"\x83\x61z", "\x83\x41", false, false, "the trail byte decides a prefix too"},
      {"\x95\x5C"
       "a",
       "\x95\x5C"
       "A",
       true, true, "a trail byte 0x5C does not end the character"},
      {"\xB1"
       "a",
       "\xB1"
       "A",
       true, true, "half-width katakana is one byte, the next folds"},
      {"\xE0"
       "a",
       "\xE0"
       "A",
       false, false, "0xE0 starts a two-byte character"},
      {"ab\x83", "AB\x83", true, true, "a lead byte that ends the text compares alone"},
      {"ab\x83", "AB\x84", false, false, "and must be the same byte"},
      {"\x83\x61", "\x83", false, true, "a prefix ending in a lead byte matches that byte"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::EqualsNoCase(c.text, c.other), c.equals) << "EqualsNoCase: " << c.why;
    EXPECT_EQ(platform::EqualsNoCase(c.other, c.text), c.equals) << "symmetric: " << c.why;
    EXPECT_EQ(platform::StartsWithNoCase(c.text, c.other), c.startsWith)
        << "StartsWithNoCase: " << c.why;
  }
}

}  // namespace
