#include "host/MainLoopQueue.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace host {

MainLoopQueue& MainLoopQueue::Instance() {
  static MainLoopQueue queue;
  return queue;
}

MainLoopQueue::MainLoopQueue() { wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

MainLoopQueue::~MainLoopQueue() {
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void MainLoopQueue::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  if (wakeFd_ >= 0) {
    const uint64_t one = 1;
    ssize_t n;
    do {
      n = ::write(wakeFd_, &one, sizeof one);
    } while (n < 0 && errno == EINTR);
  }
}

size_t MainLoopQueue::Drain() {
  std::deque<std::function<void()>> ready;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ready.swap(tasks_);
    if (wakeFd_ >= 0) {
      uint64_t count;
      while (::read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) {
      }
    }
  }
  for (auto& task : ready) {
    if (task) task();
  }
  return ready.size();
}

bool MainLoopQueue::WaitForTasks(int timeoutMs) {
  if (Pending() > 0) return true;
  if (wakeFd_ < 0) return false;
  pollfd p{wakeFd_, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return Pending() > 0;
}

size_t MainLoopQueue::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tasks_.size();
}

}  // namespace host
