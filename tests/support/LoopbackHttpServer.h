// A tiny HTTP server on 127.0.0.1 for the tests of the HTTP client: it runs on its own
// thread, answers every connection with the scripted reply and records the requests.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
 public:
  struct Reply {
    int status = 200;
    std::string body;
    // Declares this Content-Length instead of the body's own (a larger value truncates).
    long long declaredLength = -1;
    int delayMs = 0;  // before answering
  };

  LoopbackHttpServer();
  ~LoopbackHttpServer();

  bool Start();
  void SetReply(const Reply& reply);
  std::string Url(const std::string& path = "/") const;
  // The raw requests (head and body) received so far.
  std::vector<std::string> Requests() const;

 private:
  void Serve();
  void Handle(int fd);

  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  Reply reply_;
  std::vector<std::string> requests_;
};
