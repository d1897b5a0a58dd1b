// Form bodies: value-by-value encoding, the signup address field and the recovery form.
#include "net/Forms.h"

#include "net/ServerProtocol.h"
#include "platform/codepage.h"
#include "platform/percent_encoding.h"
#include "res/resources.h"

namespace {

constexpr size_t kAddressWidth = 93;
constexpr size_t kEntryTagWidth = 7;

}  // namespace

namespace net {

bool IsUrlLiteral(unsigned char byte) {
  if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
    return true;
  static constexpr std::string_view kKept = ";/?:@&=+$,*-_.";
  return kKept.find(static_cast<char>(byte)) != std::string_view::npos;
}

std::string UrlEncode(std::string_view text) { return platform::PercentEncode(text, IsUrlLiteral); }

std::string EncodeFormValue(std::string_view value) {
  return platform::PercentEncode(value, [](unsigned char byte) {
    static constexpr std::string_view kSeparators = "&=+;";
    return IsUrlLiteral(byte) &&
           kSeparators.find(static_cast<char>(byte)) == std::string_view::npos;
  });
}

std::string EncodeForm(std::string_view format,
                       const std::function<std::string_view(std::string_view key)>& valueOf) {
  std::string out;
  std::string literal;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
      std::string_view key = literal;
      if (!key.empty() && key.back() == '=') key.remove_suffix(1);
      if (const size_t amp = key.rfind('&'); amp != std::string_view::npos)
        key.remove_prefix(amp + 1);
      const std::string_view value = valueOf(key);
      out += UrlEncode(literal);
      literal.clear();
      out += EncodeFormValue(value);
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      literal.push_back('%');
      ++i;
    } else {
      literal.push_back(format[i]);
    }
  }
  out += UrlEncode(literal);
  return out;
}

std::string EncodeForm(std::string_view format, std::initializer_list<std::string_view> values) {
  auto next = values.begin();
  return EncodeForm(format, [&](std::string_view) {
    return next != values.end() ? *next++ : std::string_view();
  });
}

std::string SignupAddressField(std::string_view line1, std::string_view line2,
                               std::string_view entryCode, std::string_view entryCode2) {
  std::string joined = std::string(line1) + " " + std::string(line2);
  std::string field;
  field.reserve(kAddressWidth + kEntryTagWidth);
  for (size_t i = 0; i < joined.size();) {
    size_t width =
        platform::IsLeadByte(static_cast<unsigned char>(joined[i])) && i + 1 < joined.size() ? 2
                                                                                             : 1;
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
