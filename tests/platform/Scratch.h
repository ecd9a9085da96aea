// Test helpers: a scratch folder removed after the test, small file helpers, and a child
// process that runs a check on a freshly mounted small file system (a tiny tmpfs to fill the
// disk, or a ramfs that refuses extended attributes).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testutil {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // UTF-8 path without a trailing '/'.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);  // "" when unreadable
bool Exists(const std::string& path);           // lstat
// Removes a tree without following links (for cleanup).
void RemoveTree(const std::string& path);
// Names in a folder, sorted, without "." and "..".
std::vector<std::string> ListNames(const std::string& folder);

// Runs `check` in a child process whose own mount namespace has a new file system of the
// given type ("tmpfs" with a size option, or "ramfs") mounted on a scratch folder; the
// check's return value is the child's exit status (0 = passed). Returns -1 with `why` set
// when the machine won't let the test mount one (no namespaces, no privilege).
int RunOnFreshMount(const std::string& fstype, const std::string& options,
                    const std::function<int(const std::string& mountPoint)>& check, std::string& why);

}  // namespace testutil
