// Form bodies: value-by-value encoding, the signup address field and the recovery form.
#include "net/Forms.h"

#include "net/ServerProtocol.h"
#include "res/resources.h"

namespace {

constexpr size_t kAddressWidth = 93;
constexpr size_t kEntryTagWidth = 7;

// A lead byte of a two-byte character in the system code page (CP932).
bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

namespace net {

std::string EncodeFormValue(std::string_view value) {
  std::string encoded = ServerProtocol::UrlEncode(value);
  std::string out;
  out.reserve(encoded.size());
  for (char ch : encoded) {
    switch (ch) {
      case '&':
        out += "%26";
        break;
      case '=':
        out += "%3D";
        break;
      case '+':
        out += "%2B";
        break;
      case ';':
        out += "%3B";
        break;
      default:
        out.push_back(ch);
    }
  }
  return out;
}

std::string EncodeForm(std::string_view format, std::initializer_list<std::string_view> values) {
  std::string out;
  std::string literal;
  auto next = values.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
      out += ServerProtocol::UrlEncode(literal);
      literal.clear();
      if (next != values.end()) out += EncodeFormValue(*next++);
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      literal.push_back('%');
      ++i;
    } else {
      literal.push_back(format[i]);
    }
  }
  out += ServerProtocol::UrlEncode(literal);
  return out;
}

std::string SignupAddressField(std::string_view line1, std::string_view line2,
                               std::string_view entryCode, std::string_view entryCode2) {
  std::string joined = std::string(line1) + " " + std::string(line2);
  std::string field;
  field.reserve(kAddressWidth + kEntryTagWidth);
  for (size_t i = 0; i < joined.size();) {
    size_t width =
        IsLeadByte(static_cast<unsigned char>(joined[i])) && i + 1 < joined.size() ? 2 : 1;
    if (field.size() + width > kAddressWidth) break;
    field.append(joined, i, width);
    i += width;
  }
  field.resize(kAddressWidth, ' ');
  std::string tag = "#" + std::string(entryCode) + "-" + std::string(entryCode2) + "      ";
  field += tag.substr(0, kEntryTagWidth);
  return field;
}

}  // namespace net

std::string ServerProtocol::BuildRecoveryForm() {
  return net::EncodeForm(res::String(IDS_RECOVERY_FORM), {LoginID, LoginPasswd});
}
