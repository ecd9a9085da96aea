#include "ui/ListView.h"

#include "host/ui/Control.h"
#include "host/ui/DataBrowser.h"
#include "platform/WideTextBuffer.h"
#include "ui/MessageFormat.h"

using host::ui::DataBrowser;

ListView::ListView() = default;

ListView::~ListView() {
  RemoveAllRows();
  browser_.reset();
}

bool ListView::Create(DialogWindow& window, int number, const UiRect& bounds) {
  if (!DialogControl::Create(window, number, bounds, WideString())) return false;
  if (!MakeControl(window, host::ui::Control::kPane, bounds, WideString())) return false;
  if (!Register(window, number)) return false;
  return OnAttach();
}

bool ListView::OnAttach() {
  if (!Live()) return false;
  browser_ = DataBrowser::Attach(*control_);
  if (!browser_) return false;
  DataBrowser::Callbacks callbacks;
  callbacks.itemData = [this](uint32_t id, uint32_t property, host::ui::ItemData& data) {
    const Cell* c = property == 0 ? nullptr : CellAt(int(id) - 1, int(property) - 1);
    if (c == nullptr || !c->hasText) return false;
    data.text = c->text;
    return true;
  };
  // A cell without text sorts as an empty text, so the order is a strict one.
  callbacks.compare = [this](uint32_t a, uint32_t b, uint32_t property) {
    const Cell* ca = CellAt(int(a) - 1, int(property) - 1);
    const Cell* cb = CellAt(int(b) - 1, int(property) - 1);
    const std::wstring empty;
    return (ca != nullptr ? ca->text : empty).compare(cb != nullptr ? cb->text : empty) < 0;
  };
  callbacks.notify = [this](uint32_t id, int message) {
    if (message != host::ui::kItemSelected) return;
    const int row = int(id) - 1;
    if (CellAt(row, 0) == nullptr) {
      selection_.Emit(nullptr);
      return;
    }
    selected_ = ListViewItem();
    selected_.row = row;
    selection_.Emit(&selected_);
  };
  browser_->SetCallbacks(std::move(callbacks));
  browser_->SetHeaderVisible(true);
  for (size_t i = 0; i < columns_.size(); ++i) AddBrowserColumn(columns_[i], int(i), false);
  return true;
}

const ListView::Cell* ListView::CellAt(int row, int column) const {
  if (row < 0 || size_t(row) >= rows_.size() || column < 0 || size_t(column) >= rows_[size_t(row)].size())
    return nullptr;
  return &rows_[size_t(row)][size_t(column)];
}

void ListView::AddBrowserColumn(const StoredColumn& c, int position, bool rightAligned) {
  if (!browser_) return;
  browser_->AddColumn(uint32_t(position + 1), DataBrowser::ColumnKind::kText,
                      (c.flags & kListColumnHasTitle) != 0 ? c.title : WideString(), c.width, rightAligned);
}

namespace {

WideString TitleOf(const ListViewColumn& column) {
  std::wstring format;
  if (column.title != nullptr) {
    format = column.title;
  } else if (column.titleString != 0) {
    WideTextBuffer text(column.titleString);
    if (text.GetText() != nullptr) format = text.GetText();
  }
  std::wstring out;
  if (!ui::FormatMessage(format, {}, out)) out = format;
  return out;
}

}  // namespace

int ListView::AppendColumn(const ListViewColumn& column, bool keep) {
  StoredColumn c;
  c.flags = column.flags;
  c.flags2 = column.flags2;
  c.width = (column.flags & kListColumnHasWidth) != 0 ? column.width : 100;
  c.title = TitleOf(column);
  AddBrowserColumn(c, int(columns_.size()), false);
  if (keep) {
    columns_.push_back(c);
    for (auto& row : rows_) row.resize(columns_.size());
    RefreshAllRows();
  }
  return int(columns_.size()) - 1;
}

int ListView::InsertColumn(int position, const ListViewColumn& column) {
  if (position < 0) position = 0;
  if (size_t(position) >= columns_.size()) {
    AppendColumn(column, true);
    return position;
  }
  StoredColumn c;
  c.flags = column.flags;
  c.flags2 = column.flags2;
  c.width = (column.flags & kListColumnHasWidth) != 0 ? column.width : 100;
  c.title = TitleOf(column);
  columns_.insert(columns_.begin() + position, c);
  for (auto& row : rows_) {
    if (size_t(position) <= row.size()) row.insert(row.begin() + position, Cell());
    row.resize(columns_.size());
  }
  if (browser_) {
    browser_->RemoveAllColumns();
    for (size_t i = 0; i < columns_.size(); ++i)
      AddBrowserColumn(columns_[i], int(i), (columns_[i].flags2 & kListColumnTitleRight) != 0);
  }
  RefreshAllRows();
  return position;
}

int ListView::InsertRow(const ListViewItem& item) {
  if (!browser_ || !browser_->AddItems(0, {uint32_t(rows_.size() + 1)}, 0)) return -1;
  std::vector<Cell> row(std::max<size_t>(columns_.size(), 1));
  if ((item.flags & kListItemText) != 0) {
    row[0].hasText = true;
    row[0].text = item.text;
  }
  if ((item.flags & kListItemNumber) != 0) row[0].number = item.number;
  const int at = std::clamp(item.row, 0, int(rows_.size()));
  rows_.insert(rows_.begin() + at, std::move(row));
  RefreshAllRows();
  return at;
}

bool ListView::SetCell(const ListViewItem& item) {
  if (CellAt(item.row, item.column) == nullptr) return false;
  Cell& c = rows_[size_t(item.row)][size_t(item.column)];
  if ((item.flags & kListItemText) != 0) {
    c.hasText = true;
    c.text = item.text;
  }
  if ((item.flags & kListItemNumber) != 0) c.number = item.number;
  if (browser_) browser_->UpdateAll();
  return true;
}

bool ListView::GetCell(ListViewItem& item) const {
  const Cell* c = CellAt(item.row, item.column);
  if (c == nullptr) return false;
  if ((item.flags & kListItemText) != 0) item.text = c->hasText ? c->text : WideString();
  if ((item.flags & kListItemNumber) != 0) item.number = c->number;
  return true;
}

int ListView::GetSelectedRow() const {
  if (!browser_) return -1;
  const std::vector<uint32_t> s = browser_->Selection();
  return s.empty() ? -1 : int(s.front()) - 1;
}

bool ListView::SetRowSelected(int row, bool select) {
  if (!browser_) return false;
  if (select)
    browser_->SetSelection(uint32_t(row + 1), true);
  else
    browser_->Deselect(uint32_t(row + 1));
  RefreshAllRows();
  return true;
}

int ListView::RefreshAllRows() {
  if (browser_) browser_->UpdateAll();
  return int(rows_.size());
}

bool ListView::RemoveAllRows() {
  if (browser_) browser_->RemoveAllItems();
  rows_.clear();
  return true;
}

bool ListView::SortByColumn(int column, bool ascending) {
  return browser_ && column >= 0 && size_t(column) < columns_.size() && browser_->Sort(uint32_t(column + 1), ascending);
}
