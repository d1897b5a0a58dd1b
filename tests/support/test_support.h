// Helpers shared by every test binary: private temporary folders, environment overrides (the
// desktop proxy among them), loopback ports and the one conversion of UTF-8 test text into the
// system code page.
#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The desktop's proxy variables. A developer's proxy would stand in for a store without proxy
// settings, or carry a loopback request away, so tests run without them.
inline constexpr const char* kDesktopProxyVariables[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                                         "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};

// Unsets every desktop proxy variable for the scope.
class NoDesktopProxy {
 public:
  NoDesktopProxy();

 private:
  std::vector<std::unique_ptr<ScopedEnv>> cleared_;
};

// A loopback port that was free a moment ago (bound, then closed again): for a server that cannot
// pick its own, or a port on which nothing listens. 0 when none could be had.
int FreeLoopbackPort();
// A close-on-exec socket connected to 127.0.0.1:port, or -1 when nothing accepts there.
int ConnectLoopback(int port);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes a whole file; false on failure.
bool WriteFile(const std::string& path, std::string_view data);

}  // namespace test
