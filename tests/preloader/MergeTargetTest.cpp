// Merged targets: the target's tags follow the "loaderdone" frame, moved past the
// preloader's ids, depths and frames; loop types; the frame count a player finds; targets that
// can't be merged fail the build.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/preloader/CorpusMergeRefusals.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/preloader/ScriptNotation.h"
#include "tests/support/ActionChecker.h"

namespace {

using movieinspect::Codes;
using movieinspect::ReadPlacement;

std::unique_ptr<DoActionTag> Trace(const wchar_t* text) {
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionPush>(WideString(text)));
  actions->AddAction(std::make_unique<ActionTrace>());
  return actions;
}

// A target of `frames` frames: frame 1 defines a one-frame sprite (id 1) and places it at
// depth 1, each frame traces "T<n>", the last one also jumps to frame 2 (index 1).
// `extra` tags go first; with `trailing`, a trace follows the last ShowFrame.
void WriteTarget(const std::string& path, int frames, std::vector<std::unique_ptr<SwfTag>> extra = {},
                 bool trailing = false, uint8_t version = 6) {
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 24.0f, version);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  for (auto& tag : extra) writer.AddTag(std::move(tag));
  auto sprite = std::make_unique<DefineSpriteTag>(1, 0);
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::move(sprite));
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(1);
  place->depth = 1;
  writer.AddTag(std::move(place));
  for (int f = 1; f <= frames; ++f) {
    writer.AddTag(Trace((L"T" + std::to_wstring(f)).c_str()));
    if (f == frames) {
      auto jump = std::make_unique<DoActionTag>();
      jump->AddAction(std::make_unique<ActionGotoFrame>(1));
      writer.AddTag(std::move(jump));
    }
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  if (trailing) writer.AddTag(Trace(L"after"));
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

std::string Script(const movieinspect::Tag& tag) {
  std::vector<scriptnotation::Action> actions;
  std::string error;
  if (!scriptnotation::Decoder(tag.body).Run(actions, error)) return "undecodable: " + error;
  return scriptnotation::Join(actions);
}

class MergeTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project.SetTargetType(kTargetMerge);
    project.SetTargetUrl(dir.Path("target.swf"));
  }
  movieinspect::Movie Build() {
    EXPECT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
    std::vector<actioncheck::MovieActionList> lists;
    std::string error;
    EXPECT_TRUE(actioncheck::CollectMovieActionLists(dir.Native("out.swf"), lists, error)) << error;
    for (const auto& list : lists) {
      const actioncheck::CheckResult check = actioncheck::CheckActionList(list.bytes);
      EXPECT_TRUE(check.Ok()) << list.where << "\n" << check.Report();
    }
    return movieinspect::ReadFile(dir.Native("out.swf"));
  }

  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
};

TEST_F(MergeTargetTest, TargetFollowsLoaderDoneMovedPastThePreloader) {
  WriteTarget(dir.Native("target.swf"), 3, {}, false, 8);
  const movieinspect::Movie m = Build();
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.version, 8);  // at least the target's
  // Frame 1, then "loaderdone" as the target's first frame; the target's End is left out.
  EXPECT_EQ(Codes(m.tags), (std::vector<int>{9, 39, 26, 1, 28, 43, 39, 26, 12, 1, 12, 1, 12, 12, 1, 0}));
  // The header counts exactly the frames the movie holds.
  EXPECT_EQ(m.frameCount, 4);
  EXPECT_EQ(m.frameCount, movieinspect::ShowFrames(m.tags));
  EXPECT_EQ(builder.GetFirstMergedFrame(), 1);
  // Ids move by the last id + 1, depths by the last depth + 1, frames by the frames before.
  EXPECT_EQ(movieinspect::U16(m.tags[6].body, 0), 1 + 2);
  const auto place = ReadPlacement(m.tags[7]);
  EXPECT_EQ(place.id, 3);
  EXPECT_EQ(place.depth, 1 + 2);
  EXPECT_EQ(Script(m.tags[8]), "Push [inline \"T1\"]; Trace");
  EXPECT_EQ(Script(m.tags[13]), "GotoFrame 2");
}

TEST_F(MergeTargetTest, LoopTypesBeforeTheTargetsLastFrame) {
  WriteTarget(dir.Native("target.swf"), 2);
  struct Case {
    TargetLoopType type;
    const char* script;  // before the last ShowFrame; "" for none
  } cases[] = {
      {kLoopNoChange, ""},
      {kLoopNoLoop, "Stop"},
      {kLoopLoop, "Push [int 2]; GotoFrame2 0; Play"},
  };
  for (const Case& c : cases) {
    project.SetTargetLoopType(c.type);
    const movieinspect::Movie m = Build();
    ASSERT_EQ(m.error, "");
    const size_t end = m.tags.size() - 1;
    ASSERT_EQ(m.tags[end - 1].code, 1);
    EXPECT_EQ(m.frameCount, 3);
    if (*c.script) {
      ASSERT_EQ(m.tags[end - 2].code, 12);
      EXPECT_EQ(Script(m.tags[end - 2]), c.script);
      EXPECT_EQ(Script(m.tags[end - 3]), "GotoFrame 2");  // the target's own script stays before it
    } else {
      EXPECT_EQ(Script(m.tags[end - 2]), "GotoFrame 2");
    }
  }
}

// A removal effect's exit frames come before "loaderdone": the merged target's frame numbers
// and the loop back to "loaderdone" count them.
TEST_F(MergeTargetTest, ExitFramesMoveTheTargetsFramesAndItsLoop) {
  WriteTarget(dir.Native("target.swf"), 2);
  RemovalEffect* fade = project.GetRemovalEffectLibrary().FindByName(L"Fade Out");
  fade->SetDuration(250);  // 3 frames at 12 frames per second
  project.SetRemovalEffect(fade);
  project.SetTargetLoopType(kLoopLoop);
  const movieinspect::Movie m = Build();
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(builder.GetFirstMergedFrame(), 4);
  EXPECT_EQ(m.frameCount, 6);
  EXPECT_EQ(m.frameCount, movieinspect::ShowFrames(m.tags));
  const size_t end = m.tags.size() - 1;
  EXPECT_EQ(Script(m.tags[end - 2]), "Push [int 5]; GotoFrame2 0; Play");
  EXPECT_EQ(Script(m.tags[end - 3]), "GotoFrame 5");
}

TEST_F(MergeTargetTest, LoopGoesBackToLoaderDoneAfterARemovalOfFrames) {
  // A one-frame target with no_loop stops on that frame; the frame count stays 2.
  WriteTarget(dir.Native("target.swf"), 1);
  project.SetTargetLoopType(kLoopNoLoop);
  movieinspect::Movie m = Build();
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.frameCount, 2);
  ASSERT_GE(m.tags.size(), 3u);
  EXPECT_EQ(Script(m.tags[m.tags.size() - 3]), "Stop");
}

TEST_F(MergeTargetTest, TagsAfterTheLastShowFrameGainNoFrame) {
  struct Case {
    int frames;
    bool trailing;
    int frameCount;         // of the merged movie
    std::vector<int> tail;  // its last tags
  } cases[] = {
      // The trailing tags stay after the target's last ShowFrame, in no frame, as in the target.
      {2, true, 3, {12, 1, 12, 0}},
      {2, false, 3, {12, 12, 1, 0}},
      // A target without frames gets the ShowFrame that ends "loaderdone".
      {0, false, 2, {26, 1, 0}},
      {0, true, 2, {26, 12, 1, 0}},
  };
  for (const Case& c : cases) {
    WriteTarget(dir.Native("target.swf"), c.frames, {}, c.trailing);
    const movieinspect::Movie m = Build();
    ASSERT_EQ(m.error, "");
    const std::vector<int> codes = Codes(m.tags);
    ASSERT_GE(codes.size(), c.tail.size());
    EXPECT_EQ(std::vector<int>(codes.end() - static_cast<std::ptrdiff_t>(c.tail.size()), codes.end()), c.tail)
        << c.frames << " " << c.trailing;
    EXPECT_EQ(m.frameCount, movieinspect::ShowFrames(m.tags));
    EXPECT_EQ(m.frameCount, c.frameCount) << c.frames << " " << c.trailing;
  }
}

TEST_F(MergeTargetTest, TargetsThatCannotBeMergedFailTheBuild) {
  const std::string out = dir.Native("out.swf");
  projecttest::WriteText(out, "old");
  using Bytes = std::vector<uint8_t>;
  auto raw = [](int code, Bytes body) { return [=] { return std::unique_ptr<SwfTag>(new RawTag(code, body)); }; };
  // A sprite (id 9) whose timeline holds one tag given as its bytes.
  auto spriteWith = [](Bytes child) {
    return [=] {
      Bytes body = {9, 0, 1, 0};
      body.insert(body.end(), child.begin(), child.end());
      for (uint8_t b : {0x40, 0x00, 0x00, 0x00}) body.push_back(b);  // ShowFrame, End
      return std::unique_ptr<SwfTag>(new RawTag(kSwfTagDefineSprite, body));
    };
  };
  struct Case {
    const char* name;
    std::function<std::unique_ptr<SwfTag>()> extra;
    const char* reason;
  } cases[] = {
      {"AS3 flag", raw(69, {0x08, 0, 0, 0}), "ActionScript 3"},
      {"DoABC", raw(82, {0, 0, 0, 0}), "ActionScript 3"},
      {"DoABC old", raw(72, {0}), "ActionScript 3"},
      {"PlaceObject3", raw(70, {0x02, 0x00, 0x01, 0x00, 0x01, 0x00}),
       "cannot be merged: PlaceObject3 (tag code 70) is kept as bytes, and the character ids and depths it names "
       "cannot be renumbered."},
      {"DefineShape4", raw(83, {0x05, 0x00, 0x00}), "DefineShape4 (tag code 83) is kept as bytes"},
      // Known tags: a body that cannot be read is kept as its bytes, and its ids stay behind.
      {"unreadable DefineText", raw(11, {0x05}), "DefineText (tag code 11) could not be read and is kept as bytes"},
      {"PlaceObject3 in a sprite", spriteWith({0x86, 0x11, 0x02, 0x00, 0x01, 0x00, 0x01, 0x00}),
       "PlaceObject3 (tag code 70) in sprite 9 is kept as bytes"},
      {"depth at the top",
       [] {
         auto place = std::make_unique<PlaceObject2Tag>();
         place->SetCharacterId(1);
         place->depth = 0xFFFF;
         return std::unique_ptr<SwfTag>(std::move(place));
       },
       "PlaceObject2 (tag code 26): a character id, depth or frame number would pass 65535"},
      {"frame at the top",
       [] {
         auto jump = std::make_unique<DoActionTag>();
         jump->AddAction(std::make_unique<ActionGotoFrame>(0xFFFF));
         return std::unique_ptr<SwfTag>(std::move(jump));
       },
       "DoAction (tag code 12): a character id, depth or frame number would pass 65535"},
  };
  for (const Case& c : cases) {
    std::vector<std::unique_ptr<SwfTag>> extra;
    extra.push_back(c.extra());
    WriteTarget(dir.Native("target.swf"), 1, std::move(extra), false, 9);
    EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true)) << c.name;
    EXPECT_NE(builder.GetError().find(c.reason), std::string::npos) << c.name << ": " << builder.GetError();
    EXPECT_EQ(projecttest::ReadText(out), "old") << c.name;
  }
  // FileAttributes without the flag merges.
  std::vector<std::unique_ptr<SwfTag>> extra;
  extra.push_back(std::make_unique<RawTag>(69, std::vector<uint8_t>{0x00, 0, 0, 0}));
  WriteTarget(dir.Native("target.swf"), 1, std::move(extra), false, 8);
  EXPECT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();

  // Not a movie, and no file at all.
  projecttest::WriteText(dir.Native("target.swf"), "not a movie");
  EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
  EXPECT_NE(builder.GetError().find("cannot be read"), std::string::npos) << builder.GetError();
  project.SetTargetUrl(dir.Path("missing.swf"));
  EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
  EXPECT_NE(builder.GetError().find("cannot be read"), std::string::npos) << builder.GetError();
}

TEST_F(MergeTargetTest, ATargetCutShortMergesWithAWarning) {
  WriteTarget(dir.Native("target.swf"), 2);
  const std::string whole = projecttest::ReadText(dir.Native("target.swf"));
  EXPECT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
  EXPECT_EQ(builder.GetWarnings(), std::vector<std::string>{});

  // Where each tag of the target starts; they end: ..., DoAction GotoFrame, ShowFrame, End.
  std::vector<size_t> starts;
  for (size_t p = movieinspect::ReadFile(dir.Native("target.swf")).headerSize; p + 2 <= whole.size();) {
    starts.push_back(p);
    const unsigned head = static_cast<uint8_t>(whole[p]) | static_cast<uint8_t>(whole[p + 1]) << 8;
    size_t length = head & 0x3F;
    p += 2;
    if (length == 0x3F) {
      length = 0;
      for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<uint8_t>(whole[p + static_cast<size_t>(i)]);
      p += 4;
    }
    p += length;
  }
  ASSERT_GE(starts.size(), 3u);
  const size_t end = starts[starts.size() - 1];
  const size_t showFrame = starts[starts.size() - 2];
  const size_t gotoAction = starts[starts.size() - 3];
  ASSERT_EQ(end, whole.size() - 2);
  ASSERT_GT(showFrame - 2, gotoAction + 2);  // inside the GotoFrame's body
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
    bool merges;
  } cases[] = {
      // The last bytes missing: the End tag, then the ShowFrame too, then half of a tag's header.
      {"no End", whole.substr(0, end), "its header gives a length of", true},
      {"no last frame", whole.substr(0, showFrame), "its header gives a length of", true},
      {"a tag header cut", whole.substr(0, gotoAction + 1), "its header gives a length of", true},
      // Half of a script, whose frame numbers can't be found: refused, saying why.
      {"a tag cut", whole.substr(0, showFrame - 2), "a tag's header gives a length past the end", false},
      // A header that declares more than the file holds, the file whole.
      {"tag length past the end",
       [&] {
         std::string bytes = whole.substr(0, end);
         bytes += std::string("\x3F\x03\xFF\x00\x00\x00\x00\x00", 8);  // a DoAction of 255 bytes
         const uint32_t length = static_cast<uint32_t>(bytes.size());
         for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(length >> (8 * i));
         return bytes;
       }(),
       "a tag's header gives a length past the end", true},
  };
  for (const Case& c : cases) {
    projecttest::WriteText(dir.Native("target.swf"), c.bytes);
    const bool built = builder.Build(dir.Path("out.swf"), project, true);
    ASSERT_EQ(built, c.merges) << c.name << ": " << builder.GetError();
    const std::string said =
        built ? (builder.GetWarnings().size() == 1 ? builder.GetWarnings()[0] : "") : builder.GetError();
    EXPECT_EQ(said.rfind("The target movie " + dir.Native("target.swf") + " is cut short (", 0), 0u)
        << c.name << ": " << said;
    EXPECT_NE(said.find(c.reason), std::string::npos) << c.name << ": " << said;
    if (!built) continue;
    const movieinspect::Movie m = movieinspect::ReadFile(dir.Native("out.swf"));
    EXPECT_EQ(m.error, "") << c.name;
    EXPECT_EQ(m.frameCount, movieinspect::ShowFrames(m.tags)) << c.name;
  }
}

TEST_F(MergeTargetTest, TheMergedMovieHoldsAtMost65535Frames) {
  // The preloader's frame comes first: 65534 target frames make 65535.
  for (int frames : {65534, 65535}) {
    WriteTarget(dir.Native("target.swf"), frames);
    const bool built = builder.Build(dir.Path("out.swf"), project, true);
    if (frames == 65534) {
      ASSERT_TRUE(built) << builder.GetError();
      EXPECT_EQ(movieinspect::ReadFile(dir.Native("out.swf")).frameCount, 65535);
    } else {
      EXPECT_FALSE(built);
      EXPECT_NE(builder.GetError().find("the movie would have 65536 frames"), std::string::npos) << builder.GetError();
    }
  }
}

TEST_F(MergeTargetTest, CorpusMoviesMergeIntoMoviesThatReadBack) {
  const std::filesystem::path corpus = std::filesystem::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int merged = 0, refused = 0, warned = 0;
  std::map<std::string, int> reasons;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::filesystem::path swf = entry.path() / "test.swf";
    if (!std::filesystem::is_regular_file(swf)) continue;
    const std::string name = entry.path().filename().string();
    project.SetTargetUrl(Utf8ToWide(swf.string()));
    if (!builder.Build(dir.Path("out.swf"), project, true)) {
      // Only an expected refusal, with its listed reason, may stop a merge.
      const std::string& error = builder.GetError();
      const std::string wrong = corpusmerge::CheckRefusal(name, error);
      if (!wrong.empty()) ADD_FAILURE() << wrong;
      ++refused;
      // The reason without the movie's path, up to the tag's code.
      const size_t named = error.find(swf.string());
      std::string reason = named == std::string::npos ? error : error.substr(named + swf.string().size());
      reason = reason.substr(0, reason.find(" ("));
      ++reasons[reason];
      continue;
    }
    corpusmerge::NoteIfListed(name);
    ++merged;
    warned += builder.GetWarnings().empty() ? 0 : 1;
    const movieinspect::Movie m = movieinspect::ReadFile(dir.Native("out.swf"));
    ASSERT_EQ(m.error, "") << swf;
    EXPECT_EQ(m.frameCount, movieinspect::ShowFrames(m.tags)) << swf;
    EXPECT_EQ(m.length, m.fileSize) << swf;
  }
  std::printf("corpus merge: %d merged (%d with a warning), %d refused as listed\n", merged, warned, refused);
  for (const auto& [reason, count] : reasons) std::printf("  %d:%s\n", count, reason.c_str());
  EXPECT_GT(merged, 0);
}

}  // namespace
