// Menus of the widget layer: weak handles on QMenus and the menu bar. Choosing an item sends
// the command event ('cmds', 1) with the item's command to the active window's chain.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QMenu;
class QMenuBar;

namespace host::ui {

class Window;

class Menu {
 public:
  static std::shared_ptr<Menu> Create(int id, const std::wstring& title);
  static std::shared_ptr<Menu> Wrap(QMenu* menu);
  ~Menu();

  bool Alive() const;
  int Id() const;
  std::wstring Title() const;
  int CountItems() const;
  // Appends an item. A key makes its shortcut with Ctrl (the command key) plus the menu
  // modifier bits: 1 Shift, 2 Alt, 4 Meta, 8 without Ctrl.
  bool AppendItem(uint32_t command, const std::wstring& text, uint32_t modifiers, char32_t key);
  bool AppendSeparator();
  bool DeleteItem(int index);                  // 0-based
  int IndexOfCommand(uint32_t command) const;  // 0-based; -1 when none
  uint32_t CommandAt(int index) const;
  std::wstring ItemText(int index) const;
  bool IsSeparator(int index) const;
  bool IsItemEnabled(int index) const;
  bool EnableItem(int index, bool enable);
  bool SetSubmenu(int index, Menu& submenu);
  std::shared_ptr<Menu> Submenu(int index) const;
  // Chooses the item as the user would.
  bool Trigger(int index);
  QMenu* Widget() const;

 private:
  Menu();
  struct Data;
  std::unique_ptr<Data> d_;
};

class MenuBar {
 public:
  explicit MenuBar(QMenuBar* bar);
  ~MenuBar();
  bool Alive() const;
  // The menu with that id, searched through submenus too; null when none.
  std::shared_ptr<Menu> GetMenu(int id) const;
  // Shows the bar at the top of the window (Linux has no global menu bar).
  bool AttachTo(Window& window);
  QMenuBar* Widget() const;

 private:
  struct Data;
  std::unique_ptr<Data> d_;
};

// Sends a command event to the active window's chain (the window the menu bar is attached
// to when none is active), then the application.
int SendCommand(uint32_t command, int menuId, int menuItem);

}  // namespace host::ui
