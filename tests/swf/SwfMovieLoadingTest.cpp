// Loading whole movies: files and memory blocks, the tag loop and its limits, the movie
// facts, and the factory's choice of classes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfCompression.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagFactory.h"
#include "tests/swf/MovieTestSupport.h"
#include "tests/swf/SwfTestSupport.h"

namespace {

using movietest::Bytes;
using movietest::TagList;

SwfHeader Header(uint8_t version = 6) {
  SwfHeader header;
  header.Set(0, 0, 11000, 8000, 12.0f, version);
  header.frameCount = 1;
  return header;
}

Bytes Movie(const std::vector<Bytes>& tags, uint8_t version = 6) {
  TagList list;
  SwfBitWriter w(version);
  SwfHeader header = Header(version);
  header.Write(w);
  Bytes bytes = w.GetBytes();
  for (const Bytes& t : tags) bytes.insert(bytes.end(), t.begin(), t.end());
  const auto length = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) bytes[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
  return bytes;
}

// A short-form tag header and body.
Bytes T(int code, Bytes body = {}) {
  Bytes out = SwfTag::MakeTagHeader(code, body.size(), false);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<int> Codes(const TagList& tags) {
  std::vector<int> codes;
  for (const auto& t : tags) codes.push_back(t->TagCode());
  return codes;
}

bool IsRaw(const SwfTag& tag) { return dynamic_cast<const RawTag*>(&tag) != nullptr; }

TEST(SwfMovieLoading, MovieWithoutEndTagEndsWithOne) {
  const Bytes movie = Movie({T(9, {1, 2, 3}), T(1)});
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true));
  EXPECT_EQ(Codes(reader.GetTags()), (std::vector<int>{9, 1, 0}));
  EXPECT_NE(dynamic_cast<EndTag*>(reader.GetTags().back().get()), nullptr);
  EXPECT_FALSE(reader.HasCutTag());
  EXPECT_EQ(reader.GetFrameCount(), 1);
  EXPECT_EQ(reader.GetFrameWidth(), 11000);
  EXPECT_EQ(reader.GetFrameHeight(), 8000);
}

TEST(SwfMovieLoading, StopAfterOneFrameKeepsItsShowFrame) {
  const Bytes movie = Movie({T(9, {1, 2, 3}), T(1), T(43, {'a', 0}), T(1), T(0)});
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, false));
  reader.ParseTags(nullptr, 1);
  EXPECT_EQ(Codes(reader.GetTags()), (std::vector<int>{9, 1}));
}

TEST(SwfMovieLoading, FactsAndClassesFromTheFactory) {
  struct Case {
    Bytes tag;
    bool raw;
    bool isProtected, debugger, sound, privateTag;
  };
  const std::vector<Case> cases = {
      {T(24, {0, 0, 'x', 'y', 0}), false, true, false, false, false},  // Protect with a password
      {T(24), false, true, false, false, false},
      {T(58, {'p', 0}), false, false, true, false, false},
      {T(64, {0, 0, 'p', 0}), false, false, true, false, false},
      {T(15, {1, 0, 0}), false, false, false, true, false},
      {T(19, {1, 2, 3}), false, false, false, true, false},
      {T(999, {7, 7}), true, false, false, false, true},
      {T(18, {0, 0, 0, 0}), false, false, false, false, false},  // a stream head alone is not sound
      {T(77, {'<', 'x', '/', '>', 0}), true, false, false, false, false},
  };
  for (const Case& c : cases) {
    const Bytes movie = Movie({c.tag, T(0)});
    SwfReader reader;
    ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true));
    SCOPED_TRACE(reader.GetTags()[0]->TagCode());
    EXPECT_EQ(IsRaw(*reader.GetTags()[0]), c.raw);
    EXPECT_EQ(reader.IsProtected(), c.isProtected);
    EXPECT_EQ(reader.HasDebugger(), c.debugger);
    EXPECT_EQ(reader.HasSound(), c.sound);
    EXPECT_EQ(reader.HasPrivateTag(), c.privateTag);
    // Whatever the class, the tag writes back the bytes it was read from.
    EXPECT_EQ(movietest::WriteOne(*reader.GetTags()[0], 6), c.tag);
  }
}

TEST(SwfMovieLoading, UnknownAndUnreadableTagsTravelAsTheirBytes) {
  // Code 200 is unknown; the PlaceObject body is too short for its fields; the long header of
  // the unknown tag is kept as the short form it can take.
  const Bytes unknown = {0x3F, 0x32, 3, 0, 0, 0, 0xAA, 0xBB, 0xCC};
  const Bytes movie = Movie({unknown, T(4, {5}), T(1), T(0)});
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true));
  const TagList& tags = reader.GetTags();
  ASSERT_EQ(Codes(tags), (std::vector<int>{200, 4, 1, 0}));
  EXPECT_TRUE(IsRaw(*tags[0]));
  EXPECT_EQ(movietest::WriteOne(*tags[0], 6), T(200, {0xAA, 0xBB, 0xCC}));
  EXPECT_TRUE(IsRaw(*tags[1]));
  EXPECT_EQ(movietest::WriteOne(*tags[1], 6), T(4, {5}));
}

TEST(SwfMovieLoading, LengthsBeyondTheDataEndTheLoop) {
  // A declared file length far above the data, and a tag that claims almost 4 GiB.
  Bytes movie = Movie({T(1), {0xBF, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 1, 2, 3}});
  movie[4] = movie[5] = movie[6] = movie[7] = 0xFF;
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true));
  ASSERT_EQ(Codes(reader.GetTags()), (std::vector<int>{1, 2, 0}));
  // The shape's body is what the data holds, kept as it is.
  EXPECT_TRUE(IsRaw(*reader.GetTags()[1]));
  EXPECT_EQ(movietest::WriteOne(*reader.GetTags()[1], 6), T(2, {1, 2, 3}));
  EXPECT_TRUE(reader.HasCutTag());
  // The next load starts without the mark.
  const Bytes whole = Movie({T(1), T(0)});
  ASSERT_TRUE(reader.LoadFromMemory(whole.data(), whole.size(), true, 0, true));
  EXPECT_FALSE(reader.HasCutTag());
}

TEST(SwfMovieLoading, DeclaredLengthShorterThanTheDataCutsIt) {
  Bytes movie = Movie({T(1), T(1), T(0)});
  const uint32_t cut = static_cast<uint32_t>(movie.size() - 4);  // the second ShowFrame and End go
  for (int i = 0; i < 4; ++i) movie[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(cut >> (8 * i));
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true));
  EXPECT_EQ(Codes(reader.GetTags()), (std::vector<int>{1, 0}));
}

TEST(SwfMovieLoading, RefusalsGiveTheirErrors) {
  swftest::ScratchDir dir;
  SwfReader reader;
  EXPECT_FALSE(reader.LoadFileWithOptions(dir.Path("missing.swf"), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadCannotOpen);

  swftest::WriteFile(dir.Native("text.swf"), Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
  EXPECT_FALSE(reader.LoadFileWithOptions(dir.Path("text.swf"), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadNotSwf);

  // A pipe is refused at once instead of waited on.
  ASSERT_EQ(::mkfifo(dir.Native("pipe.swf").c_str(), 0600), 0);
  EXPECT_FALSE(reader.LoadFileWithOptions(dir.Path("pipe.swf"), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadCannotOpen);

  const Bytes movie = Movie({T(1), T(0)});
  Bytes cws;
  ASSERT_TRUE(DeflateSwf(movie.data(), movie.size(), cws));
  EXPECT_FALSE(reader.LoadFromMemory(cws.data(), cws.size(), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadNotSwf);
  EXPECT_TRUE(reader.IsCompressed());

  // A compressed file cut short in its zlib data.
  swftest::WriteFile(dir.Native("cut.swf"), Bytes(cws.begin(), cws.end() - 6));
  EXPECT_FALSE(reader.LoadFileWithOptions(dir.Path("cut.swf"), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadNotSwf);
}

TEST(SwfMovieLoading, CompressedFileGivesTheTagsOfItsUncompressedForm) {
  swftest::ScratchDir dir;
  const Bytes movie = Movie({T(9, {0xFF, 0, 0}), T(43, {'s', 't', 'a', 'r', 't', 0}), T(1), T(0)});
  Bytes cws;
  ASSERT_TRUE(DeflateSwf(movie.data(), movie.size(), cws));
  swftest::WriteFile(dir.Native("plain.swf"), movie);
  swftest::WriteFile(dir.Native("packed.swf"), cws);
  SwfReader plain;
  SwfReader packed;
  ASSERT_TRUE(plain.LoadFileWithOptions(dir.Path("plain.swf"), true, 0, true));
  ASSERT_TRUE(packed.LoadFileWithOptions(dir.Path("packed.swf"), true, 0, true));
  EXPECT_FALSE(plain.IsCompressed());
  EXPECT_TRUE(packed.IsCompressed());
  EXPECT_EQ(movietest::CompareTags(plain.GetTags(), packed.GetTags(), 6), "");
  EXPECT_EQ(dir.Entries().size(), 2u);  // nothing left behind
}

TEST(SwfMovieLoading, LightLoadingKeepsOnlyBackgroundAndLabelsAsClasses) {
  swftest::ScratchDir dir;
  const Bytes movie = Movie({T(9, {0xFF, 0, 0}), T(4, {1, 0, 1, 0, 0}), T(43, {'a', 0}), T(1), T(0)});
  swftest::WriteFile(dir.Native("m.swf"), movie);
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFile(dir.Path("m.swf")));
  const TagList& tags = reader.GetTags();
  ASSERT_EQ(Codes(tags), (std::vector<int>{9, 4, 43, 1, 0}));
  EXPECT_NE(dynamic_cast<SetBackgroundColorTag*>(tags[0].get()), nullptr);
  EXPECT_TRUE(IsRaw(*tags[1]));
  EXPECT_NE(dynamic_cast<FrameLabelTag*>(tags[2].get()), nullptr);
  EXPECT_TRUE(IsRaw(*tags[3]));
  EXPECT_EQ(reader.GetFrameCount(), 0);  // no facts
}

TEST(SwfMovieLoading, ReadNextTagGoesTagByTagAndEndsWithNull) {
  const Bytes movie = Movie({T(1), T(0)});
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(movie.data(), movie.size(), true, 0, false));
  auto first = reader.ReadNextTag();
  auto second = reader.ReadNextTag();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->TagCode(), 1);
  EXPECT_EQ(second->TagCode(), 0);
  EXPECT_EQ(reader.ReadNextTag(), nullptr);
}

// Sprites nested in sprites, `levels` deep, the innermost holding a ShowFrame: the headers
// and ids from the outside in, the ShowFrame, then every sprite's End.
Bytes NestedSprites(int levels) {
  std::vector<uint32_t> bodySizes(static_cast<size_t>(levels));
  uint32_t inner = 4;  // ShowFrame and End of the innermost sprite
  for (int i = 0; i < levels; ++i) {
    bodySizes[static_cast<size_t>(i)] = 4 + inner;
    inner = 6 + 4 + inner + (i + 1 < levels ? 2 : 0);
  }
  Bytes out;
  for (int i = levels - 1; i >= 0; --i) {
    const uint32_t body = bodySizes[static_cast<size_t>(i)] + (i + 1 < levels ? 2 : 0);
    const Bytes header = SwfTag::MakeTagHeader(39, body, true);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), {static_cast<uint8_t>(i + 1), static_cast<uint8_t>((i + 1) >> 8), 1, 0});
  }
  out.insert(out.end(), {0x40, 0x00, 0x00, 0x00});
  for (int i = 1; i < levels; ++i) out.insert(out.end(), {0x00, 0x00});
  return out;
}

TEST(SwfMovieLoading, SpritesNestedBeyondTheLimitAreAnError) {
  const Bytes deepest = Movie({NestedSprites(kSwfMaxSpriteNesting), T(1), T(0)});
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(deepest.data(), deepest.size(), true, 0, true));
  const SwfTag* tag = reader.GetTags()[0].get();
  for (int i = 0; i < kSwfMaxSpriteNesting; ++i) {
    const auto* sprite = dynamic_cast<const DefineSpriteTag*>(tag);
    ASSERT_NE(sprite, nullptr) << i;
    tag = sprite->Children()[0].get();
  }
  EXPECT_EQ(tag->TagCode(), 1);

  const Bytes tooDeep = Movie({NestedSprites(kSwfMaxSpriteNesting + 1), T(1), T(0)});
  EXPECT_FALSE(reader.LoadFromMemory(tooDeep.data(), tooDeep.size(), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadNestedTooDeep);
  EXPECT_TRUE(reader.GetTags().empty());
  // Far deeper than any stack would take unguarded.
  const Bytes absurd = Movie({NestedSprites(100000), T(0)});
  EXPECT_FALSE(reader.LoadFromMemory(absurd.data(), absurd.size(), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadNestedTooDeep);
}

// A tag header takes two bytes of the file and its object some tens of bytes, so the tags a
// load reads are counted, sprite children included: a movie of more than kSwfMaxTagCount tags
// is refused instead of growing its memory many times over the file.
TEST(SwfMovieLoading, MoviesOfMoreTagsThanTheLimitAreRefused) {
  const Bytes showFrame = T(1);
  Bytes frames;
  frames.reserve(2 * size_t{kSwfMaxTagCount});
  for (uint32_t i = 0; i + 1 < kSwfMaxTagCount; ++i) frames.insert(frames.end(), showFrame.begin(), showFrame.end());

  // Exactly the limit, the End tag included, loads.
  Bytes atLimit = Movie({frames, T(0)});
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFromMemory(atLimit.data(), atLimit.size(), true, 0, true));
  EXPECT_EQ(reader.GetTags().size(), size_t{kSwfMaxTagCount});
  EXPECT_FALSE(reader.HasTooManyTags());
  atLimit = Bytes();

  // One more at the top: refused, by the light split of a file too.
  const Bytes overAtTop = Movie({frames, showFrame, T(0)});
  EXPECT_FALSE(reader.LoadFromMemory(overAtTop.data(), overAtTop.size(), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadOutOfMemory);
  EXPECT_TRUE(reader.HasTooManyTags());
  EXPECT_TRUE(reader.GetTags().empty());
  swftest::ScratchDir dir;
  swftest::WriteFile(dir.Native("many.swf"), overAtTop);
  SwfReader light;
  EXPECT_FALSE(light.LoadFile(dir.Path("many.swf")));
  EXPECT_EQ(light.GetError(), kSwfReadOutOfMemory);
  EXPECT_TRUE(light.GetTags().empty());

  // One more inside a sprite: sprite children count too.
  Bytes sprite = {1, 0, 1, 0};
  sprite.insert(sprite.end(), {0x40, 0x00, 0x00, 0x00});  // ShowFrame, End
  frames.resize(frames.size() - 2 * 2);
  const Bytes overInSprite = Movie({frames, SwfTag::MakeTagHeader(39, sprite.size(), true), sprite, T(0)});
  EXPECT_FALSE(reader.LoadFromMemory(overInSprite.data(), overInSprite.size(), true, 0, true));
  EXPECT_EQ(reader.GetError(), kSwfReadOutOfMemory);
  EXPECT_TRUE(reader.GetTags().empty());
}

}  // namespace
