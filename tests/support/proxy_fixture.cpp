// Runs Debian's tinyproxy on a free loopback port for a test.
#include "support/proxy_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "support/child_process.h"

namespace test {

namespace {

bool Accepts(int port) {
  const int fd = ConnectLoopback(port);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

}  // namespace

std::string TinyproxyPath() {
  for (const char* p : {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy", "/usr/local/bin/tinyproxy"})
    if (access(p, X_OK) == 0) return p;
  return {};
}

ProxyFixture::ProxyFixture(const std::string& user, const std::string& password,
                           const std::vector<int>& connect_ports) {
  std::string program = TinyproxyPath();
  if (program.empty()) {
    error_ = "tinyproxy is not installed";
    return;
  }
  // tinyproxy cannot be told to pick a port itself.
  int port = FreeLoopbackPort();
  std::string conf = "Port " + std::to_string(port) +
                     "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nMaxClients 20\n"
                     "DisableViaHeader Yes\nLogLevel Info\n"
                     "PidFile \"" +
                     dir_.File("tinyproxy.pid") +
                     "\"\n"
                     "LogFile \"" +
                     dir_.File("tinyproxy.log") + "\"\n";
  if (!user.empty()) conf += "BasicAuth " + user + " " + password + "\n";
  for (int p : connect_ports) conf += "ConnectPort " + std::to_string(p) + "\n";
  std::string conf_path = dir_.File("tinyproxy.conf");
  if (!WriteFile(conf_path, conf)) {
    error_ = "cannot write the configuration";
    return;
  }

  // The child's stderr tells us when it died early; poll on it doubles as the retry pause.
  int err[2];
  if (pipe2(err, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  ChildOptions options;
  options.stderr_fd = err[1];
  pid_ = StartChild({program, "-d", "-c", conf_path}, options, &error_);
  close(err[1]);
  if (pid_ < 0) {
    close(err[0]);
    return;
  }
  std::string output;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (Accepts(port)) {
      port_ = port;
      break;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    pollfd p{err[0], POLLIN, 0};
    if (poll(&p, 1, 10) > 0) {
      char buffer[512];
      ssize_t n = read(err[0], buffer, sizeof buffer);
      if (n > 0) output.append(buffer, n);
    }
  }
  stderr_fd_ = err[0];
  if (port_ == 0) error_ = "tinyproxy did not start: " + output + Log();
}

ProxyFixture::~ProxyFixture() {
  StopChild(pid_, SIGTERM);
  if (stderr_fd_ >= 0) close(stderr_fd_);
}

}  // namespace test
