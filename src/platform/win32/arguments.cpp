// The tools' command-line arguments on Windows, from the wide command line: argv would carry
// them in the system's code page, losing what it cannot show.
// shellapi.h needs the SDK's base headers before it.
// clang-format off
#include "platform/system.h"
#include <shellapi.h>
// clang-format on

#include "platform/win32/text.h"

namespace platform {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(win32::Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace platform
