#include "host/SingleInstance.h"

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "host/MainLoopQueue.h"

namespace host {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Waits until the descriptor is ready for the events or the time has passed.
bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int n = ::poll(&p, 1, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    return n > 0;
  }
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

struct SingleInstance::Listener {
  int listenFd = -1;
  int stopPipe[2] = {-1, -1};
  std::thread thread;

  ~Listener() {
    if (stopPipe[1] >= 0) {
      const char byte = 0;
      (void)!::write(stopPipe[1], &byte, 1);
    }
    if (thread.joinable()) thread.join();
    for (int fd : {listenFd, stopPipe[0], stopPipe[1]})
      if (fd >= 0) ::close(fd);
  }

  // One connection: reads the message (bounded in size and time), hands it over, answers.
  static void Serve(int fd, const std::function<void(std::vector<std::string>)>& receive) {
    std::string message;
    char buffer[4096];
    while (message.size() < kMaxMessage && WaitFor(fd, POLLIN, 2000)) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      message.append(buffer, static_cast<size_t>(n));
    }
    if (message.size() > kMaxMessage) message.resize(kMaxMessage);
    std::vector<std::string> paths = SplitMessage(message);
    MainLoopQueue::Instance().Post([receive, paths = std::move(paths)]() mutable { receive(std::move(paths)); });
    WriteAll(fd, "k", 1);
  }

  void Run(std::function<void(std::vector<std::string>)> receive) {
    for (;;) {
      pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
      const int n = ::poll(fds, 2, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || (fds[1].revents & POLLIN) != 0) return;
      if ((fds[0].revents & POLLIN) == 0) continue;
      const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      Serve(fd, receive);
      ::close(fd);
    }
  }
};

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
  if (listener_) {
    listener_.reset();
    ::unlink(SocketPath().c_str());
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

bool SingleInstance::Acquire(const std::string& folder) {
  folder_ = folder;
  const std::string path = folder + "/instance.lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd_ = fd;
  return true;
}

bool SingleInstance::Listen(std::function<void(std::vector<std::string>)> receive) {
  if (lockFd_ < 0 || listener_) return false;
  sockaddr_un address;
  const std::string path = SocketPath();
  if (!MakeAddress(path, address)) return false;
  auto listener = std::make_unique<Listener>();
  listener->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener->listenFd < 0 || ::pipe2(listener->stopPipe, O_CLOEXEC) != 0) return false;
  // The lock is ours, so a socket file left there belongs to a run that has ended.
  ::unlink(path.c_str());
  if (::bind(listener->listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  if (::listen(listener->listenFd, 8) != 0) return false;
  Listener* raw = listener.get();
  listener->thread = std::thread([raw, receive = std::move(receive)]() mutable { raw->Run(std::move(receive)); });
  listener_ = std::move(listener);
  return true;
}

bool SingleInstance::Forward(const std::vector<std::string>& paths, int timeoutMs) {
  sockaddr_un address;
  if (!MakeAddress(SocketPath(), address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  std::string message;
  for (const std::string& path : paths) message.append(path).push_back('\0');
  ok = ok && WriteAll(fd, message.data(), message.size()) && ::shutdown(fd, SHUT_WR) == 0;
  char answer = 0;
  ok = ok && WaitFor(fd, POLLIN, timeoutMs) && ::recv(fd, &answer, 1, 0) == 1 && answer == 'k';
  ::close(fd);
  return ok;
}

std::vector<std::string> SingleInstance::SplitMessage(const std::string& message) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start < message.size() && paths.size() < kMaxPaths) {
    size_t end = message.find('\0', start);
    if (end == std::string::npos) break;  // a path cut short is not taken
    if (end > start && message[start] == '/') paths.push_back(message.substr(start, end - start));
    start = end + 1;
  }
  return paths;
}

}  // namespace host
