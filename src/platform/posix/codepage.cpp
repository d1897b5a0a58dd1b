// CP932 <-> UTF-8 conversion with glibc's iconv, replacing what does not convert.
#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <cstddef>

namespace platform {
namespace {

// One iconv descriptor per thread and direction: iconv_t carries shift state and must not be
// shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }
  void Reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// Length of the well-formed UTF-8 sequence at p (1 to 4), or 0 when it is malformed.
size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
  unsigned char c = p[0];
  size_t n;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and code points above U+10FFFF.
  if (c == 0xE0 && p[1] < 0xA0) return 0;
  if (c == 0xED && p[1] >= 0xA0) return 0;
  if (c == 0xF0 && p[1] < 0x90) return 0;
  if (c == 0xF4 && p[1] >= 0x90) return 0;
  return n;
}

// Runs the whole input through cd. At a sequence that does not convert, appends replacement and
// skips as many input bytes as skip() says, so the rest of the text still comes through.
template <typename Skip>
std::string Convert(const Converter& cd, std::string_view in, std::string_view replacement,
                    Skip skip) {
  std::string out;
  if (in.empty()) return out;
  if (!cd.ok()) {
    // Without the converter every non-ASCII byte is unknown; ASCII is the same in both.
    for (unsigned char c : in) {
      if (c < 0x80)
        out.push_back(static_cast<char>(c));
      else
        out.append(replacement);
    }
    return out;
  }
  cd.Reset();
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd.get(), &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (truncated sequence at the end): replace and go on.
    size_t n = skip(reinterpret_cast<const unsigned char*>(src), srcLeft);
    out.append(replacement);
    src += n;
    srcLeft -= n;
    cd.Reset();
  }
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, sizeof buffer - dstLeft);
  return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  thread_local const Converter cd("UTF-8", "CP932");
  // A bad byte is skipped alone: the byte after it may start a good character.
  return Convert(cd, ansi, "\xEF\xBF\xBD", [](const unsigned char*, size_t) { return size_t{1}; });
}

std::string Utf8ToAnsi(std::string_view utf8) {
  thread_local const Converter cd("CP932", "UTF-8");
  // A well-formed character CP932 lacks becomes one "?"; a malformed byte becomes one "?" each.
  return Convert(cd, utf8, "?", [](const unsigned char* p, size_t left) {
    size_t n = Utf8SequenceLength(p, left);
    return n == 0 ? size_t{1} : n;
  });
}

}  // namespace platform
