// The messages of the bounded file reading of read_file.h, the same on every platform.
#include "platform/read_file.h"

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

}  // namespace platform
