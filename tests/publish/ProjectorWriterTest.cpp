#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host/ResourceFork.h"
#include "host/ResourceMap.h"
#include "platform/TempFolder.h"
#include "platform/WideString.h"
#include "publish/ProjectorReader.h"
#include "publish/ProjectorWriter.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Of(const ProjectorTrailer& t) { return Bytes(t.begin(), t.end()); }

// A movie of one frame on a 550 x 400 stage at 12 frames a second: a background colour, a
// ShowFrame and the End tag.
Bytes SmallMovie(uint8_t version) {
  Bytes bits;
  int used = 0;
  auto put = [&](uint32_t value, int count) {
    for (int b = count - 1; b >= 0; --b) {
      if (used % 8 == 0) bits.push_back(0);
      if ((value >> b) & 1u) bits.back() |= static_cast<uint8_t>(0x80u >> (used % 8));
      ++used;
    }
  };
  put(15, 5);
  put(0, 15);
  put(11000, 15);
  put(0, 15);
  put(8000, 15);
  Bytes body = Join({bits, {0x00, 0x0C, 0x01, 0x00}, {0x43, 0x02, 0x33, 0x66, 0xCC}, {0x40, 0x00}, {0x00, 0x00}});
  const uint32_t length = static_cast<uint32_t>(8 + body.size());
  return Join({{'F', 'W', 'S', version},
               {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length >> 16),
                static_cast<uint8_t>(length >> 24)},
               body});
}

// The first tag of a movie (uncompressed): its code and body.
struct Tag {
  int code = -1;
  Bytes body;
};
Tag FirstTag(const Bytes& movie) {
  Tag tag;
  if (movie.size() < 9) return tag;
  const int nbits = movie[8] >> 3;
  size_t at = 8 + (5 + 4 * static_cast<size_t>(nbits) + 7) / 8 + 4;
  if (at + 2 > movie.size()) return tag;
  const uint16_t head = static_cast<uint16_t>(movie[at] | (movie[at + 1] << 8));
  at += 2;
  size_t length = head & 0x3F;
  if (length == 0x3F) {
    length = movie[at] | (movie[at + 1] << 8) | (movie[at + 2] << 16) | (static_cast<size_t>(movie[at + 3]) << 24);
    at += 4;
  }
  if (at + length > movie.size()) return tag;
  tag.code = head >> 6;
  tag.body.assign(movie.begin() + static_cast<std::ptrdiff_t>(at),
                  movie.begin() + static_cast<std::ptrdiff_t>(at + length));
  return tag;
}

// Push of a string and a boolean, then GetURL2 with flags 0, in the file's action bytes.
Bytes CommandActions(const std::string& url, bool value) {
  const uint16_t payload = static_cast<uint16_t>(1 + url.size() + 1 + 2);
  return Join({{0x96, static_cast<uint8_t>(payload), static_cast<uint8_t>(payload >> 8), 0x00},
               Of(url),
               {0x00, 0x05, static_cast<uint8_t>(value ? 1 : 0)},
               {0x9A, 0x01, 0x00, 0x00}});
}

class ProjectorWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::path(WideToUtf8(GetTempFolderPath())) / ("projector-test-" + std::to_string(::getpid()) + "-" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    stubs_[kMacProjectorStubId] = "#!/bin/sh\nexec player \"$0\"\n";
    stubs_[kMacProjectorForkStubId] = ForkWithSizeResource();
    stubs_[kWindowsProjectorStubId] = "MZ stand-in";
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A resource fork holding 'SIZE' -1 of ten bytes.
  static std::string ForkWithSizeResource() {
    host::rsrc::ResourceMap map;
    host::rsrc::Resource size;
    size.type = host::rsrc::FourCC("SIZE");
    size.id = -1;
    size.data = std::string(10, '\0');
    map.Set(size);
    std::string bytes;
    EXPECT_TRUE(map.Serialize(bytes));
    return bytes;
  }

  ProjectorStubSource Stubs() {
    return [this](int id, std::string& bytes) {
      auto it = stubs_.find(id);
      if (it == stubs_.end()) return false;
      bytes = it->second;
      return true;
    };
  }

  // Temporary copies the rewrite leaves in the program's temporary folders.
  static int RewriteLeftovers() {
    int count = 0;
    const fs::path temp(WideToUtf8(GetTempFolderPath()));
    for (const fs::path& folder : {temp, temp / WideToUtf8(GetAppTempFolderName())}) {
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("~projfscmd-" + std::to_string(::getpid()) + "-", 0) == 0) ++count;
      }
    }
    return count;
  }

  fs::path dir_;
  std::map<int, std::string> stubs_;
};

TEST(ProjectorStubs, TheBundleHoldsAllThreeAndTheForkHasItsSizeResource) {
  std::string stub;
  ASSERT_TRUE(GetBundleProjectorStub(kMacProjectorStubId, stub));
  EXPECT_EQ(stub.rfind("#!/bin/sh\n", 0), 0u);
  ASSERT_TRUE(GetBundleProjectorStub(kWindowsProjectorStubId, stub));
  EXPECT_FALSE(stub.empty());
  ASSERT_TRUE(GetBundleProjectorStub(kMacProjectorForkStubId, stub));
  host::rsrc::ResourceMap map;
  ASSERT_TRUE(map.Parse(stub));
  const host::rsrc::Resource* size = map.Find(host::rsrc::FourCC("SIZE"), -1);
  ASSERT_NE(size, nullptr);
  EXPECT_GE(size->data.size(), 10u);
}

TEST(ProjectorTrailer, ByteLayoutsAndTheirReading) {
  struct Case {
    uint32_t length;
    ProjectorTrailer mac;
    ProjectorTrailer windows;
  };
  const Case cases[] = {
      {1000, {0x00, 0x00, 0x03, 0xE8, 0xFA, 0x12, 0x34, 0x56}, {0x56, 0x34, 0x12, 0xFA, 0xE8, 0x03, 0x00, 0x00}},
      {0, {0, 0, 0, 0, 0xFA, 0x12, 0x34, 0x56}, {0x56, 0x34, 0x12, 0xFA, 0, 0, 0, 0}},
      {0x01020304, {1, 2, 3, 4, 0xFA, 0x12, 0x34, 0x56}, {0x56, 0x34, 0x12, 0xFA, 4, 3, 2, 1}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFA, 0x12, 0x34, 0x56}, {0x56, 0x34, 0x12, 0xFA, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ(MacProjectorTrailer(c.length), c.mac);
    EXPECT_EQ(WindowsProjectorTrailer(c.length), c.windows);
    // Behind a stub of 100 bytes both forms give the movie back.
    const uint64_t file = 100 + uint64_t{c.length} + 8;
    for (const ProjectorTrailer& t : {c.mac, c.windows}) {
      const auto range = FindProjectorMovie(t, file);
      ASSERT_TRUE(range.has_value());
      EXPECT_EQ(range->offset, 100u);
      EXPECT_EQ(range->length, c.length);
    }
  }
}

TEST(ProjectorTrailer, RefusesWhatCannotHoldAMovie) {
  const struct {
    const char* label;
    ProjectorTrailer trailer;
    uint64_t fileLength;
  } cases[] = {
      {"no magic", {0, 0, 0, 4, 0xFA, 0x12, 0x34, 0x57}, 100},
      {"magic of the other form's place", {0xFA, 0x12, 0x34, 0x56, 0, 0, 0, 4}, 100},
      {"movie longer than the file", MacProjectorTrailer(93), 100},
      {"windows movie longer than the file", WindowsProjectorTrailer(0xFFFFFFFF), 100},
      {"file shorter than a trailer", MacProjectorTrailer(0), 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_FALSE(FindProjectorMovie(c.trailer, c.fileLength).has_value());
  }
  const auto whole = FindProjectorMovie(MacProjectorTrailer(92), 100);
  ASSERT_TRUE(whole.has_value());
  EXPECT_EQ(whole->offset, 0u);
}

TEST(ProjectorTrailer, MemorySizeIsTheLengthClamped) {
  const struct {
    uint64_t length;
    uint32_t memory;
  } cases[] = {
      {0, 7340032},         {1000, 7340032},      {7340031, 7340032},
      {7340033, 7340033},   {10000000, 10000000}, {52428800, 52428800},
      {52428801, 52428800}, {60000000, 52428800}, {uint64_t{5} << 30, 52428800},
  };
  for (const auto& c : cases) EXPECT_EQ(ProjectorMemorySize(c.length), c.memory) << c.length;
}

TEST_F(ProjectorWriterTest, DefaultSettingsWrapTheMovieByteForByte) {
  Bytes movie(1000);
  for (size_t i = 0; i < movie.size(); ++i) movie[i] = static_cast<uint8_t>(i * 7);
  WriteAll(dir_ / "in.swf", movie);
  const int leftoversBefore = RewriteLeftovers();

  const ProjectorSettings defaults;
  ASSERT_TRUE(WriteMacProjector(Utf8ToWide((dir_ / "in.swf").string()), Utf8ToWide((dir_ / "mac").string()), defaults,
                                true, Stubs()));
  ASSERT_TRUE(WriteWindowsProjector(Utf8ToWide((dir_ / "in.swf").string()), Utf8ToWide((dir_ / "win.exe").string()),
                                    defaults, true, Stubs()));
  EXPECT_EQ(RewriteLeftovers(), leftoversBefore);

  const Bytes mac = ReadAll(dir_ / "mac");
  EXPECT_EQ(mac, Join({Of(stubs_[kMacProjectorStubId]), movie, {0x00, 0x00, 0x03, 0xE8, 0xFA, 0x12, 0x34, 0x56}}));
  const Bytes win = ReadAll(dir_ / "win.exe");
  EXPECT_EQ(win, Join({Of(stubs_[kWindowsProjectorStubId]), movie, {0x56, 0x34, 0x12, 0xFA, 0xE8, 0x03, 0x00, 0x00}}));

  // The Mac form can be run and carries its fork stub with the memory size for 1,000 bytes;
  // the Windows form has no fork.
  struct stat st {};
  ASSERT_EQ(::stat((dir_ / "mac").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IXUSR, 0u);
  std::string fork;
  bool exists = false;
  ASSERT_EQ(host::fs::ReadResourceFork((dir_ / "mac").string(), fork, exists), 0);
  ASSERT_TRUE(exists);
  host::rsrc::ResourceMap map;
  ASSERT_TRUE(map.Parse(fork));
  const host::rsrc::Resource* size = map.Find(host::rsrc::FourCC("SIZE"), -1);
  ASSERT_NE(size, nullptr);
  ASSERT_EQ(size->data.size(), 10u);
  EXPECT_EQ(Bytes(size->data.begin() + 2, size->data.begin() + 10),
            Bytes({0x00, 0x70, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00}));
  ASSERT_EQ(host::fs::ReadResourceFork((dir_ / "win.exe").string(), fork, exists), 0);
  EXPECT_FALSE(exists);
}

TEST_F(ProjectorWriterTest, SettingsPutTheirCommandsFirstInTheMovie) {
  WriteAll(dir_ / "in.swf", SmallMovie(6));
  const struct {
    const char* label;
    ProjectorSettings settings;
    Bytes actions;
  } cases[] = {
      {"fullscreen", {true, true, true}, CommandActions("FSCommand:fullscreen", true)},
      {"no menu", {false, true, false}, CommandActions("FSCommand:showmenu", false)},
      {"no scaling", {false, false, true}, CommandActions("FSCommand:allowscale", false)},
      {"all three",
       {true, false, false},
       Join({CommandActions("FSCommand:fullscreen", true), CommandActions("FSCommand:showmenu", false),
             CommandActions("FSCommand:allowscale", false)})},
  };
  const int leftoversBefore = RewriteLeftovers();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path out = dir_ / "projector";
    ASSERT_TRUE(
        WriteMacProjector(Utf8ToWide((dir_ / "in.swf").string()), Utf8ToWide(out.string()), c.settings, true, Stubs()));
    const Bytes file = ReadAll(out);
    ProjectorTrailer trailer;
    std::copy(file.end() - 8, file.end(), trailer.begin());
    const auto range = FindProjectorMovie(trailer, file.size());
    ASSERT_TRUE(range.has_value());
    const Bytes movie(file.begin() + static_cast<std::ptrdiff_t>(range->offset),
                      file.begin() + static_cast<std::ptrdiff_t>(range->offset + range->length));
    ASSERT_GE(movie.size(), 8u);
    EXPECT_EQ(movie[3], 6);
    // The header's length is the movie's, and the DoAction comes before the movie's own tags.
    EXPECT_EQ(movie[4] | (movie[5] << 8) | (movie[6] << 16) | (movie[7] << 24), static_cast<int>(movie.size()));
    const Tag first = FirstTag(movie);
    EXPECT_EQ(first.code, 12);
    EXPECT_EQ(first.body, Join({c.actions, {0x00}}));
    const Bytes original = SmallMovie(6);
    EXPECT_EQ(Bytes(movie.end() - 9, movie.end()), Bytes(original.end() - 9, original.end()));
  }
  EXPECT_EQ(RewriteLeftovers(), leftoversBefore);
}

TEST_F(ProjectorWriterTest, RewrittenMoviesRunAtLeastAtVersionFive) {
  const struct {
    uint8_t version;
    bool rewrite;
    uint8_t expected;
  } cases[] = {{4, true, 5}, {5, true, 5}, {6, true, 6}, {4, false, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    WriteAll(dir_ / "in.swf", SmallMovie(c.version));
    ProjectorSettings settings;
    settings.showmenu = !c.rewrite;
    ASSERT_TRUE(WriteWindowsProjector(Utf8ToWide((dir_ / "in.swf").string()), Utf8ToWide((dir_ / "p.exe").string()),
                                      settings, true, Stubs()));
    const Bytes file = ReadAll(dir_ / "p.exe");
    const size_t stub = stubs_[kWindowsProjectorStubId].size();
    ASSERT_GT(file.size(), stub + 3);
    EXPECT_EQ(file[stub + 3], c.expected);
  }
}

TEST_F(ProjectorWriterTest, FailuresLeaveTheOutputAsItWas) {
  WriteAll(dir_ / "in.swf", SmallMovie(6));
  WriteAll(dir_ / "not-a-movie.swf", Of("not a movie at all, but long enough"));
  const Bytes old = Of("the projector that was there before");
  ProjectorSettings fullscreen;
  fullscreen.fullscreen = true;
  const struct {
    const char* label;
    bool windows;
    int missingStub;
    const char* swf;
    ProjectorSettings settings;
    bool replace;
  } cases[] = {
      {"no data stub", false, kMacProjectorStubId, "in.swf", {}, true},
      {"no fork stub", false, kMacProjectorForkStubId, "in.swf", {}, true},
      {"no windows stub", true, kWindowsProjectorStubId, "in.swf", {}, true},
      {"no movie", false, 0, "missing.swf", {}, true},
      {"no movie, windows", true, 0, "missing.swf", {}, true},
      {"movie that can't be rewritten", false, 0, "not-a-movie.swf", fullscreen, true},
      {"existing file without replace", false, 0, "in.swf", {}, false},
      {"existing file without replace, windows", true, 0, "in.swf", {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path out = dir_ / "out";
    WriteAll(out, old);
    std::map<int, std::string> saved = stubs_;
    stubs_.erase(c.missingStub);
    const WideString swf = Utf8ToWide((dir_ / c.swf).string());
    const bool ok = c.windows ? WriteWindowsProjector(swf, Utf8ToWide(out.string()), c.settings, c.replace, Stubs())
                              : WriteMacProjector(swf, Utf8ToWide(out.string()), c.settings, c.replace, Stubs());
    stubs_ = saved;
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadAll(out), old);
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      (void)entry;
      ++files;
    }
    EXPECT_EQ(files, 3u) << "a temporary file stayed behind";
  }
}

TEST_F(ProjectorWriterTest, RefusesMoviesOfFourGibibytesOrMore) {
  // A sparse file: its length is what counts, and nothing of it is read.
  const fs::path big = dir_ / "big.swf";
  WriteAll(big, {});
  fs::resize_file(big, uint64_t{1} << 32);
  EXPECT_FALSE(WriteMacProjector(Utf8ToWide(big.string()), Utf8ToWide((dir_ / "out").string()), {}, true, Stubs()));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(ProjectorWriterTest, AMovieThatDoesNotMatchItsLengthFails) {
  // A kernel file says it is empty and then gives bytes: what is read must be what was
  // measured, or the trailer would lie.
  EXPECT_FALSE(WriteWindowsProjector(L"/proc/self/status", Utf8ToWide((dir_ / "out").string()), {}, true, Stubs()));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(ProjectorWriterTest, TheReaderFindsTheMovieOfEitherForm) {
  const Bytes movie = SmallMovie(6);
  WriteAll(dir_ / "in.swf", movie);
  ProjectorSettings defaults;
  ASSERT_TRUE(WriteMacProjector(Utf8ToWide((dir_ / "in.swf").string()), Utf8ToWide((dir_ / "mac").string()), defaults,
                                true, Stubs()));
  ASSERT_TRUE(WriteWindowsProjector(Utf8ToWide((dir_ / "in.swf").string()), Utf8ToWide((dir_ / "win").string()),
                                    defaults, true, Stubs()));
  for (const char* name : {"mac", "win"}) {
    std::string read;
    std::string error;
    EXPECT_TRUE(ReadProjectorMovie((dir_ / name).string(), read, error)) << error;
    EXPECT_EQ(Bytes(read.begin(), read.end()), movie);
  }
}

TEST_F(ProjectorWriterTest, TheReaderRefusesFilesWithoutAWholeMovie) {
  const Bytes stub = Of("stub");
  const struct {
    const char* label;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"shorter than a trailer", {0xFA, 0x12, 0x34, 0x56}},
      {"no trailer", Join({stub, Of("movie"), {0, 0, 0, 5, 0xFA, 0x12, 0x34, 0x55}})},
      {"names more than the file holds", Join({stub, Of("movie"), Of(MacProjectorTrailer(10))})},
      {"windows form naming more", Join({Of("movie"), Of(WindowsProjectorTrailer(6))})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteAll(dir_ / "p", c.file);
    std::string movie = "stale";
    std::string error;
    EXPECT_FALSE(ReadProjectorMovie((dir_ / "p").string(), movie, error));
    EXPECT_EQ(movie, "");
    EXPECT_NE(error, "");
  }
  std::string movie;
  std::string error;
  EXPECT_FALSE(ReadProjectorMovie((dir_ / "missing").string(), movie, error));
  EXPECT_FALSE(ReadProjectorMovie(dir_.string(), movie, error));
}

}  // namespace
