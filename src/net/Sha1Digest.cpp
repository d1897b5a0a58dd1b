// SHA-1 (FIPS 180-1): 64-byte blocks, 80 rounds, big-endian words and length.
#include "net/Sha1Digest.h"

namespace {

uint32_t Rotl(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

}  // namespace

Sha1Digest::Sha1Digest() { Reset(); }

Sha1Digest::~Sha1Digest() = default;

void Sha1Digest::Reset() {
  state_ = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
  blockUsed_ = 0;
  totalBytes_ = 0;
}

void Sha1Digest::ProcessBlock(const uint8_t* block) {
  uint32_t w[80];
  for (int t = 0; t < 16; ++t) {
    w[t] = (uint32_t(block[4 * t]) << 24) | (uint32_t(block[4 * t + 1]) << 16) |
           (uint32_t(block[4 * t + 2]) << 8) | uint32_t(block[4 * t + 3]);
  }
  for (int t = 16; t < 80; ++t) w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    uint32_t temp = Rotl(a, 5) + f + e + w[t] + k;
    e = d;
    d = c;
    c = Rotl(b, 30);
    b = a;
    a = temp;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
}

void Sha1Digest::Update(std::string_view bytes) {
  totalBytes_ += bytes.size();
  for (char ch : bytes) {
    block_[blockUsed_++] = static_cast<uint8_t>(ch);
    if (blockUsed_ == block_.size()) {
      ProcessBlock(block_.data());
      blockUsed_ = 0;
    }
  }
}

std::string Sha1Digest::Finish() {
  const uint64_t bitLength = totalBytes_ * 8;
  block_[blockUsed_++] = 0x80;
  if (blockUsed_ > 56) {
    while (blockUsed_ < 64) block_[blockUsed_++] = 0;
    ProcessBlock(block_.data());
    blockUsed_ = 0;
  }
  while (blockUsed_ < 56) block_[blockUsed_++] = 0;
  for (int i = 7; i >= 0; --i) block_[blockUsed_++] = static_cast<uint8_t>(bitLength >> (8 * i));
  ProcessBlock(block_.data());

  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(40);
  for (uint32_t word : state_) {
    for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(kHex[(word >> shift) & 0xF]);
  }
  Reset();
  return hex;
}

std::string Sha1Digest::Of(std::string_view bytes) {
  Sha1Digest digest;
  digest.Update(bytes);
  return digest.Finish();
}
