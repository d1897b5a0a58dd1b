// Fuzz target for the scenario language of headless runs: whatever the text, parsing ends with
// commands or with a message that names a line and quotes at most a short, clean excerpt of it.
// Aborts when a message or a command's quoted line breaks that.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/headless/headless_backend.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// 80 characters of up to four bytes, or a four-byte escape, and "..." where the line was cut.
constexpr size_t kMaxExcerptBytes = 80 * 4 + 3;

bool Clean(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ui::headless::Scenario scenario;
  std::string error;
  if (!scenario.Parse(text, error)) {
    Require(error.rfind("line ", 0) == 0);
    Require(Clean(error));
    Require(error.size() <= kMaxExcerptBytes + 80);
    return 0;
  }
  if (const ui::headless::Command* c = scenario.Current()) {
    Require(Clean(c->source) && c->source.size() <= kMaxExcerptBytes);
    Require(c->number >= 0);
  }
  return 0;
}
