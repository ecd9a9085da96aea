// A scratch folder for the publishing tests, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace publishtest {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);  // "" when unreadable
bool WriteBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace publishtest
