#include "tests/support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

LoopbackHttpServer::LoopbackHttpServer() = default;

LoopbackHttpServer::~LoopbackHttpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
}

bool LoopbackHttpServer::Start() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
  if (::listen(listenFd_, 16) != 0) return false;
  socklen_t len = sizeof addr;
  if (::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return false;
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void LoopbackHttpServer::SetReply(const Reply& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  reply_ = reply;
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::Serve() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Handle(fd);
    ::close(fd);
  }
}

void LoopbackHttpServer::Handle(int fd) {
  // Read the head, then as much body as Content-Length says (bounded by a deadline).
  std::string in;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  size_t headEnd = std::string::npos;
  size_t wanted = 0;
  while (std::chrono::steady_clock::now() < deadline && !stop_) {
    if (headEnd != std::string::npos && in.size() >= headEnd + 4 + wanted) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buf[65536];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    in.append(buf, static_cast<size_t>(n));
    if (headEnd == std::string::npos && (headEnd = in.find("\r\n\r\n")) != std::string::npos) {
      const size_t at = in.find("Content-Length: ");
      if (at != std::string::npos && at < headEnd) wanted = std::strtoul(in.c_str() + at + 16, nullptr, 10);
    }
  }
  Reply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(in);
    reply = reply_;
  }
  for (int waited = 0; waited < reply.delayMs && !stop_; waited += 10) ::usleep(10000);
  if (stop_) return;
  const long long length = reply.declaredLength >= 0 ? reply.declaredLength : static_cast<long long>(reply.body.size());
  std::string out = "HTTP/1.1 " + std::to_string(reply.status) +
                    " Status\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n" +
                    reply.body;
  size_t sent = 0;
  while (sent < out.size()) {
    const ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
}
