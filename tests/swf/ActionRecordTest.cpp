#include <gtest/gtest.h>

#include "swf/ActionGeneric.h"
#include "swf/SimpleActions.h"
#include "tests/swf/ActionTestUtil.h"

namespace {

TEST(SimpleActions, EveryOneCodeClassWritesItsCodeAlone) {
  int count = 0;
  for (int code = 1; code < 0x100; ++code) {
    std::unique_ptr<ActionRecord> action = MakeSimpleAction(static_cast<uint8_t>(code));
    if (!action) continue;
    ++count;
    ASSERT_EQ(action->ActionCode(), code);
    EXPECT_EQ(action->Kind(), ActionKind::Simple);
    const Bytes bytes = WriteAction(*action);
    if (code == 0x9E) {
      EXPECT_EQ(bytes, (Bytes{0x9E, 0x00, 0x00}));
      EXPECT_EQ(action->Size(), 3u);
    } else {
      EXPECT_EQ(bytes, Bytes{static_cast<uint8_t>(code)}) << "code " << code;
      EXPECT_EQ(action->Size(), 1u) << "code " << code;
    }
    EXPECT_EQ(action->Clone()->ActionCode(), code);
  }
  EXPECT_EQ(count, 77);
  ActionStop stop;
  EXPECT_EQ(WriteAction(stop), Bytes{0x07});
}

TEST(SimpleActions, NoClassForTheGapsOfTheTable) {
  for (int code : {0x01, 0x02, 0x03, 0x16, 0x19, 0x1B, 0x1E, 0x1F, 0x2A, 0x2F, 0x38, 0x39, 0x56, 0x5F, 0x68, 0x80, 0x96,
                   0x9B, 0xFF})
    EXPECT_EQ(MakeSimpleAction(static_cast<uint8_t>(code)), nullptr) << code;
}

struct GenericCase {
  uint8_t code;
  Bytes body;  // the bytes after the code byte
  uint32_t size;
};

TEST(ActionGenericTest, ReadThenWriteKeepsTheBytes) {
  const GenericCase cases[] = {
      {0x8E, {0x00, 0x00}, 3},
      {0x16, {}, 1},
      {0x96, {0x07, 0x00, 1, 2, 3, 4, 5, 6, 7}, 10},
  };
  for (const GenericCase& c : cases) {
    SwfReader reader(c.body, 6);
    ActionGeneric action(c.code);
    EXPECT_EQ(action.Read(reader), c.body.size());
    EXPECT_EQ(action.Size(), c.size);
    Bytes expected = Concat({Bytes{c.code}, c.body});
    EXPECT_EQ(WriteAction(action), expected);
    EXPECT_EQ(action.ActionCode(), c.code);
    EXPECT_EQ(action.Kind(), ActionKind::Generic);
  }
}

TEST(ActionGenericTest, ShortPayloadKeepsWhatIsThereAndMarksTheOverrun) {
  SwfReader reader(Bytes{0x05, 0x00, 0xAA, 0xBB}, 6);
  ActionGeneric action(0x96);
  action.Read(reader);
  EXPECT_TRUE(reader.HasOverrun());
  EXPECT_EQ(action.Payload(), (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(WriteAction(action), (Bytes{0x96, 0x02, 0x00, 0xAA, 0xBB}));
  EXPECT_EQ(action.Size(), 5u);
}

}  // namespace
