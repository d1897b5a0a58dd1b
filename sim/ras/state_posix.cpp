// The state directory, its lock and atomic file replacement on Linux (flock, rename).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "state.h"

namespace rassim {

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

bool WriteAtomically(const std::string& path, const std::string& data) {
  std::string temp = path + ".tmp" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n <= 0) {
      close(fd);
      unlink(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

std::string StateDir() {
  std::string dir;
  if (const char* d = std::getenv("RASSIM_DIR"); d != nullptr && *d != '\0') {
    dir = d;
  } else if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x != nullptr && *x != '\0') {
    dir = std::string(x) + "/rassim";
  } else {
    dir = "/tmp/rassim-" + std::to_string(getuid());
  }
  mkdir(dir.c_str(), 0700);
  return dir;
}

Lock::Lock(const std::string& dir) {
  int fd = open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  // A signal arriving while another process holds the lock is no reason to fail the call.
  int rc;
  do {
    rc = flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    close(fd);
    return;
  }
  file_ = fd;
}

Lock::~Lock() {
  if (file_ != kNoFile) close(static_cast<int>(file_));
}

}  // namespace rassim
