#include "media/SoundTagMaker.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "host/MediaFile.h"
#include "media/Mp3Frames.h"

namespace {

template <typename Tag>
bool SetFields(Tag& tag, const SoundSettings& settings) {
  const int format = SoundTagMaker::FormatOfChoice(settings.formatChoice);
  if (format < 0 || settings.rateCode > 3) return false;
  tag.SetFormat(static_cast<unsigned>(format));
  tag.SetRate(settings.rateCode);
  tag.SetSampleSize(settings.sixteenBit ? 1 : 0);
  tag.SetStereo(settings.stereo ? 1 : 0);
  return true;
}

}  // namespace

uint32_t SoundTagMaker::RateOfCode(uint8_t code) {
  constexpr uint32_t kRates[4] = {5512, 11025, 22050, 44100};
  return code < 4 ? kRates[code] : 0;
}

int SoundTagMaker::FormatOfChoice(uint8_t choice) {
  constexpr int kFormats[5] = {0, 1, kSoundFormatMp3, 3, 6};
  return choice < 5 ? kFormats[choice] : -1;
}

bool SoundTagMaker::Fail(const std::string& why) {
  error_ = why;
  return false;
}

bool SoundTagMaker::EncodeFrames(const std::string& path, const SoundSettings& settings,
                                 const Mp3Encoder::Progress& progress, std::vector<std::vector<uint8_t>>& frames,
                                 uint64_t& soundFrames) {
  // MP3 has no 5512 Hz; an encoder would pick another rate than the tag states.
  if (settings.rateCode == 0) return Fail("MP3 sound can't be stored at 5.5 kHz");
  if (!encoder_.IsLoaded() && !encoder_.LoadEncoder()) return Fail(encoder_.ErrorText());
  host::av::DecodedSound sound;
  std::string why;
  if (!host::av::DecodeSound(path, RateOfCode(settings.rateCode), settings.stereo ? 2 : 1, settings.limitMilliseconds,
                             sound, why)) {
    return Fail(why);
  }
  std::vector<uint8_t> mp3;
  if (!encoder_.Encode(sound, settings.kbitsPerSecond, mp3, why, progress)) return Fail(why);
  std::vector<Mp3Frame> split;
  if (!SplitMp3Frames(split, mp3.data(), mp3.size())) return Fail("the MP3 encoder wrote a damaged stream");
  for (const Mp3Frame& frame : split) {
    if (Mp3Frame::SampleRate(frame.header) != RateOfCode(settings.rateCode)) {
      return Fail("the MP3 encoder wrote another rate than asked for");
    }
    std::vector<uint8_t> bytes{static_cast<uint8_t>(frame.header >> 24), static_cast<uint8_t>(frame.header >> 16),
                               static_cast<uint8_t>(frame.header >> 8), static_cast<uint8_t>(frame.header)};
    bytes.insert(bytes.end(), frame.data.begin(), frame.data.end());
    frames.push_back(std::move(bytes));
  }
  soundFrames = sound.Frames();
  return true;
}

std::unique_ptr<DefineSoundTag> SoundTagMaker::MakeDefineSound(const std::string& path, const SoundSettings& settings,
                                                               const Mp3Encoder::Progress& progress) {
  error_.clear();
  auto tag = std::make_unique<DefineSoundTag>();
  if (!SetFields(*tag, settings)) {
    Fail("unknown sound format or rate");
    return nullptr;
  }
  if (FormatOfChoice(settings.formatChoice) != kSoundFormatMp3) return tag;
  std::vector<std::vector<uint8_t>> frames;
  uint64_t soundFrames = 0;
  if (!EncodeFrames(path, settings, progress, frames, soundFrames)) return nullptr;
  // The count is of sample frames, stereo or not.
  tag->SetSampleCount(static_cast<uint32_t>(std::min<uint64_t>(soundFrames, UINT32_MAX)));
  std::vector<uint8_t> data{0, 0};  // seek samples
  for (const auto& frame : frames) data.insert(data.end(), frame.begin(), frame.end());
  tag->data = SwfBytes(std::move(data));
  return tag;
}

std::unique_ptr<SoundStreamHeadTag> SoundTagMaker::MakeSoundStreamHead(
    const std::string& path, const SoundSettings& settings, std::vector<std::unique_ptr<SoundStreamBlockTag>>& blocks,
    const Mp3Encoder::Progress& progress) {
  error_.clear();
  blocks.clear();
  auto head = std::make_unique<SoundStreamHeadTag>();
  if (!SetFields(*head, settings)) {
    Fail("unknown sound format or rate");
    return nullptr;
  }
  head->playbackByte = head->streamByte;
  if (!(settings.frameRate >= 1 && settings.frameRate <= 255)) {
    Fail("the frame rate is outside 1 to 255");
    return nullptr;
  }
  const auto swfFrameSamples = static_cast<uint32_t>(RateOfCode(settings.rateCode) / settings.frameRate);
  head->sampleCount = static_cast<uint16_t>(std::min<uint32_t>(swfFrameSamples, UINT16_MAX));
  if (FormatOfChoice(settings.formatChoice) != kSoundFormatMp3) return head;
  head->trailing = {0, 0};  // the MP3 stream's seek latency
  std::vector<std::vector<uint8_t>> frames;
  uint64_t soundFrames = 0;
  if (!EncodeFrames(path, settings, progress, frames, soundFrames)) return nullptr;
  const uint32_t frameSamples = encoder_.SamplesPerChunk() / (settings.stereo ? 2 : 1);
  blocks = MakeStreamBlocks(frames, frameSamples, swfFrameSamples);
  return head;
}

std::vector<std::unique_ptr<SoundStreamBlockTag>> SoundTagMaker::MakeStreamBlocks(
    const std::vector<std::vector<uint8_t>>& frames, uint32_t frameSamples, uint32_t swfFrameSamples) {
  std::vector<std::unique_ptr<SoundStreamBlockTag>> blocks;
  if (frameSamples == 0 || swfFrameSamples == 0) return blocks;
  size_t next = 0;
  int64_t budget = 0;
  int64_t expected = 0;  // samples due before the block
  int64_t emitted = 0;   // samples in the blocks before
  while (next < frames.size()) {
    budget += swfFrameSamples;
    std::vector<uint8_t> data(4, 0);
    uint32_t count = 0;
    while (next < frames.size() && budget >= frameSamples) {
      data.insert(data.end(), frames[next].begin(), frames[next].end());
      ++next;
      budget -= frameSamples;
      count += frameSamples;
    }
    const auto seek =
        static_cast<int16_t>(std::max<int64_t>(INT16_MIN, std::min<int64_t>(INT16_MAX, expected - emitted)));
    data[0] = static_cast<uint8_t>(count);
    data[1] = static_cast<uint8_t>(count >> 8);
    data[2] = static_cast<uint8_t>(static_cast<uint16_t>(seek));
    data[3] = static_cast<uint8_t>(static_cast<uint16_t>(seek) >> 8);
    auto block = std::make_unique<SoundStreamBlockTag>();
    block->data = SwfBytes(std::move(data));
    blocks.push_back(std::move(block));
    expected += swfFrameSamples;
    emitted += count;
  }
  return blocks;
}
