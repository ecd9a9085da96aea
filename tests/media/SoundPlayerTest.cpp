// Imported sounds in the real player: tones made by the test become DefineSound tags of MP3
// data, and a script in the movie attaches each one to a Sound object and traces its
// duration, which must match the tone's length within one SWF frame. A tone imported as the
// stream sound of a timeline is heard: the player's output holds the tone's pitch for the
// tone's length.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "media/SoundTagMaker.h"
#include "swf/AssetTags.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfFileWriter.h"
#include "tests/media/MediaTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string WriteToneWav(const std::string& path, uint32_t rate, uint32_t channels, double seconds) {
  std::string f = "RIFF";
  auto put = [&f](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto frames = static_cast<uint32_t>(std::lround(seconds * rate));
  const uint32_t dataBytes = frames * channels * 2;
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
  for (uint32_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(9000 * std::sin(2 * kPi * 440 * i / rate)));
    for (uint32_t c = 0; c < channels; ++c) put(static_cast<uint16_t>(v), 2);
  }
  std::ofstream(path, std::ios::binary).write(f.data(), static_cast<std::streamsize>(f.size()));
  return path;
}

// Push of strings and 32-bit integers.
void Push(std::vector<uint8_t>& a, const std::vector<std::string>& strings, const std::vector<int32_t>& ints = {}) {
  std::vector<uint8_t> payload;
  for (const std::string& s : strings) {
    payload.push_back(0);
    payload.insert(payload.end(), s.begin(), s.end());
    payload.push_back(0);
  }
  for (int32_t v : ints) {
    payload.push_back(7);
    for (int i = 0; i < 4; ++i) payload.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
  }
  a.push_back(0x96);
  a.push_back(static_cast<uint8_t>(payload.size()));
  a.push_back(static_cast<uint8_t>(payload.size() >> 8));
  a.insert(a.end(), payload.begin(), payload.end());
}

// s = new Sound(); s.attachSound(name); trace(name + " " + s.duration);
std::vector<uint8_t> TraceDuration(const std::string& name) {
  std::vector<uint8_t> a;
  Push(a, {"s"}, {0});
  Push(a, {"Sound"});
  a.push_back(0x40);  // NewObject
  a.push_back(0x1D);  // SetVariable
  Push(a, {name}, {1});
  Push(a, {"s"});
  a.push_back(0x1C);  // GetVariable
  Push(a, {"attachSound"});
  a.push_back(0x52);  // CallMethod
  a.push_back(0x17);  // Pop
  Push(a, {name + " "});
  Push(a, {"s"});
  a.push_back(0x1C);
  Push(a, {"duration"});
  a.push_back(0x4E);  // GetMember
  a.push_back(0x47);  // Add2
  a.push_back(0x26);  // Trace
  return a;
}

TEST(SoundPlayer, ImportedSoundsHaveTheirDurationInThePlayer) {
  if (std::string why = playertest::PlayerUnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  struct Tone {
    const char* name;
    uint32_t sourceRate;
    uint32_t sourceChannels;
    double seconds;
    uint8_t rateCode;
    bool stereo;
  } tones[] = {
      {"mono22", 44100, 1, 1.0, 2, false},
      {"stereo44", 44100, 2, 1.5, 3, true},
      {"mono11", 8000, 1, 0.75, 1, false},
      {"stereo22", 48000, 2, 2.0, 2, true},
  };
  mediatest::Movie movie("sounds.swf");
  Mp3Encoder encoder;
  SoundTagMaker maker(encoder);
  auto exports = std::make_unique<ExportAssetsTag>();
  std::vector<uint8_t> actions;
  uint16_t id = 1;
  for (const Tone& t : tones) {
    const std::string wav =
        WriteToneWav(movie.dir.Path(std::string(t.name) + ".wav"), t.sourceRate, t.sourceChannels, t.seconds);
    SoundSettings settings;
    settings.rateCode = t.rateCode;
    settings.stereo = t.stereo;
    settings.kbitsPerSecond = t.rateCode == 3 ? 128 : 48;
    auto tag = maker.MakeDefineSound(wav, settings);
    ASSERT_NE(tag, nullptr) << maker.Error();
    tag->SetCharacterId(id);
    ASSERT_GT(movie.writer.AddTag(std::move(tag)), 0u);
    exports->AddAsset(std::make_unique<SwfAssetEntry>(id, host::text::Utf8ToWide(t.name)), -1);
    const auto script = TraceDuration(t.name);
    actions.insert(actions.end(), script.begin(), script.end());
    ++id;
  }
  actions.push_back(0);
  ASSERT_GT(movie.writer.AddTag(std::move(exports)), 0u);
  ASSERT_GT(movie.writer.AddTag(std::make_unique<RawTag>(12, std::move(actions))), 0u);
  movie.writer.AddTag(std::make_unique<ShowFrameTag>());
  movie.writer.AddTag(std::make_unique<ShowFrameTag>());
  ASSERT_FALSE(movie.Close().empty());

  playertest::PlayRun run = playertest::Play({playertest::Movie{"sounds", movie.path, {}, 2}}, 1);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 1u);
  const playertest::MovieResult& result = run.results[0];
  EXPECT_EQ(result.error, "");
  ASSERT_EQ(result.trace.size(), std::size(tones)) << ::testing::PrintToString(result.trace);
  for (size_t i = 0; i < std::size(tones); ++i) {
    const std::string prefix = std::string(tones[i].name) + " ";
    ASSERT_EQ(result.trace[i].rfind(prefix, 0), 0u) << result.trace[i];
    const double ms = std::strtod(result.trace[i].c_str() + prefix.size(), nullptr);
    // Within one frame of the movie (12 fps).
    EXPECT_NEAR(ms, tones[i].seconds * 1000, 1000.0 / 12) << result.trace[i];
  }
}

TEST(SoundPlayer, ImportedStreamSoundPlaysItsToneForItsLength) {
  if (std::string why = playertest::PlayerUnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  struct Tone {
    const char* name;
    uint32_t sourceRate;
    uint32_t sourceChannels;
    double seconds;
    uint8_t rateCode;
    bool stereo;
  } tones[] = {
      {"mono22", 44100, 1, 1.0, 2, false},
      {"stereo44", 48000, 2, 1.5, 3, true},
      {"mono11", 8000, 1, 1.25, 1, false},
  };
  std::vector<std::unique_ptr<mediatest::Movie>> movies;
  std::vector<playertest::Movie> runs;
  Mp3Encoder encoder;
  SoundTagMaker maker(encoder);
  for (const Tone& t : tones) {
    auto movie = std::make_unique<mediatest::Movie>((std::string(t.name) + ".swf").c_str());
    const std::string wav =
        WriteToneWav(movie->dir.Path(std::string(t.name) + ".wav"), t.sourceRate, t.sourceChannels, t.seconds);
    SoundSettings settings;
    settings.rateCode = t.rateCode;
    settings.stereo = t.stereo;
    settings.kbitsPerSecond = t.rateCode == 3 ? 128 : 48;
    std::vector<std::unique_ptr<SoundStreamBlockTag>> blocks;
    auto head = maker.MakeSoundStreamHead(wav, settings, blocks);
    ASSERT_NE(head, nullptr) << maker.Error();
    ASSERT_FALSE(blocks.empty());
    ASSERT_GT(movie->writer.AddTag(std::move(head)), 0u);
    std::vector<uint8_t> actions;
    Push(actions, {"started"});
    actions.push_back(0x26);  // Trace
    actions.push_back(0);
    ASSERT_GT(movie->writer.AddTag(std::make_unique<RawTag>(12, std::move(actions))), 0u);
    // One block a frame, holding the MP3 frames the samples due by that frame ask for.
    const int frames = static_cast<int>(blocks.size());
    for (auto& block : blocks) {
      ASSERT_GT(movie->writer.AddTag(std::move(block)), 0u);
      movie->writer.AddTag(std::make_unique<ShowFrameTag>());
    }
    ASSERT_FALSE(movie->Close().empty());
    // The player holds its timeline back while the stream sound is ahead of it, and sound
    // plays in real time: what is heard is the measure here, not the frames reached.
    playertest::Movie run{t.name, movie->path, {}, frames};
    run.audio = true;
    runs.push_back(run);
    movies.push_back(std::move(movie));
  }

  playertest::PlayRun run = playertest::Play(runs, 1);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), std::size(tones));
  for (size_t i = 0; i < std::size(tones); ++i) {
    const playertest::MovieResult& result = run.results[i];
    const playertest::AudioRecord& a = result.audio;
    EXPECT_EQ(result.error, "") << tones[i].name;
    EXPECT_EQ(result.trace, std::vector<std::string>{"started"}) << tones[i].name;
    ASSERT_TRUE(a.recorded) << tones[i].name;
    ASSERT_GT(a.rate, 0) << tones[i].name;
    ASSERT_GE(a.first, 0) << tones[i].name << ": nothing was heard";
    const double heard = static_cast<double>(a.last - a.first + 1) / a.rate;
    // The tone's length within one frame of the movie (12 fps), its pitch (440 Hz crosses zero
    // 880 times a second) and its level (9000 of 32767). A stream the player could not decode
    // whole, decoded at another rate or with its channels mixed wrongly fails one of them.
    EXPECT_NEAR(heard, tones[i].seconds, 1.0 / 12) << tones[i].name;
    EXPECT_NEAR(static_cast<double>(a.crossings) / heard, 880.0, 20.0) << tones[i].name;
    EXPECT_NEAR(a.peak, 9000.0 / 32767, 0.04) << tones[i].name;
  }
}

}  // namespace
