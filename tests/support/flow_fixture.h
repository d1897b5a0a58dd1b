// Runs the built signup program headless under a scenario, in a private world: its own registry
// store, runtime folder (for the single-instance lock) and dial-up state, and returns what it did.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace test {

struct FlowResult {
  int exitCode = -1;
  std::string transcript;  // UTF-8
  std::string stderrText;
};

class FlowRun {
 public:
  FlowRun();
  // The registry store file the program uses (seed it with regtool or the platform calls under
  // a ScopedEnv of SIGNUP_REGISTRY = registry()).
  const std::string& registry() const { return registry_; }
  const std::string& runtimeDir() const { return runtime_; }
  const std::string& rasDir() const { return ras_; }
  // Extra environment for the program (e.g. SIGNUP_RASAPI32). By default SIGNUP_RASAPI32 names a
  // file that does not exist, so no dial-up library is found.
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  // Runs regtool with these arguments (no shell quoting) on this run's store; its exit code, and
  // what it printed on standard output and then error in `out`.
  int Regtool(const std::vector<std::string>& args, std::string* out = nullptr) const;
  // Plays the scenario (UTF-8 text) and waits for the program to end.
  FlowResult Play(const std::string& scenario);
  // Starts the program with the scenario and returns at once (pid); WaitFor collects it.
  int Start(const std::string& scenario, const std::string& transcriptName);
  FlowResult WaitFor(int pid, const std::string& transcriptName);
  TempDir& dir() { return dir_; }

 private:
  TempDir dir_;
  std::string registry_, runtime_, ras_;
  std::map<std::string, std::string> env_;
  int counter_ = 0;
};

}  // namespace test
