// Runs the provider stand-in (build/bin/provider) as a child process for a test: private
// database and log, its HTTP/HTTPS base URLs, fault control and the requests it received.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace test {

class TestCa;

// One request as the provider received it: the exact body bytes and headers.
struct RecordedRequest {
  std::string method;
  std::string target;  // path with any query, as sent
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first header of that name (case-insensitive); empty when absent.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

// Ways the provider can be told to fail (see sim/provider/provider.cpp).
enum class FaultKind {
  kStatus,     // reply with `status` (302 carries a Location header)
  kSilent,     // accept the request and send nothing for `ms` (default 120 s)
  kCut,        // announce a longer Content-Length, send half of the reply, close
  kMalformed,  // status 200 with an HTML page instead of the numbered lines
  kPieces,     // the real reply in pieces `ms` apart (default 100 ms): thirds, or `piece` bytes
  kLong,       // the real reply padded with a "15:" line to `size` bytes (default 3000)
  kChunked,    // the real reply chunked, without Content-Length
  kEmpty,      // status 200 with an empty body
  kDuplicate,  // the request is handled twice; the reply is the second answer
  kDown,       // the real reply, then the HTTP listener refuses every later connection
  kEndless,    // status 200 and the real reply repeated without end, chunked
};

struct Fault {
  FaultKind kind = FaultKind::kStatus;
  int count = 1;  // requests it applies to; 0 = until cleared
  int status = 500;
  int ms = 0;
  int size = 3000;
  int piece = 0;
};

class ProviderFixture {
 public:
  // Starts the provider over HTTP; with a test CA also over HTTPS with its good certificate,
  // plus listeners serving the expired and the wrong-host certificates. ok() tells whether it
  // runs; error() says why not.
  explicit ProviderFixture(const TestCa* ca = nullptr);
  ~ProviderFixture();
  ProviderFixture(const ProviderFixture&) = delete;
  ProviderFixture& operator=(const ProviderFixture&) = delete;

  bool ok() const { return pid_ > 0 && http_port_ > 0; }
  const std::string& error() const { return error_; }

  int http_port() const { return http_port_; }
  int https_port() const { return https_port_; }
  // Base URLs with a trailing "/", as the program's server settings hold them.
  std::string HttpUrl() const;
  std::string HttpsUrl() const;
  std::string ExpiredUrl() const;
  std::string WrongHostUrl() const;
  int expired_port() const { return expired_port_; }
  int wrong_host_port() const { return wrong_host_port_; }

  // Makes requests to `path` ("*" for every path) fail as told. True when the provider took it.
  bool SetFault(const std::string& path, const Fault& fault);
  bool ClearFaults();
  // Creates (or replaces) an account with that name, which is also its login ID.
  bool AddAccount(const std::string& account, const std::string& password);

  // Every request received since the start or the last ClearRequests, oldest first. Read from
  // the provider's log file, so they are there after a kDown fault too.
  std::vector<RecordedRequest> Requests();
  bool ClearRequests();

  // A control request to the provider's HTTP port; returns the status (0 when it failed) and
  // the body.
  int Control(const std::string& method, const std::string& path, const std::string& body,
              std::string* reply = nullptr);

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int http_port_ = 0, https_port_ = 0, expired_port_ = 0, wrong_host_port_ = 0;
  std::string error_;
  size_t log_start_ = 0;  // where the log file's records begin since the last ClearRequests
};

// Percent-encodes a form value for the control API.
std::string FormEscape(const std::string& value);

}  // namespace test
