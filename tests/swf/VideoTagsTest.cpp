#include "swf/VideoTags.h"

#include <gtest/gtest.h>

#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;
using tagtest::ReadTag;
using tagtest::WriteTag;

TEST(VideoTags, StreamRoundTrip) {
  DefineVideoStreamTag stream;
  stream.SetCharacterId(3);
  stream.frameCount = 25;
  stream.width = 320;
  stream.height = 240;
  stream.videoFlags = 0x03;
  stream.codecId = 2;
  EXPECT_EQ(WriteTag(stream, 6), (Bytes{0x0A, 0x0F, 3, 0, 25, 0, 0x40, 1, 240, 0, 3, 2}));
  auto copy = tagtest::RoundTrip(stream, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->videoFlags, 3);
  EXPECT_EQ(copy->codecId, 2);
}

TEST(VideoTags, FrameOfFourBytesHasNoData) {
  const Bytes bytes = {0x44, 0x0F, 3, 0, 7, 0};
  VideoFrameTag frame(4);
  EXPECT_FALSE(ReadTag(bytes, frame, 6).overrun);
  EXPECT_TRUE(frame.data.empty());
  EXPECT_EQ(frame.frameNumber, 7);
  EXPECT_EQ(WriteTag(frame, 6), bytes);
}

TEST(VideoTags, FrameDataRoundTrip) {
  Bytes bytes = {0x7F, 0x0F, 104, 0, 0, 0, 3, 0, 9, 0};
  for (int i = 0; i < 100; ++i) bytes.push_back(static_cast<uint8_t>(i));
  VideoFrameTag frame(104);
  EXPECT_FALSE(ReadTag(bytes, frame, 6).overrun);
  EXPECT_EQ(frame.data.size(), 100u);
  EXPECT_EQ(WriteTag(frame, 6), bytes);
}

// A body shorter than the stream id and frame number is an error, not 2^32 - 4 bytes of data.
TEST(VideoTags, ShortFrameIsAnError) {
  for (uint8_t length = 0; length < 4; ++length) {
    Bytes bytes = {static_cast<uint8_t>((61 << 6 | length) & 0xFF), static_cast<uint8_t>((61 << 6) >> 8)};
    for (uint8_t i = 0; i < length; ++i) bytes.push_back(1);
    VideoFrameTag frame(length);
    const tagtest::ReadResult r = ReadTag(bytes, frame, 6);
    EXPECT_TRUE(r.overrun) << int(length);
    EXPECT_TRUE(frame.data.empty());
    Bytes unframed(bytes.begin() + 2, bytes.end());
    unframed.insert(unframed.end(), 16, 0x40);
    SwfReader reader(unframed, 6);
    VideoFrameTag loose(length);
    loose.Read(reader);
    EXPECT_TRUE(reader.HasOverrun());
    EXPECT_TRUE(loose.data.empty()) << int(length);
  }
}

TEST(VideoTags, StreamAndFramesRelocateTogether) {
  DefineVideoStreamTag stream;
  stream.SetCharacterId(65530);
  VideoFrameTag frame;
  frame.streamId = 65530;
  stream.Relocate(10, 1, 1);
  frame.Relocate(10, 1, 1);
  EXPECT_EQ(stream.GetCharacterId(), frame.streamId);
  EXPECT_EQ(frame.streamId, 4);
}

}  // namespace
