// Helpers of the project tests: a scratch folder, whole-file text, small movie files, and
// projects written to text.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

namespace projecttest {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-project-XXXXXX").string();
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

 private:
  std::string path_;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A minimal uncompressed movie of 550 x 400 pixels with the given version byte.
inline std::string MovieWithVersion(uint8_t version) {
  // RECT with 15-bit fields: 0, 11000, 0, 8000.
  const unsigned char rect[] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00};
  std::string body(reinterpret_cast<const char*>(rect), sizeof rect);
  body += std::string("\x00\x0C\x01\x00\x00\x00", 6);  // 12 fps, 1 frame, End
  std::string out = std::string("FWS") + static_cast<char>(version);
  const uint32_t length = static_cast<uint32_t>(8 + body.size());
  for (int i = 0; i < 4; ++i) out += static_cast<char>((length >> (8 * i)) & 0xFF);
  return out + body;
}

// The project as its file text.
inline std::string ProjectText(const PreloaderData& project, const ScratchDir& dir, const char* name = "text.plw") {
  std::string error;
  if (!SaveProjectFile(dir.Path(name), project, &error)) return "save failed: " + error;
  return ReadText(dir.Native(name));
}

// A project file holding the given "preloader_data" element text.
inline std::string FileWith(const std::string& preloaderData) {
  return "<xml version=\"1.0\" encoding=\"UTF-8\">\n<plenwick version_major=\"1\" version_minor=\"210\">\n" +
         preloaderData + "</plenwick>\n\n</xml>\n";
}

}  // namespace projecttest
