#include "swf/SoundTags.h"

#include <gtest/gtest.h>

#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;
using tagtest::ReadTag;
using tagtest::WriteTag;

TEST(SoundTags, FormatSettersReplaceTheirBits) {
  DefineSoundTag sound;
  sound.SetFormat(6);
  sound.SetRate(3);
  EXPECT_EQ(sound.flags, 0x6C);
  sound.SetRate(1);
  EXPECT_EQ(sound.flags, 0x64);
  sound.SetSampleSize(1);
  sound.SetStereo(1);
  EXPECT_EQ(sound.flags, 0x67);
  SoundStreamHeadTag head;
  head.SetFormat(2);
  head.SetStereo(1);
  head.SetStereo(0);
  EXPECT_EQ(head.streamByte, 0x20);
}

TEST(SoundTags, StreamHeadClearsTheReservedPlaybackBits) {
  SoundStreamHeadTag head;
  EXPECT_FALSE(ReadTag(Bytes{0x84, 0x04, 0xFF, 0x0E, 0x40, 0x01}, head, 6).overrun);
  EXPECT_EQ(WriteTag(head, 6), (Bytes{0x84, 0x04, 0x0F, 0x0E, 0x40, 0x01}));
}

// An MP3 stream head carries its seek latency after the sample count; it survives a rewrite.
TEST(SoundTags, Mp3StreamHeadKeepsItsLatency) {
  const Bytes input = {0x46, 0x0B, 0x0E, 0x2E, 0x40, 0x02, 0x40, 0xFF};  // SoundStreamHead2, latency -192
  SoundStreamHead2Tag head;
  const tagtest::ReadResult r = ReadTag(input, head, 8);
  EXPECT_FALSE(r.overrun);
  EXPECT_EQ(r.code, 45);
  EXPECT_EQ(head.sampleCount, 576);
  EXPECT_EQ(WriteTag(head, 8), input);
  auto copy = tagtest::RoundTrip(head, 8);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->trailing, (Bytes{0x40, 0xFF}));
}

TEST(SoundTags, SoundInfoLayouts) {
  struct Case {
    uint8_t flags;
    size_t size;
  };
  for (const Case c : {Case{0x00, 1}, Case{0x01, 5}, Case{0x02, 5}, Case{0x04, 3}, Case{0x08, 2 + 16},
                       Case{0x2F, 1 + 4 + 4 + 2 + 1 + 16}}) {
    SoundInfo info;
    info.flags = c.flags;
    info.inPoint = 100;
    info.outPoint = 0x12345678;
    info.loopCount = 3;
    info.envelope = {{0, 1, 2}, {44100, 0x8000, 0}};
    SwfBitWriter w(6);
    EXPECT_EQ(info.Write(w), c.size) << int(c.flags);
    SwfReader reader(w.GetBytes(), 6);
    SoundInfo back;
    EXPECT_EQ(back.Read(reader), c.size);
    EXPECT_FALSE(reader.HasOverrun());
    SoundInfo expected;
    expected.flags = c.flags;
    if (c.flags & 1) expected.inPoint = 100;
    if (c.flags & 2) expected.outPoint = 0x12345678;
    if (c.flags & 4) expected.loopCount = 3;
    if (c.flags & 8) expected.envelope = info.envelope;
    EXPECT_TRUE(back == expected) << int(c.flags);
  }
}

TEST(SoundTags, EnvelopeCountBeyondTheBodyIsAnError) {
  SwfReader reader(Bytes{0x08, 200, 0, 0, 0, 0, 1, 0, 1, 0}, 6);
  SoundInfo info;
  info.Read(reader);
  EXPECT_TRUE(reader.HasOverrun());
  EXPECT_TRUE(info.envelope.empty());
}

TEST(SoundTags, StartSoundWithoutLoopsOrEnvelopeHasAThreeByteBody) {
  StartSoundTag start;
  start.soundId = 17;
  start.info.flags = SoundInfo::kSyncStop;
  EXPECT_EQ(WriteTag(start, 6), tagtest::CorpusTag("start-sound/start-sound1-stop17"));
}

TEST(SoundTags, CorpusStartSoundsRoundTrip) {
  for (const char* name :
       {"start-sound/start-sound1-id18", "start-sound/start-sound1-play17", "start-sound/start-sound1-stop17"}) {
    const Bytes input = tagtest::CorpusTag(name);
    ASSERT_FALSE(input.empty()) << name;
    StartSoundTag tag;
    EXPECT_FALSE(ReadTag(input, tag, 6).overrun) << name;
    EXPECT_EQ(WriteTag(tag, 6), input) << name;
  }
  StartSoundTag play;
  ReadTag(tagtest::CorpusTag("start-sound/start-sound1-play17"), play, 6);
  EXPECT_EQ(play.info.loopCount, 10);
  ASSERT_EQ(play.info.envelope.size(), 4u);
  EXPECT_EQ(play.info.envelope[1].position, 106398u);
  EXPECT_EQ(play.info.envelope[3].leftLevel, 16384);
}

TEST(SoundTags, CorpusDefineSound) {
  const Bytes input = tagtest::CorpusTag("define-sound/chime");
  DefineSoundTag tag;
  EXPECT_FALSE(ReadTag(input, tag, 6).overrun);
  EXPECT_EQ(tag.GetCharacterId(), 300);
  EXPECT_EQ(tag.sampleCount, 42752u);
  EXPECT_EQ(tag.flags >> 4, 2);  // MP3
  EXPECT_EQ(tag.data.size() + 7, tagtest::BodyOf(input).size());
  EXPECT_EQ(tagtest::BodyOf(WriteTag(tag, 6)), tagtest::BodyOf(input));
}

// A DefineSound body shorter than its seven fixed bytes is an error, not 2^32 - 7 bytes.
TEST(SoundTags, ShortDefineSoundIsAnError) {
  for (uint8_t length = 0; length < 7; ++length) {
    Bytes bytes = {static_cast<uint8_t>(14 << 6 | length), 0x03};
    for (uint8_t i = 0; i < length; ++i) bytes.push_back(i);
    DefineSoundTag tag;
    const tagtest::ReadResult r = ReadTag(bytes, tag, 6);
    EXPECT_TRUE(r.overrun) << int(length);
    EXPECT_EQ(r.nextTag, bytes.size());
    EXPECT_TRUE(tag.data.empty());
    // Not held inside its body, the reader still takes nothing of what follows.
    Bytes unframed(bytes.begin() + 2, bytes.end());
    unframed.insert(unframed.end(), 16, 0x40);
    SwfReader reader(unframed, 6);
    reader.SetCurrentTagLength(length);
    DefineSoundTag loose;
    loose.Read(reader);
    EXPECT_TRUE(reader.HasOverrun());
    EXPECT_TRUE(loose.data.empty()) << int(length);
  }
  DefineSoundTag seven;
  EXPECT_FALSE(ReadTag(Bytes{0x87, 0x03, 1, 0, 0x22, 0, 0, 0, 0}, seven, 6).overrun);
}

TEST(SoundTags, StreamBlockKeepsItsBody) {
  SoundStreamBlockTag block;
  block.data = Bytes(100, 0x5A);
  auto copy = tagtest::RoundTrip(block, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->data, block.data);
}

TEST(SoundTags, Relocation) {
  DefineSoundTag sound;
  sound.SetCharacterId(4);
  sound.Relocate(10, 5, 5);
  EXPECT_EQ(sound.GetCharacterId(), 14);
  StartSoundTag start;
  start.soundId = 4;
  start.Relocate(10, 5, 5);
  EXPECT_EQ(start.soundId, 14);
  SoundStreamHeadTag head;
  head.SetCharacterId(1);
  head.Relocate(10, 0, 0);
  EXPECT_EQ(head.GetCharacterId(), 11);
  EXPECT_EQ(tagtest::BodyOf(WriteTag(head, 6)).size(), 4u);  // the id is never written
}

}  // namespace
