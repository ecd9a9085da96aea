// The stream-encoder interface between the program and its MP3 encoder bundle
// ("lame_encU.bundle" in the resources): a configuration record in its LAME form and five
// entry points found by name. Both sides are built from this header.
#pragma once

#include <cstdint>

namespace mp3bundle {

using BeError = uint32_t;
using BeStream = uintptr_t;

constexpr BeError kBeOk = 0;
constexpr BeError kBeBadConfig = 1;  // the configuration is not one the encoder takes
constexpr BeError kBeBadStream = 2;  // no such stream
constexpr BeError kBeNoMemory = 3;
constexpr BeError kBeBufferTooSmall = 4;  // more input than one call takes
constexpr BeError kBeEncoderFailed = 5;

constexpr uint32_t kConfigLame = 256;
constexpr uint32_t kConfigStructVersion = 1;

constexpr int32_t kModeStereo = 0;
constexpr int32_t kModeJointStereo = 1;
constexpr int32_t kModeMono = 3;

#pragma pack(push, 1)
struct BeConfig {
  uint32_t config;  // kConfigLame
  uint32_t structVersion;
  uint32_t structSize;    // sizeof(BeConfig)
  uint32_t sampleRate;    // of the samples given
  uint32_t reSampleRate;  // of the MP3 (0: the same)
  int32_t mode;
  uint32_t bitrate;  // kbit/s
  uint32_t maxBitrate;
  int32_t preset;
  uint32_t mpegVersion;
  uint32_t psyModel;
  uint32_t emphasis;
  int32_t isPrivate;
  int32_t crc;
  int32_t copyright;
  int32_t original;
  int32_t writeVbrHeader;
  int32_t enableVbr;
  int32_t vbrQuality;
  uint32_t vbrAbrBps;
  int32_t vbrMethod;
  int32_t noReservoir;
  int32_t strictIso;
  uint16_t quality;
  uint8_t reserved[237];
};
#pragma pack(pop)
static_assert(sizeof(BeConfig) == 331, "the configuration record has its fixed size");

struct BeVersion {
  uint8_t bundleMajor;
  uint8_t bundleMinor;
  uint8_t encoderMajor;
  uint8_t encoderMinor;
};

// beInitStream(config, samples per chunk out, output buffer size out, stream out). Samples
// count 16-bit values of all channels, interleaved; the output buffer of the calls below must
// hold the size given here.
using BeInitStream = BeError(const BeConfig*, uint32_t*, uint32_t*, BeStream*);
// beEncodeChunk(stream, samples (at most one chunk), samples, output, output bytes out).
using BeEncodeChunk = BeError(BeStream, uint32_t, const int16_t*, uint8_t*, uint32_t*);
// beDeinitStream(stream, output, output bytes out): the encoder's last frames.
using BeDeinitStream = BeError(BeStream, uint8_t*, uint32_t*);
using BeCloseStream = BeError(BeStream);
using BeVersionCall = void(BeVersion*);

}  // namespace mp3bundle
