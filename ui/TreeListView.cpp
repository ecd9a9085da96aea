#include "ui/TreeListView.h"

#include <algorithm>

#include "host/ui/Control.h"
#include "host/ui/DataBrowser.h"

using host::ui::DataBrowser;

TreeListView::TreeListView() = default;

TreeListView::~TreeListView() {
  RemoveAllItems();
  browser_.reset();
}

bool TreeListView::Create(DialogWindow& window, int number, const UiRect& bounds) {
  if (!DialogControl::Create(window, number, bounds, WideString())) return false;
  if (!MakeControl(window, host::ui::Control::kPane, bounds, WideString())) return false;
  if (!Register(window, number)) return false;
  return OnAttach();
}

bool TreeListView::OnAttach() {
  if (!Live()) return false;
  nextId_ = 1;
  lastSelected_ = 0;
  browser_ = DataBrowser::Attach(*control_);
  if (!browser_) return false;
  DataBrowser::Callbacks callbacks;
  callbacks.itemData = [this](uint32_t id, uint32_t property, host::ui::ItemData& data) {
    const TreeListNode* n = Find(id);
    if (n == nullptr) return false;
    if (property == host::ui::kContainerProperty) {
      data.isContainer = !n->children.empty();
      return true;
    }
    if (property < kTreeColumnProperty) return false;
    data.text = n->text;
    data.icon = n->icon;
    return true;
  };
  callbacks.compare = [this](uint32_t a, uint32_t b, uint32_t) {
    const TreeListNode* na = Find(a);
    const TreeListNode* nb = Find(b);
    const std::wstring empty;
    return (na != nullptr ? na->text : empty).compare(nb != nullptr ? nb->text : empty) < 0;
  };
  callbacks.notify = [this](uint32_t id, int message) {
    if (message == host::ui::kItemSelected) {
      lastSelected_ = id;
      if (!selecting_) {
        if (TreeListNode* n = Find(id)) OnItemSelected(n->handle);
      }
    } else if (message == host::ui::kContainerOpened) {
      TreeListNode* n = Find(id);
      if (n == nullptr) return;
      std::vector<uint32_t> ids;
      for (const auto& c : n->children) ids.push_back(c->id);
      browser_->AddItems(id, ids, kTreeColumnProperty);
    }
  };
  browser_->SetCallbacks(std::move(callbacks));
  browser_->AddColumn(kTreeColumnProperty, DataBrowser::ColumnKind::kIconText, L"", 400, false);
  browser_->SetHeaderVisible(false);
  return true;
}

void TreeListView::OnItemSelected(TreeListNode*) {}

int TreeListView::AddIcon(const WideString& path) { return browser_ ? browser_->AddIconFile(path) : 0; }

TreeListNode* TreeListView::FindIn(const std::vector<std::unique_ptr<TreeListNode>>& list, uint32_t id) {
  for (const auto& n : list) {
    if (n->id == id) return n.get();
    if (TreeListNode* found = FindIn(n->children, id)) return found;
  }
  return nullptr;
}

TreeListNode* TreeListView::Find(uint32_t id) const { return id == 0 ? nullptr : FindIn(root_, id); }

TreeListNode* TreeListView::AddItem(const TreeListItem& item) {
  auto node = std::make_unique<TreeListNode>();
  node->handle = node.get();
  if (item.flags & kTreeItemText) node->text = item.text;
  if (item.flags & kTreeItemIcon) node->icon = item.icon;
  if (item.flags & kTreeItemKind) node->kind = item.kind;
  if (item.flags & kTreeItemUser) node->user = item.user;
  node->id = nextId_++;
  node->parent = item.parent;
  auto& list = item.parent != nullptr ? item.parent->children : root_;
  TreeListNode* added = node.get();
  list.push_back(std::move(node));
  // A child of a closed node reaches the browser when that node is opened.
  const bool shown = item.parent == nullptr || (browser_ && browser_->IsOpen(item.parent->id));
  if (shown && (!browser_ || !browser_->AddItems(item.parent != nullptr ? item.parent->id : 0, {added->id}, 0))) {
    list.pop_back();  // a node the browser refused would come back on the next opening
    return nullptr;
  }
  if (!shown && browser_) browser_->UpdateAll();  // the parent may have become a container
  return added;
}

bool TreeListView::RemoveAllItems() {
  if (browser_) browser_->RemoveAllItems();
  root_.clear();
  nextId_ = 1;
  return true;
}

bool TreeListView::SelectItem(TreeListNode* node) {
  if (node == nullptr || !browser_) return false;
  return browser_->SetSelection(node->id, false);
}

bool TreeListView::ExpandItem(TreeListNode* node, int mode) {
  if (node == nullptr || !browser_) return false;
  switch (mode) {
    case 0:
    case 1: return browser_->Close(node->id);
    case 2:
    case 3: return browser_->Open(node->id);
    case 4: return browser_->IsOpen(node->id) ? browser_->Close(node->id) : browser_->Open(node->id);
    default: return false;
  }
}

bool TreeListView::GetItemData(const TreeListNode* node, const wchar_t** text, void** user) const {
  const TreeListNode* n = node != nullptr ? Find(node->id) : nullptr;
  if (n == nullptr || n != node) return false;
  if (text != nullptr) *text = n->text.c_str();
  if (user != nullptr) *user = n->user;
  return true;
}

TreeListNode* TreeListView::GetFirstChild(const TreeListNode* node) const {
  const auto& list = node != nullptr ? node->children : root_;
  return list.empty() ? nullptr : list.front().get();
}

const std::vector<std::unique_ptr<TreeListNode>>* TreeListView::SiblingsOf(const TreeListNode* node) const {
  if (node == nullptr || Find(node->id) != node) return nullptr;
  return node->parent != nullptr ? &node->parent->children : &root_;
}

TreeListNode* TreeListView::GetNextSibling(const TreeListNode* node) const {
  const auto* list = SiblingsOf(node);
  if (list == nullptr) return nullptr;
  for (size_t i = 0; i + 1 < list->size(); ++i) {
    if ((*list)[i].get() == node) return (*list)[i + 1].get();
  }
  return nullptr;
}

bool TreeListView::SortItems() { return browser_ && browser_->Sort(kTreeColumnProperty, true); }
