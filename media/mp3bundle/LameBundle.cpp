// The MP3 encoder bundle: the stream-encoder entry points over libmp3lame.
#include <lame/lame.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "media/Mp3EncoderInterface.h"

using namespace mp3bundle;

namespace {

struct Stream {
  lame_global_flags* lame = nullptr;
  int channels = 1;
  uint32_t chunkSamples = 0;  // all channels
  uint32_t bufferSize = 0;
};

Stream* FromHandle(BeStream handle) { return reinterpret_cast<Stream*>(handle); }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) BeError beInitStream(const BeConfig* config, uint32_t* samples,
                                                            uint32_t* bufferSize, BeStream* stream) {
  if (config == nullptr || samples == nullptr || bufferSize == nullptr || stream == nullptr) return kBeBadConfig;
  if (config->config != kConfigLame || config->structSize != sizeof(BeConfig)) return kBeBadConfig;
  const int channels = config->mode == kModeMono ? 1 : 2;
  const uint32_t outRate = config->reSampleRate != 0 ? config->reSampleRate : config->sampleRate;
  if (config->sampleRate < 8000 || config->sampleRate > 48000 || outRate < 8000 || outRate > 48000) return kBeBadConfig;
  if (config->bitrate < 8 || config->bitrate > 320) return kBeBadConfig;
  auto* s = new (std::nothrow) Stream;
  if (s == nullptr) return kBeNoMemory;
  s->lame = lame_init();
  if (s->lame == nullptr) {
    delete s;
    return kBeNoMemory;
  }
  s->channels = channels;
  lame_set_num_channels(s->lame, channels);
  lame_set_in_samplerate(s->lame, static_cast<int>(config->sampleRate));
  lame_set_out_samplerate(s->lame, static_cast<int>(outRate));
  lame_set_mode(s->lame, channels == 1 ? MONO : config->mode == kModeStereo ? STEREO : JOINT_STEREO);
  lame_set_brate(s->lame, static_cast<int>(config->bitrate));
  lame_set_VBR(s->lame, vbr_off);
  lame_set_original(s->lame, config->original != 0 ? 1 : 0);
  lame_set_copyright(s->lame, config->copyright != 0 ? 1 : 0);
  lame_set_error_protection(s->lame, config->crc != 0 ? 1 : 0);
  lame_set_disable_reservoir(s->lame, config->noReservoir != 0 ? 1 : 0);
  // The preset is libmp3lame's quality, 0 (best) to 9; others keep its default.
  if (config->preset >= 0 && config->preset <= 9) lame_set_quality(s->lame, config->preset);
  lame_set_bWriteVbrTag(s->lame, 0);
  if (lame_init_params(s->lame) < 0) {
    lame_close(s->lame);
    delete s;
    return kBeBadConfig;
  }
  s->chunkSamples = static_cast<uint32_t>(lame_get_framesize(s->lame)) * static_cast<uint32_t>(channels);
  // libmp3lame's worst case for a call: 1.25 x frames + 7200 bytes.
  s->bufferSize = s->chunkSamples / static_cast<uint32_t>(channels) * 5 / 4 + 7200;
  *samples = s->chunkSamples;
  *bufferSize = s->bufferSize;
  *stream = reinterpret_cast<BeStream>(s);
  return kBeOk;
}

__attribute__((visibility("default"))) BeError beEncodeChunk(BeStream stream, uint32_t samples, const int16_t* pcm,
                                                             uint8_t* output, uint32_t* outputBytes) {
  Stream* s = FromHandle(stream);
  if (s == nullptr || s->lame == nullptr || output == nullptr || outputBytes == nullptr) return kBeBadStream;
  *outputBytes = 0;
  if (samples > s->chunkSamples || samples % static_cast<uint32_t>(s->channels) != 0) return kBeBufferTooSmall;
  if (samples == 0) return kBeOk;
  if (pcm == nullptr) return kBeBadStream;
  const int frames = static_cast<int>(samples) / s->channels;
  const int made = s->channels == 2
                       ? lame_encode_buffer_interleaved(s->lame, const_cast<short*>(pcm), frames, output,
                                                        static_cast<int>(s->bufferSize))
                       : lame_encode_buffer(s->lame, pcm, pcm, frames, output, static_cast<int>(s->bufferSize));
  if (made < 0) return kBeEncoderFailed;
  *outputBytes = static_cast<uint32_t>(made);
  return kBeOk;
}

__attribute__((visibility("default"))) BeError beDeinitStream(BeStream stream, uint8_t* output, uint32_t* outputBytes) {
  Stream* s = FromHandle(stream);
  if (s == nullptr || s->lame == nullptr || output == nullptr || outputBytes == nullptr) return kBeBadStream;
  const int made = lame_encode_flush(s->lame, output, static_cast<int>(s->bufferSize));
  if (made < 0) {
    *outputBytes = 0;
    return kBeEncoderFailed;
  }
  *outputBytes = static_cast<uint32_t>(made);
  return kBeOk;
}

__attribute__((visibility("default"))) BeError beCloseStream(BeStream stream) {
  Stream* s = FromHandle(stream);
  if (s == nullptr) return kBeBadStream;
  if (s->lame != nullptr) lame_close(s->lame);
  delete s;
  return kBeOk;
}

__attribute__((visibility("default"))) void beVersion(BeVersion* version) {
  if (version == nullptr) return;
  version->bundleMajor = 1;
  version->bundleMinor = 0;
  const char* text = get_lame_short_version();  // "3.100"
  char* end = nullptr;
  const long major = std::strtol(text, &end, 10);
  const long minor = end != nullptr && *end == '.' ? std::strtol(end + 1, nullptr, 10) : 0;
  version->encoderMajor = static_cast<uint8_t>(major);
  version->encoderMinor = static_cast<uint8_t>(minor);
}

}  // extern "C"
