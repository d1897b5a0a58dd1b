// Starts and stops a private Xvfb display for the tests that open real windows.
#include "support/xvfb_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/child_process.h"

namespace test {
namespace {
// Xvfb reports its display once it accepts connections; a server that never does is a failure.
constexpr int kStartLimitMs = 60000;
}  // namespace

XvfbDisplay::XvfbDisplay(bool windowManager, const char* screen) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
  ChildOptions options;
  options.stdin_fd = options.stdout_fd = options.stderr_fd = devnull;
  options.keep_fds = {fds[1]};
  const pid_t pid = StartChild({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                screen, "-nolisten", "tcp", "-noreset"},
                               options, &error_);
  if (devnull >= 0) close(devnull);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return;
  }
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
    StopChild(pid, SIGTERM);
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
  if (windowManager && !StartWindowManager()) {
    StopChild(pid_, SIGTERM);
    pid_ = -1;
  }
}

// Openbox with the system's default configuration (not the user's); it says it manages the
// screen by running its start-up command, which echoes into a pipe.
bool XvfbDisplay::StartWindowManager() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  ChildOptions options;
  options.stdout_fd = fds[1];
  options.stdin_fd = options.stderr_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  wm_ = StartChild({"openbox", "--sm-disable", "--config-file", "/etc/xdg/openbox/rc.xml",
                    "--startup", "echo ready"},
                   options, &error_);
  close(options.stdin_fd);
  close(fds[1]);
  wmOutput_ = fds[0];
  std::string said;  // its messages come first
  pollfd p{fds[0], POLLIN, 0};
  char buf[256];
  for (ssize_t n = 0; said.find("ready\n") == std::string::npos && wm_ > 0 &&
                      poll(&p, 1, kStartLimitMs) > 0 && (n = read(fds[0], buf, sizeof buf)) > 0;)
    said.append(buf, static_cast<size_t>(n));
  if (said.find("ready\n") != std::string::npos) return true;
  error_ = "the window manager did not start (is the package openbox installed?)";
  return false;
}

XvfbDisplay::~XvfbDisplay() {
  // The environment comes back in the reverse order it was changed.
  while (!env_.empty()) env_.pop_back();
  StopChild(wm_, SIGTERM);
  if (wmOutput_ >= 0) close(wmOutput_);
  StopChild(pid_, SIGTERM);
}

void XvfbDisplay::SetEnv(const char* name, const char* value) {
  env_.push_back(
      std::make_unique<ScopedEnv>(name, value ? std::optional<std::string>(value) : std::nullopt));
}

}  // namespace test
