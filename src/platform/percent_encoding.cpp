// The percent-encoding routine shared by the URL code and the form encoder.
#include "platform/percent_encoding.h"

namespace platform {

std::string PercentEncode(std::string_view text, KeepLiteral keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (keep(byte)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    }
  }
  return out;
}

}  // namespace platform
