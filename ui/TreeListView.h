// A tree of icon-and-text items with disclosure indicators. The tree keeps its own nodes and
// hands a node's children to the browser only when the node is opened. A selection made by
// the user or by code reaches OnItemSelected, unless the selecting flag is set.
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

// Flags of an item description: text, icon index, user object, kind value.
inline constexpr uint32_t kTreeItemText = 1, kTreeItemIcon = 2, kTreeItemUser = 4, kTreeItemKind = 0x20;
// The property of the icon-and-text column.
inline constexpr uint32_t kTreeColumnProperty = 2048;

struct TreeListNode {
  TreeListNode* handle = nullptr;  // the node itself
  WideString text;
  int icon = -1;
  uint32_t kind = 0;
  void* user = nullptr;
  uint32_t id = 0;
  TreeListNode* parent = nullptr;
  std::vector<std::unique_ptr<TreeListNode>> children;
};

struct TreeListItem {
  TreeListNode* parent = nullptr;  // null: top level
  uint32_t flags = 0;
  WideString text;
  int icon = -1;
  uint32_t kind = 0;
  void* user = nullptr;
};

class TreeListView : public DialogControl {
 public:
  TreeListView();
  ~TreeListView() override;
  using DialogControl::Create;
  bool Create(DialogWindow& window, int number, const UiRect& bounds);
  bool OnAttach() override;

  virtual bool FirstHook() { return true; }
  virtual void OnItemSelected(TreeListNode* node);
  virtual void ThirdHook() {}

  // An icon from an image file; the icon count (the new icon's index is count - 1).
  int AddIcon(const WideString& path);
  // The new node, or null when it can't be shown (then nothing is kept).
  TreeListNode* AddItem(const TreeListItem& item);
  bool RemoveAllItems();
  // Makes the node the selection; null changes nothing and gives false.
  bool SelectItem(TreeListNode* node);
  // Mode 0 or 1 closes, 2 or 3 opens, 4 toggles; false for a null node or another mode.
  bool ExpandItem(TreeListNode* node, int mode);
  // The node's text and user object; false for a null or unknown node.
  bool GetItemData(const TreeListNode* node, const wchar_t** text, void** user) const;
  TreeListNode* GetFirstChild(const TreeListNode* node) const;
  TreeListNode* GetNextSibling(const TreeListNode* node) const;
  bool SortItems();

  uint32_t NextItemId() const { return nextId_; }
  uint32_t LastSelectedId() const { return lastSelected_; }
  void SetSelecting(bool on) { selecting_ = on; }
  Signal<TreeListNode*>& UserSignal() { return signal_; }
  host::ui::DataBrowser* Browser() const { return browser_.get(); }

 protected:
  bool selecting_ = false;

 private:
  TreeListNode* Find(uint32_t id) const;
  static TreeListNode* FindIn(const std::vector<std::unique_ptr<TreeListNode>>& list, uint32_t id);
  const std::vector<std::unique_ptr<TreeListNode>>* SiblingsOf(const TreeListNode* node) const;

  std::vector<std::unique_ptr<TreeListNode>> root_;
  Signal<TreeListNode*> signal_;
  std::unique_ptr<host::ui::DataBrowser> browser_;
  uint32_t nextId_ = 1;
  uint32_t lastSelected_ = 0;
};
