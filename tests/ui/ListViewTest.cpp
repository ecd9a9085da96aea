// The list view: where rows and columns go, what the browser shows, sorting (cells without
// text included) and the selection signal for clicks and for code.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "host/ui/DataBrowser.h"
#include "ui/ListView.h"

namespace {

struct ListFixture {
  DialogWindow window;
  ListView list;
  ListFixture() {
    EXPECT_TRUE(window.CreateNew(0, 0, 300, 200, DialogWindow::kShowAtOnce, nullptr));
    EXPECT_TRUE(list.Create(window, int(host::ui::FourCC("list")), UiRect{10, 10, 290, 190}));
  }
  void Column(const wchar_t* title) {
    ListViewColumn c;
    c.flags = kListColumnHasTitle;
    c.title = title;
    list.AppendColumn(c);
  }
  int Row(int at, const wchar_t* text) {
    ListViewItem item;
    item.flags = kListItemText | kListItemNumber;
    item.row = at;
    item.text = text;
    item.number = at;
    return list.InsertRow(item);
  }
  // The texts the view shows in a column, top to bottom.
  std::vector<std::wstring> Shown(int column = 0) const {
    QAbstractItemModel* m = list.Browser()->View()->model();
    std::vector<std::wstring> out;
    for (int r = 0; r < m->rowCount(); ++r) out.push_back(m->index(r, column).data().toString().toStdWString());
    return out;
  }
};

TEST(ListView, RowsGoWhereTheyAreInsertedAndTheBrowserShowsThem) {
  struct Case {
    int at;
    int index;
    std::vector<std::wstring> shown;
  };
  ListFixture f;
  f.Column(L"Name");
  const Case steps[] = {
      {0, 0, {L"a"}},
      {5, 1, {L"a", L"b"}},
      {10, 2, {L"a", L"b", L"c"}},
      {10, 3, {L"a", L"b", L"c", L"d"}},
      {0, 0, {L"e", L"a", L"b", L"c", L"d"}},
      {2, 2, {L"e", L"a", L"f", L"b", L"c", L"d"}},
  };
  const wchar_t* names[] = {L"a", L"b", L"c", L"d", L"e", L"f"};
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(f.Row(steps[i].at, names[i]), steps[i].index);
    EXPECT_EQ(f.Shown(), steps[i].shown);
    EXPECT_EQ(f.list.GetRowCount(), int(steps[i].shown.size()));
  }
}

TEST(ListView, InsertingAColumnMovesTheCellsRightAndLeavesEmptyCells) {
  ListFixture f;
  f.Column(L"Name");
  f.Row(0, L"x");
  f.Row(1, L"y");
  ListViewColumn c;
  c.flags = kListColumnHasTitle;
  c.title = L"100%% wide";
  EXPECT_EQ(f.list.InsertColumn(0, c), 0);
  EXPECT_EQ(f.list.GetColumnCount(), 2);
  EXPECT_EQ(f.Shown(0), (std::vector<std::wstring>{L"", L""}));
  EXPECT_EQ(f.Shown(1), (std::vector<std::wstring>{L"x", L"y"}));
  QAbstractItemModel* m = f.list.Browser()->View()->model();
  EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("100% wide"));
  EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));

  ListViewItem cell;
  cell.flags = kListItemText | kListItemNumber;
  cell.row = 1;
  cell.column = 0;
  cell.text = L"stale";
  EXPECT_TRUE(f.list.GetCell(cell));
  EXPECT_EQ(cell.text, L"");
  cell.column = 1;
  EXPECT_TRUE(f.list.GetCell(cell));
  EXPECT_EQ(cell.text, L"y");
  EXPECT_EQ(cell.number, 1);
  cell.column = 2;
  EXPECT_FALSE(f.list.GetCell(cell));
  cell.row = 2;
  cell.column = 0;
  cell.text = L"z";
  EXPECT_FALSE(f.list.SetCell(cell));
  cell.row = 0;
  EXPECT_TRUE(f.list.SetCell(cell));
  EXPECT_EQ(f.Shown(0), (std::vector<std::wstring>{L"z", L""}));
}

TEST(ListView, SortingOrdersByTextWithMissingTextsFirstAndKeepsEqualRowsInOrder) {
  ListFixture f;
  f.Column(L"Name");
  f.Column(L"Kind");
  const wchar_t* names[] = {L"pear", L"apple", L"fig", L"apple", L"kiwi"};
  for (int i = 0; i < 5; ++i) f.Row(i, names[i]);
  // Only some rows have a kind; the others sort as empty texts.
  for (int row : {0, 2}) {
    ListViewItem k;
    k.flags = kListItemText;
    k.row = row;
    k.column = 1;
    k.text = row == 0 ? L"b" : L"a";
    f.list.SetCell(k);
  }
  ASSERT_TRUE(f.list.SortByColumn(0, true));
  EXPECT_EQ(f.Shown(0), (std::vector<std::wstring>{L"apple", L"apple", L"fig", L"kiwi", L"pear"}));
  ASSERT_TRUE(f.list.SortByColumn(0, false));
  EXPECT_EQ(f.Shown(0), (std::vector<std::wstring>{L"pear", L"kiwi", L"fig", L"apple", L"apple"}));
  ASSERT_TRUE(f.list.SortByColumn(1, true));
  EXPECT_EQ(f.Shown(1), (std::vector<std::wstring>{L"", L"", L"", L"a", L"b"}));
  EXPECT_EQ(f.Shown(0)[3], L"fig");
  // A click on the header sorts too.
  QTreeView* view = f.list.Browser()->View();
  view->header()->setSortIndicator(0, Qt::AscendingOrder);
  EXPECT_EQ(f.Shown(0), (std::vector<std::wstring>{L"apple", L"apple", L"fig", L"kiwi", L"pear"}));
}

struct SelectionLog {
  std::vector<int> rows;
  void OnSelect(ListViewItem* item) { rows.push_back(item ? item->row : -99); }
};

TEST(ListView, ClickingARowEmitsItOnceAndEmptySpaceNothing) {
  ListFixture f;
  f.Column(L"Name");
  for (int i = 0; i < 3; ++i) f.Row(i, L"row");
  SelectionLog log;
  f.list.SelectionSignal().Connect(&log, &SelectionLog::OnSelect);
  QTreeView* view = f.list.Browser()->View();
  const QRect second = view->visualRect(view->model()->index(2, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(log.rows, std::vector<int>{2});
  EXPECT_EQ(f.list.GetSelectedRow(), 2);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(5, view->viewport()->height() - 3));
  EXPECT_EQ(log.rows, std::vector<int>{2});
  EXPECT_TRUE(f.list.SetRowSelected(0, true));
  EXPECT_EQ(log.rows, (std::vector<int>{2, 0}));
  f.list.SetRowSelected(0, false);
  f.list.SetRowSelected(2, false);
  EXPECT_EQ(f.list.GetSelectedRow(), -1);
  // Selecting a row that isn't there does nothing.
  f.list.SetRowSelected(7, true);
  EXPECT_EQ(log.rows, (std::vector<int>{2, 0}));
  EXPECT_TRUE(f.list.RemoveAllRows());
  EXPECT_EQ(f.list.GetRowCount(), 0);
  EXPECT_EQ(f.Shown(), std::vector<std::wstring>{});
}

}  // namespace
