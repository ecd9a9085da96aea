// Helpers shared by the SWF tests: a private scratch folder, whole-file reads and writes,
// and tags built from raw bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "swf/SwfRecord.h"

namespace swftest {

using Bytes = std::vector<uint8_t>;

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-swf-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Native(const std::string& name) const { return path_ + "/" + name; }
  WideString Path(const std::string& name) const { return Utf8ToWide(Native(name)); }
  // Names of the entries in the folder.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string path_;
};

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::unique_ptr<SwfTag> Tag(int code, Bytes body = {}) {
  return std::make_unique<RawTag>(code, std::move(body));
}

inline std::unique_ptr<SwfTag> Label(const std::string& text) {
  Bytes body(text.begin(), text.end());
  body.push_back(0);
  return Tag(43, body);
}

}  // namespace swftest
