// Runs the built regtool for tests.
#include "support/regtool.h"

namespace test {

ProgramResult RunRegtool(const std::vector<std::string>& args, const std::string& store) {
  std::vector<std::string> argv{SIGNUP_BIN_DIR "/regtool"};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildOptions options;
  if (!store.empty()) options.env["SIGNUP_REGISTRY"] = store;
  return RunProgram(argv, options);
}

std::optional<std::string> RegtoolGet(const std::string& key, const std::string& name,
                                      const std::string& store) {
  ProgramResult r = RunRegtool({"get", key, name}, store);
  if (r.exit != 0) return std::nullopt;
  while (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
  return r.out;
}

}  // namespace test
