// Tests of the SHA-1 digest behind the machine identity, against the published test vectors.
#include <gtest/gtest.h>

#include <string>

#include "net/Sha1Digest.h"

TEST(Sha1DigestTest, MatchesThePublishedVectors) {
  EXPECT_EQ(Sha1Digest::Of(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709") << "empty input";
  EXPECT_EQ(Sha1Digest::Of("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d") << "one block";
  EXPECT_EQ(Sha1Digest::Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1")
      << "56 bytes: the length spills into a second block";
  std::string repeated;
  for (int i = 0; i < 80; ++i) repeated += "01234567";
  EXPECT_EQ(Sha1Digest::Of(repeated), "dea356a2cddd90c7a7ecedc5ebb563934f460452")
      << "RFC 3174 test 4: 640 bytes";
}

TEST(Sha1DigestTest, DigestsAMillionLettersFedInUnevenPieces) {
  Sha1Digest digest;
  const std::string piece(997, 'a');
  size_t fed = 0;
  while (fed + piece.size() <= 1000000) {
    digest.Update(piece);
    fed += piece.size();
  }
  digest.Update(std::string(1000000 - fed, 'a'));
  EXPECT_EQ(digest.Finish(), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1DigestTest, PaddingBoundariesAgreeBetweenWholeAndPiecewiseInput) {
  // 55, 56 and 64 bytes are where the length field just fits, spills over and fills a block.
  const std::pair<size_t, const char*> cases[] = {
      {55, "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
      {56, "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
      {64, "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
  };
  for (const auto& [length, expected] : cases) {
    std::string text(length, 'a');
    EXPECT_EQ(Sha1Digest::Of(text), expected) << length << " bytes";
    Sha1Digest digest;
    digest.Update(text.substr(0, 3));
    digest.Update(text.substr(3));
    EXPECT_EQ(digest.Finish(), expected) << length << " bytes in two pieces";
  }
}
