// A list of rows in columns of text and number cells. The list keeps its own table of rows
// and cells and shows it through a data browser whose item ids are the row indices plus
// one. Selecting a row emits the selection signal.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Signal.h"
#include "platform/WideString.h"
#include "ui/DialogControl.h"

namespace host::ui {
class DataBrowser;
}

// Flags of a column: a title is given, a width is given (otherwise 100); of its second
// word: the header title is aligned right.
inline constexpr uint32_t kListColumnHasTitle = 0x10, kListColumnHasWidth = 0x20, kListColumnTitleRight = 0x20;
// Flags of an item: its text, its number.
inline constexpr uint32_t kListItemText = 1, kListItemNumber = 0x10;

struct ListViewColumn {
  uint32_t flags = 0;
  uint32_t flags2 = 0;
  int16_t width = 0;
  const wchar_t* title = nullptr;  // "%%" shows as "%"
  int titleString = 0;             // used when the title is null
};

struct ListViewItem {
  uint32_t flags = 0;
  int row = 0;
  int column = 0;
  WideString text;
  int32_t number = 0;
};

class ListView : public DialogControl {
 public:
  ListView();
  ~ListView() override;
  using DialogControl::Create;
  bool Create(DialogWindow& window, int number, const UiRect& bounds);
  bool OnAttach() override;

  // Adds a column at the end; the index of the last stored column (-1 when nothing is stored).
  int AppendColumn(const ListViewColumn& column, bool keep = true);
  // Inserts a column before the position (at or past the end: appends); every row gets an
  // empty cell there. The position.
  int InsertColumn(int position, const ListViewColumn& column);
  // Inserts a row whose first cell holds the item's text and number, at min(item.row,
  // count); the row index, -1 when it can't be shown.
  int InsertRow(const ListViewItem& item);
  bool SetCell(const ListViewItem& item);
  // The cell's text ("" for a cell without one) and number; false for a missing cell.
  bool GetCell(ListViewItem& item) const;
  int GetRowCount() const { return int(rows_.size()); }
  int GetColumnCount() const { return int(columns_.size()); }
  // The first selected row; -1 when none.
  int GetSelectedRow() const;
  bool SetRowSelected(int row, bool select);
  int RefreshAllRows();
  bool RemoveAllRows();
  // Sorts the rows shown by a column's texts (the list's own order is unchanged).
  bool SortByColumn(int column, bool ascending);

  // Emitted with the selected row (column 0, no flags), or null when that row is gone.
  Signal<ListViewItem*>& SelectionSignal() { return selection_; }
  host::ui::DataBrowser* Browser() const { return browser_.get(); }

 private:
  struct Cell {
    bool hasText = false;
    WideString text;
    int32_t number = 0;
  };
  struct StoredColumn {
    uint32_t flags = 0, flags2 = 0;
    int width = 100;
    WideString title;
  };
  void AddBrowserColumn(const StoredColumn& c, int position, bool rightAligned);
  const Cell* CellAt(int row, int column) const;

  std::vector<StoredColumn> columns_;
  std::vector<std::vector<Cell>> rows_;
  Signal<ListViewItem*> selection_;
  std::unique_ptr<host::ui::DataBrowser> browser_;
  ListViewItem selected_;
};
