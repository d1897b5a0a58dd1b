// Child processes for tests: servers and programs that die with the test process, and tools run
// to completion with their output captured.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test {

// What a child gets besides its arguments.
struct ChildOptions {
  // Changes to this process's environment: a value sets the variable, nullopt removes it.
  std::map<std::string, std::optional<std::string>> env;
  // Descriptors that become the child's standard input, output and error; -1 keeps this
  // process's own.
  int stdin_fd = -1;
  int stdout_fd = -1;
  int stderr_fd = -1;
  // Further descriptors the child keeps under their own numbers although they are close-on-exec
  // here (a pipe a server reports on).
  std::vector<int> keep_fds;
};

// Starts argv[0] (a path, or a bare name looked up on PATH) with these arguments. The child is
// killed (SIGKILL) when the thread that started it ends, so a test that crashes or is killed
// leaves no server holding its ports: start children from the test's main thread. Returns the
// pid, or -1 with the reason in `error`.
pid_t StartChild(const std::vector<std::string>& argv, const ChildOptions& options = {},
                 std::string* error = nullptr);

// Sends `signal` to a started child and waits until it is gone; nothing for pid <= 0.
void StopChild(pid_t pid, int signal);

// Waits for a started child to end: its exit status, or -1 when it did not exit normally (or
// pid <= 0).
int WaitChild(pid_t pid);

struct ProgramResult {
  int exit = -1;  // -1 when it could not be started or did not exit normally
  std::string out;
  std::string err;
};

// Runs a tool to its end with its standard output and error captured (options' own stdout_fd
// and stderr_fd are ignored).
ProgramResult RunProgram(const std::vector<std::string>& argv, ChildOptions options = {});

}  // namespace test
