// Runs the built signup program headless under a scenario in a private world.
#include "support/flow_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "support/child_process.h"
#include "support/regtool.h"

namespace test {

FlowRun::FlowRun() {
  registry_ = dir_.File("registry.db");
  runtime_ = dir_.File("run");
  ras_ = dir_.File("ras");
  mkdir(runtime_.c_str(), 0700);
  mkdir(ras_.c_str(), 0700);
  env_["SIGNUP_RASAPI32"] = dir_.File("no-such-rasapi32.so");
}

int FlowRun::Regtool(const std::vector<std::string>& args, std::string* out) const {
  const ProgramResult r = RunRegtool(args, registry_);
  if (out != nullptr) *out = r.out + r.err;
  return r.exit;
}

int FlowRun::Start(const std::string& scenario, const std::string& name) {
  const std::string scenarioPath = dir_.File(name + ".scn");
  WriteFile(scenarioPath, scenario);
  const std::string transcript = dir_.File(name + ".transcript");
  const std::string err = dir_.File(name + ".stderr");
  std::remove(transcript.c_str());
  ChildOptions options;
  options.env = {{"SIGNUP_SCENARIO", scenarioPath},
                 {"SIGNUP_TRANSCRIPT", transcript},
                 {"SIGNUP_REGISTRY", registry_},
                 {"XDG_RUNTIME_DIR", runtime_},
                 {"RASSIM_DIR", ras_},
                 {"DISPLAY", std::nullopt}};
  for (const char* name : kDesktopProxyVariables) options.env[name] = std::nullopt;
  for (const auto& [k, v] : env_) options.env[k] = v;
  const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int nullFd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_t pid = -1;
  if (errFd >= 0 && nullFd >= 0) {
    options.stderr_fd = errFd;
    options.stdout_fd = nullFd;
    pid = StartChild({SIGNUP_BIN_DIR "/signup"}, options);
  }
  if (errFd >= 0) close(errFd);
  if (nullFd >= 0) close(nullFd);
  return pid;
}

FlowResult FlowRun::WaitFor(int pid, const std::string& name) {
  FlowResult r;
  r.exitCode = WaitChild(pid);
  r.transcript = ReadFile(dir_.File(name + ".transcript"));
  r.stderrText = ReadFile(dir_.File(name + ".stderr"));
  return r;
}

FlowResult FlowRun::Play(const std::string& scenario) {
  const std::string name = "run" + std::to_string(++counter_);
  return WaitFor(Start(scenario, name), name);
}

}  // namespace test
