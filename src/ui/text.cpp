// Byte-string helpers for text in the system code page.
#include "ui/text.h"

#include "platform/codepage.h"

namespace ui {

std::string ClipAnsi(std::string_view text, size_t bytes) {
  size_t i = 0;
  while (i < text.size()) {
    size_t step =
        platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + step > bytes) break;
    i += step;
  }
  return std::string(text.substr(0, i));
}

std::string AnsiFromUtf8(const char* utf8) {
  return utf8 != nullptr ? platform::Utf8ToAnsi(utf8) : std::string();
}

std::string StripAmpersands(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (platform::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      out += c;
      out += text[++i];
    } else if (c != '&') {
      out += c;
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    }
  }
  return out;
}

}  // namespace ui
