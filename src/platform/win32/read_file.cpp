// Windows implementation of the bounded reading of read_file.h, on CreateFileW/ReadFile; the
// path is UTF-8, as the tools take their arguments.
#include "platform/read_file.h"

#include <io.h>

#include "platform/win32/text.h"

namespace platform {

ReadFileResult ReadRegularFile(const std::string& path, size_t limit, std::string* contents) {
  contents->clear();
  const std::wstring wide = win32::WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? ReadFileResult::kNotFound
               : ReadFileResult::kUnreadable;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ReadFileResult::kNotRegular;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ReadFileResult::kUnreadable;
  ReadFileResult result = ReadFileResult::kOk;
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    result = ReadFileResult::kNotRegular;
  } else if (!GetFileSizeEx(file, &size)) {
    result = ReadFileResult::kUnreadable;
  } else if (static_cast<unsigned long long>(size.QuadPart) > limit) {
    result = ReadFileResult::kTooLarge;
  } else {
    // The file may grow while it is read: never take more than the limit.
    std::string text;
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
        result = ReadFileResult::kUnreadable;
        break;
      }
      if (got == 0) break;
      if (text.size() + got > limit) {
        result = ReadFileResult::kTooLarge;
        break;
      }
      text.append(buffer, got);
    }
    if (result == ReadFileResult::kOk) *contents = std::move(text);
  }
  CloseHandle(file);
  return result;
}

std::FILE* OpenOutputFile(const std::string& path, std::string* problem) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *problem = "not a regular file";
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) {
    *problem = "cannot be written";
    return nullptr;
  }
  // A named pipe would hold the program on a reader; a file or a device (NUL) is written.
  const DWORD type = GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_CHAR) {
    std::fclose(file);
    *problem = "not a regular file";
    return nullptr;
  }
  return file;
}

}  // namespace platform
