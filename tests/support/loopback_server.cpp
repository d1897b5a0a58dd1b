// The scripted loopback server of loopback_server.h.
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test {

bool LoopbackServer::Connection::Send(std::string_view data) {
  while (!data.empty()) {
    if (server_.stopping_) return false;
    ssize_t n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool LoopbackServer::Connection::Pause(std::chrono::milliseconds period) {
  std::unique_lock lock(server_.mutex_);
  return !server_.stopped_cv_.wait_for(lock, period, [this] { return server_.stopping_.load(); });
}

void LoopbackServer::Connection::HoldUntilClosed() {
  char buffer[4096];
  while (!server_.stopping_ && recv(fd_, buffer, sizeof buffer, 0) > 0) {
  }
}

LoopbackServer::LoopbackServer(Handler handler, bool readRequest)
    : handler_(std::move(handler)), readRequest_(readRequest) {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_fd_, 8) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    return;
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (client_fd_ >= 0) shutdown(client_fd_, SHUT_RDWR);
  }
  stopped_cv_.notify_all();
  if (listen_fd_ >= 0) shutdown(listen_fd_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  if (listen_fd_ >= 0) close(listen_fd_);
}

std::string LoopbackServer::HttpUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void LoopbackServer::Serve() {
  while (!stopping_) {
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) {
        close(fd);
        return;
      }
      client_fd_ = fd;
    }
    std::string head;
    char buffer[4096];
    while (readRequest_ && !stopping_ && head.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      head.append(buffer, static_cast<size_t>(n));
    }
    Connection connection(*this, fd);
    handler_(connection);
    {
      std::lock_guard lock(mutex_);
      client_fd_ = -1;
    }
    close(fd);
  }
}

}  // namespace test
