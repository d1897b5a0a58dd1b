// Runs Debian's tinyproxy on a free loopback port for a test, with basic authentication.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace test {

class ProxyFixture {
 public:
  // Starts tinyproxy in the foreground with a generated configuration: listens on 127.0.0.1,
  // allows 127.0.0.1, asks for `user`/`password` (no authentication when `user` is empty) and
  // lets CONNECT through to `connect_ports` (every port when empty). Returns when it accepts
  // connections; ok() tells whether it does.
  ProxyFixture(const std::string& user, const std::string& password,
               const std::vector<int>& connect_ports = {});
  ~ProxyFixture();
  ProxyFixture(const ProxyFixture&) = delete;
  ProxyFixture& operator=(const ProxyFixture&) = delete;

  bool ok() const { return pid_ > 0 && port_ > 0; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  // "127.0.0.1:PORT", as WinInet's proxy option takes it.
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  // tinyproxy's log so far, for assertion messages.
  std::string Log() const { return ReadFile(dir_.File("tinyproxy.log")); }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  int stderr_fd_ = -1;  // kept open so that late messages never hit a closed pipe
  std::string error_;
};

// The tinyproxy program, or empty when it is not installed.
std::string TinyproxyPath();

}  // namespace test
