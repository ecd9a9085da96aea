// Sound files turned into SWF sound tags: the sound is decoded through FFmpeg, converted to the
// tag's rate and channels, encoded to MP3 by the encoder bundle and cut into its frames, which
// become a DefineSound tag (an event sound) or a SoundStreamHead with SoundStreamBlock tags (the
// sound of a timeline).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/Mp3Encoder.h"
#include "swf/SoundTags.h"

struct SoundSettings {
  double frameRate = 12;     // of the movie, frames a second
  uint8_t formatChoice = 2;  // 0 to 4: format 0, 1, 2 (MP3), 3 or 6; only MP3 carries sound
  uint8_t rateCode = 3;      // 0 5512 Hz, 1 11025 Hz, 2 22050 Hz, 3 44100 Hz
  bool sixteenBit = true;
  bool stereo = false;
  uint32_t kbitsPerSecond = 128;
  int64_t limitMilliseconds = 0;  // 0: the whole sound
};

class SoundTagMaker {
 public:
  // The encoder is loaded on first use when it is not yet.
  explicit SoundTagMaker(Mp3Encoder& encoder) : encoder_(encoder) {}

  // A DefineSound of the file's sound: the format fields from the settings; for MP3 the
  // sample count (frames of the sound at the tag's rate) and the data (seek samples 0, then
  // every frame). Null with Error() saying why.
  std::unique_ptr<DefineSoundTag> MakeDefineSound(const std::string& path, const SoundSettings& settings,
                                                  const Mp3Encoder::Progress& progress = {});
  // A SoundStreamHead with the same fields and the samples of one SWF frame; for MP3 the
  // stream blocks, one for each SWF frame, go to `blocks`. Null with Error() saying why.
  std::unique_ptr<SoundStreamHeadTag> MakeSoundStreamHead(const std::string& path, const SoundSettings& settings,
                                                          std::vector<std::unique_ptr<SoundStreamBlockTag>>& blocks,
                                                          const Mp3Encoder::Progress& progress = {});
  const std::string& Error() const { return error_; }

  static uint32_t RateOfCode(uint8_t code);
  // The format number written into the tags for a format choice (0 to 4); -1 for others.
  static int FormatOfChoice(uint8_t choice);

  // The stream blocks of MP3 frames of `frameSamples` samples each, for SWF frames of
  // `swfFrameSamples` samples: each block's data is its sample count and seek samples (both
  // 16-bit little-endian) followed by whole frames, as many as the samples due by its SWF
  // frame allow.
  static std::vector<std::unique_ptr<SoundStreamBlockTag>> MakeStreamBlocks(
      const std::vector<std::vector<uint8_t>>& frames, uint32_t frameSamples, uint32_t swfFrameSamples);

 private:
  // The settings' MP3 frames (header bytes and data each) and the sound's sample frames.
  bool EncodeFrames(const std::string& path, const SoundSettings& settings, const Mp3Encoder::Progress& progress,
                    std::vector<std::vector<uint8_t>>& frames, uint64_t& soundFrames);
  bool Fail(const std::string& why);

  Mp3Encoder& encoder_;
  std::string error_;
};
