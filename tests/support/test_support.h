// Helpers shared by every test binary: private temporary folders, environment overrides and the
// one conversion of UTF-8 test text into the system code page.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace test {

// CP932 bytes of a UTF-8 literal, as the program holds its strings.
std::string Sjis(std::string_view utf8);
inline std::string Sjis(const char8_t* utf8) { return Sjis(reinterpret_cast<const char*>(utf8)); }
// UTF-8 of CP932 bytes, for messages and comparisons with UTF-8 literals.
std::string Utf8(std::string_view sjis);

// A fresh folder under the build tree's test-tmp, removed with its contents on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// Sets (or unsets, with nullopt) an environment variable for the scope, restoring it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes a whole file; false on failure.
bool WriteFile(const std::string& path, std::string_view data);

}  // namespace test
