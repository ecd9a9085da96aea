// MP3 (MPEG audio Layer III) frames found in a stream: the frame header and the data after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Mp3Frame {
  uint32_t header = 0;        // the four header bytes, big-endian
  std::vector<uint8_t> data;  // the frame after its header

  // The bytes of a frame after its header; -1 when the header is no Layer III frame header
  // (no sync, reserved version, layer, bit rate or sample rate).
  static int DataLength(uint32_t header);
  // The header's sample rate, and the samples per channel of its frame; 0 for no valid header.
  static uint32_t SampleRate(uint32_t header);
  static uint32_t SamplesPerFrame(uint32_t header);

  // Finds the first frame header in data[0, length) and takes the frame; `offset` gets the
  // header's position. Bytes before it are skipped. False when none is found, or when the
  // first one found does not fit in the bytes given.
  bool Read(const uint8_t* bytes, size_t length, size_t& offset);
};

// Appends every frame found, in order, to the list. False when bytes remain in which no whole
// frame is found (a damaged or cut stream); the frames before are kept.
bool SplitMp3Frames(std::vector<Mp3Frame>& list, const uint8_t* bytes, size_t length);
