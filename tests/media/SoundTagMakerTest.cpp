// Sound files made into SWF sound tags: MP3 frame headers read by their tables, stream blocks
// that keep pace with the SWF frames, and tones imported as DefineSound and stream sound whose
// MP3 data decodes back to the tone's pitch and length.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/Bundle.h"
#include "host/MediaFile.h"
#include "media/Mp3Frames.h"
#include "media/SoundTagMaker.h"
#include "tests/media/MediaTestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

uint32_t Header(unsigned version, unsigned layer, unsigned bitrate, unsigned rate, unsigned padding) {
  return 0xFFE00000u | version << 19 | layer << 17 | 1u << 16 | bitrate << 12 | rate << 10 | padding << 9 | 0xC0u;
}

TEST(Mp3Frame, DataLengthByVersionRateAndPadding) {
  struct Case {
    uint32_t header;
    int length;
  } cases[] = {
      {Header(3, 1, 9, 0, 0), 413},  // MPEG-1, 128 kbit/s, 44100 Hz
      {Header(3, 1, 9, 0, 1), 414},
      {Header(3, 1, 14, 1, 0), 956},  // 320 kbit/s, 48000 Hz
      {Header(2, 1, 8, 0, 0), 204},   // MPEG-2, 64 kbit/s, 22050 Hz
      {Header(0, 1, 4, 0, 0), 204},   // MPEG-2.5, 32 kbit/s, 11025 Hz
      {Header(0, 1, 1, 2, 0), 68},    // 8 kbit/s, 8000 Hz
      // Reserved values are no frame header, and never divide by zero.
      {Header(1, 1, 9, 0, 0), -1},  // version
      {Header(3, 0, 9, 0, 0), -1},  // layer
      {Header(3, 2, 9, 0, 0), -1},  // Layer II
      {Header(3, 1, 0, 0, 0), -1},  // free bit rate
      {Header(3, 1, 15, 0, 0), -1},
      {Header(3, 1, 9, 3, 0), -1},  // sample rate
      {0x7FF00000u, -1},            // no sync
  };
  for (const Case& c : cases) EXPECT_EQ(Mp3Frame::DataLength(c.header), c.length) << std::hex << c.header;
  EXPECT_EQ(Mp3Frame::SampleRate(Header(0, 1, 4, 0, 0)), 11025u);
  EXPECT_EQ(Mp3Frame::SamplesPerFrame(Header(2, 1, 8, 0, 0)), 576u);
  EXPECT_EQ(Mp3Frame::SamplesPerFrame(Header(3, 1, 9, 0, 0)), 1152u);
}

void PutHeader(std::vector<uint8_t>& out, uint32_t h) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(h >> shift));
}

TEST(Mp3Frame, SkipsLeadingBytesAndReservedHeadersAndSplitsFrames) {
  std::vector<uint8_t> bytes = {1, 2, 3};
  PutHeader(bytes, Header(1, 1, 9, 0, 0));  // reserved: skipped as no sync
  const size_t first = bytes.size();
  PutHeader(bytes, Header(3, 1, 9, 0, 0));
  bytes.insert(bytes.end(), 413, 0x11);
  PutHeader(bytes, Header(3, 1, 9, 0, 1));
  bytes.insert(bytes.end(), 414, 0x22);

  Mp3Frame frame;
  size_t offset = 0;
  ASSERT_TRUE(frame.Read(bytes.data(), bytes.size(), offset));
  EXPECT_EQ(offset, first);
  EXPECT_EQ(frame.header, Header(3, 1, 9, 0, 0));
  ASSERT_EQ(frame.data.size(), 413u);
  EXPECT_EQ(frame.data.front(), 0x11);  // the data after its own header

  std::vector<Mp3Frame> frames;
  EXPECT_TRUE(SplitMp3Frames(frames, bytes.data(), bytes.size()));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].data.size(), 414u);
  EXPECT_EQ(frames[1].data.back(), 0x22);

  // A frame cut short is not taken; the frames before it are kept.
  frames.clear();
  EXPECT_FALSE(SplitMp3Frames(frames, bytes.data(), bytes.size() - 1));
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_FALSE(frame.Read(bytes.data(), 3, offset));
}

TEST(SoundTagMaker, StreamBlocksKeepPaceWithTheFrames) {
  // 12 fps at 22050 Hz: 1837 samples a SWF frame, MP3 frames of 576.
  const std::vector<std::vector<uint8_t>> frames(40, std::vector<uint8_t>{0xAB});
  const auto blocks = SoundTagMaker::MakeStreamBlocks(frames, 576, 1837);
  const uint16_t counts[] = {1728, 1728, 1728, 1728, 1728, 2304};
  const int16_t seeks[] = {0, 109, 218, 327, 436, 545};
  ASSERT_GE(blocks.size(), 6u);
  uint64_t total = 0;
  size_t frameBytes = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    const SwfBytes& d = blocks[i]->data;
    ASSERT_GE(d.size(), 4u);
    const uint16_t count = static_cast<uint16_t>(d[0] | d[1] << 8);
    const auto seek = static_cast<int16_t>(d[2] | d[3] << 8);
    if (i < 6) {
      EXPECT_EQ(count, counts[i]) << i;
      EXPECT_EQ(seek, seeks[i]) << i;
    }
    EXPECT_EQ(d.size() - 4, count / 576u) << i;
    // Never more than one MP3 frame behind the SWF frames.
    EXPECT_LT(seek, 576) << i;
    total += count;
    frameBytes += d.size() - 4;
  }
  EXPECT_EQ(total, 40u * 576);
  EXPECT_EQ(frameBytes, 40u);
  EXPECT_EQ(blocks.size(), 13u);  // 40 x 576 samples need 12.5 SWF frames
}

std::string WriteTone(const std::string& path, uint32_t rate, uint32_t channels, double seconds) {
  std::vector<int16_t> samples;
  const auto frames = static_cast<size_t>(std::lround(seconds * rate));
  for (size_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * kPi * 440 * static_cast<double>(i) / rate)));
    for (uint32_t c = 0; c < channels; ++c) samples.push_back(v);
  }
  std::string f = "RIFF";
  auto put = [&f](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.push_back(static_cast<char>(v >> (8 * i)));
  };
  put(static_cast<uint32_t>(36 + samples.size() * 2), 4);
  f += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * channels * 2, 4);
  put(channels * 2, 2);
  put(16, 2);
  f += "data";
  put(static_cast<uint32_t>(samples.size() * 2), 4);
  for (int16_t s : samples) put(static_cast<uint16_t>(s), 2);
  std::ofstream(path, std::ios::binary).write(f.data(), static_cast<std::streamsize>(f.size()));
  return path;
}

// Sign changes a second in the middle of the first channel.
double CrossingsPerSecond(const host::av::DecodedSound& sound) {
  const uint64_t from = sound.Frames() / 5, to = sound.Frames() - sound.Frames() / 5;
  int crossings = 0, previous = 0;
  for (uint64_t i = from; i < to; ++i) {
    const int v = sound.samples[i * sound.channels];
    const int sign = v > 1000 ? 1 : v < -1000 ? -1 : 0;
    if (sign != 0 && previous != 0 && sign != previous) ++crossings;
    if (sign != 0) previous = sign;
  }
  return crossings * static_cast<double>(sound.rate) / static_cast<double>(to - from);
}

host::av::DecodedSound DecodeMp3(const mediatest::ScratchDir& dir, const std::vector<uint8_t>& mp3, uint32_t rate,
                                 uint32_t channels) {
  const std::string path = dir.Path("out.mp3");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
  host::av::DecodedSound sound;
  std::string error;
  EXPECT_TRUE(host::av::DecodeSound(path, rate, channels, 0, sound, error)) << error;
  return sound;
}

struct ImportCase {
  uint32_t sourceRate;
  uint32_t sourceChannels;
  uint8_t rateCode;
  bool stereo;
  uint8_t flags;
};

class SoundImport : public ::testing::TestWithParam<ImportCase> {};

TEST_P(SoundImport, DefineSoundDecodesToTheTone) {
  const ImportCase c = GetParam();
  mediatest::ScratchDir dir;
  const std::string wav = WriteTone(dir.Path("tone.wav"), c.sourceRate, c.sourceChannels, 1.0);
  Mp3Encoder encoder;
  SoundTagMaker maker(encoder);
  SoundSettings settings;
  settings.rateCode = c.rateCode;
  settings.stereo = c.stereo;
  settings.kbitsPerSecond = c.rateCode == 3 ? 128 : 64;
  const auto tag = maker.MakeDefineSound(wav, settings);
  ASSERT_NE(tag, nullptr) << maker.Error();
  const uint32_t rate = SoundTagMaker::RateOfCode(c.rateCode);
  EXPECT_EQ(tag->flags, c.flags);
  EXPECT_EQ(tag->sampleCount, rate);  // sample frames of one second, stereo or not
  ASSERT_GT(tag->data.size(), 2u);
  EXPECT_EQ(tag->data[0], 0);
  EXPECT_EQ(tag->data[1], 0);
  const std::vector<uint8_t> mp3(tag->data.begin() + 2, tag->data.end());
  const auto decoded = DecodeMp3(dir, mp3, rate, c.stereo ? 2 : 1);
  EXPECT_EQ(decoded.sourceRate, rate);
  EXPECT_EQ(decoded.sourceChannels, c.stereo ? 2u : 1u);
  // One second plus the encoder's delay and its last frame.
  EXPECT_GE(decoded.Frames(), rate);
  EXPECT_LE(decoded.Frames(), rate + 1105 + 2 * 1152);
  EXPECT_NEAR(CrossingsPerSecond(decoded), 880.0, 12.0);
}

INSTANTIATE_TEST_SUITE_P(RatesAndChannels, SoundImport,
                         ::testing::Values(ImportCase{44100, 1, 2, false, 0x2A}, ImportCase{44100, 2, 3, true, 0x2F},
                                           ImportCase{8000, 1, 1, true, 0x27}, ImportCase{48000, 2, 2, false, 0x2A}));

TEST(SoundImport, StreamSoundBlocksHoldTheWholeSound) {
  mediatest::ScratchDir dir;
  const std::string wav = WriteTone(dir.Path("tone.wav"), 22050, 1, 1.0);
  Mp3Encoder encoder;
  SoundTagMaker maker(encoder);
  SoundSettings settings;
  settings.rateCode = 2;
  settings.kbitsPerSecond = 64;
  std::vector<std::unique_ptr<SoundStreamBlockTag>> blocks;
  const auto head = maker.MakeSoundStreamHead(wav, settings, blocks);
  ASSERT_NE(head, nullptr) << maker.Error();
  EXPECT_EQ(head->streamByte, 0x2A);
  EXPECT_EQ(head->playbackByte, 0x2A);
  EXPECT_EQ(head->sampleCount, 1837);
  EXPECT_EQ(head->trailing, (std::vector<uint8_t>{0, 0}));
  std::vector<uint8_t> mp3;
  uint64_t samples = 0;
  for (const auto& block : blocks) {
    samples += static_cast<uint64_t>(block->data[0] | block->data[1] << 8);
    mp3.insert(mp3.end(), block->data.begin() + 4, block->data.end());
  }
  std::vector<Mp3Frame> frames;
  ASSERT_TRUE(SplitMp3Frames(frames, mp3.data(), mp3.size()));
  EXPECT_EQ(samples, frames.size() * 576);
  EXPECT_GE(samples, 22050u);
  EXPECT_NEAR(static_cast<double>(blocks.size()), samples / 1837.0, 1.0);
  const auto decoded = DecodeMp3(dir, mp3, 22050, 1);
  EXPECT_EQ(decoded.Frames(), samples);
  EXPECT_NEAR(CrossingsPerSecond(decoded), 880.0, 12.0);
}

TEST(SoundImport, RefusesWhatTheTagsCannotHold) {
  mediatest::ScratchDir dir;
  const std::string wav = WriteTone(dir.Path("tone.wav"), 22050, 1, 0.2);
  Mp3Encoder encoder;
  SoundTagMaker maker(encoder);
  std::vector<std::unique_ptr<SoundStreamBlockTag>> blocks;
  SoundSettings settings;
  settings.rateCode = 0;  // MP3 has no 5.5 kHz
  EXPECT_EQ(maker.MakeDefineSound(wav, settings), nullptr);
  EXPECT_FALSE(maker.Error().empty());
  settings.rateCode = 2;
  settings.frameRate = 0;
  EXPECT_EQ(maker.MakeSoundStreamHead(wav, settings, blocks), nullptr);
  EXPECT_FALSE(maker.Error().empty());
  settings.frameRate = 12;
  settings.formatChoice = 5;
  EXPECT_EQ(maker.MakeDefineSound(wav, settings), nullptr);
  settings.formatChoice = 2;
  EXPECT_EQ(maker.MakeDefineSound(dir.Path("missing.wav"), settings), nullptr);
  EXPECT_FALSE(maker.Error().empty());
  // Formats other than MP3 carry their fields and no sound.
  settings.formatChoice = 4;
  const auto other = maker.MakeDefineSound(wav, settings);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->flags >> 4, 6);
  EXPECT_EQ(other->data.size(), 0u);
}

TEST(SoundImport, MissingEncoderBundleIsAClearError) {
  mediatest::ScratchDir dir;
  const std::string wav = WriteTone(dir.Path("tone.wav"), 22050, 1, 0.2);
  std::filesystem::create_directories(dir.Path("Plenwick.app/Resources"));
  host::bundle::SetBundlePathForTesting(dir.Path("Plenwick.app"));
  Mp3Encoder encoder;
  SoundTagMaker maker(encoder);
  EXPECT_EQ(maker.MakeDefineSound(wav, SoundSettings{}), nullptr);
  EXPECT_NE(maker.Error().find("lame_encU.bundle"), std::string::npos) << maker.Error();
  EXPECT_EQ(encoder.ErrorCode(), Mp3Encoder::kNotLoaded);
  host::bundle::SetBundlePathForTesting("");
}

}  // namespace
