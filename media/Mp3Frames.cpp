#include "media/Mp3Frames.h"

namespace {

// Bit rates in kbit/s by index; index 0 ("free") and 15 are refused.
constexpr int kMpeg1Rates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
constexpr int kMpeg2Rates[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1};

unsigned Version(uint32_t h) { return (h >> 19) & 3; }  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved

bool Valid(uint32_t h) {
  return (h >> 21) == 0x7FF && Version(h) != 1 && ((h >> 17) & 3) == 1 && ((h >> 12) & 15) != 0 &&
         ((h >> 12) & 15) != 15 && ((h >> 10) & 3) != 3;
}

}  // namespace

uint32_t Mp3Frame::SampleRate(uint32_t header) {
  if (!Valid(header)) return 0;
  constexpr uint32_t kRates[3] = {44100, 48000, 32000};
  const uint32_t base = kRates[(header >> 10) & 3];
  switch (Version(header)) {
    case 3: return base;
    case 2: return base / 2;
    default: return base / 4;
  }
}

uint32_t Mp3Frame::SamplesPerFrame(uint32_t header) {
  if (!Valid(header)) return 0;
  return Version(header) == 3 ? 1152 : 576;
}

int Mp3Frame::DataLength(uint32_t header) {
  if (!Valid(header)) return -1;
  const unsigned index = (header >> 12) & 15;
  const int kbits = Version(header) == 3 ? kMpeg1Rates[index] : kMpeg2Rates[index];
  const int padding = static_cast<int>((header >> 9) & 1);
  const int factor = Version(header) == 3 ? 144 : 72;
  return static_cast<int>(int64_t{kbits} * 1000 * factor / SampleRate(header)) + padding - 4;
}

bool Mp3Frame::Read(const uint8_t* bytes, size_t length, size_t& offset) {
  if (bytes == nullptr || length < 4) return false;
  for (size_t i = 0; i + 4 <= length; ++i) {
    const uint32_t h =
        uint32_t{bytes[i]} << 24 | uint32_t{bytes[i + 1]} << 16 | uint32_t{bytes[i + 2]} << 8 | bytes[i + 3];
    const int size = DataLength(h);
    if (size < 0) continue;
    if (static_cast<size_t>(size) > length - i - 4) return false;
    header = h;
    data.assign(bytes + i + 4, bytes + i + 4 + size);
    offset = i;
    return true;
  }
  return false;
}

bool SplitMp3Frames(std::vector<Mp3Frame>& list, const uint8_t* bytes, size_t length) {
  size_t at = 0;
  while (at < length) {
    Mp3Frame frame;
    size_t offset = 0;
    if (!frame.Read(bytes + at, length - at, offset)) return false;
    at += offset + 4 + frame.data.size();
    list.push_back(std::move(frame));
  }
  return true;
}
