#include "swf/SwfCompression.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <random>

#include "SwfTestSupport.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfHeader.h"

namespace {

using namespace swftest;

// An "FWS" movie with the given bytes after its 8-byte signature and length.
Bytes Fws(const Bytes& rest, uint8_t version = 6) {
  Bytes out(8 + rest.size());
  out[0] = 'F';
  out[1] = 'W';
  out[2] = 'S';
  out[3] = version;
  std::copy(rest.begin(), rest.end(), out.begin() + 8);
  const uint32_t length = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
  return out;
}

Bytes Repetitive(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>("preloader"[i % 9]);
  return b;
}

Bytes Noise(size_t size) {
  std::mt19937 rng(1234);
  Bytes b(size);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// A "CWS" movie whose zlib stream holds `rest` and whose header declares `declared`.
Bytes Cws(const Bytes& rest, uint32_t declared, uint8_t version = 6) {
  uLongf size = compressBound(static_cast<uLong>(rest.size()));
  Bytes z(size);
  EXPECT_EQ(compress2(z.data(), &size, rest.data(), static_cast<uLong>(rest.size()), 9), Z_OK);
  z.resize(size);
  Bytes out(8 + z.size());
  out[0] = 'C';
  out[1] = 'W';
  out[2] = 'S';
  out[3] = version;
  for (int i = 0; i < 4; ++i) out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(declared >> (8 * i));
  std::copy(z.begin(), z.end(), out.begin() + 8);
  return out;
}

TEST(SwfCompression, MemoryRoundTripKeepsTheUncompressedLength) {
  for (const Bytes& rest : {Bytes{}, Bytes{1, 2, 3}, Repetitive(1 << 20), Noise(1 << 20)}) {
    const Bytes fws = Fws(rest);
    Bytes cws;
    ASSERT_TRUE(DeflateSwf(fws.data(), fws.size(), cws));
    EXPECT_EQ(Bytes(cws.begin(), cws.begin() + 3), (Bytes{'C', 'W', 'S'}));
    EXPECT_EQ(Bytes(cws.begin() + 3, cws.begin() + 8), Bytes(fws.begin() + 3, fws.begin() + 8));
    Bytes back;
    ASSERT_EQ(InflateSwf(cws.data(), cws.size(), back), SwfInflateResult::kOk);
    EXPECT_EQ(back, fws);
  }
}

TEST(SwfCompression, InflationIsBounded) {
  const Bytes rest = Repetitive(100000);
  Bytes out;
  struct Case {
    const char* what;
    Bytes input;
    uint64_t ceiling;
    SwfInflateResult result;
    size_t size;
  };
  Bytes cut = Cws(rest, 100008);
  cut.resize(cut.size() / 2);
  Bytes damaged = Cws(Noise(5000), 5008);
  for (size_t i = 20; i < 60; ++i) damaged[i] ^= 0x5A;
  const Case cases[] = {
      {"exact", Cws(rest, 100008), kSwfMaxInflatedSize, SwfInflateResult::kOk, 100008},
      {"stops at the declared length", Cws(rest, 1008), kSwfMaxInflatedSize, SwfInflateResult::kOk, 1008},
      {"stream shorter than declared", Cws(rest, 200008), kSwfMaxInflatedSize, SwfInflateResult::kOk, 100008},
      {"cut short", cut, kSwfMaxInflatedSize, SwfInflateResult::kTruncated, 0},
      {"damaged", damaged, kSwfMaxInflatedSize, SwfInflateResult::kCorrupt, 0},
      {"above the ceiling", Cws(rest, 100008), 65536, SwfInflateResult::kTooLarge, 0},
      {"4 GiB declared", Cws(rest, 0xFFFFFFFFu), kSwfMaxInflatedSize, SwfInflateResult::kTooLarge, 0},
      {"impossible length", Cws(rest, 3), kSwfMaxInflatedSize, SwfInflateResult::kCorrupt, 0},
      {"header only", Bytes{'C', 'W', 'S', 6, 100, 0, 0, 0}, kSwfMaxInflatedSize, SwfInflateResult::kTruncated, 0},
      {"short header", Bytes{'C', 'W', 'S', 6}, kSwfMaxInflatedSize, SwfInflateResult::kNotCompressed, 0},
      {"uncompressed", Fws(rest), kSwfMaxInflatedSize, SwfInflateResult::kNotCompressed, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InflateSwf(c.input.data(), c.input.size(), out, c.ceiling), c.result) << c.what;
    EXPECT_EQ(out.size(), c.size) << c.what;
  }
}

TEST(SwfCompression, ABombStopsAtTheDeclaredLength) {
  // 64 MiB of zeros deflate to about 64 KiB; the header declares 1 KiB.
  const Bytes zeros(64u << 20, 0);
  const Bytes bomb = Cws(zeros, 1024 + 8);
  Bytes out;
  EXPECT_EQ(InflateSwf(bomb.data(), bomb.size(), out), SwfInflateResult::kOk);
  EXPECT_EQ(out.size(), 1032u);
}

TEST(SwfCompression, SignatureTests) {
  ScratchDir dir;
  struct Case {
    Bytes content;
    bool swf;
    bool compressed;
  };
  const Case cases[] = {{{'F', 'W', 'S', 6}, true, false},  {{'C', 'W', 'S', 6}, true, true},
                        {{'C', 'W'}, false, false},         {{}, false, false},
                        {{'Z', 'W', 'S', 6}, false, false}, {{'F', 'W', 'X'}, false, false}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "f" + std::to_string(n++);
    WriteFile(dir.Native(name), c.content);
    EXPECT_EQ(HasSwfSignature(dir.Path(name)), c.swf) << name;
    EXPECT_EQ(IsCompressedSwfFile(dir.Path(name)), c.compressed) << name;
  }
  EXPECT_FALSE(HasSwfSignature(dir.Path("missing")));
  // A folder and a FIFO with no writer are not movies; reading either must not block.
  EXPECT_FALSE(HasSwfSignature(dir.Path("")));
  ASSERT_EQ(::mkfifo(dir.Native("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(HasSwfSignature(dir.Path("pipe")));
  EXPECT_FALSE(IsCompressedSwfFile(dir.Path("pipe")));
  EXPECT_FALSE(CompressSwfFile(dir.Path("pipe"), dir.Path("out.swf"), true));
  EXPECT_FALSE(DecompressSwfFile(dir.Path("pipe"), dir.Path("out.swf"), true, 1 << 20));
}

// A movie written by the file writer.
void WriteMovie(const WideString& path, int frames) {
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 30, 8);
  ASSERT_TRUE(writer.Open(path, true));
  for (int i = 0; i < frames; ++i) {
    writer.AddTag(Tag(12, Repetitive(static_cast<size_t>(i % 50))));
    writer.AddTag(Tag(1));
  }
  writer.AddTag(Tag(0));
  ASSERT_NE(writer.Close(), 0u);
}

TEST(SwfCompression, FilesConvertBothWays) {
  ScratchDir dir;
  WriteMovie(dir.Path("movie.swf"), 40);
  const Bytes fws = ReadFile(dir.Native("movie.swf"));

  ASSERT_TRUE(CompressSwfFile(dir.Path("movie.swf"), dir.Path("movie-c.swf"), false));
  const Bytes cws = ReadFile(dir.Native("movie-c.swf"));
  EXPECT_EQ(Bytes(cws.begin(), cws.begin() + 3), (Bytes{'C', 'W', 'S'}));
  EXPECT_EQ(Bytes(cws.begin() + 3, cws.begin() + 8), Bytes(fws.begin() + 3, fws.begin() + 8))
      << "version and the uncompressed length";
  EXPECT_LT(cws.size(), fws.size());

  ASSERT_TRUE(DecompressSwfFile(dir.Path("movie-c.swf"), dir.Path("movie-d.swf"), false));
  EXPECT_EQ(ReadFile(dir.Native("movie-d.swf")), fws);
  for (const char* name : {"movie-c.swf", "movie-d.swf"}) {
    FileTypeCreator tc;
    ASSERT_TRUE(GetFileTypeCreator(dir.Path(name), tc));
    if (tc.type != kUnknownFileType) {
      EXPECT_EQ(tc.type, MakeFourCC("SWFL")) << name;
    }
  }

  EXPECT_FALSE(CompressSwfFile(dir.Path("movie-c.swf"), dir.Path("again.swf"), false)) << "no CWS of a CWS";
  EXPECT_FALSE(DecompressSwfFile(dir.Path("movie.swf"), dir.Path("again.swf"), false)) << "no FWS of an FWS";
  EXPECT_EQ(dir.Entries().size(), 3u) << "failed conversions create nothing";

  // In place, both ways of doing it.
  ASSERT_TRUE(CompressSwfFile(dir.Path("movie.swf"), dir.Path("movie.swf"), true));
  EXPECT_EQ(ReadFile(dir.Native("movie.swf")), cws);
  ASSERT_TRUE(DecompressSwfFileInPlace(dir.Path("movie.swf"), false));
  EXPECT_EQ(ReadFile(dir.Native("movie.swf")), fws);
  ASSERT_TRUE(CompressSwfFile(dir.Path("movie.swf"), dir.Path("movie.swf"), true));
  ASSERT_TRUE(DecompressSwfFileInPlace(dir.Path("movie.swf"), true));
  EXPECT_EQ(ReadFile(dir.Native("movie.swf")), fws);
  EXPECT_EQ(ReadFile(dir.Native("movie.swf~")), cws) << "the backup stays";
}

TEST(SwfCompression, ReplaceFlagIsHonoured) {
  ScratchDir dir;
  WriteMovie(dir.Path("m.swf"), 3);
  ASSERT_TRUE(CompressSwfFile(dir.Path("m.swf"), dir.Path("c.swf"), false));
  WriteFile(dir.Native("taken.swf"), Bytes{1, 2});
  EXPECT_FALSE(CompressSwfFile(dir.Path("m.swf"), dir.Path("taken.swf"), false));
  EXPECT_FALSE(DecompressSwfFile(dir.Path("c.swf"), dir.Path("taken.swf"), false));
  EXPECT_EQ(ReadFile(dir.Native("taken.swf")), (Bytes{1, 2}));
  EXPECT_TRUE(DecompressSwfFile(dir.Path("c.swf"), dir.Path("taken.swf"), true));
  EXPECT_EQ(ReadFile(dir.Native("taken.swf")), ReadFile(dir.Native("m.swf")));
}

TEST(SwfCompression, CorruptSourcesLeaveNoPartialFile) {
  ScratchDir dir;
  Bytes cut = Cws(Noise(200000), 200008);
  cut.resize(cut.size() - 1000);
  WriteFile(dir.Native("cut.swf"), cut);
  WriteFile(dir.Native("out.swf"), Bytes{5});

  EXPECT_FALSE(DecompressSwfFile(dir.Path("cut.swf"), dir.Path("new.swf"), false));
  EXPECT_FALSE(DecompressSwfFile(dir.Path("cut.swf"), dir.Path("out.swf"), true));
  EXPECT_EQ(ReadFile(dir.Native("out.swf")), (Bytes{5}));

  EXPECT_FALSE(DecompressSwfFileInPlace(dir.Path("cut.swf"), false)) << "a failed inflation is reported";
  EXPECT_EQ(ReadFile(dir.Native("cut.swf")), cut);
  EXPECT_FALSE(DecompressSwfFileInPlace(dir.Path("cut.swf"), true));
  EXPECT_EQ(ReadFile(dir.Native("cut.swf")), cut) << "the backup is put back";
  auto entries = dir.Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"cut.swf", "out.swf"}));
}

TEST(SwfCompression, InPlaceOnAnUncompressedFile) {
  ScratchDir dir;
  WriteMovie(dir.Path("plain.swf"), 2);
  const Bytes before = ReadFile(dir.Native("plain.swf"));
  EXPECT_TRUE(DecompressSwfFileInPlace(dir.Path("plain.swf"), false));
  EXPECT_FALSE(DecompressSwfFileInPlace(dir.Path("plain.swf"), true));
  EXPECT_EQ(ReadFile(dir.Native("plain.swf")), before);
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(SwfCompression, ACeilingAppliesToFiles) {
  ScratchDir dir;
  WriteFile(dir.Native("big.swf"), Cws(Bytes(1 << 20, 0), (1 << 20) + 8));
  EXPECT_FALSE(DecompressSwfFile(dir.Path("big.swf"), dir.Path("out.swf"), false, 4096));
  EXPECT_TRUE(DecompressSwfFile(dir.Path("big.swf"), dir.Path("out.swf"), false));
  EXPECT_EQ(ReadFile(dir.Native("out.swf")).size(), (1u << 20) + 8);
}

}  // namespace
