// A list or tree of items named by 32-bit ids under containers (0: the top level), shown in
// columns. The browser keeps only the ids; texts, icons and whether an item is a container
// are asked from the owner through callbacks whenever they are shown, and the order of a
// sort comes from the owner's comparison. Opening a container tells the owner, which then
// adds the container's items; closing it removes them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTreeView;
class QIcon;

namespace host::ui {

class Control;

// The property asked for to learn whether an item is a container.
inline constexpr uint32_t kContainerProperty = 4;

// Notifications: an item became selected, a container was opened or closed.
inline constexpr int kItemSelected = 5;
inline constexpr int kContainerOpened = 8;
inline constexpr int kContainerClosed = 9;

struct ItemData {
  std::wstring text;
  int icon = -1;  // index into the browser's icons; negative: none
  bool isContainer = false;
};

class DataBrowser {
 public:
  struct Callbacks {
    // Fills what the item shows for a property; false when it has nothing for it.
    std::function<bool(uint32_t id, uint32_t property, ItemData& data)> itemData;
    // Whether the first item sorts before the second by the property (a strict ordering).
    std::function<bool(uint32_t first, uint32_t second, uint32_t property)> compare;
    std::function<void(uint32_t id, int message)> notify;
  };
  enum class ColumnKind { kText, kIconText };

  // Puts a browser into the control: a tree view control is used as it is, any other widget
  // receives a tree view that fills it. Null when the control is gone.
  static std::unique_ptr<DataBrowser> Attach(Control& control);
  ~DataBrowser();
  DataBrowser(const DataBrowser&) = delete;
  DataBrowser& operator=(const DataBrowser&) = delete;

  void SetCallbacks(Callbacks callbacks);
  // Appends a column; its position. The header text is aligned right when asked.
  int AddColumn(uint32_t property, ColumnKind kind, const std::wstring& title, int width, bool rightAlignedHeader);
  void RemoveAllColumns();
  int ColumnCount() const;
  // The column whose items show the disclosure indicators (the first by default).
  void SetHeaderVisible(bool visible);
  // Adds items to a container (0: the top level), sorted by the property when it is not 0.
  // False for a container that is not shown or an id already present.
  bool AddItems(uint32_t container, const std::vector<uint32_t>& ids, uint32_t sortProperty);
  // Removes every item (and what it holds).
  void RemoveAllItems();
  // Shows the items' current data again.
  void UpdateAll();
  // Items directly in a container; 0 for an unknown container.
  int ItemCount(uint32_t container) const;
  // Replaces the selection by the item (0: none); false for an unknown item.
  bool SetSelection(uint32_t id, bool add);
  bool Deselect(uint32_t id);
  std::vector<uint32_t> Selection() const;
  bool Open(uint32_t container);
  bool Close(uint32_t container);
  bool IsOpen(uint32_t container) const;
  // Sorts every container's items by the property of a column.
  bool Sort(uint32_t property, bool ascending);
  // The icons items refer to by index.
  int AddIcon(const QIcon& icon);
  // An icon read from an image file (an empty icon when it can't be read); the icon count.
  int AddIconFile(const std::wstring& path);

  // For tests: the view, and the id of the item shown in a row of a container.
  QTreeView* View() const;
  uint32_t IdAt(uint32_t container, int row) const;

 private:
  DataBrowser();
  struct State;
  std::unique_ptr<State> d_;
};

}  // namespace host::ui
