// Runs the provider stand-in as a child process for a test.
#include "support/provider_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "support/child_process.h"
#include "support/test_ca.h"

namespace test {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Reads the provider's port line; gives up after `ms` without output or when it exits.
std::string ReadLine(int fd, int ms) {
  std::string line;
  char c;
  while (true) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return {};
    if (read(fd, &c, 1) != 1) return {};
    if (c == '\n') return line;
    line += c;
  }
}

const char* KindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kStatus:
      return "status";
    case FaultKind::kSilent:
      return "silent";
    case FaultKind::kCut:
      return "cut";
    case FaultKind::kMalformed:
      return "malformed";
    case FaultKind::kPieces:
      return "pieces";
    case FaultKind::kLong:
      return "long";
    case FaultKind::kChunked:
      return "chunked";
    case FaultKind::kEmpty:
      return "empty";
    case FaultKind::kDuplicate:
      return "duplicate";
    case FaultKind::kDown:
      return "down";
    case FaultKind::kEndless:
      return "endless";
  }
  return "";
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [n, v] : headers)
    if (SameName(n, name)) return v;
  return {};
}

bool RecordedRequest::HasHeader(const std::string& name) const {
  for (const auto& [n, v] : headers)
    if (SameName(n, name)) return true;
  return false;
}

std::string FormEscape(const std::string& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '/' || c == '*') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

ProviderFixture::ProviderFixture(const TestCa* ca) {
  std::vector<std::string> args = {std::string(SIGNUP_BIN_DIR) + "/provider", "--db",
                                   dir_.File("accounts.db"), "--log", dir_.File("requests.log")};
  if (ca != nullptr) {
    args.insert(args.end(), {"--cert", ca->good_cert(), "--key", ca->good_key(), "--alt",
                             "expired=" + ca->expired_cert() + "," + ca->expired_key(), "--alt",
                             "wronghost=" + ca->wrong_host_cert() + "," + ca->wrong_host_key()});
  }
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  ChildOptions options;
  options.stdout_fd = out[1];
  pid_ = StartChild(args, options, &error_);
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    return;
  }
  // A generous bound, only against a provider that hangs at start-up.
  std::string line = ReadLine(out[0], 30000);
  close(out[0]);
  std::istringstream words(line);
  std::string word;
  while (words >> word) {
    size_t eq = word.find('=');
    if (eq == std::string::npos) continue;
    int port = std::atoi(word.c_str() + eq + 1);
    std::string name = word.substr(0, eq);
    if (name == "http") http_port_ = port;
    if (name == "https") https_port_ = port;
    if (name == "expired") expired_port_ = port;
    if (name == "wronghost") wrong_host_port_ = port;
  }
  if (http_port_ == 0) error_ = "provider did not start: \"" + line + "\"";
}

ProviderFixture::~ProviderFixture() { StopChild(pid_, SIGKILL); }

std::string ProviderFixture::HttpUrl() const {
  return "http://127.0.0.1:" + std::to_string(http_port_) + "/";
}
std::string ProviderFixture::HttpsUrl() const {
  return "https://127.0.0.1:" + std::to_string(https_port_) + "/";
}
std::string ProviderFixture::ExpiredUrl() const {
  return "https://127.0.0.1:" + std::to_string(expired_port_) + "/";
}
std::string ProviderFixture::WrongHostUrl() const {
  return "https://127.0.0.1:" + std::to_string(wrong_host_port_) + "/";
}

int ProviderFixture::Control(const std::string& method, const std::string& path,
                             const std::string& body, std::string* reply) {
  const int fd = ConnectLoopback(http_port_);
  if (fd < 0) return 0;
  std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                        "Connection: close\r\nContent-Type: application/x-www-form-urlencoded\r\n" +
                        "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      close(fd);
      return 0;
    }
    sent += static_cast<size_t>(n);
  }
  std::string response;
  char buffer[16384];
  ssize_t n;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) response.append(buffer, n);
  close(fd);
  size_t end = response.find("\r\n\r\n");
  if (response.rfind("HTTP/", 0) != 0 || end == std::string::npos) return 0;
  if (reply) *reply = response.substr(end + 4);
  return std::atoi(response.c_str() + response.find(' ') + 1);
}

bool ProviderFixture::SetFault(const std::string& path, const Fault& fault) {
  std::string body = "path=" + FormEscape(path) + "&kind=" + KindName(fault.kind) +
                     "&count=" + std::to_string(fault.count) +
                     "&status=" + std::to_string(fault.status) + "&ms=" + std::to_string(fault.ms) +
                     "&size=" + std::to_string(fault.size) +
                     "&piece=" + std::to_string(fault.piece);
  return Control("POST", "/_control/fault", body) == 200;
}

bool ProviderFixture::ClearFaults() { return Control("POST", "/_control/clear", "") == 200; }

bool ProviderFixture::AddAccount(const std::string& account, const std::string& password) {
  return Control("POST", "/_control/account",
                 "account=" + FormEscape(account) + "&password=" + FormEscape(password)) == 200;
}

bool ProviderFixture::ClearRequests() {
  log_start_ = ReadFile(dir_.File("requests.log")).size();
  return Control("POST", "/_control/log/clear", "") == 200;
}

std::vector<RecordedRequest> ProviderFixture::Requests() {
  std::vector<RecordedRequest> list;
  // The provider writes each record in full before it answers the request.
  const std::string log = ReadFile(dir_.File("requests.log"));
  size_t pos = std::min(log_start_, log.size());
  while (pos < log.size()) {
    size_t eol = log.find('\n', pos);
    if (eol == std::string::npos) break;
    std::istringstream head(log.substr(pos, eol - pos));
    RecordedRequest r;
    size_t header_count = 0, body_size = 0;
    if (!(head >> r.method >> r.target >> header_count >> body_size)) break;
    pos = eol + 1;
    for (size_t i = 0; i < header_count; ++i) {
      eol = log.find('\n', pos);
      if (eol == std::string::npos) return list;
      std::string line = log.substr(pos, eol - pos);
      size_t colon = line.find(": ");
      r.headers.emplace_back(line.substr(0, colon),
                             colon == std::string::npos ? "" : line.substr(colon + 2));
      pos = eol + 1;
    }
    if (pos + body_size > log.size()) break;
    r.body = log.substr(pos, body_size);
    pos += body_size + 1;
    list.push_back(std::move(r));
  }
  return list;
}

}  // namespace test
