// Reading a whole input file the user names (a .reg file, a scenario) with a size limit: only a
// regular file is read, so that a folder, a pipe or a device gives a clear refusal instead of an
// empty text, a wait without end or a read until memory runs out.
#pragma once

#include <cstddef>
#include <cstdio>
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

// Whether a file a variable names (the dial-up library to load, the certificate bundle) may be
// opened: true for a regular file, and for a path where there is nothing (opening it then fails
// as usual); false for a folder, a pipe, a socket or a device, which could hold the program.
bool IsRegularOrAbsent(const std::string& path);

// Says on standard error, once per variable, that the file it names is not a regular file and
// is not used. Called by the platform layer where it refuses such a file; any thread.
void ReportRefusedFile(const char* variable, const std::string& path);

// Opens the file a record is written to (the headless transcript), never blocking: a regular file
// is created or emptied, a character device (/dev/null) is written as it is; a folder, a pipe or
// a socket is refused. nullptr with the reason in *problem.
std::FILE* OpenOutputFile(const std::string& path, std::string* problem);

}  // namespace platform
