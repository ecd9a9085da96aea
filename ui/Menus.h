// The menu bar from the interface files ("IDR_MENU") and wrappers for menus and their items.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/WideString.h"
#include "ui/DialogWindow.h"

namespace host::ui {
class Menu;
class MenuBar;
}  // namespace host::ui

class NibReference;

using MenuRef = std::shared_ptr<host::ui::Menu>;

// Installs the menu bar "IDR_MENU" of the bundle's interface files; false when it can't be
// loaded. Linux has no application menu, so Quit and Preferences stay where the file puts
// them.
bool InstallMenuBarFromNib();
// The same from other interface files under another name. With an application menu (as on
// the Mac) the command 'pref' is enabled and the items 'quit' of menu 1000 and 'pref' of
// menu 1001 are removed with the item just before each.
bool InstallMenuBar(const NibReference& nib, const WideString& name, bool hasApplicationMenu);
// Shows the installed menu bar at the top of the window; false when none is installed.
bool ShowMenuBarInWindow(WindowRef window);

class MenuBar {
 public:
  // The menu of the installed menu bar with that id; null when none.
  MenuRef GetMenu(int menuId) const;
};

class Menu {
 public:
  explicit Menu(MenuRef menu = nullptr) { Attach(menu); }
  void Attach(MenuRef menu);
  // A new menu with the title (at most 255 characters kept).
  bool Create(int menuId, const WideString& title);
  int CountItems() const;
  // Appends an item. A command key makes its shortcut with Ctrl, plus the menu modifier
  // bits 1 Shift, 2 Alt, 4 Meta, 8 without Ctrl. Virtual keys are not told apart from
  // characters here.
  bool AppendItem(uint32_t command, const WideString& text, uint32_t modifiers, wchar_t commandKey, bool virtualKey);
  bool AppendSeparator();
  // By index (0-based) or the first item with the command.
  bool DeleteItem(int indexOrCommand, bool byIndex);
  // By 1-based index, or every item with the command; true.
  bool EnableItem(int indexOrCommand, bool byIndex, bool enable);
  bool RemoveAllItems();
  MenuRef GetMenuRef() const { return menu_; }
  bool IsValid() const { return valid_; }
  const WideString& GetTitle() const { return title_; }

 private:
  MenuRef menu_;
  WideString title_;
  bool valid_ = false;
};
