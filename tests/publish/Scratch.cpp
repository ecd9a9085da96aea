#include "tests/publish/Scratch.h"

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/TempFolder.h"

namespace publishtest {

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-publish-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::vector<std::string> TempFilesLeft(const std::string& stem) {
  WideString probe;
  if (!GetTempFilePath(probe, L"probe.tmp", true)) return {"<no temporary folder>"};
  const std::filesystem::path folder = std::filesystem::path(WideToUtf8(probe)).parent_path();
  const std::string prefix = stem + "-" + std::to_string(::getpid()) + "-";
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().filename().string());
  return names;
}

std::string EmptyMovie(uint16_t frameRate256, uint16_t frames) {
  std::string body("\x68\x00\x1f\x40\x00\x03\xe8\x00", 8);  // the stage: 0..4000 x 0..2000 twips
  auto u16 = [&](uint16_t v) {
    body += static_cast<char>(v & 0xFF);
    body += static_cast<char>(v >> 8);
  };
  u16(frameRate256);
  u16(frames);
  body += std::string("\x43\x02\x33\x66\x99", 5);     // background colour
  for (uint16_t i = 0; i < frames; ++i) u16(0x0040);  // show frame
  u16(0);                                             // end
  const uint32_t length = static_cast<uint32_t>(body.size() + 8);
  std::string movie("FWS\x06", 4);
  for (int i = 0; i < 4; ++i) movie += static_cast<char>((length >> (8 * i)) & 0xFF);
  return movie + body;
}

}  // namespace publishtest
