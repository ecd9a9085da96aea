#include "swf/ButtonTags.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;
using tagtest::ReadTag;
using tagtest::WriteTag;

std::unique_ptr<ButtonRecord> Record(uint8_t flags, uint16_t id, uint16_t depth) {
  auto record = std::make_unique<ButtonRecord>();
  record->stateFlags = flags;
  record->characterId = id;
  record->depth = depth;
  record->matrix = std::make_unique<SwfMatrix>();
  record->matrix->translateX = 200;
  record->colorTransform = std::make_unique<SwfCxformWithAlpha>();
  return record;
}

std::unique_ptr<DoActionTag> List(std::initializer_list<uint16_t> gotoFrames, bool play) {
  auto list = std::make_unique<DoActionTag>();
  for (uint16_t frame : gotoFrames) list->AddAction(std::make_unique<ActionGotoFrame>(frame));
  if (play) list->AddAction(std::make_unique<ActionPlay>());
  return list;
}

uint16_t U16At(const Bytes& bytes, size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); }

TEST(ButtonTags, Button2WithoutConditionsWritesOffsetZero) {
  DefineButton2Tag button;
  button.SetCharacterId(9);
  button.records.push_back(Record(ButtonRecord::kUp | ButtonRecord::kHitTest, 3, 1));
  const Bytes body = tagtest::BodyOf(WriteTag(button, 6));
  EXPECT_EQ(U16At(body, 3), 0);
  EXPECT_EQ(body.back(), 0);  // the end of the records is the end of the body
  auto copy = tagtest::RoundTrip(button, 6);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->actions.empty());
  ASSERT_EQ(copy->records.size(), 1u);
  EXPECT_EQ(copy->records[0]->matrix->translateX, 200);
}

TEST(ButtonTags, Button2ConditionSizes) {
  DefineButton2Tag button;
  button.SetCharacterId(9);
  button.trackAsMenu = 1;
  button.records.push_back(Record(ButtonRecord::kUp, 3, 1));
  button.AddConditionAction(DefineButton2Tag::kOverDownToOverUp, List({4}, true));
  button.AddConditionAction(DefineButton2Tag::kIdleToOverUp | 0x4200, List({}, true));
  const Bytes body = tagtest::BodyOf(WriteTag(button, 6));
  const size_t firstCondition = 3 + U16At(body, 3);
  // GotoFrame (5 bytes), Play, End: 7 bytes of actions after the 4-byte header.
  EXPECT_EQ(U16At(body, firstCondition), 4 + 7);
  EXPECT_EQ(U16At(body, firstCondition + 2), DefineButton2Tag::kOverDownToOverUp);
  const size_t second = firstCondition + 11;
  EXPECT_EQ(U16At(body, second), 0);
  EXPECT_EQ(U16At(body, second + 2), 0x4201);
  EXPECT_EQ(body.size(), second + 4 + 2);
  auto copy = tagtest::RoundTrip(button, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->conditionCodes, (std::vector<uint16_t>{0x0008, 0x4201}));
  ASSERT_EQ(copy->actions.size(), 2u);
  EXPECT_EQ(copy->actions[0]->ActionCount(), 2u);
  EXPECT_EQ(copy->trackAsMenu, 1);
}

TEST(ButtonTags, EmptyConditionCodesWriteZero) {
  DefineButton2Tag button;
  button.actions.push_back(List({}, true));
  button.actions.push_back(List({}, true));
  const Bytes body = tagtest::BodyOf(WriteTag(button, 6));
  const size_t first = 3 + U16At(body, 3);
  EXPECT_EQ(U16At(body, first + 2), 0);
  EXPECT_EQ(U16At(body, first + U16At(body, first) + 2), 0);
}

TEST(ButtonTags, ConditionsAreReadWithinTheirDeclaredSizes) {
  // A condition with stray bytes behind its End: they stay with its list as they are, and
  // the next condition is still found where the size says.
  const Bytes body = {
      1,    0, 0,           // id, track as menu
      3,    0,              // action offset: the records are the one end byte
      0,                    // end of records
      8,    0, 8,    0,     // size 8, condition 8
      0x06, 0, 0xAA, 0xBB,  // Play, End, two stray bytes
      0,    0, 1,    0,     // last condition
      0x07, 0,              // Stop, End
  };
  Bytes tag = {static_cast<uint8_t>((34 << 6 | body.size()) & 0xFF), static_cast<uint8_t>((34 << 6) >> 8)};
  tag.insert(tag.end(), body.begin(), body.end());
  DefineButton2Tag button;
  EXPECT_FALSE(ReadTag(tag, button, 6).overrun);
  ASSERT_EQ(button.actions.size(), 2u);
  EXPECT_EQ(button.conditionCodes, (std::vector<uint16_t>{8, 1}));
  EXPECT_EQ(button.actions[0]->tail, (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(button.actions[1]->ActionAt(0)->ActionCode(), 0x07);
  EXPECT_EQ(WriteTag(button, 6), tag);
  // Sizes that leave the body are errors.
  for (const auto& [at, value] : std::vector<std::pair<size_t, uint8_t>>{{3, 40}, {6, 30}, {6, 2}}) {
    Bytes bad = tag;
    bad[2 + at] = value;
    DefineButton2Tag broken;
    EXPECT_TRUE(ReadTag(bad, broken, 6).overrun) << at << " " << int(value);
  }
  DefineButton2Tag corpus;
  EXPECT_TRUE(ReadTag(tagtest::CorpusTag("raw-body/invalid-button-cond-action-string"), corpus, 6).overrun);
}

// SWF 8 button records carry a filter list and a blend mode after the colour transform.
TEST(ButtonTags, FilterListsAndBlendModesAreKept) {
  const Bytes filters = {
      3,                                      // three filters
      1, 0, 0, 4, 0, 0,    0,    4, 0, 0x21,  // blur
      4, 2, 1, 2, 3, 4,    5,    6, 7, 8,    0, 255, 0, 0,    1,    0, 0, 0, 1, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 1, 0,    0x91,                                                                   // gradient glow
      5, 1, 2, 0, 0, 0x80, 0x3F, 0, 0, 0,    0, 0,   0, 0x80, 0x3F, 0, 0, 0, 0, 1, 2, 3, 4, 0x02,  // 1 x 2 convolution
  };
  DefineButton2Tag button;
  button.SetCharacterId(5);
  auto record = Record(ButtonRecord::kUp | ButtonRecord::kHasFilterList | ButtonRecord::kHasBlendMode, 3, 1);
  record->filterList = filters;
  record->blendMode = 4;
  button.records.push_back(std::move(record));
  button.records.push_back(Record(ButtonRecord::kHitTest, 4, 2));
  button.AddConditionAction(DefineButton2Tag::kOverDownToOverUp, List({2}, false));
  Bytes first;
  auto copy = tagtest::RoundTrip(button, 8, &first);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->records.size(), 2u);
  EXPECT_EQ(copy->records[0]->filterList, filters);
  EXPECT_EQ(copy->records[0]->blendMode, 4);
  EXPECT_EQ(copy->records[1]->characterId, 4);
  EXPECT_EQ(copy->actions.size(), 1u);
  // An unknown filter is a format error rather than a misread of what follows.
  Bytes unknown = first;
  const size_t filterStart =
      std::search(unknown.begin(), unknown.end(), filters.begin(), filters.end()) - unknown.begin();
  ASSERT_LT(filterStart, unknown.size());
  unknown[filterStart + 1] = 9;
  DefineButton2Tag broken;
  EXPECT_TRUE(ReadTag(unknown, broken, 8).overrun);
}

TEST(ButtonTags, DefineButtonRecordsAndActions) {
  DefineButtonTag button;
  button.SetCharacterId(2);
  auto record = Record(ButtonRecord::kUp | ButtonRecord::kOver, 3, 1);
  record->colorTransform.reset();
  button.records.push_back(std::move(record));
  button.actions.push_back(List({7}, true));
  auto copy = tagtest::RoundTrip(button, 4);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->records.size(), 1u);
  EXPECT_FALSE(copy->records[0]->colorTransform);
  ASSERT_EQ(copy->actions.size(), 1u);
  EXPECT_EQ(copy->actions[0]->ActionCount(), 2u);

  const Bytes input = tagtest::CorpusTag("define-button/button1-state-up-reduced-height-action-play");
  DefineButtonTag corpus;
  EXPECT_FALSE(ReadTag(input, corpus, 6).overrun);
  EXPECT_EQ(corpus.GetCharacterId(), 2356);
  ASSERT_EQ(corpus.records.size(), 2u);
  EXPECT_EQ(corpus.records[0]->characterId, 3755);
  EXPECT_EQ(corpus.records[0]->matrix->scaleY, 23475);
  EXPECT_EQ(corpus.records[1]->stateFlags, 0x0E);
  ASSERT_EQ(corpus.actions.size(), 1u);
  EXPECT_EQ(corpus.actions[0]->ActionAt(0)->ActionCode(), 0x06);
  EXPECT_EQ(WriteTag(corpus, 6), input);
}

TEST(ButtonTags, CorpusButton2) {
  const Bytes input = tagtest::CorpusTag("define-button/button2-state-up-reduced-height");
  DefineButton2Tag button;
  EXPECT_FALSE(ReadTag(input, button, 6).overrun);
  EXPECT_EQ(button.GetCharacterId(), 3756);
  ASSERT_EQ(button.records.size(), 2u);
  EXPECT_EQ(button.records[1]->stateFlags, 0x0E);
  EXPECT_TRUE(button.actions.empty());
  auto copy = tagtest::RoundTrip(button, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->records[0]->colorTransform->alphaMult, 256);
}

TEST(ButtonTags, RelocationLeavesActionsAloneWithoutAFrameDelta) {
  DefineButton2Tag button;
  button.SetCharacterId(9);
  button.records.push_back(Record(ButtonRecord::kUp, 3, 1));
  button.AddConditionAction(8, List({4}, false));
  button.Relocate(10, 5, 0);
  EXPECT_EQ(button.GetCharacterId(), 19);
  EXPECT_EQ(button.records[0]->characterId, 13);
  EXPECT_EQ(button.records[0]->depth, 6);
  EXPECT_EQ(static_cast<ActionGotoFrame*>(button.actions[0]->ActionAt(0))->frame, 4);
  EXPECT_TRUE(button.CanRelocate(0, 65535 - 6, 0));
  EXPECT_FALSE(button.CanRelocate(0, 65535 - 5, 0));
  EXPECT_FALSE(button.CanRelocate(65535 - 18, 0, 0));
  button.Relocate(0, 0, 3);
  EXPECT_EQ(static_cast<ActionGotoFrame*>(button.actions[0]->ActionAt(0))->frame, 7);
}

TEST(ButtonTags, SkipButtonScriptIsReplaced) {
  DefineButton2Tag button;
  button.records.push_back(Record(ButtonRecord::kUp, 3, 1));
  button.AddConditionAction(8, List({4}, false));
  button.ClearConditionActions();
  EXPECT_TRUE(button.actions.empty());
  EXPECT_TRUE(button.conditionCodes.empty());
  EXPECT_EQ(button.records.size(), 1u);
  EXPECT_TRUE(button.AddConditionAction(DefineButton2Tag::kOverDownToOverUp, List({}, true)));
  button.Clear();
  EXPECT_TRUE(button.records.empty());
}

TEST(ButtonTags, ButtonSoundWritesInfoForSetIdsOnly) {
  DefineButtonSoundTag sound;
  sound.SetCharacterId(4);
  sound.soundIds = {0, 5, 0, 0};
  sound.soundInfos[1].flags = SoundInfo::kHasLoops;
  sound.soundInfos[1].loopCount = 2;
  sound.soundInfos[2].flags = SoundInfo::kHasLoops;  // no sound: not written
  EXPECT_EQ(tagtest::BodyOf(WriteTag(sound, 6)), (Bytes{4, 0, 0, 0, 5, 0, 0x04, 2, 0, 0, 0, 0, 0}));
  auto copy = tagtest::RoundTrip(sound, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->soundInfos[1].loopCount, 2);
  copy->Relocate(10, 0, 0);
  EXPECT_EQ(copy->GetCharacterId(), 14);
  EXPECT_EQ(copy->soundIds, (std::array<uint16_t, 4>{0, 15, 0, 0}));
  EXPECT_TRUE(copy->CanRelocate(65535 - 15, 0, 0));
  EXPECT_FALSE(copy->CanRelocate(65535 - 14, 0, 0));

  const Bytes input = tagtest::CorpusTag("define-button-sound/button-sound-id3-empty");
  DefineButtonSoundTag corpus;
  EXPECT_FALSE(ReadTag(input, corpus, 6).overrun);
  EXPECT_EQ(corpus.GetCharacterId(), 3);
  EXPECT_EQ(WriteTag(corpus, 6), input);
}

TEST(ButtonTags, ButtonCxform) {
  DefineButtonCxformTag tag;
  tag.SetCharacterId(2);
  tag.colorTransform->SetMultiply(128, 256, 64);
  tag.colorTransform->hasMult = true;
  auto copy = tagtest::RoundTrip(tag, 5);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->colorTransform->redMult, 128);
  EXPECT_EQ(copy->colorTransform->blueMult, 64);
  copy->Relocate(3, 0, 0);
  EXPECT_EQ(copy->GetCharacterId(), 5);
}

}  // namespace
