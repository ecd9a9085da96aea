// MP3 encoding through the encoder bundle in the resources ("lame_encU.bundle"), loaded at
// run time and reached only through its five named entry points.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/MediaFile.h"
#include "media/Mp3EncoderInterface.h"
#include "platform/LoadableBundle.h"
#include "platform/WideString.h"

class Mp3Encoder {
 public:
  enum Error : int {
    kNoError = 0,
    kNotLoaded = 1,          // the bundle is missing or can't be loaded
    kMissingEntryPoint = 2,  // the bundle lacks one of the entry points
  };

  // Called with the share done (0 to 100); returning false cancels the encoding.
  using Progress = std::function<bool(int percent)>;

  // Loads the bundle from the application's resources and finds its entry points. False with
  // ErrorCode() 1 or 2 and ErrorText() saying which.
  bool LoadEncoder();
  // The same for a bundle at an absolute path.
  bool LoadEncoderAt(const WideString& path);
  bool IsLoaded() const { return init_ != nullptr; }
  int ErrorCode() const { return error_; }
  const std::string& ErrorText() const { return errorText_; }
  // Samples (all channels) the encoder takes per call in the last encoding; 0 before.
  uint32_t SamplesPerChunk() const { return samplesPerChunk_; }
  // The bundle's and libmp3lame's versions; zeros when not loaded.
  mp3bundle::BeVersion Version() const;

  // Encodes the sound (1 or 2 channels, 8000 to 48000 frames a second) at the bit rate
  // (kbit/s, constant, no bit reservoir, so every frame stands alone) into `mp3`. False with
  // `error` saying why, the encoder not loaded and cancelling included; `mp3` is then empty.
  bool Encode(const host::av::DecodedSound& sound, uint32_t kbitsPerSecond, std::vector<uint8_t>& mp3,
              std::string& error, const Progress& progress = {});

 private:
  bool Fail(Error code, const std::string& text);

  LoadableBundle bundle_;
  mp3bundle::BeInitStream* init_ = nullptr;
  mp3bundle::BeEncodeChunk* encode_ = nullptr;
  mp3bundle::BeDeinitStream* deinit_ = nullptr;
  mp3bundle::BeCloseStream* close_ = nullptr;
  mp3bundle::BeVersionCall* version_ = nullptr;
  int error_ = kNoError;
  std::string errorText_;
  uint32_t samplesPerChunk_ = 0;
};
