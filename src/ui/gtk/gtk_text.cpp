// Text conversions between the framework's CP932 captions and what GTK widgets show.
#include "ui/gtk/gtk_text.h"

#include "platform/codepage.h"

namespace ui::gtk {

std::string MnemonicLabel(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  for (size_t i = 0; i < utf8.size(); ++i) {
    char c = utf8[i];
    if (c == '&') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '&') {
        out += '&';
        ++i;
      } else if (i + 1 < utf8.size()) {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

std::string StripMnemonic(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '&') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '&') {
        out += '&';
        ++i;
      }
    } else {
      out += utf8[i];
    }
  }
  return out;
}

std::string ToLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : ToLf(text)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

int Cp932Length(std::string_view utf8) {
  return static_cast<int>(platform::Utf8ToAnsi(utf8).size());
}

std::string FitCp932Bytes(std::string_view utf8, int bytes) {
  if (bytes <= 0) return {};
  if (Cp932Length(utf8) <= bytes) return std::string(utf8);
  // Walk whole UTF-8 characters; every character is measured alone, which is exact for CP932.
  size_t end = 0;
  int used = 0;
  while (end < utf8.size()) {
    size_t next = end + 1;
    while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) ++next;
    int len = Cp932Length(utf8.substr(end, next - end));
    if (used + len > bytes) break;
    used += len;
    end = next;
  }
  return std::string(utf8.substr(0, end));
}

std::vector<std::pair<int, int>> SoundMarkRuns(std::string_view utf8) {
  std::vector<std::pair<int, int>> runs;
  // U+FF9E and U+FF9F are EF BE 9E and EF BE 9F.
  auto markAt = [&](size_t i) {
    return i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i]) == 0xEF &&
           static_cast<unsigned char>(utf8[i + 1]) == 0xBE &&
           (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0x9E;
  };
  for (size_t i = 0; i < utf8.size();) {
    if (!markAt(i)) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (markAt(i)) i += 3;
    runs.emplace_back(static_cast<int>(start), static_cast<int>(i));
  }
  return runs;
}

}  // namespace ui::gtk
