#include "host/ui/DataBrowser.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_map>

#include "host/ui/Control.h"

namespace host::ui {
namespace {

struct Node {
  uint32_t id = 0;
  Node* parent = nullptr;
  std::vector<std::unique_ptr<Node>> children;
};

struct Column {
  uint32_t property = 0;
  DataBrowser::ColumnKind kind = DataBrowser::ColumnKind::kText;
  QString title;
  bool rightAligned = false;
};

class BrowserModel : public QAbstractItemModel {
 public:
  using QAbstractItemModel::beginInsertColumns;
  using QAbstractItemModel::beginInsertRows;
  using QAbstractItemModel::beginRemoveColumns;
  using QAbstractItemModel::endInsertColumns;
  using QAbstractItemModel::endInsertRows;
  using QAbstractItemModel::endRemoveColumns;
  DataBrowser::Callbacks callbacks;
  std::vector<Column> columns;
  std::vector<QIcon> icons;
  Node root;
  std::unordered_map<uint32_t, Node*> byId;

  QModelIndex IndexOf(const Node* n, int column = 0) const {
    if (n == nullptr || n == &root) return {};
    const auto& siblings = n->parent->children;
    for (size_t i = 0; i < siblings.size(); ++i) {
      if (siblings[i].get() == n) return createIndex(int(i), column, const_cast<Node*>(n));
    }
    return {};
  }
  Node* NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : const_cast<Node*>(&root);
  }
  ItemData Ask(uint32_t id, uint32_t property) const {
    ItemData data;
    if (callbacks.itemData) callbacks.itemData(id, property, data);
    return data;
  }

  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    const Node* p = NodeOf(parent);
    if (row < 0 || size_t(row) >= p->children.size() || column < 0 || size_t(column) >= columns.size()) return {};
    return createIndex(row, column, p->children[size_t(row)].get());
  }
  QModelIndex parent(const QModelIndex& child) const override {
    if (!child.isValid()) return {};
    return IndexOf(NodeOf(child)->parent);
  }
  int rowCount(const QModelIndex& parent) const override {
    if (parent.isValid() && parent.column() != 0) return 0;
    return int(NodeOf(parent)->children.size());
  }
  int columnCount(const QModelIndex&) const override { return int(columns.size()); }
  bool hasChildren(const QModelIndex& parent) const override {
    if (!parent.isValid()) return !root.children.empty();
    if (parent.column() != 0) return false;
    const Node* n = NodeOf(parent);
    return !n->children.empty() || Ask(n->id, kContainerProperty).isContainer;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || size_t(index.column()) >= columns.size()) return {};
    const Column& c = columns[size_t(index.column())];
    if (role == Qt::DisplayRole) return QString::fromStdWString(Ask(NodeOf(index)->id, c.property).text);
    if (role == Qt::DecorationRole && c.kind == DataBrowser::ColumnKind::kIconText) {
      const int icon = Ask(NodeOf(index)->id, c.property).icon;
      if (icon >= 0 && size_t(icon) < icons.size()) return icons[size_t(icon)];
    }
    return {};
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || section < 0 || size_t(section) >= columns.size()) return {};
    if (role == Qt::DisplayRole) return columns[size_t(section)].title;
    if (role == Qt::TextAlignmentRole && columns[size_t(section)].rightAligned)
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

  void SortChildren(Node* n, uint32_t property, bool ascending) {
    if (callbacks.compare) {
      std::stable_sort(n->children.begin(), n->children.end(), [&](const auto& a, const auto& b) {
        return ascending ? callbacks.compare(a->id, b->id, property) : callbacks.compare(b->id, a->id, property);
      });
    }
    for (auto& c : n->children) SortChildren(c.get(), property, ascending);
  }
  void sort(int column, Qt::SortOrder order) override {
    if (column < 0 || size_t(column) >= columns.size()) return;
    SortAll(columns[size_t(column)].property, order == Qt::AscendingOrder);
  }
  void SortAll(uint32_t property, bool ascending) {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<Node*, int>> nodes;
    for (const QModelIndex& i : before) nodes.emplace_back(NodeOf(i), i.column());
    SortChildren(&root, property, ascending);
    QModelIndexList after;
    for (const auto& [n, col] : nodes) after << IndexOf(n, col);
    changePersistentIndexList(before, after);
    emit layoutChanged();
  }
  void Forget(Node* n) {
    for (auto& c : n->children) Forget(c.get());
    byId.erase(n->id);
  }
  void RemoveChildren(Node* n) {
    if (n->children.empty()) return;
    beginRemoveRows(IndexOf(n), 0, int(n->children.size()) - 1);
    for (auto& c : n->children) Forget(c.get());
    n->children.clear();
    endRemoveRows();
  }
};

}  // namespace

struct DataBrowser::State {
  BrowserModel model;
  QPointer<QTreeView> view;
  bool ownsView = false;
};

DataBrowser::DataBrowser() : d_(std::make_unique<State>()) {}

DataBrowser::~DataBrowser() {
  if (d_->view) {
    d_->view->setModel(nullptr);
    if (d_->ownsView) delete d_->view.data();
  }
}

std::unique_ptr<DataBrowser> DataBrowser::Attach(Control& control) {
  QWidget* w = control.Widget();
  if (w == nullptr) return nullptr;
  std::unique_ptr<DataBrowser> b(new DataBrowser);
  auto* view = qobject_cast<QTreeView*>(w);
  if (view == nullptr) {
    view = new QTreeView(w);
    auto* layout = w->layout() != nullptr ? w->layout() : new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    view->show();
    b->d_->ownsView = true;
  }
  b->d_->view = view;
  view->setModel(&b->d_->model);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setUniformRowHeights(true);
  view->header()->setSortIndicatorShown(true);
  view->header()->setSectionsClickable(true);
  BrowserModel* model = &b->d_->model;
  QObject::connect(view->header(), &QHeaderView::sortIndicatorChanged, view,
                   [model](int section, Qt::SortOrder order) { model->sort(section, order); });
  QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                   [model](const QItemSelection& selected, const QItemSelection&) {
                     for (const QModelIndex& i : selected.indexes()) {
                       if (i.column() == 0 && model->callbacks.notify)
                         model->callbacks.notify(model->NodeOf(i)->id, kItemSelected);
                     }
                   });
  QObject::connect(view, &QTreeView::expanded, view, [model](const QModelIndex& i) {
    if (model->callbacks.notify) model->callbacks.notify(model->NodeOf(i)->id, kContainerOpened);
  });
  QObject::connect(view, &QTreeView::collapsed, view, [model](const QModelIndex& i) {
    Node* n = model->NodeOf(i);
    const uint32_t id = n->id;
    model->RemoveChildren(n);
    if (model->callbacks.notify) model->callbacks.notify(id, kContainerClosed);
  });
  return b;
}

void DataBrowser::SetCallbacks(Callbacks callbacks) { d_->model.callbacks = std::move(callbacks); }

int DataBrowser::AddColumn(uint32_t property, ColumnKind kind, const std::wstring& title, int width,
                           bool rightAlignedHeader) {
  BrowserModel& m = d_->model;
  const int at = int(m.columns.size());
  m.beginInsertColumns({}, at, at);
  m.columns.push_back({property, kind, QString::fromStdWString(title), rightAlignedHeader});
  m.endInsertColumns();
  if (d_->view && width > 0) d_->view->setColumnWidth(at, width);
  return at;
}

void DataBrowser::RemoveAllColumns() {
  BrowserModel& m = d_->model;
  if (m.columns.empty()) return;
  m.beginRemoveColumns({}, 0, int(m.columns.size()) - 1);
  m.columns.clear();
  m.endRemoveColumns();
}

int DataBrowser::ColumnCount() const { return int(d_->model.columns.size()); }

void DataBrowser::SetHeaderVisible(bool visible) {
  if (d_->view) d_->view->setHeaderHidden(!visible);
}

bool DataBrowser::AddItems(uint32_t container, const std::vector<uint32_t>& ids, uint32_t sortProperty) {
  BrowserModel& m = d_->model;
  Node* parent = &m.root;
  if (container != 0) {
    auto it = m.byId.find(container);
    if (it == m.byId.end()) return false;
    parent = it->second;
  }
  for (uint32_t id : ids) {
    if (id == 0 || m.byId.count(id) != 0) return false;
  }
  if (ids.empty()) return true;
  std::vector<std::unique_ptr<Node>> fresh;
  for (uint32_t id : ids) {
    auto n = std::make_unique<Node>();
    n->id = id;
    n->parent = parent;
    fresh.push_back(std::move(n));
  }
  if (sortProperty != 0 && m.callbacks.compare) {
    std::stable_sort(fresh.begin(), fresh.end(),
                     [&](const auto& a, const auto& b) { return m.callbacks.compare(a->id, b->id, sortProperty); });
  }
  const int first = int(parent->children.size());
  m.beginInsertRows(m.IndexOf(parent), first, first + int(fresh.size()) - 1);
  for (auto& n : fresh) {
    m.byId[n->id] = n.get();
    parent->children.push_back(std::move(n));
  }
  m.endInsertRows();
  return true;
}

void DataBrowser::RemoveAllItems() { d_->model.RemoveChildren(&d_->model.root); }

void DataBrowser::UpdateAll() {
  BrowserModel& m = d_->model;
  emit m.layoutAboutToBeChanged();
  emit m.layoutChanged();
  if (d_->view) d_->view->viewport()->update();
}

int DataBrowser::ItemCount(uint32_t container) const {
  const BrowserModel& m = d_->model;
  if (container == 0) return int(m.root.children.size());
  auto it = m.byId.find(container);
  return it == m.byId.end() ? 0 : int(it->second->children.size());
}

bool DataBrowser::SetSelection(uint32_t id, bool add) {
  if (!d_->view) return false;
  QItemSelectionModel* s = d_->view->selectionModel();
  if (id == 0) {
    s->clearSelection();
    return true;
  }
  auto it = d_->model.byId.find(id);
  if (it == d_->model.byId.end()) return false;
  const QModelIndex i = d_->model.IndexOf(it->second);
  s->select(i, (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) | QItemSelectionModel::Rows);
  s->setCurrentIndex(i, QItemSelectionModel::NoUpdate);
  return true;
}

bool DataBrowser::Deselect(uint32_t id) {
  auto it = d_->model.byId.find(id);
  if (!d_->view || it == d_->model.byId.end()) return false;
  d_->view->selectionModel()->select(d_->model.IndexOf(it->second),
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  return true;
}

std::vector<uint32_t> DataBrowser::Selection() const {
  std::vector<uint32_t> out;
  if (!d_->view) return out;
  for (const QModelIndex& i : d_->view->selectionModel()->selectedRows()) out.push_back(d_->model.NodeOf(i)->id);
  return out;
}

bool DataBrowser::Open(uint32_t container) {
  auto it = d_->model.byId.find(container);
  if (!d_->view || it == d_->model.byId.end()) return false;
  d_->view->expand(d_->model.IndexOf(it->second));
  return true;
}

bool DataBrowser::Close(uint32_t container) {
  auto it = d_->model.byId.find(container);
  if (!d_->view || it == d_->model.byId.end()) return false;
  d_->view->collapse(d_->model.IndexOf(it->second));
  return true;
}

bool DataBrowser::IsOpen(uint32_t container) const {
  auto it = d_->model.byId.find(container);
  return d_->view && it != d_->model.byId.end() && d_->view->isExpanded(d_->model.IndexOf(it->second));
}

bool DataBrowser::Sort(uint32_t property, bool ascending) {
  d_->model.SortAll(property, ascending);
  return true;
}

int DataBrowser::AddIcon(const QIcon& icon) {
  d_->model.icons.push_back(icon);
  return int(d_->model.icons.size());
}

int DataBrowser::AddIconFile(const std::wstring& path) { return AddIcon(QIcon(QString::fromStdWString(path))); }

QTreeView* DataBrowser::View() const { return d_->view.data(); }

uint32_t DataBrowser::IdAt(uint32_t container, int row) const {
  const BrowserModel& m = d_->model;
  const Node* p = &m.root;
  if (container != 0) {
    auto it = m.byId.find(container);
    if (it == m.byId.end()) return 0;
    p = it->second;
  }
  return row >= 0 && size_t(row) < p->children.size() ? p->children[size_t(row)]->id : 0;
}

}  // namespace host::ui
