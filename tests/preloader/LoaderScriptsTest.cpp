// The loader's scripts, action by action, as the built movie carries them: each script is
// written, decoded from its bytes and compared with the script as it is written down. Every
// branch is checked to land where it must, and every list passes the action checker.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/DoActionTag.h"
#include "tests/media/ImageFixtures.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/preloader/ScriptNotation.h"
#include "tests/support/ActionChecker.h"

namespace {

using scriptnotation::Action;

struct Decoded {
  std::vector<Action> actions;
  std::string text;
};

Decoded Decode(DoActionTag& tag) {
  const std::vector<uint8_t> bytes = scriptnotation::Bytes(tag);
  const actioncheck::CheckResult check = actioncheck::CheckActionList(bytes);
  EXPECT_TRUE(check.Ok()) << check.Report();
  Decoded d;
  std::string error;
  EXPECT_TRUE(scriptnotation::Decoder(bytes).Run(d.actions, error)) << error;
  d.text = scriptnotation::Join(d.actions);
  return d;
}

// Where each branch of the list lands, in order.
std::vector<std::string> Landings(const Decoded& d) {
  std::vector<std::string> out;
  for (size_t i = 0; i < d.actions.size(); ++i)
    if (d.actions[i].code == 0x99 || d.actions[i].code == 0x9D)
      out.push_back(d.actions[i].text + " -> " + scriptnotation::Landing(d.actions, i));
  return out;
}

class LoaderScriptsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project.SetTargetUrl(L"http://example.com/target.swf");
    builder.SetProject(&project);
    builder.SetFinalOutputPath(dir.Path("out.swf"));
  }
  void Mode(int32_t type, bool preview, PreloadMode mode = kPreloadSimple) {
    project.SetTargetType(static_cast<TargetType>(type));
    project.SetPreviewMode(preview, false);
    project.SetPreloadMode(mode);
  }

  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
};

// The size test of frame 2 in a movie of the version: btt > 1024, with Greater from version 6
// on, before it (Greater came with version 6) as 1024 < btt in as many bytes.
std::string SizeTest(int version) {
  return std::string(version >= 6 ? "Push [\"btt\"]; GetVariable; Push [int 1024]; Greater; "
                                  : "Push [int 1024]; Push [\"btt\"]; GetVariable; Less2; ") +
         "Not; If +74; "
         "Push [\"prcnt\", \"btl\"]; GetVariable; Push [\"btt\"]; GetVariable; Divide; SetVariable; "
         "Push [\"prcnt\"]; GetVariable; Push [int 1]; Less2; Not; Not; If +31; "
         "Stop; SetTarget \"_parent\"; GoToLabel \"loaderdone\"; Play; SetTarget \"\"; Jump +2; "
         "PreviousFrame; Play";
}

const std::string kExternalReads =
    "Push [\"btl\", dbl 0, \"_parent\"]; GetVariable; Push [\"ptgt\"]; GetMember; Push [\"getBytesLoaded\"]; "
    "CallMethod; SetVariable; "
    "Push [\"btt\", dbl 0, \"_parent\"]; GetVariable; Push [\"ptgt\"]; GetMember; Push [\"getBytesTotal\"]; "
    "CallMethod; SetVariable; "
    "Push [\"frl\", \"_parent\"]; GetVariable; Push [\"ptgt\"]; GetMember; Push [\"_framesloaded\"]; GetMember; "
    "SetVariable; "
    "Push [\"frt\", \"_parent\"]; GetVariable; Push [\"ptgt\"]; GetMember; Push [\"_totalframes\"]; GetMember; "
    "SetVariable; ";

const std::string kMergedReads =
    "Push [\"btl\", dbl 0, \"_parent\"]; GetVariable; Push [\"getBytesLoaded\"]; CallMethod; SetVariable; "
    "Push [\"btt\", dbl 0, \"_parent\"]; GetVariable; Push [\"getBytesTotal\"]; CallMethod; SetVariable; "
    "Push [\"frl\", \"_parent\"]; GetVariable; Push [\"_framesloaded\"]; GetMember; SetVariable; "
    "Push [\"frt\", \"_parent\"]; GetVariable; Push [\"_totalframes\"]; GetMember; SetVariable; ";

const std::string kClamp =
    "Push [\"prcnt\"]; GetVariable; Push [int 1]; Less2; Not; Not; If +16; Push [\"prcnt\", int 1]; SetVariable; "
    "Jump +40; Push [\"prcnt\"]; GetVariable; Push [dbl 0]; Less2; Not; If +15; Push [\"prcnt\", dbl 0]; "
    "SetVariable; ";

const std::string kLoaderEnd = "GotoFrame 4; Play";

TEST_F(LoaderScriptsTest, FrameOneStopsTheMainTimelineAndStartsTheClock) {
  Mode(kTargetExternal7, false);
  EXPECT_EQ(Decode(*builder.BuildInitActions()).text,
            "SetTarget \"_parent\"; Stop; SetTarget \"\"; Push [inline \"stm\"]; GetTime; SetVariable; "
            "Push [inline \"prcnt\", dbl 0]; SetVariable");

  // Smart mode (in preview too) adds the frame rate, widened from the float, and the buffer factor.
  Mode(kTargetMerge, true, kPreloadSmart);
  project.SetTargetFps(12.5f);
  project.SetBufferFactor(1.75);
  EXPECT_EQ(Decode(*builder.BuildInitActions()).text,
            "SetTarget \"_parent\"; Stop; SetTarget \"\"; Push [inline \"stm\"]; GetTime; SetVariable; "
            "Push [inline \"prcnt\", dbl 0]; SetVariable; Push [inline \"tfps\", dbl 12.5]; SetVariable; "
            "Push [inline \"bufa\", dbl 1.75]; SetVariable");
}

TEST_F(LoaderScriptsTest, FrameTwoInPreviewSimulatesTheTarget) {
  Mode(kTargetMerge, true);
  const Decoded merged = Decode(*builder.BuildLoadedCheckActions());
  EXPECT_EQ(merged.text,
            "ConstantPool [\"btl\", \"_parent\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", \"frl\", "
            "\"_framesloaded\", \"frt\", \"_totalframes\", \"prcnt\"]; "
            "Push [\"btl\", int 0]; SetVariable; Push [\"btt\", int 10000]; SetVariable; Push [\"frl\", dbl 0]; "
            "SetVariable; Push [\"frt\", int 100]; SetVariable; " +
                SizeTest(5));
  EXPECT_EQ(Landings(merged),
            (std::vector<std::string>{"If +74 -> PreviousFrame", "If +31 -> Jump +2", "Jump +2 -> end"}));

  // The pool names "ptgt" for an external target, even where no script reads it.
  Mode(kTargetExternal, true);
  EXPECT_NE(Decode(*builder.BuildLoadedCheckActions()).text.find("\"_parent\", \"ptgt\", \"getBytesLoaded\""),
            std::string::npos);
}

TEST_F(LoaderScriptsTest, FrameTwoReadsAnExternalTargetThroughItsClip) {
  for (int32_t type : {kTargetExternal7, kTargetExternal}) {
    Mode(type, false);
    const Decoded d = Decode(*builder.BuildLoadedCheckActions());
    EXPECT_EQ(d.text,
              "ConstantPool [\"btl\", \"_parent\", \"ptgt\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", "
              "\"frl\", \"_framesloaded\", \"frt\", \"_totalframes\", \"prcnt\"]; " +
                  kExternalReads +
                  // A small target that has arrived completely in place of the clip plays.
                  "Push [\"_parent\"]; GetVariable; Push [\"ptgt\"]; GetMember; Push [inline \"_url\"]; GetMember; "
                  "Push [\"_parent\"]; GetVariable; Push [inline \"_url\"]; GetMember; Equals2; If +73; "
                  "Push [int 0, \"btt\"]; GetVariable; Less2; Not; If +55; "
                  "Push [\"btl\"]; GetVariable; Push [\"btt\"]; GetVariable; Equals2; Not; If +36; "
                  "Stop; SetTarget \"_parent\"; GoToLabel \"loaderdone\"; Play; SetTarget \"\"; Jump +97; " +
                  SizeTest(type == kTargetExternal7 ? 7 : 5))
        << type;
    // The small target's branches skip to the size test, whichever form it takes.
    const std::string sizeTest = type == kTargetExternal7 ? "If +73 -> Push [\"btt\"]" : "If +73 -> Push [int 1024]";
    EXPECT_EQ(Landings(d), (std::vector<std::string>{sizeTest, "If +55" + sizeTest.substr(6),
                                                     "If +36" + sizeTest.substr(6), "Jump +97 -> end",
                                                     "If +74 -> PreviousFrame", "If +31 -> Jump +2", "Jump +2 -> end"}))
        << type;
  }

  // A compressed movie is at least of version 6, and its test takes Greater again.
  project.SetCompress(true);
  EXPECT_EQ(builder.GetMovieVersion(), 6);
  const std::string compressed = Decode(*builder.BuildLoadedCheckActions()).text;
  EXPECT_EQ(compressed.substr(compressed.size() - SizeTest(6).size()), SizeTest(6));
  project.SetPreviewMode(true, false);  // a preview is never compressed
  EXPECT_EQ(builder.GetMovieVersion(), 5);
}

TEST_F(LoaderScriptsTest, FrameTwoReadsAMergedTargetAsTheMovieItself) {
  Mode(kTargetMerge, false);
  const Decoded d = Decode(*builder.BuildLoadedCheckActions());
  EXPECT_EQ(d.text,
            "ConstantPool [\"btl\", \"_parent\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", \"frl\", "
            "\"_framesloaded\", \"frt\", \"_totalframes\", \"prcnt\"]; " +
                kMergedReads +
                "Push [int 0, \"btt\"]; GetVariable; Less2; Not; If +55; "
                "Push [\"btl\"]; GetVariable; Push [\"btt\"]; GetVariable; Equals2; Not; If +36; "
                "Stop; SetTarget \"_parent\"; GoToLabel \"loaderdone\"; Play; SetTarget \"\"; Jump +97; " +
                SizeTest(5));
  EXPECT_EQ(Landings(d).at(2), "Jump +97 -> end");
}

TEST_F(LoaderScriptsTest, SimpleProgressInPreviewAddsOneHundredthAPass) {
  Mode(kTargetExternal7, true);
  const Decoded d = Decode(*builder.BuildProgressActions());
  EXPECT_EQ(d.text,
            "ConstantPool [\"btl\", \"_parent\", \"ptgt\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", \"frl\", "
            "\"_framesloaded\", \"frt\", \"_totalframes\", \"prcnt\", \"stm\", \"play\", \"unloadMovie\", "
            "\"_visible\", \"loadMovie\"]; "
            "Push [\"btl\", \"btl\"]; GetVariable; Push [int 100]; Add2; SetVariable; Push [\"btt\", int 10000]; "
            "SetVariable; Push [\"frl\", \"frl\"]; GetVariable; Push [dbl 1]; Add2; SetVariable; "
            "Push [\"frt\", int 100]; SetVariable; Push [\"prcnt\", \"prcnt\"]; GetVariable; Push [dbl 0.01]; Add2; "
            "SetVariable; " +
                kClamp + "Push [\"prcnt\"]; GetVariable; Push [dbl 1]; Less2; Not; Not; If +6; " + kLoaderEnd);
  EXPECT_EQ(Landings(d), (std::vector<std::string>{"If +16 -> Push [\"prcnt\"]", "Jump +40 -> Push [\"prcnt\"]",
                                                   "If +15 -> Push [\"prcnt\"]", "If +6 -> end"}));
  // The clamp's Jump skips the lower bound entirely: it lands after its last SetVariable.
  const auto& a = d.actions;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].text == "Jump +40") {
      ASSERT_LT(i + 9, a.size());
      EXPECT_EQ(a[i + 8].text, "SetVariable");
      EXPECT_EQ(a[i + 9].text, "Push [\"prcnt\"]");
    }
  }
}

TEST_F(LoaderScriptsTest, SimpleProgressMeasuresTheTargetAndEndsAtThePercent) {
  Mode(kTargetMerge, false);
  project.SetPercent(37);
  const Decoded d = Decode(*builder.BuildProgressActions());
  EXPECT_EQ(d.text,
            "ConstantPool [\"btl\", \"_parent\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", \"frl\", "
            "\"_framesloaded\", \"frt\", \"_totalframes\", \"prcnt\", \"stm\", \"play\", \"unloadMovie\", "
            "\"_visible\", \"loadMovie\"]; " +
                kMergedReads +
                "Push [\"prcnt\", \"btl\"]; GetVariable; Push [\"btt\"]; GetVariable; Divide; SetVariable; " + kClamp +
                "Push [\"prcnt\"]; GetVariable; Push [dbl 0.37]; Less2; Not; Not; If +6; " + kLoaderEnd);
}

TEST_F(LoaderScriptsTest, AnAnimatingDisplayHoldsTheLoaderOnlyAtFullPercent) {
  Mode(kTargetMerge, true);
  builder.SetAnmDisplay(true);
  const std::string pool =
      "ConstantPool [\"btl\", \"_parent\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", \"frl\", "
      "\"_framesloaded\", \"frt\", \"_totalframes\", \"prcnt\", \"anm\"]";
  {
    DoActionTag actions;
    builder.AddSimpleProgressActions(actions);
    const Decoded d = Decode(actions);
    EXPECT_EQ(d.text.substr(0, pool.size()), pool);
    const std::string end =
        "Push [\"prcnt\"]; GetVariable; Push [dbl 1]; Less2; Not; PushDuplicate; Not; If +18; Pop; "
        "Push [dbl 0, \"anm\"]; GetVariable; Less2; Not; Not; If +6; " +
        kLoaderEnd;
    EXPECT_EQ(d.text.substr(d.text.size() - end.size()), end);
    EXPECT_EQ(Landings(d).at(3), "If +18 -> Not");
    EXPECT_EQ(Landings(d).at(4), "If +6 -> end");
  }
  {
    project.SetPercent(99);
    DoActionTag actions;
    builder.AddSimpleProgressActions(actions);
    const Decoded d = Decode(actions);
    const std::string end = "Push [\"prcnt\"]; GetVariable; Push [dbl 0.99]; Less2; Not; Not; If +6; " + kLoaderEnd;
    EXPECT_EQ(d.text.substr(d.text.size() - end.size()), end);
  }
}

const std::string kSmartBody =
    "Push [\"btr\", \"btt\"]; GetVariable; Push [\"btl\"]; GetVariable; Subtract; SetVariable; "
    "Push [\"ldtime\"]; GetTime; Push [\"stm\"]; GetVariable; Subtract; SetVariable; "
    "Push [\"spd\", \"btl\"]; GetVariable; Push [\"ldtime\"]; GetVariable; Divide; SetVariable; "
    "Push [\"totime\", \"frt\"]; GetVariable; Push [\"tfps\"]; GetVariable; Divide; SetVariable; "
    "Push [\"ptime\", \"frl\"]; GetVariable; Push [\"tfps\"]; GetVariable; Divide; SetVariable; "
    "Push [\"rldtime\", \"btr\"]; GetVariable; Push [int 1024]; Divide; Push [\"spd\"]; GetVariable; Divide; "
    "SetVariable; "
    "Push [\"s\", \"frt\"]; GetVariable; Push [\"frc\"]; GetVariable; Divide; SetVariable; "
    "Push [\"waittime\", \"rldtime\"]; GetVariable; Push [\"bufa\"]; GetVariable; Multiply; Push [\"ptime\"]; "
    "GetVariable; Subtract; SetVariable; "
    "Push [int 1024, \"btt\"]; GetVariable; Less2; Not; If +21; Push [\"prcnt\", \"btl\"]; GetVariable; "
    "Push [\"btt\"]; GetVariable; Divide; SetVariable; Jump +15; Push [\"prcnt\", dbl 0]; SetVariable; "
    "Push [int 1, \"prcnt\"]; GetVariable; Less2; Not; If +16; Push [\"prcnt\", int 1]; SetVariable; Jump +40; "
    "Push [\"prcnt\"]; GetVariable; Push [dbl 0]; Less2; Not; If +15; Push [\"prcnt\", dbl 0]; SetVariable; ";

const std::string kSmartTime =
    "Push [\"rldtime\"]; GetVariable; Push [\"bufa\"]; GetVariable; Multiply; Push [\"ptime\"]; GetVariable; "
    "Less2; Not; If +6; GotoFrame 4; Play";

TEST_F(LoaderScriptsTest, SmartProgressEstimatesTheTimeLeft) {
  Mode(kTargetExternal7, false, kPreloadSmart);
  const Decoded d = Decode(*builder.BuildProgressActions());
  EXPECT_EQ(d.text,
            "ConstantPool [\"btl\", \"_parent\", \"ptgt\", \"getBytesLoaded\", \"btt\", \"getBytesTotal\", \"frl\", "
            "\"_framesloaded\", \"frt\", \"_totalframes\", \"frc\", \"_currentframe\", \"btr\", \"ldtime\", \"stm\", "
            "\"spd\", \"totime\", \"tfps\", \"ptime\", \"rldtime\", \"s\", \"waittime\", \"bufa\", \"prcnt\", "
            "\"play\", \"unloadMovie\", \"_visible\", \"loadMovie\"]; " +
                kExternalReads +
                "Push [\"frc\", \"_parent\"]; GetVariable; Push [\"ptgt\"]; GetMember; Push [\"_currentframe\"]; "
                "GetMember; SetVariable; " +
                kSmartBody + "Push [int 1, \"s\"]; GetVariable; Less2; Not; If +32; " + kSmartTime +
                // A completely loaded target ends the loader as well.
                "; Push [\"prcnt\"]; GetVariable; Push [int 1]; Less2; If +6; " + kLoaderEnd);
  EXPECT_EQ(Landings(d),
            (std::vector<std::string>{"If +21 -> Push [\"prcnt\", dbl 0]", "Jump +15 -> Push [int 1, \"prcnt\"]",
                                      "If +16 -> Push [\"prcnt\"]", "Jump +40 -> Push [int 1, \"s\"]",
                                      "If +15 -> Push [int 1, \"s\"]", "If +32 -> Push [\"prcnt\"]",
                                      "If +6 -> Push [\"prcnt\"]", "If +6 -> end"}));
}

TEST_F(LoaderScriptsTest, SmartProgressWithAnAnimatingDisplayWaitsForIt) {
  Mode(kTargetMerge, false, kPreloadSmart);
  builder.SetAnmDisplay(true);
  DoActionTag actions;
  builder.AddSmartProgressActions(actions);
  const Decoded d = Decode(actions);
  EXPECT_NE(d.text.find("\"bufa\", \"prcnt\", \"anm\"]"), std::string::npos);
  const std::string end =
      "Push [int 1, \"s\"]; GetVariable; Less2; PushDuplicate; Not; If +18; Pop; "
      "Push [dbl 0, \"anm\"]; GetVariable; Less2; Not; Not; If +32; " +
      kSmartTime +
      "; Push [\"prcnt\"]; GetVariable; Push [int 1]; Less2; If +27; Push [dbl 0, \"anm\"]; "
      "GetVariable; Less2; If +6; " +
      kLoaderEnd;
  ASSERT_GE(d.text.size(), end.size());
  EXPECT_EQ(d.text.substr(d.text.size() - end.size()), end);
  const std::vector<std::string> landings = Landings(d);
  ASSERT_EQ(landings.size(), 10u);
  EXPECT_EQ(landings[5], "If +18 -> Not");
  EXPECT_EQ(landings[6], "If +32 -> Push [\"prcnt\"]");
  EXPECT_EQ(landings[7], "If +6 -> Push [\"prcnt\"]");
  EXPECT_EQ(landings[8], "If +27 -> end");
  EXPECT_EQ(landings[9], "If +6 -> end");
}

TEST_F(LoaderScriptsTest, MovieClipLoaderScriptHoldsTheTargetOnItsFirstFrame) {
  const std::string target = dir.Native("target.swf");
  projecttest::WriteText(target, projecttest::MovieWithVersion(7));
  project.SetTargetUrl(Utf8ToWide(target));
  Mode(kTargetExternal7, false);
  DoActionTag actions;
  EXPECT_TRUE(builder.AddMovieClipLoaderActions(actions));
  const Decoded d = Decode(actions);
  EXPECT_EQ(d.text,
            "ConstantPool [\"mcLoader\", \"MovieClipLoader\", \"loadListener\", \"Object\", \"addListener\", "
            "\"ptgt\", \"target.swf\", \"loadClip\", \"onLoadStart\", \"stop\"]; "
            "Push [\"mcLoader\", dbl 0, \"MovieClipLoader\"]; NewObject; SetVariable; "
            "Push [\"loadListener\", dbl 0, \"Object\"]; NewObject; SetVariable; "
            "Push [\"loadListener\"]; GetVariable; Push [int 1, \"mcLoader\"]; GetVariable; Push [\"addListener\"]; "
            "CallMethod; Pop; "
            "Push [\"ptgt\"]; GetVariable; Push [\"target.swf\", int 2, \"mcLoader\"]; GetVariable; "
            "Push [\"loadClip\"]; CallMethod; Pop; "
            "Push [\"loadListener\"]; GetVariable; Push [\"onLoadStart\"]; DefineFunction \"\" () 22; "
            "Push [dbl 0, \"ptgt\"]; GetVariable; Push [\"stop\"]; CallMethod; Pop; SetMember; "
            "Push [\"ptgt\"]; GetVariable; Push [inline \"_lockroot\", bool true]; SetMember");
  // The function's body is exactly the 22 bytes up to the SetMember that stores it.
  for (size_t i = 0; i < d.actions.size(); ++i) {
    if (d.actions[i].code == 0x9B) {
      ASSERT_LT(i + 6, d.actions.size());
      EXPECT_EQ(d.actions[i + 6].offset - (d.actions[i].offset + d.actions[i].size), 22u);
      EXPECT_EQ(d.actions[i + 6].text, "SetMember");
    }
  }

  // Without lock-root the script ends with the listener; the pool keeps its fixed order
  // even when the address equals one of its other names.
  project.SetLockRoot(false);
  project.SetTargetUrl(L"ptgt");
  DoActionTag plain;
  EXPECT_TRUE(builder.AddMovieClipLoaderActions(plain));
  const Decoded p = Decode(plain);
  EXPECT_EQ(p.text.find("\"ptgt\", \"ptgt\", \"loadClip\""), p.text.find("\"addListener\", ") + 15);
  EXPECT_EQ(p.text.substr(p.text.size() - 9), "SetMember");
  EXPECT_EQ(p.text.find("_lockroot"), std::string::npos);
}

TEST_F(LoaderScriptsTest, LoadMovieScriptLoadsIntoTheClip) {
  Mode(kTargetExternal, false);
  project.SetTargetUrl(L"http://example.com/a b.swf");
  DoActionTag locked;
  EXPECT_TRUE(builder.AddLoadMovieActions(locked));
  EXPECT_EQ(Decode(locked).text,
            "Push [inline \"http://example.com/a b.swf\", inline \"ptgt\"]; GetURL2 0x40; "
            "Push [inline \"ptgt\"]; GetVariable; Push [inline \"_lockroot\", bool true]; SetMember");
  project.SetLockRoot(false);
  DoActionTag plain;
  EXPECT_TRUE(builder.AddLoadMovieActions(plain));
  EXPECT_EQ(Decode(plain).text, "Push [inline \"http://example.com/a b.swf\", inline \"ptgt\"]; GetURL2 0x40");
}

TEST_F(LoaderScriptsTest, TargetAddressByExistenceAndTheRelativeSwitch) {
  std::filesystem::create_directories(dir.Native("site/movies"));
  const std::string target = dir.Native("site/movies/t.swf");
  projecttest::WriteText(target, projecttest::MovieWithVersion(6));
  builder.SetFinalOutputPath(dir.Path("site/out.swf"));
  struct Case {
    std::wstring url;
    bool relative;
    std::wstring expected;
  } cases[] = {
      {Utf8ToWide(target), true, L"./movies/t.swf"},
      {Utf8ToWide(target), false, L"t.swf"},
      // A missing file is taken as it is stored, relative switch or not (a web address).
      {Utf8ToWide(dir.Native("site/movies/missing.swf")), true, Utf8ToWide(dir.Native("site/movies/missing.swf"))},
      {L"http://example.com/x/t.swf", true, L"http://example.com/x/t.swf"},
      {L"http://example.com/x/t.swf", false, L"http://example.com/x/t.swf"},
      // Characters outside ASCII travel as their UTF-8 bytes, percent-escaped; the rest stays.
      {L"http://example.com/f\u00efl m/\u65e5\U0001F600.swf?a=%41", false,
       L"http://example.com/f%C3%AFl m/%E6%97%A5%F0%9F%98%80.swf?a=%41"},
  };
  for (const Case& c : cases) {
    project.SetTargetUrl(c.url);
    project.SetUseRelativeSwfPath(c.relative);
    EXPECT_EQ(builder.GetTargetUrl(), c.expected) << WideToUtf8(c.url) << " " << c.relative;
  }

  // Relative paths, as a command line gives them: both are taken from the working folder,
  // where the target is found and the movie is written.
  std::filesystem::create_directories(dir.Native("build"));
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Native(""));
  struct RelativeCase {
    const char* target;
    std::string output;
    const char* expected;
  } relative[] = {
      {"site/movies/t.swf", "site/out.swf", "./movies/t.swf"},
      {"site/movies/t.swf", "build/out.swf", "../site/movies/t.swf"},
      {"./site/movies/t.swf", "out.swf", "./site/movies/t.swf"},
      {"site/movies/t.swf", dir.Native("site/movies/out.swf"), "./t.swf"},
  };
  project.SetUseRelativeSwfPath(true);
  for (const RelativeCase& c : relative) {
    project.SetTargetUrl(Utf8ToWide(c.target));
    builder.SetFinalOutputPath(Utf8ToWide(c.output));
    EXPECT_EQ(WideToUtf8(builder.GetTargetUrl()), c.expected) << c.target << " from " << c.output;
  }
  std::filesystem::current_path(before);
}

// The part of the frame 3 script after a preview's simple progress script (the imports',
// as the project has no messages).
std::string AfterProgress(const std::string& script) {
  const std::string end = "If +6; " + kLoaderEnd + "; ";
  const size_t at = script.find(end);
  return at == std::string::npos ? "no progress end in: " + script : script.substr(at + end.size());
}

// A picture for an import to measure.
WideString WritePicture(const projecttest::ScratchDir& dir, const std::string& name) {
  imagetest::Bytes rows(8 * 8 * 3, 0x80);
  const imagetest::Bytes png = imagetest::EncodePng(rows, 8, 8);
  projecttest::WriteText(dir.Native(name), std::string(png.begin(), png.end()));
  return dir.Path(name);
}

TEST_F(LoaderScriptsTest, EmbeddedImagesAreShownAndHiddenByTheirStates) {
  Mode(kTargetMerge, true);
  const WideString picture = WritePicture(dir, "pic.png");
  // Import 0 waits for 10 percent and goes 10 percent later; import 1 is shown at once and
  // goes half a second after the loader started.
  auto* late = new ImportItem;
  late->SetPath(picture);
  late->SetEmbedImage(true);
  late->SetStartType(kStartPercent);
  late->SetStartPercent(10);
  late->SetEndType(kEndPercent);
  late->SetEndPercent(10);
  project.InsertImport(late, 0);
  auto* atOnce = new ImportItem;
  atOnce->SetPath(picture);
  atOnce->SetEmbedImage(true);
  atOnce->SetEndType(kEndTime);
  atOnce->SetEndTime(500);
  project.InsertImport(atOnce, 1);
  ASSERT_TRUE(late->IsEmbeddedImage() && atOnce->IsEmbeddedImage());

  // Frame 1 sets every state to waiting.
  const std::string init = Decode(*builder.BuildInitActions()).text;
  EXPECT_EQ(init.substr(init.find("Push [inline \"bimp0\"")),
            "Push [inline \"bimp0\", int 0]; SetVariable; "
            "Push [inline \"imp0\"]; GetVariable; Push [inline \"_visible\", bool false]; SetMember; "
            "Push [inline \"bimp1\", int 0]; SetVariable; "
            "Push [inline \"imp1\"]; GetVariable; Push [inline \"_visible\", bool false]; SetMember");

  const Decoded d = Decode(*builder.BuildProgressActions());
  EXPECT_NE(d.text.find("\"unloadMovie\", \"bimp0\", \"imp0\", \"bimp1\", \"imp1\", \"_visible\", "
                        "\"loadMovie\"]"),
            std::string::npos)
      << d.text;
  EXPECT_EQ(AfterProgress(d.text),
            // The clip placed in this frame is hidden while its image waits.
            "Push [\"bimp0\"]; GetVariable; Push [dbl 0]; Equals2; Not; If +14; "
            "Push [\"imp0\"]; GetVariable; Push [\"_visible\", bool false]; SetMember; "
            // Starts: past 10 percent, and at once.
            "Push [\"bimp0\"]; GetVariable; Push [dbl 0]; Equals2; PushDuplicate; Not; If +17; Pop; "
            "Push [dbl 0.1, \"prcnt\"]; GetVariable; Less2; Not; If +25; "
            "Push [\"imp0\"]; GetVariable; Push [\"_visible\", bool true]; SetMember; "
            "Push [\"bimp0\", int 1]; SetVariable; "
            "Push [\"bimp1\"]; GetVariable; Push [dbl 0]; Equals2; Not; If +25; "
            "Push [\"imp1\"]; GetVariable; Push [\"_visible\", bool true]; SetMember; "
            "Push [\"bimp1\", int 1]; SetVariable; "
            // Ends, counted from the start.
            "Push [\"bimp0\"]; GetVariable; Push [int 1]; Equals2; PushDuplicate; Not; If +17; Pop; "
            "Push [dbl 0.2, \"prcnt\"]; GetVariable; Less2; Not; If +25; "
            "Push [\"imp0\"]; GetVariable; Push [\"_visible\", bool false]; SetMember; "
            "Push [\"bimp0\", int 2]; SetVariable; "
            "Push [\"bimp1\"]; GetVariable; Push [int 1]; Equals2; PushDuplicate; Not; If +18; Pop; "
            "Push [int 500]; GetTime; Push [\"stm\"]; GetVariable; Subtract; Less2; Not; If +25; "
            "Push [\"imp1\"]; GetVariable; Push [\"_visible\", bool false]; SetMember; "
            "Push [\"bimp1\", int 2]; SetVariable");
  // Each part's branches land at the next part, or at the test that follows its condition.
  const std::vector<std::string> landings = Landings(d);
  ASSERT_GE(landings.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(landings.end() - 8, landings.end()),
            (std::vector<std::string>{"If +14 -> Push [\"bimp0\"]", "If +17 -> Not", "If +25 -> Push [\"bimp1\"]",
                                      "If +25 -> Push [\"bimp0\"]", "If +17 -> Not", "If +25 -> Push [\"bimp1\"]",
                                      "If +18 -> Not", "If +25 -> end"}));
}

TEST_F(LoaderScriptsTest, RunTimeImportsLoadIntoTheirClipsAndUnload) {
  Mode(kTargetMerge, true);
  // Import 0: a web address loaded at once and kept; import 1: loaded past 20 percent and
  // unloaded two seconds later, a time counted from when it was loaded.
  auto* atOnce = new ImportItem;
  atOnce->SetPath(L"http://example.com/a.swf");
  project.InsertImport(atOnce, 0);
  auto* late = new ImportItem;
  late->SetPath(L"http://example.com/b.jpg");
  late->SetStartType(kStartPercent);
  late->SetStartPercent(20);
  late->SetEndType(kEndTime);
  late->SetEndTime(2000);
  project.InsertImport(late, 1);

  const Decoded d = Decode(*builder.BuildProgressActions());
  EXPECT_NE(d.text.find("\"unloadMovie\", \"bimp0\", \"imp0\", \"bimp1\", \"imp1\", \"_visible\", "
                        "\"loadMovie\", \"simp1\"]"),
            std::string::npos)
      << d.text;
  EXPECT_EQ(AfterProgress(d.text),
            "Push [\"bimp0\"]; GetVariable; Push [dbl 0]; Equals2; Not; If +63; "
            "Push [inline \"http://example.com/a.swf\"]; Push [int 1, \"imp0\"]; GetVariable; "
            "Push [\"loadMovie\"]; CallMethod; Pop; Push [inline \"bimp0\", int 1]; SetVariable; "
            "Push [\"bimp1\"]; GetVariable; Push [dbl 0]; Equals2; PushDuplicate; Not; If +17; Pop; "
            "Push [dbl 0.2, \"prcnt\"]; GetVariable; Less2; Not; If +69; "
            "Push [inline \"http://example.com/b.jpg\", int 1, \"imp1\"]; GetVariable; "
            "Push [\"loadMovie\"]; CallMethod; Pop; Push [\"bimp1\", int 1]; SetVariable; "
            // When it started, for its end.
            "Push [\"simp1\"]; GetTime; Push [\"stm\"]; GetVariable; Subtract; SetVariable; "
            "Push [\"bimp1\"]; GetVariable; Push [int 1]; Equals2; PushDuplicate; Not; If +25; Pop; "
            "Push [int 2000]; GetTime; Push [\"stm\"]; GetVariable; Subtract; Push [\"simp1\"]; GetVariable; "
            "Subtract; Less2; Not; If +33; "
            "Push [dbl 0, \"imp1\"]; GetVariable; Push [\"unloadMovie\"]; CallMethod; Pop; "
            "Push [\"bimp1\", int 2]; SetVariable");
}

// The address a run-time import loads, read from its script.
TEST_F(LoaderScriptsTest, RunTimeImportAddressByModeExistenceAndTheRelativeSwitch) {
  std::filesystem::create_directories(dir.Native("site/media"));
  const std::string movie = dir.Native("site/media/clip.swf");
  projecttest::WriteText(movie, projecttest::MovieWithVersion(6));
  const std::string odd = dir.Native("site/media/a b#1%\u00e9.swf");
  projecttest::WriteText(odd, projecttest::MovieWithVersion(6));
  builder.SetFinalOutputPath(dir.Path("site/out.swf"));
  const std::string missing = dir.Native("site/media/gone.swf");
  struct Case {
    std::string source;
    bool preview;
    bool delayed;
    bool relative;
    std::string expected;
  } cases[] = {
      // A file that is there: the path from the output's folder, or its bare name.
      {movie, false, false, true, "./media/clip.swf"},
      {movie, false, false, false, "clip.swf"},
      // Loaded later always by its path from the output's folder.
      {movie, false, true, false, "./media/clip.swf"},
      // What an address cannot carry as it is, percent-encoded.
      {odd, false, false, true, "./media/a%20b%231%25%C3%A9.swf"},
      {odd, false, true, false, "./media/a%20b%231%25%C3%A9.swf"},
      // In a preview, the file itself.
      {movie, true, false, false, "file://" + movie},
      {movie, true, true, true, "file://" + movie},
      // Anything else (a web address, a file not there) is loaded as written, whatever the
      // start, with only blanks and characters outside ASCII encoded.
      {missing, false, false, true, missing},
      {missing, false, true, true, missing},
      {"http://example.com/a b/\u00e9.swf?x=%41#top", false, true, true,
       "http://example.com/a%20b/%C3%A9.swf?x=%41#top"},
      {"media/clip.swf", true, false, false, "media/clip.swf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source + (c.preview ? " preview" : "") + (c.delayed ? " delayed" : "") +
                 (c.relative ? " relative" : ""));
    Mode(kTargetMerge, c.preview);
    project.SetUseRelativeSwfPath(c.relative);
    project.DeleteImport(0);
    auto* item = new ImportItem;
    item->SetPath(Utf8ToWide(c.source));
    if (c.delayed) item->SetStartTime(100);
    project.InsertImport(item, 0);
    const std::string text = Decode(*builder.BuildProgressActions()).text;
    // The first inline text of the script.
    const std::string form = "Push [inline \"";
    const size_t at = text.find(form);
    ASSERT_NE(at, std::string::npos) << text;
    const size_t start = at + form.size();
    EXPECT_EQ(text.substr(start, text.find('"', start) - start), c.expected);
  }
}

}  // namespace
