// Starts and stops a private Xvfb display for the tests that open real windows.
#include "support/xvfb_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace test {
namespace {
// Xvfb reports its display once it accepts connections; a server that never does is a failure.
constexpr int kStartLimitMs = 60000;
}  // namespace

XvfbDisplay::XvfbDisplay() {
  int fds[2];
  if (pipe(fds) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    error_ = std::string("fork: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return;
  }
  if (pid == 0) {
    close(fds[0]);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, STDIN_FILENO);
      dup2(devnull, STDOUT_FILENO);
      dup2(devnull, STDERR_FILENO);
    }
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  bool done = false;
  while (!done) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, kStartLimitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buf[32];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == '\n') done = true;
      if (!done && buf[i] >= '0' && buf[i] <= '9') number += buf[i];
    }
  }
  close(fds[0]);
  if (!done || number.empty()) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    error_ = "Xvfb did not start (is the package xvfb installed?)";
    return;
  }
  pid_ = pid;
  display_ = ":" + number;
  SetEnv("DISPLAY", display_.c_str());
  SetEnv("GDK_BACKEND", "x11");
  SetEnv("WAYLAND_DISPLAY", nullptr);
  SetEnv("NO_AT_BRIDGE", "1");
  SetEnv("GSETTINGS_BACKEND", "memory");
  SetEnv("GTK_THEME", "Adwaita");
}

XvfbDisplay::~XvfbDisplay() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->value) {
      setenv(it->name.c_str(), it->value->c_str(), 1);
    } else {
      unsetenv(it->name.c_str());
    }
  }
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

void XvfbDisplay::SetEnv(const char* name, const char* value) {
  const char* old = std::getenv(name);
  saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace test
