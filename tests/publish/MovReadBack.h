// Reads a QuickTime movie file back for the tests: through FFmpeg's demuxer (streams, their
// packets) and through a walk of the file's atoms (what the demuxer does not report).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace publishtest {

inline constexpr size_t kSmallPacket = 64 * 1024;

struct ReadStream {
  std::string type;   // "video", "data", ... as FFmpeg names the media type
  std::string codec;  // FFmpeg's codec name ("rawvideo", "none")
  uint32_t codecTag = 0;
  std::string pixelFormat;  // for video: FFmpeg's pixel format name
  int width = 0;
  int height = 0;
  int timeBaseNum = 0;
  int timeBaseDen = 0;
  std::vector<int64_t> durations;  // each packet's duration, in the time base
  std::vector<int64_t> sizes;
  std::vector<std::string> firstPackets;  // the bytes of the first two packets
  std::vector<std::string> smallPackets;  // the bytes of every packet of at most kSmallPacket bytes
};

struct ReadMovie {
  std::string error;  // empty when FFmpeg read the file to its end
  std::vector<ReadStream> streams;
};

ReadMovie ReadWithFfmpeg(const std::filesystem::path& path);

// The types of the atoms at the top of the file, in order, and the user data items in the
// movie atom as "type=hex bytes".
std::vector<std::string> TopAtoms(const std::string& file);
std::vector<std::string> UserDataItems(const std::string& file);

}  // namespace publishtest
