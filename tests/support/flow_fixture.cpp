// Runs the built signup program headless under a scenario in a private world.
#include "support/flow_fixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace test {

FlowRun::FlowRun() {
  registry_ = dir_.File("registry.db");
  runtime_ = dir_.File("run");
  ras_ = dir_.File("ras");
  mkdir(runtime_.c_str(), 0700);
  mkdir(ras_.c_str(), 0700);
  env_["SIGNUP_RASAPI32"] = dir_.File("no-such-rasapi32.so");
}

int FlowRun::Regtool(const std::string& args, std::string* out) const {
  const std::string cmd =
      "SIGNUP_REGISTRY='" + registry_ + "' " + SIGNUP_BIN_DIR "/regtool " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  int status = pclose(p);
  if (out != nullptr) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int FlowRun::Start(const std::string& scenario, const std::string& name) {
  const std::string scenarioPath = dir_.File(name + ".scn");
  WriteFile(scenarioPath, scenario);
  const std::string transcript = dir_.File(name + ".transcript");
  const std::string err = dir_.File(name + ".stderr");
  std::remove(transcript.c_str());
  pid_t pid = fork();
  if (pid == 0) {
    setenv("SIGNUP_SCENARIO", scenarioPath.c_str(), 1);
    setenv("SIGNUP_TRANSCRIPT", transcript.c_str(), 1);
    setenv("SIGNUP_REGISTRY", registry_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    setenv("RASSIM_DIR", ras_.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("http_proxy");
    unsetenv("https_proxy");
    for (const auto& [k, v] : env_) setenv(k.c_str(), v.c_str(), 1);
    if (freopen(err.c_str(), "w", stderr) == nullptr) _exit(126);
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    const std::string program = SIGNUP_BIN_DIR "/signup";
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

FlowResult FlowRun::WaitFor(int pid, const std::string& name) {
  FlowResult r;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.transcript = ReadFile(dir_.File(name + ".transcript"));
  r.stderrText = ReadFile(dir_.File(name + ".stderr"));
  return r;
}

FlowResult FlowRun::Play(const std::string& scenario) {
  const std::string name = "run" + std::to_string(++counter_);
  return WaitFor(Start(scenario, name), name);
}

}  // namespace test
