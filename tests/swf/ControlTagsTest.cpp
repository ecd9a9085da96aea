#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "swf/AssetTags.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"

using tagtest::Bytes;

TEST(ControlTagsTest, FixedTagsWriteTheirBytes) {
  SetBackgroundColorTag background(0x11, 0x22, 0x33);
  EXPECT_EQ(tagtest::WriteTag(background, 6), (Bytes{0x43, 0x02, 0x11, 0x22, 0x33}));
  EXPECT_EQ(background.GetColor(), 0x332211u);
  EndTag end;
  EXPECT_EQ(tagtest::WriteTag(end, 6), (Bytes{0x00, 0x00}));
  ProtectTag protect;
  EXPECT_EQ(tagtest::WriteTag(protect, 6), (Bytes{0x00, 0x06}));
  ShowFrameTag showFrame;
  EXPECT_EQ(tagtest::WriteTag(showFrame, 6), (Bytes{0x40, 0x00}));
}

TEST(ControlTagsTest, SetBackgroundColorReadsBack) {
  SetBackgroundColorTag background(0xFE, 0x01, 0x80);
  auto copy = tagtest::RoundTrip(background, 4);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetColor(), 0x8001FEu);
}

TEST(ControlTagsTest, FrameLabelBodyFollowsTheVersion) {
  struct Case {
    uint8_t version;
    uint8_t anchor;
    Bytes body;
  };
  const Case cases[] = {
      {6, 0, {'i', 'n', 't', 'r', 'o', 0, 0}},
      {6, 1, {'i', 'n', 't', 'r', 'o', 0, 1}},
      {5, 0, {'i', 'n', 't', 'r', 'o', 0}},
  };
  for (const Case& c : cases) {
    FrameLabelTag label(L"intro");
    label.namedAnchor = c.anchor;
    Bytes first;
    auto copy = tagtest::RoundTrip(label, c.version, &first);
    ASSERT_TRUE(copy) << int(c.version);
    EXPECT_EQ(tagtest::BodyOf(first), c.body);
    EXPECT_EQ(copy->label, L"intro");
    EXPECT_EQ(copy->namedAnchor, c.anchor);
  }
  FrameLabelTag empty(nullptr);
  EXPECT_TRUE(empty.label.empty());
  EXPECT_EQ(empty.namedAnchor, 0);
}

// A label written without the anchor byte in a movie of version 6 or later (as some tools
// write it) stays a plain label: the byte after the body belongs to the next tag.
TEST(ControlTagsTest, FrameLabelWithoutAnchorByteStaysALabel) {
  Bytes movie = tagtest::CorpusTag("frame-label/mangled");
  ASSERT_EQ(movie.size(), 12u);
  movie.insert(movie.end(), {0x40, 0x00});  // ShowFrame

  FrameLabelTag label;
  const auto result = tagtest::ReadTag(movie, label, 6);
  EXPECT_EQ(result.code, 43);
  EXPECT_FALSE(result.overrun);
  EXPECT_EQ(result.nextTag, 12u);
  EXPECT_EQ(label.label, L"=3J=1");
  EXPECT_EQ(label.namedAnchor, 0);

  // The body length is honoured even by a reader whose range covers the whole movie.
  SwfReader whole(movie, 6);
  whole.Seek(6);
  whole.SetCurrentTagLength(6);
  FrameLabelTag unbounded;
  EXPECT_EQ(unbounded.Read(whole), 6u);
  EXPECT_EQ(unbounded.namedAnchor, 0);
  EXPECT_EQ(whole.GetPosition(), 12u);
}

TEST(ControlTagsTest, ProtectKeepsItsPasswordHash) {
  const std::string hash = "$1$ZX$lP2FzUnFfAZ43LITvsNHS0";
  Bytes tag = {static_cast<uint8_t>(0x00 | (hash.size() + 3)), 0x06, 0x00, 0x00};
  tag.insert(tag.end(), hash.begin(), hash.end());
  tag.push_back(0);
  ProtectTag protect;
  const auto result = tagtest::ReadTag(tag, protect, 8);
  EXPECT_FALSE(result.overrun);
  EXPECT_EQ(result.consumed, hash.size() + 3);
  EXPECT_EQ(tagtest::WriteTag(protect, 8), tag);

  // An empty body in a long header comes back empty, in the short form.
  ProtectTag empty;
  EXPECT_EQ(tagtest::ReadTag(tagtest::CorpusTag("protect/empty"), empty, 8).code, 24);
  EXPECT_EQ(tagtest::WriteTag(empty, 8), (Bytes{0x00, 0x06}));
}

TEST(ControlTagsTest, EnableDebuggerTagsReadBack) {
  EnableDebuggerTag debugger;
  debugger.password = L"$1$kx$Fl1Q3xJ7C7JbZ.fH6d3M/0";
  Bytes first;
  auto copy = tagtest::RoundTrip(debugger, 5, &first);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->password, debugger.password);
  EXPECT_EQ(tagtest::BodyOf(first).size(), debugger.password.size() + 1);

  EnableDebugger2Tag debugger2;
  debugger2.reserved = 0x1234;
  debugger2.password = L"pw";
  auto copy2 = tagtest::RoundTrip(debugger2, 6, &first);
  ASSERT_TRUE(copy2);
  EXPECT_EQ(tagtest::BodyOf(first), (Bytes{0x34, 0x12, 'p', 'w', 0}));
  EXPECT_EQ(copy2->reserved, 0x1234);
  EXPECT_EQ(copy2->password, L"pw");
}

TEST(AssetTagsTest, ExportAssetsWritesReadsAndInserts) {
  ExportAssetsTag empty;
  EXPECT_EQ(tagtest::BodyOf(tagtest::WriteTag(empty, 6)), (Bytes{0, 0}));

  ExportAssetsTag exports;
  exports.AddAsset(std::make_unique<SwfAssetEntry>(1, L"b"), -1);
  exports.AddAsset(std::make_unique<SwfAssetEntry>(2, L"c"), -1);
  exports.AddAsset(std::make_unique<SwfAssetEntry>(3, L"a"), 0);
  exports.AddAsset(std::make_unique<SwfAssetEntry>(4, L"d"), 5);
  exports.AddAsset(std::make_unique<SwfAssetEntry>(5, L"e"), -1);
  ASSERT_EQ(exports.assets.size(), 5u);
  const wchar_t* order[] = {L"a", L"b", L"c", L"d", L"e"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(exports.assets[i]->name, order[i]);

  auto copy = tagtest::RoundTrip(exports, 6);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->assets.size(), 5u);
  EXPECT_EQ(copy->assets[0]->id, 3);
  EXPECT_EQ(copy->assets[4]->name, L"e");
}

TEST(AssetTagsTest, CorpusExportAssetsReadsBack) {
  ExportAssetsTag exports;
  const Bytes input = tagtest::CorpusTag("export-assets/mangled-12");
  const auto result = tagtest::ReadTag(input, exports, 8);
  EXPECT_EQ(result.code, 56);
  EXPECT_FALSE(result.overrun);
  ASSERT_EQ(exports.assets.size(), 1u);
  EXPECT_EQ(exports.assets[0]->id, 12);
  EXPECT_EQ(exports.assets[0]->name, L"2KhC((");
  auto copy = tagtest::RoundTrip(exports, 8);
  ASSERT_TRUE(copy);
}

TEST(AssetTagsTest, AssetIdsRelocateAndReportOverflow) {
  ExportAssetsTag exports;
  exports.AddAsset(std::make_unique<SwfAssetEntry>(1, L"x"), -1);
  exports.AddAsset(std::make_unique<SwfAssetEntry>(65535, L"y"), -1);
  EXPECT_FALSE(exports.CanRelocate(1, 0, 0));
  EXPECT_TRUE(exports.CanRelocate(-1, 1000, 1000));
  exports.Relocate(1, 0, 0);
  EXPECT_EQ(exports.assets[0]->id, 2);
  EXPECT_EQ(exports.assets[1]->id, 0);

  ImportAssetsTag imports;
  imports.url = L"lib.swf";
  imports.AddAsset(std::make_unique<SwfAssetEntry>(7, L"clip"), -1);
  imports.Relocate(100, 0, 0);
  EXPECT_EQ(imports.assets[0]->id, 107);
  Bytes first;
  auto copy = tagtest::RoundTrip(imports, 6, &first);
  ASSERT_TRUE(copy);
  EXPECT_EQ(tagtest::BodyOf(first), (Bytes{'l', 'i', 'b', '.', 's', 'w', 'f', 0, 1, 0, 107, 0, 'c', 'l', 'i', 'p', 0}));
  EXPECT_EQ(copy->url, L"lib.swf");
}

TEST(AssetTagsTest, AssetCountBeyondTheBodyStopsAtItsEnd) {
  // Count 60000 in a 6-byte body: the entries that exist are read, nothing more.
  const Bytes tag = {0x86, 0x0E, 0x60, 0xEA, 0x05, 0x00, 'a', 0};
  ExportAssetsTag exports;
  tagtest::ReadTag(tag, exports, 6);
  ASSERT_EQ(exports.assets.size(), 1u);
  EXPECT_EQ(exports.assets[0]->id, 5);
}
