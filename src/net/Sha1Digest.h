// SHA-1 (FIPS 180-1) over a byte string, for the machine identity sent with a signup.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class Sha1Digest {
 public:
  Sha1Digest();
  virtual ~Sha1Digest();

  // Feeds more bytes of the message; may be called any number of times before Finish.
  void Update(std::string_view bytes);
  // Pads the message and returns the digest as 40 lower-case hex digits. The object is then
  // reset, ready for a new message.
  std::string Finish();

  // The digest of one whole byte string, as 40 lower-case hex digits.
  static std::string Of(std::string_view bytes);

 private:
  void Reset();
  void ProcessBlock(const uint8_t* block);

  std::array<uint32_t, 5> state_{};
  std::array<uint8_t, 64> block_{};
  size_t blockUsed_ = 0;
  uint64_t totalBytes_ = 0;
};
