// Sounds decoded through FFmpeg to 16-bit samples: tones written by the test in little- and
// big-endian files at several rates and channel counts come out with their pitch, loudness and
// length, and files that are not sound, or too long, are refused.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/MediaFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace {

class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-sound-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

constexpr double kPi = 3.14159265358979323846;

// A tone: `frequency` Hz on the left (amplitude `amplitude`), half as loud on the right.
std::vector<int16_t> Tone(uint32_t rate, uint32_t channels, double seconds, double frequency = 440.0,
                          double amplitude = 12000.0) {
  const auto frames = static_cast<size_t>(std::lround(seconds * rate));
  std::vector<int16_t> samples;
  for (size_t i = 0; i < frames; ++i) {
    const double v = amplitude * std::sin(2 * kPi * frequency * static_cast<double>(i) / rate);
    samples.push_back(static_cast<int16_t>(std::lround(v)));
    if (channels == 2) samples.push_back(static_cast<int16_t>(std::lround(v / 2)));
  }
  return samples;
}

void Put(std::string& out, uint64_t value, int bytes, bool bigEndian) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

std::string Wav(uint32_t rate, uint32_t channels, const std::vector<int16_t>& samples) {
  std::string f = "RIFF";
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  Put(f, 36 + dataBytes, 4, false);
  f += "WAVEfmt ";
  Put(f, 16, 4, false);
  Put(f, 1, 2, false);
  Put(f, channels, 2, false);
  Put(f, rate, 4, false);
  Put(f, rate * channels * 2, 4, false);
  Put(f, channels * 2, 2, false);
  Put(f, 16, 2, false);
  f += "data";
  Put(f, dataBytes, 4, false);
  for (int16_t s : samples) Put(f, static_cast<uint16_t>(s), 2, false);
  return f;
}

// The rate as an 80-bit IEEE extended number, as AIFF stores it.
void PutExtended(std::string& out, uint32_t rate) {
  int top = 31;
  while ((rate >> top) == 0) --top;
  Put(out, static_cast<uint64_t>(16383 + top), 2, true);
  Put(out, uint64_t{rate} << (63 - top), 8, true);
}

std::string Aiff(uint32_t rate, uint32_t channels, const std::vector<int16_t>& samples) {
  std::string comm = "COMM";
  Put(comm, 18, 4, true);
  Put(comm, channels, 2, true);
  Put(comm, samples.size() / channels, 4, true);
  Put(comm, 16, 2, true);
  PutExtended(comm, rate);
  std::string ssnd = "SSND";
  Put(ssnd, 8 + samples.size() * 2, 4, true);
  Put(ssnd, 0, 4, true);
  Put(ssnd, 0, 4, true);
  for (int16_t s : samples) Put(ssnd, static_cast<uint16_t>(s), 2, true);
  std::string f = "FORM";
  Put(f, 4 + comm.size() + ssnd.size(), 4, true);
  return f + "AIFF" + comm + ssnd;
}

std::string Write(const Scratch& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir.Path(name);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Sign changes of one channel, and its RMS level, over the middle of the sound (the ends are
// left out for the resampler's edges).
struct Measure {
  int crossings = 0;
  double rms = 0;
  double seconds = 0;
};
Measure Channel(const host::av::DecodedSound& sound, uint32_t channel) {
  Measure m;
  const uint64_t frames = sound.Frames();
  const uint64_t from = frames / 10, to = frames - frames / 10;
  double sum = 0;
  int previous = 0;
  for (uint64_t i = from; i < to; ++i) {
    const int v = sound.samples[i * sound.channels + channel];
    sum += static_cast<double>(v) * v;
    const int sign = v > 0 ? 1 : v < 0 ? -1 : 0;
    if (sign != 0 && previous != 0 && sign != previous) ++m.crossings;
    if (sign != 0) previous = sign;
  }
  m.rms = std::sqrt(sum / static_cast<double>(to - from));
  m.seconds = static_cast<double>(to - from) / sound.rate;
  return m;
}

struct ToneCase {
  const char* container;
  uint32_t sourceRate;
  uint32_t sourceChannels;
  uint32_t outRate;
  uint32_t outChannels;
};

class SoundDecodeTones : public ::testing::TestWithParam<ToneCase> {};

TEST_P(SoundDecodeTones, KeepPitchLoudnessAndLength) {
  const ToneCase c = GetParam();
  Scratch dir;
  const double seconds = 0.5;
  const auto samples = Tone(c.sourceRate, c.sourceChannels, seconds);
  const std::string container = c.container;
  const std::string bytes =
      container == "wav" ? Wav(c.sourceRate, c.sourceChannels, samples) : Aiff(c.sourceRate, c.sourceChannels, samples);
  const std::string path = Write(dir, "tone." + container, bytes);

  host::av::DecodedSound sound;
  std::string error;
  ASSERT_TRUE(host::av::DecodeSound(path, c.outRate, c.outChannels, 0, sound, error)) << error;
  EXPECT_EQ(sound.sourceRate, c.sourceRate);
  EXPECT_EQ(sound.sourceChannels, c.sourceChannels);
  EXPECT_EQ(sound.rate, c.outRate);
  EXPECT_EQ(sound.channels, c.outChannels);
  // The length at the new rate, within two frames.
  EXPECT_NEAR(static_cast<double>(sound.Frames()), seconds * c.outRate, 2.0);

  // 440 Hz crosses zero 880 times a second; swapped bytes or a wrong rate would not.
  const Measure left = Channel(sound, 0);
  EXPECT_NEAR(left.crossings / left.seconds, 880.0, 12.0);
  // Stereo kept keeps both levels; mono goes to both sides at its level; stereo made mono is
  // the mean of the sides.
  const double leftLevel = c.sourceChannels == 2 && c.outChannels == 1 ? 9000.0 : 12000.0;
  const double rightLevel = c.sourceChannels == 2 ? 6000.0 : 12000.0;
  EXPECT_NEAR(left.rms, leftLevel / std::sqrt(2.0), leftLevel * 0.03);
  if (c.outChannels == 2) {
    const Measure right = Channel(sound, 1);
    EXPECT_NEAR(right.rms, rightLevel / std::sqrt(2.0), rightLevel * 0.03);
    EXPECT_NEAR(right.crossings / right.seconds, 880.0, 12.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Containers, SoundDecodeTones,
                         ::testing::Values(ToneCase{"wav", 44100, 1, 44100, 1}, ToneCase{"wav", 8000, 1, 22050, 1},
                                           ToneCase{"wav", 48000, 2, 11025, 2}, ToneCase{"wav", 22050, 2, 5512, 1},
                                           ToneCase{"aiff", 44100, 2, 44100, 2}, ToneCase{"aiff", 11025, 1, 44100, 2},
                                           ToneCase{"aiff", 32000, 2, 22050, 1}));

TEST(SoundDecode, DurationLimitKeepsTheStart) {
  Scratch dir;
  const std::string path = Write(dir, "tone.wav", Wav(22050, 1, Tone(22050, 1, 1.0)));
  host::av::DecodedSound sound;
  std::string error;
  ASSERT_TRUE(host::av::DecodeSound(path, 11025, 1, 250, sound, error)) << error;
  EXPECT_EQ(sound.Frames(), 11025u / 4);
}

TEST(SoundDecode, SoundBeyondTheFrameLimitIsRefusedNotCut) {
  Scratch dir;
  const std::string path = Write(dir, "tone.wav", Wav(22050, 1, Tone(22050, 1, 1.0)));
  host::av::DecodedSound sound;
  std::string error;
  host::av::SoundLimits limits;
  limits.maxFrames = 22050 / 2;
  EXPECT_FALSE(host::av::DecodeSound(path, 22050, 1, 0, sound, error, limits));
  EXPECT_NE(error.find("limit"), std::string::npos) << error;
  EXPECT_TRUE(sound.samples.empty());
  limits.maxFrames = 22050 * 2;
  EXPECT_TRUE(host::av::DecodeSound(path, 22050, 1, 0, sound, error, limits)) << error;
}

TEST(SoundDecode, RefusesWhatIsNotSound) {
  Scratch dir;
  const std::string wav = Wav(22050, 1, Tone(22050, 1, 0.2));
  std::filesystem::create_directory(dir.Path("folder"));
  ASSERT_EQ(::mkfifo(dir.Path("fifo").c_str(), 0600), 0);
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0');
  const std::string cases[] = {
      dir.Path("missing.wav"),
      dir.Path("folder"),
      dir.Path("fifo"),  // must not wait for a writer
      Write(dir, "empty.wav", ""),
      Write(dir, "picture.png", png),
      Write(dir, "header-only.wav", wav.substr(0, 44)),
      Write(dir, "text.wav", "just some text, not a sound at all\n"),
  };
  for (const std::string& path : cases) {
    host::av::DecodedSound sound;
    std::string error;
    EXPECT_FALSE(host::av::DecodeSound(path, 22050, 1, 0, sound, error)) << path;
    EXPECT_FALSE(error.empty()) << path;
    EXPECT_TRUE(sound.samples.empty()) << path;
  }
}

TEST(SoundDecode, RefusesOutputFormatsOutsideTheRange) {
  Scratch dir;
  const std::string path = Write(dir, "tone.wav", Wav(22050, 1, Tone(22050, 1, 0.2)));
  host::av::DecodedSound sound;
  std::string error;
  EXPECT_FALSE(host::av::DecodeSound(path, 0, 1, 0, sound, error));
  EXPECT_FALSE(host::av::DecodeSound(path, 22050, 3, 0, sound, error));
  EXPECT_FALSE(host::av::DecodeSound(path, 22050, 0, 0, sound, error));
}

// AIFF chunks are walked by their sizes within the file: an odd chunk's pad byte is skipped,
// a chunk after the sound data is not taken for samples, and a size past the end of the file
// ends the walk at once instead of reading on or waiting.
TEST(SoundDecode, AiffChunksAreWalkedWithinTheFile) {
  Scratch dir;
  const auto samples = Tone(11025, 2, 0.2);
  const std::string plain = Aiff(11025, 2, samples);
  const std::string body = plain.substr(12);  // COMM and SSND
  const std::string ssndOnly = body.substr(body.find("SSND"));
  const std::string comm = body.substr(0, body.find("SSND"));
  auto form = [](const std::string& chunks) {
    std::string f = "FORM";
    Put(f, 4 + chunks.size(), 4, true);
    return f + "AIFF" + chunks;
  };
  std::string odd = "APPL";
  Put(odd, 5, 4, true);
  odd += std::string("abcde", 5) + '\0';  // and its pad byte
  std::string loud = "COMT";
  Put(loud, 4000, 4, true);
  loud += std::string(4000, '\x7F');
  std::string huge = "APPL";
  Put(huge, 0xFFFFFFF0u, 4, true);
  std::string longSsnd = ssndOnly;
  longSsnd.replace(4, 4, std::string("\x7F\xFF\xFF\xF0", 4));

  struct Case {
    const char* name;
    std::string bytes;
    bool decodes;
  } cases[] = {
      {"odd chunk first", form(odd + comm + ssndOnly), true},
      {"chunk after the sound", form(comm + ssndOnly + loud), true},
      {"size past the end before COMM", form(huge + comm + ssndOnly), false},
      {"sound data shorter than its size", form(comm + longSsnd), true},
  };
  for (const Case& c : cases) {
    host::av::DecodedSound sound;
    std::string error;
    const bool ok = host::av::DecodeSound(Write(dir, "chunks.aiff", c.bytes), 11025, 2, 0, sound, error);
    EXPECT_EQ(ok, c.decodes) << c.name << ": " << error;
    if (ok) {
      EXPECT_EQ(sound.samples, samples) << c.name;
    } else {
      EXPECT_FALSE(error.empty()) << c.name;
    }
  }
}

// Every prefix of a sound file, and the file with bytes damaged, decodes or fails cleanly.
TEST(SoundDecode, DamagedFilesFailCleanly) {
  Scratch dir;
  const std::string aiff = Aiff(11025, 2, Tone(11025, 2, 0.1));
  for (size_t cut = 0; cut < 80; ++cut) {
    host::av::DecodedSound sound;
    std::string error;
    if (!host::av::DecodeSound(Write(dir, "cut.aiff", aiff.substr(0, cut)), 11025, 1, 0, sound, error)) {
      EXPECT_FALSE(error.empty()) << cut;
    }
  }
  std::string damaged = aiff;
  for (size_t i = 12; i < 60; ++i) damaged[i] = static_cast<char>(0xFF);
  host::av::DecodedSound sound;
  std::string error;
  if (!host::av::DecodeSound(Write(dir, "damaged.aiff", damaged), 11025, 1, 0, sound, error)) {
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace

namespace {

// Raw AC-3 frames of silence made by FFmpeg's own encoder, `frames` of them in `channels`.
std::string Ac3Frames(int channels, int frames) {
  std::string out;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AC3);
  if (codec == nullptr) return out;
  AVCodecContext* enc = avcodec_alloc_context3(codec);
  enc->sample_rate = 48000;
  av_channel_layout_default(&enc->ch_layout, channels);
  enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
  enc->bit_rate = 96000;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  if (avcodec_open2(enc, codec, nullptr) >= 0) {
    for (int i = 0; i <= frames; ++i) {
      if (i < frames) {
        frame->nb_samples = enc->frame_size;
        frame->format = enc->sample_fmt;
        frame->sample_rate = enc->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        if (av_frame_get_buffer(frame, 0) < 0) break;
        for (int c = 0; c < channels; ++c) std::memset(frame->extended_data[c], 0, size_t(enc->frame_size) * 4);
        frame->pts = int64_t{i} * enc->frame_size;
      }
      avcodec_send_frame(enc, i < frames ? frame : nullptr);
      av_frame_unref(frame);
      while (avcodec_receive_packet(enc, packet) >= 0) {
        out.append(reinterpret_cast<const char*>(packet->data), size_t(packet->size));
        av_packet_unref(packet);
      }
    }
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&enc);
  return out;
}

// A sound whose frames switch from stereo to mono part way: the resampler made for the first
// frames must not be fed the others.
TEST(SoundDecode, StreamThatChangesChannelsPartWayFailsCleanly) {
  Scratch dir;
  const std::string stereo = Ac3Frames(2, 8), mono = Ac3Frames(1, 8);
  ASSERT_FALSE(stereo.empty());
  ASSERT_FALSE(mono.empty());
  const std::string path = Write(dir, "switch.ac3", stereo + mono);
  for (uint32_t channels : {1u, 2u}) {
    host::av::DecodedSound sound;
    std::string error;
    EXPECT_FALSE(host::av::DecodeSound(path, 22050, channels, 0, sound, error));
    EXPECT_NE(error.find("format"), std::string::npos) << error;
    EXPECT_TRUE(sound.samples.empty());
  }
  // Each half alone decodes.
  host::av::DecodedSound sound;
  std::string error;
  EXPECT_TRUE(host::av::DecodeSound(Write(dir, "mono.ac3", mono), 22050, 2, 0, sound, error)) << error;
}

}  // namespace
