// A TCP server on a loopback port that answers as a test scripts it, for replies no real server
// would give: endless bodies, bytes that trickle, giant headers, a TLS port that never answers.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace test {

class LoopbackServer {
 public:
  // One accepted connection, as the handler sees it (on the server's own thread).
  class Connection {
   public:
    Connection(LoopbackServer& server, int fd) : server_(server), fd_(fd) {}
    // Sends all of data; false once the client has gone or the server is stopping.
    bool Send(std::string_view data);
    // Waits, as a slow server would; false when the server is stopping.
    bool Pause(std::chrono::milliseconds period);
    // Blocks until the client closes the connection or the server stops.
    void HoldUntilClosed();

   private:
    LoopbackServer& server_;
    int fd_;
  };
  using Handler = std::function<void(Connection&)>;

  // Listens on 127.0.0.1 and hands every connection to handler, one after the other; with
  // readRequest the request head (up to its blank line) is read first, as a server would.
  explicit LoopbackServer(Handler handler, bool readRequest = true);
  // Stops: ends a handler's Pause, Send or HoldUntilClosed, and closes the connection in hand.
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:PORT/".
  std::string HttpUrl() const;

 private:
  void Serve();

  Handler handler_;
  bool readRequest_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable stopped_cv_;
  int client_fd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace test
