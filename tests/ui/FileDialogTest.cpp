// File choosers: the type popup entries and where they go, which items each chooser lists,
// the reply of a chooser, relocation folders, and a real chooser driven by keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "host/ui/FileChooser.h"
#include "ui/FileDialog.h"

using namespace ui;

namespace {

std::vector<std::wstring> Labels(const FileTypeFilterList& list) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < list.Count(); ++i) out.push_back(list.At(int(i))->label);
  return out;
}

TEST(FileTypeFilterList, InsertsAtTheIndexItIsGiven) {
  struct Case {
    int index;
    std::vector<std::wstring> labels;
  };
  const Case cases[] = {
      {-1, {L"new", L"a", L"b"}}, {0, {L"new", L"a", L"b"}},  {1, {L"a", L"new", L"b"}},
      {2, {L"a", L"b", L"new"}},  {99, {L"a", L"b", L"new"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    for (int form = 0; form < 3; ++form) {
      FileTypeFilterList list;
      const OSType png = MakeFourCC("PNGf");
      list.AddFileTypeFilter(png, L"a", 5);
      list.AddFilterGroup(L"b", 1, &png, 5);
      if (form == 0) list.AddFileTypeFilter(png, L"new", c.index);
      if (form == 1) list.AddFilterGroup(L"new", 1, &png, c.index);
      if (form == 2) {
        list.AddAllFilesFilter(c.index);
        std::vector<std::wstring> expected = c.labels;
        for (auto& l : expected) {
          if (l == L"new") l = L"All Files";
        }
        EXPECT_EQ(Labels(list), expected);
        continue;
      }
      EXPECT_EQ(Labels(list), c.labels);
    }
  }
}

TEST(FileTypeFilterList, ImagePresetsListTheGroupEachTypeAndAllFiles) {
  FileTypeFilterList list;
  list.AddImageFilters();
  EXPECT_EQ(Labels(list), (std::vector<std::wstring>{L"All Images", L"Bitmap", L"GIF", L"JPEG", L"PICT", L"PNG",
                                                     L"Photoshop", L"TIFF", L"Targa", L"All Files"}));
  ASSERT_EQ(list.At(0)->records.size(), 8u);
  EXPECT_EQ(list.At(3)->records[0].extensions, (std::vector<WideString>{L"jpg", L"jpeg"}));
  // A type without a description gets an empty label and no extensions.
  list.AddFileTypeFilter(MakeFourCC("zzzz"), nullptr, -1);
  EXPECT_EQ(list.At(0)->label, L"");
  EXPECT_TRUE(list.At(0)->records[0].extensions.empty());
}

TEST(FileChooserFilter, ListsItemsByTypeOrExtensionAndAlwaysFolders) {
  FileTypeFilterList movies;
  movies.AddSwfMovieFilters();
  struct Case {
    const wchar_t* name;
    bool folder;
    const char* type;
    bool shownAsMovie, shownAsAllFiles, shownByMissingEntry;
  };
  const Case cases[] = {
      {L"Movies", true, nullptr, true, true, true},       {L"x.swf", false, nullptr, true, true, false},
      {L"X.SWF", false, nullptr, true, true, false},      {L"typed", false, "SWFL", true, true, false},
      {L"x.png", false, "PNGf", false, true, false},      {L"swf", false, nullptr, false, true, false},
      {L"x.swf.bak", false, nullptr, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + std::wcslen(c.name)));
    const OSType type = c.type ? MakeFourCC(*reinterpret_cast<const char(*)[5]>(c.type)) : 0;
    EXPECT_EQ(FileFilterShows(&movies, 0, c.name, c.folder, type), c.shownAsMovie);
    EXPECT_EQ(FileFilterShows(&movies, 1, c.name, c.folder, type), c.shownAsAllFiles);
    EXPECT_EQ(FileFilterShows(&movies, -1, c.name, c.folder, type), c.shownByMissingEntry);
    EXPECT_TRUE(FileFilterShows(nullptr, 0, c.name, c.folder, type));
  }
}

TEST(FileChooserFilter, RelocationListsOnlyTheWantedNameInAnyCase) {
  EXPECT_TRUE(RelocationFilterShows(L"a.png", L"A.PNG", false));
  EXPECT_TRUE(RelocationFilterShows(L"a.png", L"a.png", false));
  EXPECT_FALSE(RelocationFilterShows(L"a.png", L"a.png.bak", false));
  EXPECT_FALSE(RelocationFilterShows(L"a.png", L"b.png", false));
  EXPECT_TRUE(RelocationFilterShows(L"a.png", L"anything", true));
}

TEST(FileDialog, SaveNameGetsTheDefaultExtensionOnlyForAChoiceOutsideTheList) {
  WideString name = L"movie.txt";
  FileDialog::NameForFilterChoice(0, L"swf", name);
  EXPECT_EQ(name, L"movie.txt");
  FileDialog::NameForFilterChoice(-1, L"swf", name);
  EXPECT_EQ(name, L"movie.swf");
}

struct ChooserAnswer {
  host::ui::ChooserSpec asked;
  int calls = 0;
  explicit ChooserAnswer(host::ui::ChooserResult answer) {
    host::ui::SetFileChooserResponder([this, answer](const host::ui::ChooserSpec& spec, host::ui::Window*) {
      asked = spec;
      ++calls;
      return answer;
    });
  }
  ~ChooserAnswer() { host::ui::SetFileChooserResponder(nullptr); }
};

TEST(FileDialog, ReplyHoldsEveryChosenPathAndTheFilterInEffect) {
  FileTypeFilterList list;
  list.AddSwfMovieFilters();
  FileDialogOptions options;
  options.filters = &list;
  options.selectedFilter = 1;
  options.allowMultiple = true;
  options.title = L"Open";
  ChooserAnswer answer({true, {L"/a/1.swf", L"/a/2.swf", L"/a/3.swf"}, 0});
  OpenFileDialog dialog;
  FileDialogResult reply;
  EXPECT_TRUE(dialog.Run(reply, nullptr, &options));
  EXPECT_EQ(answer.asked.filterLabels, (std::vector<std::wstring>{L"Flash Animation", L"All Files"}));
  EXPECT_EQ(answer.asked.filterIndex, 1);
  EXPECT_TRUE(answer.asked.allowMultiple);
  EXPECT_EQ(answer.asked.title, L"Open");
  ASSERT_TRUE(answer.asked.accept);
  EXPECT_FALSE(answer.asked.accept(L"/nowhere/x.png", L"x.png", 0));
  EXPECT_TRUE(answer.asked.accept(L"/nowhere/x.png", L"x.png", 1));
  EXPECT_TRUE(reply.chosen);
  EXPECT_EQ(reply.count, 3);
  EXPECT_EQ(reply.path, L"/a/1.swf");
  EXPECT_EQ(reply.morePaths, (std::vector<WideString>{L"/a/2.swf", L"/a/3.swf"}));
  EXPECT_EQ(reply.filterIndex, 0);
}

TEST(FileDialog, CancelOrAnItemWithoutAPath) {
  FileDialogResult reply;
  reply.path = L"/kept";
  {
    ChooserAnswer answer({false, {}, 0});
    SaveFileDialog dialog;
    EXPECT_FALSE(dialog.Run(reply, nullptr, nullptr));
    EXPECT_FALSE(reply.chosen);
    EXPECT_EQ(reply.path, L"/kept");
    EXPECT_EQ(answer.asked.kind, host::ui::ChooserKind::kSave);
  }
  {
    // The other items are still taken, and the chosen flag tells the caller so.
    ChooserAnswer answer({true, {L"", L"/b/2.swf"}, 0});
    OpenFileDialog dialog;
    EXPECT_FALSE(dialog.Run(reply, nullptr, nullptr));
    EXPECT_TRUE(reply.chosen);
    EXPECT_EQ(reply.count, 1);
    EXPECT_EQ(reply.path, L"/b/2.swf");
  }
}

class TempDir {
 public:
  TempDir() {
    std::string t = (std::filesystem::temp_directory_path() / "pwkchooserXXXXXX").string();
    path_ = mkdtemp(t.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::filesystem::path Touch(const std::string& rel) const {
    std::filesystem::create_directories((path_ / rel).parent_path());
    std::ofstream(path_ / rel) << "x";
    return path_ / rel;
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

TEST(RelocationFolders, TheFirstRememberedFolderHoldingTheNameWins) {
  TempDir dir;
  const auto inB = dir.Touch("b/pic.png");
  const auto inC = dir.Touch("c/pic.png");
  dir.Touch("a/other.png");
  ClearRelocationFolders();
  WideString out;
  EXPECT_FALSE(FindInRelocationFolders(L"/gone/pic.png", out));
  RememberRelocationFolder((dir.path() / "a/other.png").wstring());
  RememberRelocationFolder(inC.wstring());
  RememberRelocationFolder(inB.wstring());
  ASSERT_TRUE(FindInRelocationFolders(L"/gone/pic.png", out));
  EXPECT_EQ(out, inC.wstring());
  ClearRelocationFolders();
}

// A real chooser: the relocation title, the typed name and the accept key.
TEST(FileDialog, RealChooserReturnsTheTypedFile) {
  TempDir dir;
  const auto wanted = dir.Touch("Pic.PNG");
  bool seen = false;
  std::wstring title;
  uitest::Soon(
      [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
          auto* d = qobject_cast<QFileDialog*>(w);
          if (d == nullptr || !d->isVisible()) continue;
          seen = true;
          title = d->windowTitle().toStdWString();
          d->setDirectory(QString::fromStdString(dir.path().string()));
          auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
          if (edit == nullptr) return;
          edit->setText(QStringLiteral("Pic.PNG"));
          QTest::keyClick(edit, Qt::Key_Return);
        }
      },
      100);
  RelocateFileDialog relocate;
  WideString out;
  EXPECT_TRUE(relocate.Run(L"/gone/pic.png", out, nullptr));
  EXPECT_TRUE(seen);
  EXPECT_EQ(title, L"Please Relocate: pic.png");
  EXPECT_EQ(out, wanted.wstring());
}

// A real open chooser: a type that no file of the folder has still lists the folder's
// folders, and choosing "All Files" in the type popup lists the files too.
TEST(FileDialog, RealChooserTypePopupKeepsFoldersListed) {
  TempDir dir;
  dir.Touch("Sub Folder/inner.swf");
  dir.Touch("picture.png");
  QStringList first, afterAllFiles;
  QString popupEntry;
  uitest::Soon(
      [&] {
        QFileDialog* d = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* f = qobject_cast<QFileDialog*>(w); f != nullptr && f->isVisible()) d = f;
        }
        if (d == nullptr) return;
        auto* list = d->findChild<QListView*>(QStringLiteral("listView"));
        auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (list == nullptr || types == nullptr) {
          d->reject();
          return;
        }
        auto listed = [list] {
          QStringList names;
          for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
            names << list->model()->index(r, 0, list->rootIndex()).data().toString();
          names.sort();
          return names;
        };
        d->setDirectory(QString::fromStdString(dir.path().string()));
        (void)QTest::qWaitFor([&] { return listed().contains(QStringLiteral("Sub Folder")); }, 5000);
        first = listed();
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        popupEntry = types->currentText();
        (void)QTest::qWaitFor([&] { return listed().size() == 2; }, 5000);
        afterAllFiles = listed();
        QTest::keyClick(d, Qt::Key_Escape);
      },
      100);
  FileTypeFilterList movies;
  movies.AddSwfMovieFilters();
  FileDialogOptions options;
  options.filters = &movies;
  OpenFileDialog dialog;
  FileDialogResult reply;
  EXPECT_FALSE(dialog.Run(reply, nullptr, &options));
  EXPECT_FALSE(reply.chosen);
  EXPECT_EQ(first, QStringList{QStringLiteral("Sub Folder")});
  EXPECT_TRUE(popupEntry.startsWith(QStringLiteral("All Files")));
  EXPECT_EQ(afterAllFiles, (QStringList{QStringLiteral("Sub Folder"), QStringLiteral("picture.png")}));
}

}  // namespace
