#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "ProjectTestSupport.h"
#include "preloader/PreloaderData.h"
#include "tests/media/ImageFixtures.h"

namespace {

// Each test starts from a counter at 0.
class ProjectRecord : public testing::Test {
 protected:
  void SetUp() override { ResetModificationCount(); }
};

TEST_F(ProjectRecord, NewProjectHoldsTheResetValues) {
  PreloaderData p;
  EXPECT_EQ(p.GetTargetUrl(), WideString());
  EXPECT_EQ(p.GetTargetWidth(), 300);
  EXPECT_EQ(p.GetTargetHeight(), 200);
  EXPECT_EQ(p.GetBackgroundColor(), 0xFFFFFFu);
  EXPECT_FLOAT_EQ(p.GetTargetFps(), 12.0f);
  EXPECT_EQ(p.GetPreloadMode(), kPreloadSimple);
  EXPECT_EQ(p.GetTargetType(), kTargetExternal7);
  EXPECT_EQ(p.GetTargetLoopType(), kLoopNoChange);
  EXPECT_DOUBLE_EQ(p.GetBufferFactor(), 1.0);
  EXPECT_EQ(p.GetPercent(), 100);
  EXPECT_TRUE(p.GetLockRoot());
  EXPECT_FALSE(p.GetProtect() || p.GetCompress() || p.GetUseRelativeSwfPath() || p.IsDisplayEnabled());
  EXPECT_EQ(p.GetDisplay(), nullptr);
  ASSERT_NE(p.GetRemovalEffect(), nullptr);
  EXPECT_EQ(p.GetRemovalEffect()->GetName(), WideString(L"Remove"));
  EXPECT_EQ(p.GetProgressMessageSelection(), -1);
  EXPECT_EQ(p.GetLoadMessageSelection(), -1);
  EXPECT_EQ(p.GetImportSelection(), -1);
  EXPECT_EQ(p.GetTextEffectLibrary().GetCount(), 6);
  EXPECT_EQ(p.GetTextEffectLibrary().IndexOf(L"Trail Dots 2"), 5);
  EXPECT_EQ(p.GetTextEffectLibrary().FindByName(L"none"), nullptr);
  EXPECT_EQ(p.GetRemovalEffectLibrary().GetCount(), 6);
  EXPECT_EQ(p.GetModificationCount(true), 0) << "construction counts nothing";
}

// One setter call each: what it returns and how many changes it counts.
TEST_F(ProjectRecord, SettersCheckTheirRangesAndCountOnlyRealChanges) {
  struct Case {
    const char* what;
    std::function<bool(PreloaderData&)> call;
    bool result;
    int counted;
  };
  const std::vector<Case> cases = {
      {"size unchanged", [](PreloaderData& p) { return p.SetTargetSize(300, 200); }, true, 0},
      {"width 0", [](PreloaderData& p) { return p.SetTargetSize(0, 200); }, false, 0},
      {"height 5001", [](PreloaderData& p) { return p.SetTargetSize(640, 5001); }, false, 0},
      {"size 1 x 5000", [](PreloaderData& p) { return p.SetTargetSize(1, 5000); }, true, 1},
      {"width 640", [](PreloaderData& p) { return p.SetTargetWidth(640); }, true, 1},
      {"height 0", [](PreloaderData& p) { return p.SetTargetHeight(0); }, false, 0},
      {"fps 120", [](PreloaderData& p) { return p.SetTargetFps(120.0f); }, true, 1},
      {"fps 1", [](PreloaderData& p) { return p.SetTargetFps(1.0f); }, true, 1},
      {"fps 12 again", [](PreloaderData& p) { return p.SetTargetFps(12.0f); }, true, 0},
      {"fps 0.5", [](PreloaderData& p) { return p.SetTargetFps(0.5f); }, false, 0},
      {"fps 120.5", [](PreloaderData& p) { return p.SetTargetFps(120.5f); }, false, 0},
      {"percent -1", [](PreloaderData& p) { return p.SetPercent(-1); }, false, 0},
      {"percent 101", [](PreloaderData& p) { return p.SetPercent(101); }, false, 0},
      {"percent 0", [](PreloaderData& p) { return p.SetPercent(0); }, true, 1},
      {"percent 100 again", [](PreloaderData& p) { return p.SetPercent(100); }, true, 0},
      {"url", [](PreloaderData& p) { return p.SetTargetUrl(L"/a.swf"); }, true, 1},
      {"url empty again", [](PreloaderData& p) { return p.SetTargetUrl(L""); }, true, 0},
      {"origin x", [](PreloaderData& p) { return p.SetTargetOriginX(-7); }, true, 1},
      {"origin y 0", [](PreloaderData& p) { return p.SetTargetOriginY(0); }, true, 0},
      {"buffer factor", [](PreloaderData& p) { return p.SetBufferFactor(-3.5); }, true, 1},
      {"loop twice, back once",
       [](PreloaderData& p) {
         p.SetTargetLoopType(kLoopLoop);
         p.SetTargetLoopType(kLoopLoop);
         p.SetTargetLoopType(kLoopNoChange);
         return true;
       },
       true, 2},
      {"flags",
       [](PreloaderData& p) {
         p.SetProtect(true);
         p.SetCompress(true);
         p.SetUseRelativeSwfPath(false);
         p.SetDisplayEnabled(true);
         p.SetBackgroundColor(0xFFFFFF);
         p.SetPreloadMode(kPreloadSmart);
         p.SetTargetType(kTargetExternal7);
         return true;
       },
       true, 4},
      {"removal effect none, then none",
       [](PreloaderData& p) {
         p.SetRemovalEffect(nullptr);
         p.SetRemovalEffect(nullptr);
         return true;
       },
       true, 1},
      {"preview mode",
       [](PreloaderData& p) {
         p.SetPreviewMode(true, true);
         return p.IsPreview() && p.IsDisplayOnlyPreview();
       },
       true, 0},
  };
  for (const Case& c : cases) {
    PreloaderData p;
    ResetModificationCount();
    EXPECT_EQ(c.call(p), c.result) << c.what;
    EXPECT_EQ(p.GetModificationCount(true), c.counted) << c.what;
  }
}

TEST_F(ProjectRecord, RefusedValuesLeaveTheStoredOnes) {
  PreloaderData p;
  EXPECT_FALSE(p.SetTargetSize(640, 5001));
  EXPECT_EQ(p.GetTargetWidth(), 300);
  EXPECT_EQ(p.GetTargetHeight(), 200);
  EXPECT_FALSE(p.SetTargetFps(0.5f));
  EXPECT_FLOAT_EQ(p.GetTargetFps(), 12.0f);
  EXPECT_FALSE(p.SetPercent(101));
  EXPECT_EQ(p.GetPercent(), 100);
  EXPECT_EQ(p.GetTargetWidthMin(), 1);
  EXPECT_EQ(p.GetTargetHeightMax(), 5000);
  EXPECT_FLOAT_EQ(p.GetTargetFpsMax(), 120.0f);
  EXPECT_EQ(p.GetPercentMax(), 100);
}

struct SignalLog {
  static std::vector<std::string>* log;
  static void Before(PreloaderData* p) {
    log->push_back("before " + std::to_string(p->GetTargetWidth()) + " msg x " +
                   std::to_string(p->GetProgressMessage(0)->GetX()));
  }
  static void After(PreloaderData* p) {
    log->push_back("after " + std::to_string(p->GetTargetWidth()) + " msg x " +
                   std::to_string(p->GetProgressMessage(0)->GetX()));
  }
};
std::vector<std::string>* SignalLog::log = nullptr;

TEST_F(ProjectRecord, StageSizeChangeFiresBeforeThenRealignsThenFiresAfter) {
  std::vector<std::string> log;
  SignalLog::log = &log;
  PreloaderData p;
  p.BeforeStageSizeChange().Connect(&SignalLog::Before);
  p.AfterStageSizeChange().Connect(&SignalLog::After);
  auto* message = new ProgressMessage();
  message->SetHAlign(kHAlignCenter);
  p.InsertProgressMessage(message, 0);
  p.AlignProgressMessages();
  ASSERT_EQ(message->GetX(), 150);
  auto* fixed = new ImportItem();
  fixed->SetAlignToDoc(false);
  ASSERT_TRUE(fixed->SetX(33));
  p.InsertImport(fixed, 0);
  ColorPairDisplay* display = nullptr;
  {
    auto owned = std::make_unique<ColorPairDisplay>();
    display = owned.get();
    owned->SetName(L"Bar");
    owned->SetBaseSize(100, 20);
    std::unique_ptr<PreloaderDisplay> base(std::move(owned));
    ASSERT_TRUE(p.GetPreloaderLibrary().Insert(base));
  }
  p.SetDisplay(display);
  display->AlignToDocument(p);
  ASSERT_EQ(display->GetX(), 100);

  ResetModificationCount();
  ASSERT_TRUE(p.SetTargetWidth(640));
  EXPECT_EQ(log, (std::vector<std::string>{"before 300 msg x 150", "after 640 msg x 320"}));
  EXPECT_EQ(display->GetX(), 270);
  EXPECT_EQ(fixed->GetX(), 33) << "not aligned to the stage, so it stays";
  EXPECT_EQ(p.GetModificationCount(true), 3) << "the size, the message and the display";

  log.clear();
  ASSERT_TRUE(p.SetTargetSize(640, 200));
  EXPECT_TRUE(log.empty()) << "an unchanged size fires nothing";
  SignalLog::log = nullptr;
}

struct Reentrant {
  static int calls;
  static bool inner;
  static void Slot(PreloaderData* p) {
    ++calls;
    inner = p->BeforeStageSizeChange().Emit(p);
  }
};
int Reentrant::calls = 0;
bool Reentrant::inner = true;

TEST_F(ProjectRecord, EmittingWhileEmittingCallsNothing) {
  PreloaderData p;
  p.BeforeStageSizeChange().Connect(&Reentrant::Slot);
  EXPECT_TRUE(p.BeforeStageSizeChange().Emit(&p));
  EXPECT_EQ(Reentrant::calls, 1);
  EXPECT_FALSE(Reentrant::inner);
  EXPECT_FALSE(p.AfterStageSizeChange().Emit(&p)) << "no slot";
}

TEST_F(ProjectRecord, ListInsertDeleteAndSelect) {
  PreloaderData p;
  ProgressMessage* a = new ProgressMessage();
  ProgressMessage* b = new ProgressMessage();
  ProgressMessage* c = new ProgressMessage();
  ProgressMessage* d = new ProgressMessage();
  EXPECT_EQ(p.InsertProgressMessage(a, 0), 0);
  EXPECT_EQ(p.InsertProgressMessage(b, 65535), 1);
  EXPECT_EQ(p.InsertProgressMessage(c, 65535), 2) << "appends to a list of two";
  EXPECT_EQ(p.InsertProgressMessage(d, -3), 0) << "a negative index inserts first";
  EXPECT_EQ(p.GetProgressMessage(0), d);
  EXPECT_EQ(p.GetProgressMessage(3), c);
  EXPECT_EQ(p.GetProgressMessage(4), nullptr);
  EXPECT_EQ(p.GetProgressMessage(-1), nullptr);

  ResetModificationCount();
  EXPECT_EQ(p.InsertProgressMessage(nullptr, 0), -1);
  EXPECT_EQ(p.GetModificationCount(true), 0);

  EXPECT_EQ(p.SelectProgressMessage(2), 4);
  EXPECT_EQ(p.GetProgressMessageSelection(), 2);
  EXPECT_TRUE(p.DeleteProgressMessage(2));
  EXPECT_EQ(p.GetProgressMessageSelection(), 2) << "deleting does not move the selection";
  EXPECT_EQ(p.GetModificationCount(true), 1);
  EXPECT_EQ(p.SelectProgressMessage(-5), 3);
  EXPECT_EQ(p.GetProgressMessageSelection(), -1);
  EXPECT_EQ(p.SelectProgressMessage(3), 3);
  EXPECT_EQ(p.GetProgressMessageSelection(), -1);

  p.InsertImport(new ImportItem(), 0);
  EXPECT_FALSE(p.DeleteImport(1)) << "index equal to the length";
  EXPECT_FALSE(p.DeleteImport(-1));
  EXPECT_TRUE(p.DeleteImport(0));
}

TEST_F(ProjectRecord, InsertedLoadMessageIsAlignedAndGetsNone) {
  PreloaderData p;
  auto* m = new LoadMessage();
  EXPECT_EQ(m->GetAlpha(), 255);
  EXPECT_EQ(m->GetHAlign(), kHAlignCenter);
  EXPECT_EQ(m->GetVAlign(), kVAlignCenter);
  EXPECT_EQ(m->GetEndTime(), 1000);
  EXPECT_EQ(m->GetEndPercent(), 100);
  p.InsertLoadMessage(m, 0);
  ASSERT_NE(m->GetTextEffect(), nullptr);
  EXPECT_EQ(m->GetTextEffect()->GetName(), WideString(L"None"));
  EXPECT_EQ(m->GetX(), 150);
  EXPECT_EQ(m->GetY(), 100);
  auto* flicker = p.GetTextEffectLibrary().FindByName(L"Flicker");
  auto* keeps = new LoadMessage();
  keeps->SetTextEffect(flicker);
  p.InsertLoadMessage(keeps, 9);
  EXPECT_EQ(keeps->GetTextEffect(), flicker);
}

TEST_F(ProjectRecord, ResetEmptiesTheListsAndSelectsRemove) {
  PreloaderData p;
  p.InsertImport(new ImportItem(), 0);
  p.InsertLoadMessage(new LoadMessage(), 0);
  p.SelectImport(0);
  p.SetRemovalEffect(p.GetRemovalEffectLibrary().FindByName(L"Fade Out"));
  p.SetCompress(true);
  ResetModificationCount();
  p.Reset();
  EXPECT_EQ(p.GetImportCount(), 0);
  EXPECT_EQ(p.GetLoadMessageCount(), 0);
  EXPECT_EQ(p.GetImportSelection(), -1);
  EXPECT_EQ(p.GetRemovalEffect()->GetName(), WideString(L"Remove"));
  EXPECT_FALSE(p.GetCompress());
  EXPECT_EQ(p.GetModificationCount(true), 0);
}

TEST_F(ProjectRecord, CounterIsReadWithOrWithoutReset) {
  PreloaderData p;
  p.SetCompress(true);
  p.SetProtect(true);
  p.SetPercent(5);
  EXPECT_EQ(p.GetModificationCount(true), 3);
  EXPECT_EQ(p.GetModificationCount(true), 0);
  p.SetPercent(6);
  EXPECT_EQ(p.GetModificationCount(false), 1);
  EXPECT_EQ(p.GetModificationCount(false), 1);
}

TEST_F(ProjectRecord, SwfVersionFollowsTargetTypeImportsAndTarget) {
  projecttest::ScratchDir dir;
  projecttest::WriteText(dir.Native("v4.swf"), projecttest::MovieWithVersion(4));
  projecttest::WriteText(dir.Native("v8.swf"), projecttest::MovieWithVersion(8));
  // A picture the image layer opens.
  const imagetest::Bytes png = imagetest::EncodePng(imagetest::Ramp(4, 3), 4, 3);
  projecttest::WriteText(dir.Native("pic.png"), std::string(png.begin(), png.end()));

  struct Case {
    const char* what;
    TargetType type;
    const char* target;
    const char* import;
    bool embed;
    int version;
  };
  const Case cases[] = {
      {"external_7 without a readable target", kTargetExternal7, "missing.swf", nullptr, false, 7},
      {"external with a picture loaded at run time", kTargetExternal, nullptr, "pic.png", false, 6},
      {"merge with only embedded pictures and a version 4 target", kTargetMerge, "v4.swf", "pic.png", true, 5},
      {"merge with a version 8 target", kTargetMerge, "v8.swf", nullptr, false, 8},
      {"external_7 with a version 8 target", kTargetExternal7, "v8.swf", nullptr, false, 8},
      {"external with a movie import", kTargetExternal, nullptr, "v4.swf", false, 5},
  };
  for (const Case& c : cases) {
    PreloaderData p;
    p.SetTargetType(c.type);
    if (c.target != nullptr) p.SetTargetUrl(dir.Path(c.target));
    if (c.import != nullptr) {
      auto* item = new ImportItem();
      item->SetPath(dir.Path(c.import));
      item->SetEmbedImage(c.embed);
      p.InsertImport(item, 0);
    }
    EXPECT_EQ(p.GetSwfVersion(), c.version) << c.what;
  }
}

TEST_F(ProjectRecord, ElementSettersCheckRanges) {
  ImportItem item;
  EXPECT_FALSE(item.SetWidthScale(0.0005));
  EXPECT_FALSE(item.SetWidthScale(501));
  EXPECT_FALSE(item.SetX(5001));
  EXPECT_FALSE(item.SetStartTime(-1));
  EXPECT_FALSE(item.SetEndPercent(101));
  EXPECT_TRUE(item.SetX(-5000));

  LoadMessage m;
  ResetModificationCount();
  EXPECT_FALSE(m.SetAlpha(256));
  EXPECT_TRUE(m.SetAlpha(128));
  EXPECT_TRUE(m.SetAlpha(128));
  EXPECT_EQ(PeekModificationCount(), 1);
  m.SetSkew0(30);
  ResetModificationCount();
  m.SetSkew(30);
  EXPECT_EQ(PeekModificationCount(), 1);
  EXPECT_DOUBLE_EQ(m.GetSkew1(), 30);

  BackgroundImage image;
  EXPECT_FALSE(image.SetWidth(0));
  EXPECT_FALSE(image.SetWidth(10001));
  EXPECT_TRUE(image.SetWidth(10000));

  ProgressMessage pm;
  ResetModificationCount();
  pm.SetHAlign(kHAlignCenter);
  EXPECT_EQ(PeekModificationCount(), 1);
  EXPECT_EQ(pm.GetHAlign(), kHAlignCenter);
}

TEST_F(ProjectRecord, ImportMeasuresAMovieSource) {
  projecttest::ScratchDir dir;
  projecttest::WriteText(dir.Native("m.swf"), projecttest::MovieWithVersion(6));
  ImportItem item;
  item.SetPath(dir.Path("m.swf"));
  EXPECT_EQ(item.GetSourceKind(), kImportSourceSwf);
  EXPECT_EQ(item.GetStartWidth(), 550);
  EXPECT_EQ(item.GetStartHeight(), 400);
  EXPECT_EQ(item.GetFinalWidth(), 550);
  ASSERT_TRUE(item.SetWidthScale(0.5));
  EXPECT_EQ(item.GetFinalWidth(), 275);
  ASSERT_TRUE(item.SetFinalWidth(55));
  EXPECT_DOUBLE_EQ(item.GetWidthScale(), 0.1);
}

TEST_F(ProjectRecord, ImportNamingAPipeIsNotOpened) {
  projecttest::ScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.Native("pipe").c_str(), 0600), 0);
  ImportItem item;
  item.SetPath(dir.Path("pipe"));  // would wait for a writer if the pipe were opened
  EXPECT_EQ(item.GetPath(), dir.Path("pipe"));
  EXPECT_EQ(item.GetFinalWidth(), 100);
  PreloaderData p;
  p.SetTargetUrl(dir.Path("pipe"));
  EXPECT_EQ(p.GetSwfVersion(), 7);
}

}  // namespace
