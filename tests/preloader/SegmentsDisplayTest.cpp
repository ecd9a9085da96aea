// The segments display: the row's spans and scale, the checked count and gap, the copies the
// build makes, and its clip scripts (assembled ones action by action, the animated load script
// compiled for every version the generator writes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/XmlDocument.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/SegmentsDisplay.h"
#include "script/ScriptCompiler.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/preloader/ScriptNotation.h"
#include "tests/support/ActionChecker.h"
#include "tests/support/AvmVerifier.h"

namespace {

using displaytest::Fixture;
using displaytest::Shipped;

std::string Notation(DoActionTag& actions, int version) {
  const std::vector<uint8_t> bytes = scriptnotation::Bytes(actions, version);
  const actioncheck::CheckResult check = actioncheck::CheckActionList(bytes);
  EXPECT_TRUE(check.Ok()) << check.Report();
  std::vector<scriptnotation::Action> decoded;
  std::string error;
  EXPECT_TRUE(scriptnotation::Decoder(bytes).Run(decoded, error)) << error;
  return scriptnotation::Join(decoded);
}

// A row from the shipped library ("Segments/led-row.swf") or, given a full path, any file.
std::unique_ptr<SegmentsDisplay> LoadRow(const std::string& file) {
  std::string why;
  const std::string path = file.front() == '/' ? file : Shipped(file);
  std::unique_ptr<PreloaderDisplay> display = LoadPreloaderDisplay(Utf8ToWide(path), &why);
  EXPECT_NE(display, nullptr) << why;
  auto* row = dynamic_cast<SegmentsDisplay*>(display.get());
  if (row == nullptr) return nullptr;
  display.release();
  return std::unique_ptr<SegmentsDisplay>(row);
}

TEST(SegmentsDisplayTest, SpansWithAndWithoutAnEndPiece) {
  struct Case {
    int seg, end, count, gap, description, scale;
  };
  const Case cases[] = {
      {10, 6, 5, 2, 52, 54},  // the end piece adds the gap and the count once to the description
      {10, 0, 5, 2, 58, 58},  // no end piece: both the same
      {10, 0, 1, 2, 10, 10},  // one segment: no gap
      {10, 6, 1, 2, 8, 6},   {10, 0, 5, -3, 38, 38},  // overlapping segments
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SegmentsDisplay::DescriptionSpan(c.seg, c.end, c.count, c.gap), c.description) << c.seg << " " << c.end;
    EXPECT_EQ(SegmentsDisplay::ScaleSpan(c.seg, c.end, c.count, c.gap), c.scale) << c.seg << " " << c.end;
  }
}

TEST(SegmentsDisplayTest, DescriptionsOfTheShippedRows) {
  std::unique_ptr<SegmentsDisplay> led = LoadRow("Segments/led-row.swf");
  ASSERT_NE(led, nullptr);
  EXPECT_EQ(led->GetSegWidth(), 12);
  EXPECT_EQ(led->GetSegHeight(), 20);
  EXPECT_EQ(led->GetEndWidth(), 0);
  EXPECT_TRUE(led->IsHgapEditable());
  EXPECT_EQ(led->GetHgap(), 2);
  EXPECT_TRUE(led->IsFgRecolored() && led->IsBgRecolored());
  EXPECT_FALSE(led->AnimatesSegments());
  EXPECT_FALSE(led->IsChanged());
  // Placed at exactly x, y; five segments 14 apart, the panel's two pixels past the last.
  EXPECT_EQ(led->GetWidth(), 0);
  EXPECT_EQ(led->GetHeight(), 0);
  EXPECT_EQ(led->GetStoredWidth(), 70);
  EXPECT_DOUBLE_EQ(led->GetXScale(), 70.0 / 68.0);

  std::unique_ptr<SegmentsDisplay> pop = LoadRow("Segments/pop-segments.swf");
  ASSERT_NE(pop, nullptr);
  EXPECT_TRUE(pop->AnimatesSegments());
  EXPECT_FALSE(pop->AnimatesBackgroundSegments());
  EXPECT_FALSE(pop->IsHgapEditable());
  EXPECT_TRUE(pop->HasAnmVariable());
  // Without a gap and without seg_width's difference the row is five natural widths at scale 1;
  // ten segments keep the width and halve the scale.
  EXPECT_EQ(pop->GetStoredWidth(), 70);
  EXPECT_DOUBLE_EQ(pop->GetXScale(), 1.0);
  ASSERT_TRUE(pop->SetMaxSegs(10));
  EXPECT_TRUE(pop->IsChanged());
  EXPECT_EQ(pop->GetStoredWidth(), 70);
  EXPECT_DOUBLE_EQ(pop->GetXScale(), 0.5);
}

// A row closed by an end piece, whose slots animate too: the description measures the row
// with the gap and count added once, the scale with a full step per segment.
TEST(SegmentsDisplayTest, DescriptionOfARowWithAnEndPiece) {
  std::unique_ptr<SegmentsDisplay> capped = LoadRow(Fixture("valid/capped-segments.swf"));
  ASSERT_NE(capped, nullptr);
  EXPECT_EQ(capped->GetSegWidth(), 10);
  EXPECT_EQ(capped->GetEndWidth(), 6);
  EXPECT_EQ(capped->GetHgap(), 2);
  EXPECT_TRUE(capped->AnimatesSegments());
  EXPECT_TRUE(capped->AnimatesBackgroundSegments());
  // 6 + 4 x 10 + 2 + 4 = 52, and the artwork's two pixels beside the segment; scale span 6 + 4 x 12.
  EXPECT_EQ(capped->GetStoredWidth(), 54);
  EXPECT_DOUBLE_EQ(capped->GetXScale(), 1.0);
  ASSERT_TRUE(capped->SetHgap(0));
  EXPECT_EQ(capped->GetStoredWidth(), 54);
  EXPECT_DOUBLE_EQ(capped->GetXScale(), 54.0 / 46.0);
}

TEST(SegmentsDisplayTest, CountAndGapAreChecked) {
  std::unique_ptr<SegmentsDisplay> led = LoadRow("Segments/led-row.swf");
  ASSERT_NE(led, nullptr);
  struct Case {
    int value;
    bool count, gap;
  };
  const Case cases[] = {{0, false, true},   {1, true, true},     {200, true, true},       {201, false, true},
                        {-11, false, true}, {-12, false, false}, {-100000, false, false}, {5001, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(led->SetMaxSegs(c.value), c.count) << c.value;
    EXPECT_EQ(led->SetHgap(c.value), c.gap) << c.value;
    EXPECT_GE(led->GetMaxSegs(), 1);
    EXPECT_LE(led->GetMaxSegs(), 200);
    EXPECT_GT(led->GetHgap(), -12);
  }
}

// A project may hold any count and gap: the scale stays finite and the script's count, the
// copies and their depths stay within bounds.
TEST(SegmentsDisplayTest, ProjectValuesOutOfRangeAreBroughtIntoRange) {
  struct Case {
    const char* xml;
    int maxw;
  };
  const Case cases[] = {{"<display max_segs=\"0\" hgap=\"0\"/>", 1},
                        {"<display max_segs=\"-4\" hgap=\"-50\"/>", 1},
                        {"<display max_segs=\"2000000000\" hgap=\"2000000000\"/>", 200}};
  for (const Case& c : cases) {
    std::unique_ptr<SegmentsDisplay> pop = LoadRow("Segments/pop-segments.swf");
    ASSERT_NE(pop, nullptr);
    XmlDocument doc;
    XmlElement root;
    ASSERT_TRUE(doc.Parse(c.xml) && doc.GetRootElement(root));
    ASSERT_TRUE(pop->ReadTypeXml(root));
    EXPECT_TRUE(std::isfinite(pop->GetXScale())) << c.xml;
    EXPECT_GT(pop->GetXScale(), 0.0) << c.xml;
    const std::wstring first = L"maxw = " + std::to_wstring(c.maxw) + L";\n";
    EXPECT_EQ(pop->AnimatedLoadScript().substr(0, first.size()), first) << c.xml;
  }
}

TEST(SegmentsDisplayTest, AssembledScriptsActionByAction) {
  SegmentsDisplay row;
  PlaceObject2Tag place;
  row.AttachScript(place);
  ASSERT_EQ(place.clipActions.size(), 2u);
  EXPECT_EQ(place.clipActions[0]->eventFlags, 1u);
  EXPECT_EQ(
      Notation(*place.clipActions[0]->actions, 6),
      "ConstantPool [\"maxw\", \"_parent\", \"i\", \"progress.seg\"]; Push [\"maxw\", int 5]; SetVariable; "
      "Push [inline \"_parent._parent\"]; GetVariable; Push [inline \"anm\", inline \"maxw\"]; GetVariable; "
      "SetMember; Push [\"i\", int 1]; SetVariable; Push [\"i\"]; GetVariable; Push [\"maxw\"]; GetVariable; "
      "Greater; Not; Not; If +35; Push [\"progress.seg\", \"i\"]; GetVariable; Add2; "
      "Push [flt 7, bool false]; SetProperty; Push [\"i\", \"i\"]; GetVariable; Increment; SetVariable; Jump -55");
  EXPECT_EQ(place.clipActions[1]->eventFlags, 2u);
  EXPECT_EQ(Notation(*place.clipActions[1]->actions, 6),
            "ConstantPool [\"vis\", \"_parent._parent\", \"prcnt\", \"maxw\", \"i\", \"progress.seg\"]; "
            "Push [\"vis\", \"_parent._parent\"]; GetVariable; Push [\"prcnt\"]; GetMember; Push [int 100]; Multiply; "
            "Push [int 100, \"maxw\"]; GetVariable; Divide; Divide; ToInteger; SetVariable; Push [\"i\", int 1]; "
            "SetVariable; Push [\"maxw\"]; GetVariable; Push [\"i\"]; GetVariable; Less2; Not; Not; If +88; "
            "Push [\"i\"]; GetVariable; Push [\"vis\"]; GetVariable; Push [int 1]; Add2; Less2; Not; If +25; "
            "Push [\"progress.seg\", \"i\"]; GetVariable; Add2; Push [flt 7, bool true]; SetProperty; Jump +20; "
            "Push [\"progress.seg\", \"i\"]; GetVariable; Add2; Push [flt 7, bool false]; SetProperty; "
            "Push [\"i\", \"i\"]; GetVariable; Increment; SetVariable; Jump -108");
}

// Every variant of the frame script: its branches land on actions (the checker) and its
// loop runs over the segments; the animated ones start each segment's timeline.
TEST(SegmentsDisplayTest, AnimatedFrameScriptsBranchOntoActions) {
  struct Case {
    std::string file;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"Segments/led-row.swf", {"If +88", "If +25", "Jump +20", "Jump -108"}},
      {"Segments/pop-segments.swf",
       {"If +151", "If +66", "SetTarget2", "Equals2", "If +12", "Play", "SetTarget \"\"; Jump +42", "Jump -171"}},
      // The slots start their timelines too: shown, the segment's and then the slot's.
      {Fixture("valid/capped-segments.swf"),
       {"\"shw\", \"progress.bseg\"]", "If +228", "If +114",
        "Push [\"progress.bseg\", \"i\"]; GetVariable; Add2; SetTarget2; Push [dbl 0, \"shw\"]; GetVariable; Equals2; "
        "Not; If +12; Push [\"shw\", int 1]; SetVariable; Play; SetTarget \"\"; Jump +71",
        "Push [\"progress.bseg\", \"i\"]; GetVariable; Add2; SetTarget2; Push [\"shw\", dbl 0]; SetVariable; "
        "SetTarget \"\"; Push [\"i\", \"i\"]",
        "Jump -248"}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<SegmentsDisplay> row = LoadRow(c.file);
    ASSERT_NE(row, nullptr);
    PlaceObject2Tag place;
    row->AttachScript(place);
    ASSERT_EQ(place.clipActions.size(), 2u);
    for (int version = 5; version <= 10; ++version) {
      const std::string frame = Notation(*place.clipActions[1]->actions, version);
      for (const std::string& part : c.parts) {
        EXPECT_NE(frame.find(part), std::string::npos) << c.file << " at " << version << ": " << part << "\n" << frame;
      }
    }
  }
}

TEST(SegmentsDisplayTest, AnimatedLoadScriptCompilesForEveryVersion) {
  std::unique_ptr<SegmentsDisplay> pop = LoadRow("Segments/pop-segments.swf");
  ASSERT_NE(pop, nullptr);
  for (int version = 5; version <= 10; ++version) {
    std::unique_ptr<DoActionTag> actions = CompileScriptToDoAction(pop->AnimatedLoadScript(), version);
    ASSERT_NE(actions, nullptr) << version;
    ASSERT_FALSE(actions->Actions().empty()) << version;
    const std::string text = Notation(*actions, version);
    EXPECT_NE(text.find("anm"), std::string::npos) << version;
    EXPECT_NE(text.find("progress.bseg"), std::string::npos) << version;
    // Every path through it keeps the stack balanced and leaves it empty.
    const avmverify::VerifyResult verified =
        avmverify::VerifyActionBlock(scriptnotation::Bytes(*actions, static_cast<uint8_t>(version)));
    EXPECT_TRUE(verified.Ok()) << version << "\n" << verified.Report();
  }
}

// The display tells when its load script gives nothing, rather than leaving the record empty
// without a word.
TEST(SegmentsDisplayTest, ALoadScriptWithoutActionsIsTold) {
  std::unique_ptr<SegmentsDisplay> pop = LoadRow("Segments/pop-segments.swf");
  ASSERT_NE(pop, nullptr);
  struct Case {
    std::wstring text;
    int version;
    bool compiles;
  };
  const Case cases[] = {{pop->AnimatedLoadScript(), 5, true},
                        {pop->AnimatedLoadScript(), 10, true},
                        {pop->AnimatedLoadScript(), 4, false},  // no actions below version 5
                        {L"for ( i=1; i<=maxw; i++ {\n", 6, false}};
  for (const Case& c : cases) {
    std::string why;
    std::unique_ptr<DoActionTag> actions = SegmentsDisplay::CompileLoadScript(c.text, c.version, why);
    EXPECT_EQ(actions != nullptr, c.compiles) << c.version;
    if (c.compiles) {
      EXPECT_EQ(why, "") << c.version;
      EXPECT_FALSE(actions->Actions().empty()) << c.version;
    } else {
      EXPECT_NE(why.find("SWF version " + std::to_string(c.version)), std::string::npos) << why;
    }
  }
}

// --- built ------------------------------------------------------------------------------------

class SegmentsBuildTest : public ::testing::Test {
 protected:
  // A row from the shipped library or, given a full path, any file.
  SegmentsDisplay* Show(const std::string& file) {
    std::string why;
    const std::string path = file.front() == '/' ? file : Shipped(file);
    auto* row = dynamic_cast<SegmentsDisplay*>(displaytest::ShowDisplay(project, path, &why));
    EXPECT_NE(row, nullptr) << why;
    return row;
  }
  SwfTagList Build() {
    const bool ok = builder.Build(dir.Path("out.swf"), project, true);
    EXPECT_TRUE(ok) << builder.GetError();
    if (!ok) return {};
    EXPECT_TRUE(reader.LoadFileWithOptions(dir.Path("out.swf"), true, 0, true));
    return reader.TakeTags();
  }
  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
  SwfReader reader;
};

TEST_F(SegmentsBuildTest, CopiesSitOneStepApartAtTheirDepths) {
  SegmentsDisplay* led = Show("Segments/led-row.swf");
  ASSERT_NE(led, nullptr);
  const SwfTagList tags = Build();
  ASSERT_FALSE(tags.empty());
  PlaceObject2Tag* first = FindPlaceObject2ByName(L"seg1", tags);
  PlaceObject2Tag* slot = FindPlaceObject2ByName(L"bseg1", tags);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(slot, nullptr);
  const int32_t x0 = first->matrix ? first->matrix->translateX : 0;
  const int32_t b0 = slot->matrix ? slot->matrix->translateX : 0;
  for (int d = 1; d < 5; ++d) {
    const std::wstring n = std::to_wstring(d + 1);
    PlaceObject2Tag* seg = FindPlaceObject2ByName((L"seg" + n).c_str(), tags);
    PlaceObject2Tag* bseg = FindPlaceObject2ByName((L"bseg" + n).c_str(), tags);
    ASSERT_NE(seg, nullptr) << d;
    ASSERT_NE(bseg, nullptr) << d;
    EXPECT_EQ(seg->depth, 200 + d);
    EXPECT_EQ(bseg->depth, 100 + d);
    EXPECT_EQ(seg->matrix->translateX - x0, d * 280);  // (12 + 2) pixels a step
    EXPECT_EQ(bseg->matrix->translateX - b0, d * 280);
    // The colours of the pair go with the copies.
    ASSERT_NE(seg->colorTransformAlpha, nullptr);
    ASSERT_NE(bseg->colorTransformAlpha, nullptr);
  }
  EXPECT_EQ(FindPlaceObject2ByName(L"seg6", tags), nullptr);
  EXPECT_TRUE(led->HasBackgroundPanel());
}

// With an end piece the row has one slot fewer, and the end piece takes the place after the
// last slot (one step right of the first when the row has one segment). The build of the
// animated row tells of no loss.
TEST_F(SegmentsBuildTest, TheEndPieceClosesTheRowOfSlots) {
  struct Case {
    int count;
    int slots;
  };
  const Case cases[] = {{5, 4}, {2, 1}, {1, 1}};
  SegmentsDisplay* capped = Show(Fixture("valid/capped-segments.swf"));
  ASSERT_NE(capped, nullptr);
  for (const Case& c : cases) {
    ASSERT_TRUE(capped->SetMaxSegs(c.count));
    const SwfTagList tags = Build();
    ASSERT_FALSE(tags.empty());
    EXPECT_TRUE(builder.GetWarnings().empty()) << builder.GetWarnings().front();
    PlaceObject2Tag* slot = FindPlaceObject2ByName(L"bseg1", tags);
    PlaceObject2Tag* end = FindPlaceObject2ByName(L"bsege", tags);
    ASSERT_NE(slot, nullptr);
    ASSERT_NE(end, nullptr);
    ASSERT_NE(end->matrix, nullptr);
    const int32_t x0 = slot->matrix ? slot->matrix->translateX : 0;
    for (int i = 2; i <= c.count; ++i) {
      PlaceObject2Tag* copy = FindPlaceObject2ByName((L"bseg" + std::to_wstring(i)).c_str(), tags);
      if (i > c.slots) {
        EXPECT_EQ(copy, nullptr) << c.count << " " << i;
        continue;
      }
      ASSERT_NE(copy, nullptr) << c.count << " " << i;
      EXPECT_EQ(copy->depth, 99 + i);
      EXPECT_EQ(copy->matrix->translateX - x0, (i - 1) * 240);  // (10 + 2) pixels a step
    }
    EXPECT_EQ(end->matrix->translateX - x0, std::max(c.count - 1, 1) * 240) << c.count;
    EXPECT_NE(FindPlaceObject2ByName((L"seg" + std::to_wstring(c.count)).c_str(), tags), nullptr) << c.count;
    EXPECT_EQ(FindPlaceObject2ByName((L"seg" + std::to_wstring(c.count + 1)).c_str(), tags), nullptr) << c.count;
  }
}

// In built movies of every version the generator writes, the display's two scripts are sound
// action lists that keep the stack balanced and use no action newer than the movie.
TEST(SegmentsBuiltScriptsTest, SoundAtEveryVersion) {
  const std::string rows[] = {Shipped("Segments/led-row.swf"), Shipped("Segments/pop-segments.swf"),
                              Fixture("valid/capped-segments.swf")};
  for (const std::string& row : rows) {
    for (int version = 5; version <= 10; ++version) {
      const std::string label = row + " at " + std::to_string(version);
      projecttest::ScratchDir dir;
      projecttest::WriteText(dir.Native("target.swf"), projecttest::MovieWithVersion(static_cast<uint8_t>(version)));
      PreloaderData project;
      project.SetTargetUrl(dir.Path("target.swf"));
      project.SetTargetType(kTargetExternal);
      std::string why;
      ASSERT_NE(displaytest::ShowDisplay(project, row, &why), nullptr) << why;
      PreloaderBuilder builder;
      ASSERT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
      EXPECT_TRUE(builder.GetWarnings().empty()) << label << ": " << builder.GetWarnings().front();
      SwfReader reader;
      ASSERT_TRUE(reader.LoadFileWithOptions(dir.Path("out.swf"), true, 0, true));
      ASSERT_EQ(reader.GetHeader().version, version);
      const SwfTagList tags = reader.TakeTags();
      const PlaceObject2Tag* display = nullptr;
      for (const auto& tag : tags) {
        if (tag->TagCode() != 39) continue;
        for (const auto& child : static_cast<DefineSpriteTag*>(tag.get())->Children()) {
          auto* place = dynamic_cast<PlaceObject2Tag*>(child.get());
          if (place != nullptr && !place->clipActions.empty()) display = place;
        }
      }
      ASSERT_NE(display, nullptr) << label;
      ASSERT_EQ(display->clipActions.size(), 2u) << label;
      for (const auto& record : display->clipActions) {
        const std::vector<uint8_t> bytes = scriptnotation::Bytes(*record->actions, static_cast<uint8_t>(version));
        const actioncheck::CheckResult check = actioncheck::CheckActionList(bytes);
        EXPECT_TRUE(check.Ok()) << label << "\n" << check.Report();
        EXPECT_GT(check.actions.size(), 10u) << label;
        for (const actioncheck::DecodedAction& action : check.actions) {
          EXPECT_LE(projecttest::ActionVersion(action.code), version)
              << label << ": action 0x" << std::hex << int{action.code};
        }
        const avmverify::VerifyResult verified = avmverify::VerifyActionBlock(bytes);
        EXPECT_TRUE(verified.Ok()) << label << "\n" << verified.Report();
      }
    }
  }
}

TEST_F(SegmentsBuildTest, OneSegmentMakesNoCopies) {
  SegmentsDisplay* led = Show("Segments/led-row.swf");
  ASSERT_NE(led, nullptr);
  ASSERT_TRUE(led->SetMaxSegs(1));
  const SwfTagList tags = Build();
  ASSERT_FALSE(tags.empty());
  EXPECT_NE(FindPlaceObject2ByName(L"seg1", tags), nullptr);
  EXPECT_EQ(FindPlaceObject2ByName(L"seg2", tags), nullptr);
  EXPECT_EQ(FindPlaceObject2ByName(L"bseg2", tags), nullptr);
}

}  // namespace
