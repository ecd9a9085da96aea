// One running program per user. The first process takes a lock file in the user's private
// temporary folder and listens on a local socket beside it; a later start hands the
// documents of its command line to the first through the socket and ends.
//
// Messages are the documents' paths, UTF-8, each ended by a NUL byte; at most kMaxMessage
// bytes and kMaxPaths paths are taken from one connection. The first answers one byte ("k")
// once it has the list.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace host {

class SingleInstance {
 public:
  static constexpr size_t kMaxMessage = 256 * 1024;
  static constexpr size_t kMaxPaths = 256;

  SingleInstance();
  // Stops listening and lets go of the lock.
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock "<folder>/instance.lock"; true when this process holds it (it is the
  // first). The folder must exist and be private.
  bool Acquire(const std::string& folder);
  bool IsFirst() const { return lockFd_ >= 0; }

  // The first process: listens on "<folder>/instance.socket"; each list of documents that a
  // later start sends is handed to `receive` on the main loop (host/MainLoopQueue.h).
  bool Listen(std::function<void(std::vector<std::string> paths)> receive);

  // A later process: sends the paths to the first and waits (at most timeoutMs) for its
  // answer. True when the first took them.
  bool Forward(const std::vector<std::string>& paths, int timeoutMs);

  // Splits a message into its paths (relative ones are not taken: the sender makes them
  // absolute); stops at kMaxPaths.
  static std::vector<std::string> SplitMessage(const std::string& message);

 private:
  std::string SocketPath() const { return folder_ + "/instance.socket"; }

  std::string folder_;
  int lockFd_ = -1;
  struct Listener;
  std::unique_ptr<Listener> listener_;
};

}  // namespace host
