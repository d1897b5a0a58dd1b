// Tests of the percent-encoding routine shared by the URL code and the form encoder.
#include "platform/percent_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool KeepNothing(unsigned char) { return false; }
bool KeepLetters(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

TEST(PercentEncodingTest, EncodesEveryByteTheRuleDoesNotKeepInUpperCaseHex) {
  EXPECT_EQ(platform::PercentEncode("aZ /?", KeepLetters), "aZ%20%2F%3F");
  EXPECT_EQ(platform::PercentEncode("\x8E\x52\xFF", KeepLetters), "%8ER%FF")
      << "bytes are judged one by one: a trail byte that is a letter stays";
  EXPECT_EQ(platform::PercentEncode(std::string("\0\x0A\x7F", 3), KeepNothing), "%00%0A%7F")
      << "a zero byte is data, not the end";
  EXPECT_EQ(platform::PercentEncode("", KeepNothing), "");

  std::string every;
  for (int byte = 0; byte < 256; ++byte) every.push_back(static_cast<char>(byte));
  const std::string encoded = platform::PercentEncode(every, KeepNothing);
  ASSERT_EQ(encoded.size(), 3u * 256);
  EXPECT_EQ(encoded.substr(3 * 0xAB, 3), "%AB") << "upper-case hex digits, never %ab";
  EXPECT_EQ(encoded.find_first_of("abcdef"), std::string::npos);
}

}  // namespace
