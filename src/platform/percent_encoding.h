// Percent-encoding of byte strings for URLs and form bodies: one routine, with the caller's rule
// for which bytes stay literal.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Says whether a byte may stand in the encoded text as it is.
using KeepLiteral = bool (*)(unsigned char byte);

// Every byte of text for which keep() is false becomes "%XY", XY its value in upper-case hex
// digits ("%2F", never "%2f"); the others are copied. Bytes are judged one by one, so each byte of
// a CP932 two-byte character is escaped or kept on its own (a trail byte may be a letter).
std::string PercentEncode(std::string_view text, KeepLiteral keep);

}  // namespace platform
