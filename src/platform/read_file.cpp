// The messages of the bounded file reading of read_file.h, the same on every platform.
#include "platform/read_file.h"

#include <mutex>
#include <set>

namespace platform {

std::string ReadFileProblem(ReadFileResult result, size_t limit) {
  switch (result) {
    case ReadFileResult::kOk:
      return {};
    case ReadFileResult::kNotFound:
      return "no such file";
    case ReadFileResult::kNotRegular:
      return "not a regular file";
    case ReadFileResult::kTooLarge:
      return "larger than " + std::to_string(limit) + " bytes";
    case ReadFileResult::kUnreadable:
      break;
  }
  return "cannot be read";
}

void ReportRefusedFile(const char* variable, const std::string& path) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard lock(mutex);
  if (!reported.insert(variable).second) return;
  std::fprintf(stderr, "signup: %s names \"%s\", which is not a regular file: it is not used\n",
               variable, path.c_str());
}

}  // namespace platform
