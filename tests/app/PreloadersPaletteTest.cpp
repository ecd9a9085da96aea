// The preloaders palette: groups from sub-folders, what enters the library, the title, user
// and programmatic selection, and the list keeping its margins.
#include "app/PreloadersPalette.h"

#include <gtest/gtest.h>

#include <QTreeView>
#include <fstream>

#include "host/ui/DataBrowser.h"
#include "preloader/PreloaderDisplay.h"
#include "tests/app/MainWindowTestSupport.h"

namespace {

namespace fs = std::filesystem;
using apptest::CopyLibraryMovie;
using apptest::FixtureMovie;

// The rows as text: "name" for a type, "name[children]" for a folder, siblings joined by ';'.
std::wstring Rows(const FileListControl& list, const TreeListNode* parent) {
  std::wstring text;
  for (TreeListNode* n = list.GetFirstChild(parent); n != nullptr; n = list.GetNextSibling(n)) {
    if (!text.empty()) text += L";";
    text += n->text;
    const auto* item = static_cast<const FileListItem*>(n->user);
    if (item->kind == FileListItem::kFolder) text += L"[" + Rows(list, n) + L"]";
  }
  return text;
}

class PreloadersPaletteTest : public apptest::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    CopyLibraryMovie(FixtureMovie("valid/anm-bar.swf"), Library() / "anm-bar.swf");
    CopyLibraryMovie(FixtureMovie("malformed/not-a-movie.swf"), Library() / "not-a-movie.swf");
    CopyLibraryMovie(FixtureMovie("valid/letter-case.swf"), Library() / "Bars" / "letter-case.swf");
    CopyLibraryMovie(FixtureMovie("valid/markup-name.swf"), Library() / "Bars" / "markup-name.swf");
    CopyLibraryMovie(FixtureMovie("valid/duplicate-name.swf"), Library() / "Bars" / "More" / "classic.swf");
    CopyLibraryMovie(FixtureMovie("valid/duplicate-name.swf"), Library() / "Zed" / "classic-again.swf");
    fs::create_directories(Library() / "Empty");
    // A link to a folder is not followed (here it would loop).
    fs::create_directory_symlink(Library(), Library() / "Bars" / "loop");
    MakeWindow();
  }
};

TEST_F(PreloadersPaletteTest, FoldersBecomeGroupsAndOnlyTypesAreCounted) {
  PreloadersPalette& palette = window_->GetPalette();
  EXPECT_EQ(Rows(palette.GetList(), nullptr),
            L"Anm Bar;Bars[Letter Case;Quote \"A\" & <B> 'C';More[Classic Bar]];Empty[];Zed[]");
  EXPECT_EQ(palette.GetTypeCount(), 4);
  const PreloaderLibrary& library = window_->GetProject().GetPreloaderLibrary();
  EXPECT_EQ(library.GetCount(), 4);
  // Of two types of one name the first one read enters the library.
  ASSERT_NE(library.FindByName(L"Classic Bar"), nullptr);
  EXPECT_EQ(palette.GetRefused().size(), 2u);
  QWidget* list = apptest::WidgetOf(palette.GetWindowRef(), "tPrl", 2000);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->window()->windowTitle(), QString("Preloaders: 4"));
}

// A user's choice of a type is one edit of the project; a folder row tells the Display page
// that no type is chosen; the palette's own selection of a type never comes back as a choice.
TEST_F(PreloadersPaletteTest, ChoosingRows) {
  FileListControl& list = window_->GetPalette().GetList();
  TreeListNode* bars = list.GetNextSibling(list.GetFirstChild(nullptr));
  ASSERT_EQ(bars->text, L"Bars");
  ASSERT_TRUE(list.ExpandItem(bars, 2));
  TreeListNode* letterCase = list.FindItemByName(L"LETTER case");
  ASSERT_NE(letterCase, nullptr);

  ASSERT_TRUE(list.TreeListView::SelectItem(letterCase));  // as the user's click
  PreloaderDisplay* chosen = window_->GetProject().GetDisplay();
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->GetName(), L"Letter Case");
  EXPECT_TRUE(window_->GetProject().IsDisplayEnabled());
  EXPECT_EQ(window_->GetDisplayPage().GetShownDisplay(), chosen);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);

  ASSERT_TRUE(list.TreeListView::SelectItem(bars));
  EXPECT_EQ(window_->GetDisplayPage().GetShownDisplay(), nullptr);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);

  PreloaderDisplay* anm = window_->GetProject().GetPreloaderLibrary().FindByName(L"Anm Bar");
  window_->GetPalette().SelectDisplayType(anm);
  EXPECT_EQ(window_->GetProject().GetDisplay(), chosen);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
  EXPECT_EQ(list.Browser()->Selection(), std::vector<uint32_t>{list.FindItemByName(L"Anm Bar")->id});
  window_->GetPalette().SelectDisplayType(nullptr);
  EXPECT_TRUE(list.Browser()->Selection().empty());
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
}

TEST_F(PreloadersPaletteTest, ResizingKeepsTheListsMargins) {
  PreloadersPalette& palette = window_->GetPalette();
  UiRect window{}, list{};
  ASSERT_TRUE(palette.GetContentBounds(&window));
  ASSERT_TRUE(palette.GetList().GetBounds(&list));
  const int right = window.Width() - list.right, bottom = window.Height() - list.bottom;
  palette.OnSize(window.Width() + 150, window.Height() + 90);
  UiRect after{};
  ASSERT_TRUE(palette.GetList().GetBounds(&after));
  EXPECT_EQ(after.left, list.left);
  EXPECT_EQ(after.top, list.top);
  EXPECT_EQ(window.Width() + 150 - after.right, right);
  EXPECT_EQ(window.Height() + 90 - after.bottom, bottom);
}

TEST_F(PreloadersPaletteTest, TheCloseBoxHidesThePaletteAndTheCommandShowsIt) {
  PreloadersPalette& palette = window_->GetPalette();
  ASSERT_TRUE(palette.IsVisible());
  EXPECT_TRUE(palette.OnClose());
  EXPECT_FALSE(palette.IsVisible());
  EXPECT_NE(palette.GetWindowRef(), nullptr);
  EXPECT_TRUE(Command("mPrl"));
  EXPECT_TRUE(palette.IsVisible());
}

class PaletteWithoutLibrary : public apptest::MainWindowFixture {};

// Without a library folder the list is empty and the palette keeps its own title.
TEST_F(PaletteWithoutLibrary, StaysEmptyWithItsOwnTitle) {
  PreloadersPalette::SetLibraryFolders({Utf8ToWide(scratch_.Path("no-such-folder"))});
  MakeWindow();
  PreloadersPalette& palette = window_->GetPalette();
  EXPECT_EQ(palette.GetList().GetFirstChild(nullptr), nullptr);
  EXPECT_EQ(palette.GetTypeCount(), 0);
  QWidget* list = apptest::WidgetOf(palette.GetWindowRef(), "tPrl", 2000);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->window()->windowTitle(), QString("Preloaders"));
}

TEST(CompareNoCase, OrdersIgnoringCase) {
  EXPECT_EQ(CompareNoCase(L"abc", L"ABC"), 0);
  EXPECT_EQ(CompareNoCase(L"", L""), 0);
  EXPECT_EQ(CompareNoCase(L"ab", L"abc"), -1);
  EXPECT_EQ(CompareNoCase(L"b", L"A"), 1);
}

}  // namespace
