// Sound written as AIFF and AIFC files, and a movie's sound exported through them: the files
// read back with FFmpeg give the very samples written, in the byte order their format names,
// at the rate and channel count written; a duration limit keeps the start; a cancelled or
// failed export leaves no file behind and an existing one as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/MediaFile.h"
#include "media/AiffWriter.h"
#include "media/QuickTimeMovie.h"
#include "tests/media/MediaFixtures.h"
#include "tests/media/MediaTestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A tone on the left, another on the right, with a sample whose two bytes differ at the start
// of each channel, so that swapped bytes or channels can't pass for the samples written.
std::vector<int16_t> Tone(uint32_t rate, uint32_t channels, double seconds) {
  std::vector<int16_t> samples;
  const auto frames = static_cast<size_t>(std::lround(seconds * rate));
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    samples.push_back(i == 0 ? int16_t{0x1234}
                             : static_cast<int16_t>(std::lround(11000 * std::sin(2 * kPi * 440 * t))));
    if (channels == 2) {
      samples.push_back(i == 0 ? int16_t{-0x0F02}
                               : static_cast<int16_t>(std::lround(5000 * std::sin(2 * kPi * 660 * t))));
    }
  }
  return samples;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t Big32(const std::string& b, size_t at) {
  return uint32_t{static_cast<uint8_t>(b[at])} << 24 | uint32_t{static_cast<uint8_t>(b[at + 1])} << 16 |
         uint32_t{static_cast<uint8_t>(b[at + 2])} << 8 | static_cast<uint8_t>(b[at + 3]);
}

// A little-endian 16-bit PCM WAV file of the samples.
std::string WriteWav(const std::string& path, uint32_t rate, uint32_t channels, const std::vector<int16_t>& samples) {
  std::string f = "RIFF";
  auto put = [&f](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  put(36 + dataBytes, 4);
  f += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * channels * 2, 4);
  put(channels * 2, 2);
  put(16, 2);
  f += "data";
  put(dataBytes, 4);
  for (int16_t s : samples) put(static_cast<uint16_t>(s), 2);
  std::ofstream(path, std::ios::binary).write(f.data(), static_cast<std::streamsize>(f.size()));
  return path;
}

TEST(AiffWriter, RateIsAnExactExtendedNumber) {
  // Rates of 32768 Hz and above would not fit a signed 16.16 number.
  const struct {
    uint32_t rate;
    uint8_t bytes[4];
  } cases[] = {
      {44100, {0x40, 0x0E, 0xAC, 0x44}}, {48000, {0x40, 0x0E, 0xBB, 0x80}}, {22050, {0x40, 0x0D, 0xAC, 0x44}},
      {8000, {0x40, 0x0B, 0xFA, 0x00}},  {1, {0x3F, 0xFF, 0x80, 0x00}},     {96000, {0x40, 0x0F, 0xBB, 0x80}},
  };
  for (const auto& c : cases) {
    const auto e = AiffWriter::ExtendedRate(c.rate);
    EXPECT_EQ(std::vector<uint8_t>(e.begin(), e.begin() + 4), std::vector<uint8_t>(c.bytes, c.bytes + 4)) << c.rate;
    EXPECT_EQ(std::vector<uint8_t>(e.begin() + 4, e.end()), std::vector<uint8_t>(6, 0)) << c.rate;
  }
}

struct RoundTrip {
  AiffSampleFormat format;
  uint32_t channels;
  uint32_t rate;
};

class AiffRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(AiffRoundTrip, FfmpegReadsBackTheSamplesWritten) {
  const RoundTrip c = GetParam();
  const bool little = c.format == AiffSampleFormat::kLittleEndian;
  mediatest::ScratchDir dir;
  const std::string path = dir.Path("tone.aif");
  const auto samples = Tone(c.rate, c.channels, 0.3);
  AiffWriter writer;
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), c.format, c.channels, c.rate)) << writer.Error();
  // In two calls, the first of an odd number of sample frames.
  const size_t first = 7 * c.channels;
  ASSERT_TRUE(writer.Write(samples.data(), first)) << writer.Error();
  ASSERT_TRUE(writer.Write(samples.data() + first, samples.size() - first)) << writer.Error();
  EXPECT_FALSE(std::filesystem::exists(path));  // not before it is finished
  ASSERT_TRUE(writer.Finish()) << writer.Error();

  const std::string bytes = ReadAll(path);
  ASSERT_GE(bytes.size(), 12u);
  EXPECT_EQ(bytes.substr(0, 4), "FORM");
  EXPECT_EQ(Big32(bytes, 4), bytes.size() - 8);
  EXPECT_EQ(bytes.substr(8, 4), little ? "AIFC" : "AIFF");
  const size_t comm = bytes.find("COMM");
  ASSERT_NE(comm, std::string::npos);
  EXPECT_EQ(Big32(bytes, comm + 10), samples.size() / c.channels);  // sample frames
  if (little) {
    EXPECT_EQ(bytes.substr(comm + 26, 4), "sowt");
  }
  const size_t ssnd = bytes.find("SSND");
  ASSERT_NE(ssnd, std::string::npos);
  EXPECT_EQ(Big32(bytes, ssnd + 4), 8 + samples.size() * 2);
  ASSERT_EQ(bytes.size(), ssnd + 16 + samples.size() * 2);
  // The first sample, 0x1234, in the byte order of the format.
  EXPECT_EQ(static_cast<uint8_t>(bytes[ssnd + 16]), little ? 0x34 : 0x12);
  EXPECT_EQ(static_cast<uint8_t>(bytes[ssnd + 17]), little ? 0x12 : 0x34);

  host::av::SoundDescription description;
  std::string error;
  ASSERT_TRUE(host::av::DescribeSound(path, description, error)) << error;
  EXPECT_EQ(description.channels, c.channels);
  EXPECT_EQ(description.rate, c.rate);
  EXPECT_EQ(description.bitsPerSample, 16u);
  host::av::DecodedSound decoded;
  ASSERT_TRUE(host::av::DecodeSound(path, c.rate, c.channels, 0, decoded, error)) << error;
  EXPECT_EQ(decoded.sourceRate, c.rate);
  EXPECT_EQ(decoded.sourceChannels, c.channels);
  EXPECT_EQ(decoded.samples, samples);
}

INSTANTIATE_TEST_SUITE_P(FormatsRatesAndChannels, AiffRoundTrip,
                         ::testing::Values(RoundTrip{AiffSampleFormat::kBigEndian, 1, 44100},
                                           RoundTrip{AiffSampleFormat::kBigEndian, 2, 48000},
                                           RoundTrip{AiffSampleFormat::kLittleEndian, 2, 22050},
                                           RoundTrip{AiffSampleFormat::kLittleEndian, 1, 11025}),
                         [](const auto& info) {
                           const RoundTrip& c = info.param;
                           return std::string(c.format == AiffSampleFormat::kLittleEndian ? "Little" : "Big") +
                                  std::to_string(c.channels) + "ch" + std::to_string(c.rate) + "Hz";
                         });

TEST(AiffWriter, RefusesWhatItCannotWriteAndLeavesNoFile) {
  mediatest::ScratchDir dir;
  const std::string path = dir.Path("out.aif");
  AiffWriter writer;
  EXPECT_FALSE(writer.Open(Utf8ToWide(path), AiffSampleFormat::kBigEndian, 0, 22050));
  EXPECT_FALSE(writer.Error().empty());
  EXPECT_FALSE(writer.Open(Utf8ToWide(path), AiffSampleFormat::kBigEndian, 1, 0));
  EXPECT_FALSE(writer.Open(Utf8ToWide(dir.Path("no/such/folder/out.aif")), AiffSampleFormat::kBigEndian, 1, 22050));
  EXPECT_FALSE(writer.Error().empty());

  // Half a sample frame fails the writer, and the file is not made.
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), AiffSampleFormat::kBigEndian, 2, 22050));
  const int16_t three[3] = {1, 2, 3};
  EXPECT_FALSE(writer.Write(three, 3));
  EXPECT_FALSE(writer.Finish());
  EXPECT_FALSE(std::filesystem::exists(path));

  // Aborted, or dropped unfinished: the file there before stays as it was.
  std::ofstream(path) << "before";
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), AiffSampleFormat::kBigEndian, 1, 22050));
  ASSERT_TRUE(writer.Write(three, 3));
  writer.Abort();
  {
    AiffWriter dropped;
    ASSERT_TRUE(dropped.Open(Utf8ToWide(path), AiffSampleFormat::kLittleEndian, 1, 22050));
    ASSERT_TRUE(dropped.Write(three, 3));
  }
  EXPECT_EQ(ReadAll(path), "before");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 1);
}

struct ExportCase {
  uint32_t rate;
  uint32_t channels;
  OSType type;
  int64_t milliseconds;
};

class MovieSoundExport : public ::testing::TestWithParam<ExportCase> {};

TEST_P(MovieSoundExport, WritesTheSoundAtItsOwnRateAndChannels) {
  const ExportCase c = GetParam();
  mediatest::ScratchDir dir;
  const auto samples = Tone(c.rate, c.channels, 1.0);
  const std::string wav = WriteWav(dir.Path("tone.wav"), c.rate, c.channels, samples);
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.OpenSound(Utf8ToWide(wav))) << movie.SoundError();
  EXPECT_FALSE(movie.HasVisualTrack());
  EXPECT_EQ(movie.GetDuration(), QuickTimeMovie::kTimeScale);
  host::av::SoundDescription description;
  ASSERT_TRUE(movie.GetSoundDescription(description));
  EXPECT_EQ(description.channels, c.channels);
  EXPECT_EQ(description.rate, c.rate);
  EXPECT_EQ(description.bitsPerSample, 16u);

  const std::string aiff = dir.Path("out.aif");
  std::vector<int> percents;
  ASSERT_TRUE(movie.ExportSound(Utf8ToWide(aiff), c.type, c.milliseconds, [&](int p) {
    percents.push_back(p);
    return true;
  })) << movie.SoundError();
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

  const std::string bytes = ReadAll(aiff);
  EXPECT_EQ(bytes.substr(8, 4), c.type == MakeFourCC("AIFC") ? "AIFC" : "AIFF");
  host::av::DecodedSound decoded;
  std::string error;
  ASSERT_TRUE(host::av::DecodeSound(aiff, c.rate, c.channels, 0, decoded, error)) << error;
  EXPECT_EQ(decoded.sourceRate, c.rate);
  EXPECT_EQ(decoded.sourceChannels, c.channels);
  const size_t frames = c.milliseconds > 0 ? static_cast<size_t>(c.rate * c.milliseconds / 1000) : c.rate;
  ASSERT_EQ(decoded.Frames(), frames);
  EXPECT_TRUE(std::equal(decoded.samples.begin(), decoded.samples.end(), samples.begin()));
}

INSTANTIATE_TEST_SUITE_P(RatesChannelsTypesAndLimits, MovieSoundExport,
                         ::testing::Values(ExportCase{44100, 2, MakeFourCC("AIFF"), 0},
                                           ExportCase{48000, 1, MakeFourCC("AIFC"), 0},
                                           ExportCase{22050, 2, MakeFourCC("AIFC"), 200},
                                           ExportCase{11025, 1, MakeFourCC("AIFF"), 400}),
                         [](const auto& info) {
                           const ExportCase& c = info.param;
                           return std::to_string(c.rate) + "Hz" + std::to_string(c.channels) + "ch" +
                                  (c.type == MakeFourCC("AIFC") ? "Aifc" : "Aiff") + std::to_string(c.milliseconds) +
                                  "ms";
                         });

TEST(MovieSoundExport, SoundOfAMovieContainerAndMovieWithoutSound) {
  mediatest::ScratchDir dir;
  // The sound of a movie file written by FFmpeg (8000 Hz mono, one second).
  const std::string mkv = dir.Path("sound.mkv");
  ASSERT_TRUE(mediatest::WriteSound(mkv, "matroska", "pcm_s16le"));
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(mkv)));
  host::av::SoundDescription description;
  ASSERT_TRUE(movie.GetSoundDescription(description));
  EXPECT_EQ(description.rate, 8000u);
  EXPECT_EQ(description.channels, 1u);
  const std::string aiff = dir.Path("out.aif");
  ASSERT_TRUE(movie.ExportSound(Utf8ToWide(aiff), MakeFourCC("AIFF"), 0)) << movie.SoundError();
  host::av::DecodedSound decoded;
  std::string error;
  ASSERT_TRUE(host::av::DecodeSound(aiff, 8000, 1, 0, decoded, error)) << error;
  EXPECT_NEAR(static_cast<double>(decoded.Frames()), 8000, 1024);

  // A sound file opens for its sound alone; a type with no exporter writes nothing.
  const std::string wav = dir.Path("x.wav");
  ASSERT_TRUE(mediatest::WriteSound(wav, "wav", "pcm_s16le"));
  QuickTimeMovie sound;
  ASSERT_TRUE(sound.OpenSound(Utf8ToWide(wav))) << sound.SoundError();
  EXPECT_FALSE(sound.ExportSound(Utf8ToWide(dir.Path("x.mp3")), MakeFourCC("MPG3"), 0));
  EXPECT_FALSE(sound.SoundError().empty());
  EXPECT_FALSE(std::filesystem::exists(dir.Path("x.mp3")));

  // A picture has no sound to describe or export.
  const std::string png = dir.Path("x.png");
  ASSERT_TRUE(mediatest::WriteMedia(png, {"image2pipe", "png", AV_PIX_FMT_RGB24}, 4, 4,
                                    {mediatest::Solid(4, 4, {10, 20, 30, 255})}));
  QuickTimeMovie picture;
  ASSERT_TRUE(picture.Open(Utf8ToWide(png)));
  EXPECT_FALSE(picture.GetSoundDescription(description));
  EXPECT_FALSE(picture.ExportSound(Utf8ToWide(dir.Path("p.aif")), MakeFourCC("AIFF"), 0));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("p.aif")));
  EXPECT_FALSE(picture.OpenSound(Utf8ToWide(png)));
  QuickTimeMovie none;
  EXPECT_FALSE(none.GetSoundDescription(description));
  EXPECT_FALSE(none.ExportSound(Utf8ToWide(aiff), MakeFourCC("AIFF"), 0));
  EXPECT_FALSE(none.OpenSound(Utf8ToWide(dir.Path("missing.wav"))));
}

TEST(MovieSoundExport, CancelLeavesNoFileAndTheOldOneAsItWas) {
  mediatest::ScratchDir dir;
  const std::string wav = WriteWav(dir.Path("tone.wav"), 44100, 2, Tone(44100, 2, 2.0));
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.OpenSound(Utf8ToWide(wav)));
  for (int stopAt : {1, 3, 1000}) {
    const std::string aiff = dir.Path("out" + std::to_string(stopAt) + ".aif");
    int calls = 0;
    const bool ok = movie.ExportSound(Utf8ToWide(aiff), MakeFourCC("AIFF"), 0, [&](int) { return ++calls < stopAt; });
    if (stopAt == 1000) {
      EXPECT_TRUE(ok);
      EXPECT_TRUE(std::filesystem::exists(aiff));
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(movie.SoundError(), "cancelled");
    EXPECT_EQ(calls, stopAt);
    EXPECT_FALSE(std::filesystem::exists(aiff));
  }
  const std::string old = dir.Path("old.aif");
  std::ofstream(old) << "before";
  EXPECT_FALSE(movie.ExportSound(Utf8ToWide(old), MakeFourCC("AIFF"), 0, [](int p) { return p < 50; }));
  EXPECT_EQ(ReadAll(old), "before");
  // Only the source, the finished export and the old file are left: no temporary files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 3);
}

}  // namespace
