// The tools' command-line arguments on Linux: argv is UTF-8 already.
#include "platform/system.h"

namespace platform {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace platform
