// The MP3 encoder bundle: tones encoded through it decode back (with FFmpeg's own decoder)
// close to the source, and a missing, damaged or incomplete bundle is a clear error.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/Bundle.h"
#include "host/MediaFile.h"
#include "media/Mp3Encoder.h"
#include "platform/WideString.h"
#include "tests/media/MediaTestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

host::av::DecodedSound Tone(uint32_t rate, uint32_t channels, double seconds) {
  host::av::DecodedSound sound;
  sound.rate = rate;
  sound.channels = channels;
  const auto frames = static_cast<size_t>(std::lround(seconds * rate));
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    sound.samples.push_back(static_cast<int16_t>(std::lround(10000 * std::sin(2 * kPi * 440 * t))));
    if (channels == 2) sound.samples.push_back(static_cast<int16_t>(std::lround(6000 * std::sin(2 * kPi * 660 * t))));
  }
  return sound;
}

std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// The signal-to-noise ratio (dB) of the decoded sound against the source, at the delay (in
// frames) that matches them best (the encoder and decoder add a delay of their own) and with
// the decoded level scaled to the source's (the encoder lowers the level a little).
double BestSnr(const host::av::DecodedSound& source, const host::av::DecodedSound& decoded, size_t& delay,
               double& gain) {
  const size_t c = source.channels;
  const size_t frames = source.Frames();
  double best = -1e9;
  for (size_t d = 0; d < 3000; ++d) {
    double ss = 0, dd = 0, sd = 0;
    for (size_t i = frames / 10; i < frames - frames / 10; ++i) {
      if (i + d >= decoded.Frames()) break;
      for (size_t k = 0; k < c; ++k) {
        const double s = source.samples[i * c + k];
        const double e = decoded.samples[(i + d) * c + k];
        ss += s * s;
        dd += e * e;
        sd += s * e;
      }
    }
    if (ss <= 0 || dd <= 0) continue;
    const double g = sd / dd;
    const double noise = ss - 2 * g * sd + g * g * dd;
    const double snr = 10 * std::log10(ss / std::max(noise, 1.0));
    if (snr > best) {
      best = snr;
      delay = d;
      gain = 1 / g;
    }
  }
  return best;
}

struct EncodeCase {
  uint32_t rate;
  uint32_t channels;
  uint32_t kbits;
};

class Mp3EncodeTones : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Mp3EncodeTones, DecodeCloseToTheSource) {
  const EncodeCase c = GetParam();
  Mp3Encoder encoder;
  ASSERT_TRUE(encoder.LoadEncoder()) << encoder.ErrorText();
  EXPECT_EQ(encoder.Version().encoderMajor, 3);
  const auto source = Tone(c.rate, c.channels, 1.0);
  std::vector<uint8_t> mp3;
  std::string error;
  int lastPercent = -1;
  bool rising = true;
  ASSERT_TRUE(encoder.Encode(source, c.kbits, mp3, error, [&](int percent) {
    rising = rising && percent >= lastPercent;
    lastPercent = percent;
    return true;
  })) << error;
  EXPECT_TRUE(rising);
  EXPECT_EQ(lastPercent, 100);
  ASSERT_GE(mp3.size(), 4u);
  EXPECT_EQ(mp3[0], 0xFF);
  EXPECT_EQ(mp3[1] & 0xE0, 0xE0);  // a frame header at the very start
  // Constant bit rate: the size follows the rate, within a few frames.
  EXPECT_NEAR(static_cast<double>(mp3.size()), c.kbits * 1000.0 / 8, c.kbits * 1000.0 / 8 * 0.15);
  EXPECT_EQ(encoder.SamplesPerChunk(), (c.rate >= 32000 ? 1152u : 576u) * c.channels);

  mediatest::ScratchDir dir;
  host::av::DecodedSound decoded;
  ASSERT_TRUE(host::av::DecodeSound(WriteFile(dir.Path("tone.mp3"), mp3), c.rate, c.channels, 0, decoded, error))
      << error;
  EXPECT_EQ(decoded.sourceRate, c.rate);
  EXPECT_EQ(decoded.sourceChannels, c.channels);
  size_t delay = 0;
  double gain = 0;
  const double snr = BestSnr(source, decoded, delay, gain);
  // A pure tone keeps above 40 dB; swapped channels, a wrong rate or byte-swapped samples
  // come out near or below 0 dB.
  EXPECT_GT(snr, 40.0) << "delay " << delay;
  EXPECT_LT(delay, 2500u);
  EXPECT_NEAR(gain, 0.95, 0.04);
}

INSTANTIATE_TEST_SUITE_P(RatesAndChannels, Mp3EncodeTones,
                         ::testing::Values(EncodeCase{44100, 2, 128}, EncodeCase{44100, 1, 96},
                                           EncodeCase{22050, 1, 64}, EncodeCase{22050, 2, 64}, EncodeCase{11025, 1, 32},
                                           EncodeCase{11025, 2, 48}));

TEST(Mp3Encoder, MissingDamagedOrIncompleteBundlesAreClearErrors) {
  mediatest::ScratchDir dir;
  std::filesystem::create_directories(dir.Path("Plenwick.app/Resources"));
  host::bundle::SetBundlePathForTesting(dir.Path("Plenwick.app"));
  Mp3Encoder encoder;
  EXPECT_FALSE(encoder.LoadEncoder());
  EXPECT_EQ(encoder.ErrorCode(), Mp3Encoder::kNotLoaded);
  EXPECT_NE(encoder.ErrorText().find("lame_encU.bundle"), std::string::npos) << encoder.ErrorText();

  const std::string bundle = dir.Path("Plenwick.app/Resources/lame_encU.bundle");
  std::ofstream(bundle) << "not a shared library";
  EXPECT_FALSE(encoder.LoadEncoder());
  EXPECT_EQ(encoder.ErrorCode(), Mp3Encoder::kNotLoaded);

  // A real shared library without the entry points.
  std::filesystem::copy_file("/usr/lib/x86_64-linux-gnu/libz.so.1", bundle,
                             std::filesystem::copy_options::overwrite_existing);
  EXPECT_FALSE(encoder.LoadEncoder());
  EXPECT_EQ(encoder.ErrorCode(), Mp3Encoder::kMissingEntryPoint);
  EXPECT_NE(encoder.ErrorText().find("beInitStream"), std::string::npos) << encoder.ErrorText();
  host::bundle::SetBundlePathForTesting("");

  std::vector<uint8_t> mp3{1, 2, 3};
  std::string error;
  EXPECT_FALSE(encoder.Encode(Tone(22050, 1, 0.1), 64, mp3, error));
  EXPECT_TRUE(mp3.empty());
  EXPECT_FALSE(error.empty());
}

TEST(Mp3Encoder, RefusesWhatMp3CannotHoldAndStopsWhenCancelled) {
  Mp3Encoder encoder;
  ASSERT_TRUE(encoder.LoadEncoder()) << encoder.ErrorText();
  std::vector<uint8_t> mp3;
  std::string error;
  EXPECT_FALSE(encoder.Encode(Tone(5512, 1, 0.1), 32, mp3, error));  // below MP3's lowest rate
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(encoder.Encode(Tone(22050, 1, 0.1), 0, mp3, error));
  host::av::DecodedSound odd = Tone(22050, 2, 0.1);
  odd.samples.pop_back();
  EXPECT_FALSE(encoder.Encode(odd, 64, mp3, error));

  int calls = 0;
  EXPECT_FALSE(encoder.Encode(Tone(22050, 1, 1.0), 64, mp3, error, [&](int) { return ++calls < 3; }));
  EXPECT_EQ(error, "cancelled");
  EXPECT_TRUE(mp3.empty());
  EXPECT_EQ(calls, 3);
}

}  // namespace
