// A scratch folder for the publishing tests, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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

// The temporary files of this process named after the stem ("<stem>-<pid>-<n><ext>") that
// are still in the program's temporary sub-folder.
std::vector<std::string> TempFilesLeft(const std::string& stem);

// An uncompressed 200 x 100 movie of `frames` empty frames; the frame rate is in 1/256 frame
// a second as the header keeps it.
std::string EmptyMovie(uint16_t frameRate256, uint16_t frames);

}  // namespace publishtest
