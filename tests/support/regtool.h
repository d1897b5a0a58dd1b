// The regtool command line for tests: seeding and reading the registry store a test or the
// program under test uses, through the same tool people and outside tests use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace test {

// Runs build/bin/regtool with these arguments, each passed as it is (no shell quoting), on the
// store file `store`; with no store, on the one SIGNUP_REGISTRY names in this process.
ProgramResult RunRegtool(const std::vector<std::string>& args, const std::string& store = {});

// A value as `regtool get` prints it (UTF-8), without its line break; nullopt when regtool
// fails (no such key or value).
std::optional<std::string> RegtoolGet(const std::string& key, const std::string& name,
                                      const std::string& store = {});

}  // namespace test
