// Reading a whole input file the user names (a .reg file, a scenario) with a size limit: only a
// regular file is read, so that a folder, a pipe or a device gives a clear refusal instead of an
// empty text, a wait without end or a read until memory runs out.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class ReadFileResult {
  kOk,
  kNotFound,    // there is no such file
  kNotRegular,  // a folder, a pipe, a device
  kTooLarge,    // larger than the limit (nothing is returned)
  kUnreadable,  // it cannot be opened or read (permissions, I/O)
};

// Reads the file at `path` into *contents when it is a regular file of at most `limit` bytes.
// Called by regtool import and by the headless backend's scenario loading. Never blocks on a pipe.
ReadFileResult ReadRegularFile(const std::string& path, size_t limit, std::string* contents);

// What went wrong, for a message: "no such file", "not a regular file", "larger than N bytes",
// "cannot be read" (empty for kOk).
std::string ReadFileProblem(ReadFileResult result, size_t limit);

}  // namespace platform
