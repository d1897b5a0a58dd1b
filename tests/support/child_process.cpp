// Starting, stopping and running child processes for tests.
#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern char** environ;

namespace test {
namespace {

// A bare program name is looked up on PATH in the parent: the child may only make system calls.
std::string ProgramPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0;;) {
    const size_t colon = dirs.find(':', start);
    const std::string dir = dirs.substr(start, colon - start);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string::npos) return name;
    start = colon + 1;
  }
}

// This process's environment with the changes applied, as NAME=value strings.
std::vector<std::string> Environment(
    const std::map<std::string, std::optional<std::string>>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    if (!changes.contains(std::string(entry.substr(0, entry.find('='))))) env.emplace_back(entry);
  }
  for (const auto& [name, value] : changes)
    if (value) env.push_back(name + "=" + *value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

pid_t StartChild(const std::vector<std::string>& argv, const ChildOptions& options,
                 std::string* error) {
  if (argv.empty()) {
    if (error) *error = "no program to start";
    return -1;
  }
  // Everything the child needs is made before fork: another thread of the test may hold the
  // allocator's lock at that moment.
  const std::string program = ProgramPath(argv[0]);
  std::vector<std::string> args = argv;
  std::vector<std::string> env = Environment(options.env);
  const std::vector<char*> argp = Pointers(args);
  const std::vector<char*> envp = Pointers(env);
  const int slots[3] = {options.stdin_fd, options.stdout_fd, options.stderr_fd};
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before prctl took effect.
    if (getppid() != parent) _exit(127);
    for (int slot = 0; slot < 3; ++slot)
      if (slots[slot] >= 0 && dup2(slots[slot], slot) < 0) _exit(126);
    for (int fd : options.keep_fds)
      if (fcntl(fd, F_SETFD, 0) < 0) _exit(126);
    execve(program.c_str(), argp.data(), envp.data());
    _exit(127);
  }
  if (pid < 0 && error) *error = std::string("fork: ") + std::strerror(errno);
  return pid;
}

void StopChild(pid_t pid, int signal) {
  if (pid <= 0) return;
  kill(pid, signal);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

int WaitChild(pid_t pid) {
  if (pid <= 0) return -1;
  int status = 0;
  pid_t got;
  while ((got = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return got == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProgramResult RunProgram(const std::vector<std::string>& argv, ChildOptions options) {
  ProgramResult result;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return result;
  }
  options.stdout_fd = out[1];
  options.stderr_fd = err[1];
  const pid_t pid = StartChild(argv, options, &result.err);
  close(out[1]);
  close(err[1]);
  // Both pipes at once: a tool that fills one while we wait on the other would never end.
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  for (int open = pid > 0 ? 2 : 0; open > 0;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;  // poll passes over it from now on
        --open;
      }
    }
  }
  close(out[0]);
  close(err[0]);
  result.exit = WaitChild(pid);
  return result;
}

}  // namespace test
