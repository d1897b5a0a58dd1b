// Linux implementation of the bounded reading of read_file.h, on open/fstat/read.
#include "platform/read_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace platform {

ReadFileResult ReadRegularFile(const std::string& path, size_t limit, std::string* contents) {
  contents->clear();
  // Non-blocking, so that opening a pipe with no writer returns at once; fstat then refuses it.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? ReadFileResult::kNotFound
                                               : ReadFileResult::kUnreadable;
  struct stat st;
  ReadFileResult result = ReadFileResult::kOk;
  if (fstat(fd, &st) != 0) {
    result = ReadFileResult::kUnreadable;
  } else if (!S_ISREG(st.st_mode)) {
    result = ReadFileResult::kNotRegular;
  } else if (static_cast<unsigned long long>(st.st_size) > limit) {
    result = ReadFileResult::kTooLarge;
  } else {
    // The file may grow while it is read: never take more than the limit.
    std::string text;
    char buffer[65536];
    for (;;) {
      ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result = ReadFileResult::kUnreadable;
        break;
      }
      if (n == 0) break;
      if (text.size() + static_cast<size_t>(n) > limit) {
        result = ReadFileResult::kTooLarge;
        break;
      }
      text.append(buffer, static_cast<size_t>(n));
    }
    if (result == ReadFileResult::kOk) *contents = std::move(text);
  }
  close(fd);
  return result;
}

bool IsRegularOrAbsent(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
  return S_ISREG(st.st_mode);
}

std::FILE* OpenOutputFile(const std::string& path, std::string* problem) {
  // Non-blocking, so that a pipe without a reader fails at once instead of waiting for one.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
  struct stat st;
  if (fd < 0 && errno == ENXIO) {
    *problem = "not a regular file";
    return nullptr;
  }
  if (fd < 0 || fstat(fd, &st) != 0) {
    *problem = std::strerror(errno);
    if (fd >= 0) close(fd);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
    *problem = "not a regular file";
    close(fd);
    return nullptr;
  }
  if (S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
    *problem = std::strerror(errno);
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "w");
  if (file == nullptr) {
    *problem = std::strerror(errno);
    close(fd);
  }
  return file;
}

}  // namespace platform
