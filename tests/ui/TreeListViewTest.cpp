// The tree list view: children reach the browser only when their node is opened, the
// opening modes, selection with and without the selecting flag, walking the nodes.
#include <gtest/gtest.h>

#include <QTest>
#include <QTreeView>

#include "UiTestSupport.h"
#include "host/ui/DataBrowser.h"
#include "ui/TreeListView.h"

namespace {

class RecordingTree : public TreeListView {
 public:
  std::vector<TreeListNode*> selected;
  void OnItemSelected(TreeListNode* node) override { selected.push_back(node); }
};

struct TreeFixture {
  DialogWindow window;
  RecordingTree tree;
  TreeListNode *folder = nullptr, *empty = nullptr, *b = nullptr, *a = nullptr;
  TreeFixture() {
    EXPECT_TRUE(window.CreateNew(0, 0, 300, 200, DialogWindow::kShowAtOnce, nullptr));
    EXPECT_TRUE(tree.Create(window, int(host::ui::FourCC("tree")), UiRect{10, 10, 290, 190}));
    folder = Add(nullptr, L"Folder");
    empty = Add(nullptr, L"Empty folder");
    b = Add(folder, L"b.swf");
    a = Add(folder, L"a.swf");
  }
  TreeListNode* Add(TreeListNode* parent, const wchar_t* text) {
    TreeListItem item;
    item.parent = parent;
    item.flags = kTreeItemText | kTreeItemUser;
    item.text = text;
    item.user = this;
    return tree.AddItem(item);
  }
  QModelIndex IndexOf(TreeListNode* top) const {
    QAbstractItemModel* m = tree.Browser()->View()->model();
    for (int r = 0; r < m->rowCount(); ++r) {
      if (tree.Browser()->IdAt(0, r) == top->id) return m->index(r, 0);
    }
    return {};
  }
};

TEST(TreeListView, ChildrenReachTheBrowserOnlyWhenTheirNodeIsOpened) {
  TreeFixture f;
  host::ui::DataBrowser* browser = f.tree.Browser();
  QAbstractItemModel* model = browser->View()->model();
  EXPECT_EQ(browser->ItemCount(0), 2);
  EXPECT_EQ(browser->ItemCount(f.folder->id), 0);
  // The folder shows a disclosure indicator, the node without children none.
  EXPECT_TRUE(model->hasChildren(f.IndexOf(f.folder)));
  EXPECT_FALSE(model->hasChildren(f.IndexOf(f.empty)));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(f.tree.ExpandItem(f.folder, 2));
    ASSERT_EQ(browser->ItemCount(f.folder->id), 2);
    // Handed over sorted by name.
    EXPECT_EQ(browser->IdAt(f.folder->id, 0), f.a->id);
    EXPECT_EQ(browser->IdAt(f.folder->id, 1), f.b->id);
    ASSERT_TRUE(f.tree.ExpandItem(f.folder, 0));
    EXPECT_EQ(browser->ItemCount(f.folder->id), 0);
  }
  // A child added to an open node is shown at once.
  f.tree.ExpandItem(f.folder, 3);
  f.Add(f.folder, L"c.swf");
  EXPECT_EQ(browser->ItemCount(f.folder->id), 3);
}

TEST(TreeListView, OpeningModes) {
  struct Case {
    int mode;
    bool result;
    bool openAfter;  // starting closed
  };
  const Case cases[] = {{0, true, false}, {1, true, false},  {2, true, true},   {3, true, true},
                        {4, true, true},  {5, false, false}, {-1, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    TreeFixture f;
    EXPECT_EQ(f.tree.ExpandItem(f.folder, c.mode), c.result);
    EXPECT_EQ(f.tree.Browser()->IsOpen(f.folder->id), c.openAfter);
    if (c.mode == 4) {
      EXPECT_TRUE(f.tree.ExpandItem(f.folder, 4));
      EXPECT_FALSE(f.tree.Browser()->IsOpen(f.folder->id));
    }
  }
  TreeFixture f;
  EXPECT_FALSE(f.tree.ExpandItem(nullptr, 2));
}

TEST(TreeListView, SelectionReachesTheHookUnlessTheSelectingFlagIsSet) {
  TreeFixture f;
  f.tree.SetSelecting(true);
  EXPECT_TRUE(f.tree.SelectItem(f.empty));
  EXPECT_EQ(f.tree.LastSelectedId(), f.empty->id);
  EXPECT_TRUE(f.tree.selected.empty());
  f.tree.SetSelecting(false);
  EXPECT_FALSE(f.tree.SelectItem(nullptr));
  QTreeView* view = f.tree.Browser()->View();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(f.IndexOf(f.folder)).center());
  ASSERT_EQ(f.tree.selected.size(), 1u);
  EXPECT_EQ(f.tree.selected[0], f.folder);
  EXPECT_EQ(f.tree.LastSelectedId(), f.folder->id);
}

TEST(TreeListView, WalkingDataAndClearing) {
  TreeFixture f;
  EXPECT_EQ(f.tree.GetFirstChild(nullptr), f.folder);
  EXPECT_EQ(f.tree.GetNextSibling(f.folder), f.empty);
  EXPECT_EQ(f.tree.GetNextSibling(f.empty), nullptr);
  EXPECT_EQ(f.tree.GetFirstChild(f.folder), f.b);
  EXPECT_EQ(f.tree.GetNextSibling(f.b), f.a);
  EXPECT_EQ(f.tree.GetNextSibling(f.a), nullptr);
  const wchar_t* text = nullptr;
  void* user = nullptr;
  EXPECT_TRUE(f.tree.GetItemData(f.a, &text, &user));
  EXPECT_STREQ(text, L"a.swf");
  EXPECT_EQ(user, &f);
  EXPECT_FALSE(f.tree.GetItemData(nullptr, &text, &user));
  EXPECT_EQ(f.tree.NextItemId(), 5u);
  EXPECT_TRUE(f.tree.RemoveAllItems());
  EXPECT_EQ(f.tree.Browser()->ItemCount(0), 0);
  EXPECT_EQ(f.Add(nullptr, L"again")->id, 1u);
}

}  // namespace
