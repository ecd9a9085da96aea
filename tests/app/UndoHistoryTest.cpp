// The undo history over project snapshots: the five-step limit and what it drops, edits that
// change nothing, a new edit after undos, the ends of the history, the saved flag, and the
// removal of stale snapshot files.
#include "app/UndoHistory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "preloader/PreloaderData.h"
#include "tests/app/AppTestSupport.h"

namespace {

namespace fs = std::filesystem;

class HistorySink : public UndoSink {
 public:
  void PushUndoAction(std::unique_ptr<UndoAction> action) override { history.Push(std::move(action)); }
  UndoHistory history;
};

class UndoHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateAppTempFolder(L"_plenwick")); }
  // One edit transaction that sets the percent; true when it made a step.
  bool SetPercent(int percent) {
    EditTransaction edit(sink, project);
    project.SetPercent(percent);
    return edit.Finish();
  }
  const SnapshotUndoAction& Step(int index) const {
    return static_cast<const SnapshotUndoAction&>(*sink.history.At(index));
  }
  static fs::path Folder() { return fs::path(WideToUtf8(GetTempFolderPath() + GetAppTempFolderName())); }
  static std::vector<std::string> SnapshotFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("_undo", 0) == 0 || name.rfind("_redo", 0) == 0) names.push_back(name);
    }
    return names;
  }

  apptest::AppScratch scratch_;
  PreloaderData project;
  HistorySink sink;
};

TEST_F(UndoHistoryTest, SixEditsKeepTheLastFiveAndTheFirstStepsFilesGo) {
  ASSERT_TRUE(SetPercent(10));
  const WideString firstUndo = Step(0).GetUndoFile(), firstRedo = Step(0).GetRedoFile();
  EXPECT_TRUE(PathExists(firstUndo));
  EXPECT_TRUE(PathExists(firstRedo));
  for (int percent : {20, 30, 40, 50, 60}) ASSERT_TRUE(SetPercent(percent));
  EXPECT_EQ(sink.history.Count(), 5);
  EXPECT_EQ(sink.history.Position(), 5);
  EXPECT_FALSE(PathExists(firstUndo));
  EXPECT_FALSE(PathExists(firstRedo));
  EXPECT_EQ(SnapshotFiles().size(), 10u);
  // Every snapshot file has a name of its own.
  std::vector<WideString> names;
  for (int i = 0; i < 5; ++i) {
    names.push_back(Step(i).GetUndoFile());
    names.push_back(Step(i).GetRedoFile());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  // Five undos reach the state before the second edit: the first can't be undone.
  for (int i = 0; i < 5; ++i) sink.history.Undo();
  EXPECT_FALSE(sink.history.CanUndo());
  EXPECT_EQ(project.GetPercent(), 10);
  for (int i = 0; i < 5; ++i) sink.history.Redo();
  EXPECT_EQ(project.GetPercent(), 60);
  sink.history.Clear();
  EXPECT_TRUE(SnapshotFiles().empty());
}

TEST_F(UndoHistoryTest, AnEditThatChangesNothingMakesNoStepAndLeavesNoFile) {
  ASSERT_EQ(project.GetPercent(), 100);
  EXPECT_FALSE(SetPercent(100));
  // A refused value changes nothing either.
  EXPECT_FALSE(SetPercent(101));
  EXPECT_EQ(sink.history.Count(), 0);
  EXPECT_TRUE(SnapshotFiles().empty());
}

// Undone steps stay when a new edit comes: the history is S1 S2 S3 S4 and undo walks back
// through the states before S4, S3 and S2.
TEST_F(UndoHistoryTest, ANewEditAfterUndosKeepsTheUndoneSteps) {
  ASSERT_TRUE(SetPercent(1));  // S1: 100 -> 1
  ASSERT_TRUE(SetPercent(2));  // S2: 1 -> 2
  ASSERT_TRUE(SetPercent(3));  // S3: 2 -> 3
  sink.history.Undo();
  sink.history.Undo();
  ASSERT_EQ(project.GetPercent(), 1);
  ASSERT_TRUE(SetPercent(4));  // S4: 1 -> 4
  EXPECT_EQ(sink.history.Count(), 4);
  EXPECT_EQ(sink.history.Position(), 4);
  EXPECT_FALSE(sink.history.CanRedo());
  const int expected[] = {1, 2, 1};  // before S4, before S3, before S2
  for (int want : expected) {
    sink.history.Undo();
    EXPECT_EQ(project.GetPercent(), want);
  }
}

TEST_F(UndoHistoryTest, TheEndsOfTheHistoryDoNothingAndTheSavedFlagSurvivesMoves) {
  sink.history.Undo();
  sink.history.Redo();
  EXPECT_EQ(sink.history.Position(), 0);
  ASSERT_TRUE(SetPercent(50));
  sink.history.Redo();
  EXPECT_EQ(sink.history.Position(), 1);
  EXPECT_EQ(project.GetPercent(), 50);
  sink.history.MarkSaved();
  sink.history.Undo();
  EXPECT_TRUE(sink.history.IsSaved());
  EXPECT_EQ(project.GetPercent(), 100);
  sink.history.Redo();
  EXPECT_TRUE(sink.history.IsSaved());
  ASSERT_TRUE(SetPercent(60));
  EXPECT_FALSE(sink.history.IsSaved());
}

// Undo brings back the whole project, lists and their selections included.
TEST_F(UndoHistoryTest, UndoRestoresTheWholeProject) {
  project.SetTargetUrl(L"/movies/target.swf");
  {
    EditTransaction edit(sink, project);
    project.SetTargetSize(640, 480);
    project.SetTargetFps(30.0f);
    project.SetTargetUrl(L"/movies/other.swf");
    ASSERT_TRUE(edit.Finish());
  }
  EXPECT_EQ(sink.history.Count(), 1);
  sink.history.Undo();
  EXPECT_EQ(project.GetTargetWidth(), 300);
  EXPECT_EQ(project.GetTargetFps(), 12.0f);
  EXPECT_EQ(project.GetTargetUrl(), L"/movies/target.swf");
  sink.history.Redo();
  EXPECT_EQ(project.GetTargetHeight(), 480);
  EXPECT_EQ(project.GetTargetUrl(), L"/movies/other.swf");
}

TEST_F(UndoHistoryTest, StaleSnapshotFilesAreRemovedAndOthersStay) {
  for (const char* name : {"_undo123", "_redo-77-1", "_undone.txt", "keep.swf", "x_undo"}) {
    std::ofstream(Folder() / name) << "x";
  }
  EXPECT_EQ(DeleteUndoFiles(), 3);
  EXPECT_FALSE(fs::exists(Folder() / "_undo123"));
  EXPECT_FALSE(fs::exists(Folder() / "_redo-77-1"));
  EXPECT_FALSE(fs::exists(Folder() / "_undone.txt"));
  EXPECT_TRUE(fs::exists(Folder() / "keep.swf"));
  EXPECT_TRUE(fs::exists(Folder() / "x_undo"));
}

}  // namespace
