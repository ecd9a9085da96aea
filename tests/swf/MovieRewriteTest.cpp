// Movies read into the object model and written back by the rewrite-movie driver come back as
// the bytes they were: each case is a small movie holding one form that a reading used to
// lose, and the copy is compared with the original bytes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "swf/SwfCompression.h"
#include "tests/swf/SwfTestSupport.h"

namespace {

using swftest::Bytes;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A tag with the short header, or the long one when asked (DoAction and DoInitAction are
// always written with it) or when the body needs it.
Bytes T(int code, const Bytes& body, bool longHeader = false) {
  Bytes tag;
  if (longHeader || body.size() >= 63) {
    tag = {static_cast<uint8_t>((code << 6 | 0x3F) & 0xFF), static_cast<uint8_t>(code >> 2)};
    for (int i = 0; i < 4; ++i) tag.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
  } else {
    const int header = code << 6 | static_cast<int>(body.size());
    tag = {static_cast<uint8_t>(header & 0xFF), static_cast<uint8_t>(header >> 8)};
  }
  tag.insert(tag.end(), body.begin(), body.end());
  return tag;
}

const Bytes kShowFrame = T(1, {});
const Bytes kEnd = T(0, {});

// An uncompressed movie of 550 x 400 pixels at 12 frames per second.
Bytes Movie(uint8_t version, uint16_t frameCount, const Bytes& tags) {
  Bytes movie = {'F',
                 'W',
                 'S',
                 version,
                 0,
                 0,
                 0,
                 0,
                 0x78,
                 0x00,
                 0x05,
                 0x5F,
                 0x00,
                 0x00,
                 0x0F,
                 0xA0,
                 0x00,
                 0x00,
                 0x0C,
                 static_cast<uint8_t>(frameCount),
                 static_cast<uint8_t>(frameCount >> 8)};
  movie.insert(movie.end(), tags.begin(), tags.end());
  for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<uint8_t>(movie.size() >> (8 * i));
  return movie;
}

struct DriverRun {
  int status = -1;
  std::string err;
};

DriverRun Rewrite(const swftest::ScratchDir& dir, const std::string& in, const std::string& out) {
  const std::string errPath = dir.Native("stderr.txt");
  const std::string command =
      std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/rewrite-movie '" + in + "' '" + out + "' 2>'" + errPath + "'";
  DriverRun run;
  const int status = std::system(command.c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const Bytes err = swftest::ReadFile(errPath);
  run.err.assign(err.begin(), err.end());
  return run;
}

// Stop, End, Play, End: the Play stands after an End.
const Bytes kActionsAfterEnd = {0x07, 0x00, 0x06, 0x00};

TEST(MovieRewrite, AMovieReadAndWrittenBackIsTheOriginalBytes) {
  const Bytes sprite = T(39, Concat({{1, 0, 1, 0}, kShowFrame, kEnd}));
  struct Case {
    const char* name;
    Bytes movie;
  } cases[] = {
      // Jump over an End to a Play: code reached by a jump.
      {"DoAction with code after an End",
       Movie(6, 1, Concat({T(12, {0x99, 0x02, 0x00, 0x01, 0x00, 0x00, 0x06, 0x00}, true), kShowFrame, kEnd}))},
      // A function "f" without parameters whose 3-byte body (Stop, End, Play) holds an End
      // before its last action.
      {"DoAction with an End inside a function body",
       Movie(6, 1,
             Concat({T(12, {0x9B, 0x06, 0x00, 'f', 0x00, 0x00, 0x00, 0x03, 0x00, 0x07, 0x00, 0x06, 0x00}, true),
                     kShowFrame, kEnd}))},
      {"DoInitAction with code after an End",
       Movie(6, 1, Concat({sprite, T(59, Concat({{1, 0}, kActionsAfterEnd}), true), kShowFrame, kEnd}))},
      {"DefineButton actions with code after an End",
       Movie(6, 1, Concat({T(7, Concat({{2, 0, 0}, kActionsAfterEnd})), kShowFrame, kEnd}))},
      {"DefineButton2 condition with code after an End",
       Movie(6, 1, Concat({T(34, Concat({{2, 0, 0, 3, 0, 0, 0, 0, 8, 0}, kActionsAfterEnd})), kShowFrame, kEnd}))},
      {"clip actions with code after an End",
       Movie(6, 1,
             Concat({sprite,
                     T(26, Concat({{0x82, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0},
                                   kActionsAfterEnd,
                                   {0, 0, 0, 0}})),
                     kShowFrame, kEnd}))},
      {"clip actions with stray bytes after their End",
       Movie(6, 1,
             Concat({sprite, T(26, {0x82, 1, 0, 1, 0, 0,    0,    1,    0,    0, 0, 1, 0, 0,
                                    0,    4, 0, 0, 0, 0x07, 0x00, 0xAA, 0xBB, 0, 0, 0, 0}),
                     kShowFrame, kEnd}))},
      {"sprite without End", Movie(6, 1, Concat({T(39, Concat({{1, 0, 1, 0}, kShowFrame})), kShowFrame, kEnd}))},
      {"all-event flags wider than the records' events",
       Movie(6, 1,
             Concat({sprite,
                     T(26, {0x82, 1, 0, 1, 0, 0, 0, 0x03, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0x07, 0x00, 0, 0, 0, 0}),
                     kShowFrame, kEnd}))},
      {"all-event flags 0 over records with events",
       Movie(
           6, 1,
           Concat({sprite, T(26, {0x82, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0x07, 0x00, 0, 0, 0, 0}),
                   kShowFrame, kEnd}))},
      {"header frame count above the ShowFrames", Movie(6, 3, Concat({kShowFrame, kEnd}))},
      {"header frame count below the ShowFrames", Movie(6, 1, Concat({kShowFrame, kShowFrame, kEnd}))},
      {"repeated frame label", Movie(5, 2, Concat({T(43, {'a', 0}), kShowFrame, T(43, {'a', 0}), kShowFrame, kEnd}))},
      // id 3, empty bounds, has font (no layout), font 1, height 240, variable "v".
      {"text field with a font and no layout",
       Movie(6, 1, Concat({T(37, {3, 0, 0x08, 0x00, 0x01, 0x00, 1, 0, 0xF0, 0, 'v', 0}), kShowFrame, kEnd}))},
  };
  swftest::ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = dir.Native("in.swf");
    const std::string out = dir.Native("out.swf");
    std::remove(out.c_str());
    swftest::WriteFile(in, c.movie);
    const DriverRun run = Rewrite(dir, in, out);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(swftest::ReadFile(out), c.movie);
  }
}

// A compressed movie comes back compressed, with the same movie inside.
TEST(MovieRewrite, ACompressedMovieIsWrittenBackCompressed) {
  const Bytes plain = Movie(6, 2, Concat({T(43, {'a', 0, 0}), kShowFrame, T(43, {'a', 0, 0}), kEnd}));
  Bytes compressed;
  ASSERT_TRUE(DeflateSwf(plain.data(), plain.size(), compressed));
  swftest::ScratchDir dir;
  swftest::WriteFile(dir.Native("in.swf"), compressed);
  const DriverRun run = Rewrite(dir, dir.Native("in.swf"), dir.Native("out.swf"));
  ASSERT_EQ(run.status, 0) << run.err;
  const Bytes out = swftest::ReadFile(dir.Native("out.swf"));
  ASSERT_GE(out.size(), 8u);
  EXPECT_EQ(out[0], 'C');
  Bytes inflated;
  ASSERT_EQ(InflateSwf(out.data(), out.size(), inflated), SwfInflateResult::kOk);
  EXPECT_EQ(inflated, plain);
}

// What the reader refuses is not written: a reason, a failing status and no output.
TEST(MovieRewrite, ARefusedMovieGivesAReasonAndNoOutput) {
  swftest::ScratchDir dir;
  const Bytes nested = [] {
    // Sprites nested deeper than the reader follows.
    Bytes inner = T(39, {9, 0, 0, 0});
    for (int i = 0; i < 40; ++i) inner = T(39, Concat({{9, 0, 0, 0}, inner}));
    return Movie(6, 1, Concat({inner, kShowFrame, kEnd}));
  }();
  Bytes cut = Movie(6, 1, Concat({T(12, Bytes(20, 0x07), true), kEnd}));
  cut.resize(cut.size() - 10);
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"not a movie", Bytes{'h', 'e', 'l', 'l', 'o'}},
      {"a tag longer than the data", cut},
      {"LZMA movie", Bytes{'Z', 'W', 'S', 13, 30, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"damaged compressed movie", Bytes{'C', 'W', 'S', 6, 30, 0, 0, 0, 0x78, 0x9C, 1, 2, 3}},
      {"sprites nested too deep", nested},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    swftest::WriteFile(dir.Native("in.swf"), c.file);
    const DriverRun run = Rewrite(dir, dir.Native("in.swf"), dir.Native("out.swf"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("rewrite-movie: ", 0), 0u) << run.err;
    EXPECT_GT(run.err.size(), std::string("rewrite-movie: \n").size());
    EXPECT_TRUE(swftest::ReadFile(dir.Native("out.swf")).empty());
  }
  const DriverRun missing = Rewrite(dir, dir.Native("absent.swf"), dir.Native("out.swf"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot be opened"), std::string::npos) << missing.err;
}

}  // namespace
