#include "media/Mp3Encoder.h"

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"

namespace {

constexpr const char* kBundleName = "lame_encU.bundle";

}  // namespace

bool Mp3Encoder::Fail(Error code, const std::string& text) {
  init_ = nullptr;
  encode_ = nullptr;
  deinit_ = nullptr;
  close_ = nullptr;
  version_ = nullptr;
  bundle_.Unload();
  error_ = code;
  errorText_ = text;
  return false;
}

bool Mp3Encoder::LoadEncoder() {
  WideString path;
  if (!GetBundleResourcePath(path, Utf8ToWide(kBundleName))) {
    return Fail(kNotLoaded, std::string("the MP3 encoder \"") + kBundleName + "\" is missing from the resources");
  }
  return LoadEncoderAt(path);
}

bool Mp3Encoder::LoadEncoderAt(const WideString& path) {
  Fail(kNoError, "");
  if (!bundle_.Load(path)) return Fail(kNotLoaded, "the MP3 encoder can't be loaded: " + bundle_.LastError());
  if (!bundle_.GetFunction("beInitStream", init_) || !bundle_.GetFunction("beEncodeChunk", encode_) ||
      !bundle_.GetFunction("beDeinitStream", deinit_) || !bundle_.GetFunction("beCloseStream", close_) ||
      !bundle_.GetFunction("beVersion", version_)) {
    const std::string why = bundle_.LastError();
    return Fail(kMissingEntryPoint, "the MP3 encoder is incomplete: " + why);
  }
  return true;
}

mp3bundle::BeVersion Mp3Encoder::Version() const {
  mp3bundle::BeVersion v{};
  if (version_ != nullptr) version_(&v);
  return v;
}

bool Mp3Encoder::Encode(const host::av::DecodedSound& sound, uint32_t kbitsPerSecond, std::vector<uint8_t>& mp3,
                        std::string& error, const Progress& progress) {
  mp3.clear();
  error.clear();
  if (!IsLoaded()) {
    error = errorText_.empty() ? "the MP3 encoder is not loaded" : errorText_;
    return false;
  }
  if (sound.channels < 1 || sound.channels > 2 || sound.samples.size() % sound.channels != 0) {
    error = "the sound has no channels MP3 takes";
    return false;
  }
  mp3bundle::BeConfig config;
  std::memset(&config, 0, sizeof config);
  config.config = mp3bundle::kConfigLame;
  config.structVersion = mp3bundle::kConfigStructVersion;
  config.structSize = sizeof config;
  config.sampleRate = sound.rate;
  config.reSampleRate = sound.rate;
  config.mode = sound.channels == 1 ? mp3bundle::kModeMono : mp3bundle::kModeJointStereo;
  config.bitrate = kbitsPerSecond;
  config.preset = 2;
  config.mpegVersion = 1;
  config.original = 1;
  config.noReservoir = 1;

  uint32_t chunk = 0, bufferSize = 0;
  mp3bundle::BeStream stream = 0;
  if (init_(&config, &chunk, &bufferSize, &stream) != mp3bundle::kBeOk) {
    error = "the MP3 encoder refused the sound's format (" + std::to_string(sound.rate) + " Hz, " +
            std::to_string(sound.channels) + " channels, " + std::to_string(kbitsPerSecond) + " kbit/s)";
    return false;
  }
  // A chunk must hold whole frames of every channel, and the output buffer a chunk's worth.
  if (chunk == 0 || chunk % sound.channels != 0 || bufferSize == 0 || bufferSize > (1u << 24)) {
    close_(stream);
    error = "the MP3 encoder gave an unusable chunk or buffer size";
    return false;
  }
  samplesPerChunk_ = chunk;
  std::vector<uint8_t> buffer(bufferSize);
  const size_t total = sound.samples.size();
  bool ok = true;
  for (size_t done = 0; ok && done < total;) {
    if (progress && !progress(static_cast<int>(done * 100 / total))) {
      error = "cancelled";
      ok = false;
      break;
    }
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(chunk, total - done));
    uint32_t made = 0;
    if (encode_(stream, count, sound.samples.data() + done, buffer.data(), &made) != mp3bundle::kBeOk ||
        made > bufferSize) {
      error = "the MP3 encoder failed";
      ok = false;
      break;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + made);
    done += count;
  }
  if (ok) {
    uint32_t made = 0;
    if (deinit_(stream, buffer.data(), &made) != mp3bundle::kBeOk || made > bufferSize) {
      error = "the MP3 encoder failed at the end";
      ok = false;
    } else {
      mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + made);
    }
  }
  close_(stream);
  if (ok && progress && !progress(100)) {
    error = "cancelled";
    ok = false;
  }
  if (!ok) mp3.clear();
  return ok;
}
