// Work handed to the main thread: any thread may post a task; the main loop runs the posted
// tasks, in posting order, when it drains the queue.
//
// The event loop learns that tasks wait by watching WakeFd(): the descriptor becomes readable
// when a task is posted. A loop without descriptors can call WaitForTasks.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace host {

class MainLoopQueue {
 public:
  // The program's one queue.
  static MainLoopQueue& Instance();

  MainLoopQueue();
  ~MainLoopQueue();
  MainLoopQueue(const MainLoopQueue&) = delete;
  MainLoopQueue& operator=(const MainLoopQueue&) = delete;

  // Thread-safe.
  void Post(std::function<void()> task);
  // Runs every task posted before the call (tasks they post wait for the next drain), on the
  // calling thread. Returns how many ran.
  size_t Drain();
  // Blocks until a task is waiting or the time-out (milliseconds, < 0 for none) passed.
  bool WaitForTasks(int timeoutMs);
  // Readable while tasks wait; -1 when the descriptor could not be made (then only
  // WaitForTasks and Drain work).
  int WakeFd() const { return wakeFd_; }
  size_t Pending() const;

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  int wakeFd_ = -1;
};

}  // namespace host
