// Runs of bytes that share the storage a movie was read into: tag bodies read from a file
// are views of the reader's buffer, outlive the reader, and never see one another change.
#include "swf/SwfBytes.h"

#include <gtest/gtest.h>

#include <random>

#include "swf/BitmapTags.h"
#include "swf/SoundTags.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "swf/VideoTags.h"
#include "tests/swf/SwfTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SwfBytes, SlicesAreCutToTheRunAndShareIt) {
  const SwfBytes run(Bytes{1, 2, 3, 4, 5});
  struct Case {
    size_t offset;
    size_t size;
    Bytes expect;
  };
  const Case cases[] = {
      {0, 5, {1, 2, 3, 4, 5}},        {1, 2, {2, 3}}, {3, 100, {4, 5}}, {5, 1, {}}, {9, 1, {}}, {2, 0, {}},
      {0, SIZE_MAX, {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    const SwfBytes slice = run.Slice(c.offset, c.size);
    EXPECT_EQ(slice, c.expect) << c.offset << " " << c.size;
    EXPECT_EQ(slice.SharesStorageWith(run), !c.expect.empty()) << c.offset << " " << c.size;
  }
}

TEST(SwfBytes, ReplacingOneRunLeavesTheOthersAsTheyWere) {
  SwfBytes a(Bytes{7, 8, 9});
  SwfBytes b = a;
  const SwfBytes c = a.Slice(1, 1);
  a = SwfBytes(Bytes{1});
  b.clear();
  EXPECT_EQ(a, (Bytes{1}));
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(c, (Bytes{8}));
  const Bytes copied = c;
  EXPECT_EQ(copied, (Bytes{8}));
}

// A movie with a bitmap, a sound, a video frame and an unknown tag, read from a file: their
// bodies are views of the reader's buffer, not copies, and stay with the tags after the
// reader has gone (a sanitizer build sees any read of freed storage).
TEST(SwfBytes, BodiesReadFromAFileShareTheReadersBufferAndOutliveIt) {
  SwfBitWriter w(8);
  SwfHeader header;
  header.Set(0, 0, 2000, 2000, 12.0f, 8);
  header.Write(w);
  const size_t headerSize = w.GetBytes().size();
  const Bytes pixels(300, 0xA5);
  DefineBitsLosslessTag bitmap;
  bitmap.SetCharacterId(1);
  bitmap.SetWidth(10);
  bitmap.SetHeight(10);
  bitmap.SetData(pixels.data(), pixels.size());
  bitmap.Write(w);
  DefineSoundTag sound;
  sound.SetCharacterId(2);
  sound.data = Bytes(90, 0x3C);
  sound.Write(w);
  VideoFrameTag frame;
  frame.data = Bytes(70, 0x5E);
  frame.Write(w);
  RawTag unknown(200, Bytes(80, 0x77));
  unknown.Write(w);
  SwfTag::WriteTagHeader(0, w, 0, false);
  Bytes movie = w.GetBytes();
  const auto length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
  swftest::ScratchDir dir;
  swftest::WriteFile(dir.Native("bodies.swf"), movie);

  std::vector<std::unique_ptr<SwfTag>> tags;
  {
    SwfReader reader;
    ASSERT_TRUE(reader.LoadFileWithOptions(dir.Path("bodies.swf"), true, 0, true));
    tags = reader.TakeTags();
    ASSERT_EQ(tags.size(), 5u);
    // The reader lets go of the file once its tags are read.
    EXPECT_TRUE(reader.GetData().empty());
    auto* readBitmap = dynamic_cast<DefineBitsLosslessTag*>(tags[0].get());
    auto* readSound = dynamic_cast<DefineSoundTag*>(tags[1].get());
    auto* readFrame = dynamic_cast<VideoFrameTag*>(tags[2].get());
    auto* readUnknown = dynamic_cast<RawTag*>(tags[3].get());
    ASSERT_NE(readBitmap, nullptr);
    ASSERT_NE(readSound, nullptr);
    ASSERT_NE(readFrame, nullptr);
    ASSERT_NE(readUnknown, nullptr);
    const SwfBytes& pixelsRead = readBitmap->GetData();
    EXPECT_TRUE(readSound->data.SharesStorageWith(pixelsRead));
    EXPECT_TRUE(readFrame->data.SharesStorageWith(pixelsRead));
    EXPECT_TRUE(readUnknown->GetBody().SharesStorageWith(pixelsRead));
    // As far apart as the file has them: the pixels, the sound's header and fields.
    EXPECT_EQ(readSound->data.data(), pixelsRead.data() + pixels.size() + 6 + 7);
  }
  // The reader is gone; the bodies and the bytes they write are the file's.
  SwfBitWriter again(8);
  again.WriteBytes(movie.data(), headerSize);
  for (auto& tag : tags) tag->Write(again);
  EXPECT_EQ(again.GetBytes(), movie);
}

// A movie of well over a megabyte, whose bodies shared with the tags (bitmaps, unknown tags,
// a video frame inside a sprite, a body too short for its class kept as bytes) lie between
// tags that are read into objects, so that pages of the file are given back while it is
// read, right beside pages the shared bodies keep: written again, the movie is its file.
TEST(SwfBytes, PagesGivenBackWhileAMovieIsReadNeverHoldSharedBodies) {
  std::mt19937 rng(17);
  auto randomBytes = [&](size_t n) {
    Bytes bytes(n);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng() | 1);
    return bytes;
  };
  auto tag = [](int code, const Bytes& body) {
    Bytes out = SwfTag::MakeTagHeader(code, body.size(), body.size() > 62);
    out.insert(out.end(), body.begin(), body.end());
    return out;
  };
  SwfBitWriter w(8);
  SwfHeader header;
  header.Set(0, 0, 2000, 2000, 12.0f, 8);
  header.Write(w);
  Bytes movie = w.GetBytes();
  uint16_t id = 1;
  while (movie.size() < 1'500'000) {
    Bytes bitmap = {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8), 5, 10, 0, 10, 0};
    const Bytes pixels = randomBytes(100 + rng() % 9000);
    bitmap.insert(bitmap.end(), pixels.begin(), pixels.end());
    const Bytes parsed = tag(9, {1, 2, 3});  // SetBackgroundColor, read into fields
    const Bytes unknown = tag(200, randomBytes(rng() % 5000));
    Bytes frame = {1, 0, 2, 0};
    const Bytes frameData = randomBytes(rng() % 3000);
    frame.insert(frame.end(), frameData.begin(), frameData.end());
    Bytes sprite = {static_cast<uint8_t>(id + 1), static_cast<uint8_t>((id + 1) >> 8), 1, 0};
    for (const Bytes& child : {tag(61, frame), tag(1, {}), tag(0, {})})
      sprite.insert(sprite.end(), child.begin(), child.end());
    const Bytes shortSound = tag(14, {1, 0});  // DefineSound needs seven bytes: kept as bytes
    for (const Bytes& t : {tag(20, bitmap), parsed, unknown, tag(39, sprite), shortSound, tag(1, {})}) {
      movie.insert(movie.end(), t.begin(), t.end());
    }
    id = static_cast<uint16_t>(id + 2);
  }
  const Bytes end = tag(0, {});
  movie.insert(movie.end(), end.begin(), end.end());
  const auto length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
  swftest::ScratchDir dir;
  swftest::WriteFile(dir.Native("large.swf"), movie);

  SwfReader reader;
  ASSERT_TRUE(reader.LoadFileWithOptions(dir.Path("large.swf"), true, 0, true));
  SwfBitWriter again(8);
  again.WriteBytes(movie.data(), w.GetBytes().size());
  for (auto& t : reader.GetTags()) t->Write(again);
  const Bytes& written = again.GetBytes();
  ASSERT_EQ(written.size(), movie.size());
  for (size_t i = 0; i < movie.size(); ++i) ASSERT_EQ(written[i], movie[i]) << "byte " << i;
}

}  // namespace
