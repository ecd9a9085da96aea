#include "ui/Menus.h"

#include "host/ui/Menu.h"
#include "host/ui/Window.h"
#include "ui/NibReference.h"

namespace {

std::shared_ptr<host::ui::MenuBar>& InstalledBar() {
  static auto* bar = new std::shared_ptr<host::ui::MenuBar>;
  return *bar;
}

// Deletes the item with the command and the item just before it (its separator).
void RemoveWithItemBefore(const MenuRef& menu, uint32_t command) {
  if (!menu) return;
  int index = menu->IndexOfCommand(command);
  if (index < 0) return;
  if (index > 0) menu->DeleteItem(index - 1);
  index = menu->IndexOfCommand(command);
  if (index >= 0) menu->DeleteItem(index);
}

constexpr uint32_t kQuit = host::ui::FourCC("quit");
constexpr uint32_t kPrefs = host::ui::FourCC("pref");

}  // namespace

bool InstallMenuBar(const NibReference& nib, const WideString& name, bool hasApplicationMenu) {
  std::shared_ptr<host::ui::MenuBar> bar = nib.CreateMenuBar(name);
  if (!bar) return false;
  InstalledBar() = bar;
  if (hasApplicationMenu) {
    MenuRef file = bar->GetMenu(1000);
    MenuRef edit = bar->GetMenu(1001);
    if (edit) {
      const int pref = edit->IndexOfCommand(kPrefs);
      if (pref >= 0) edit->EnableItem(pref, true);
    }
    RemoveWithItemBefore(file, kQuit);
    RemoveWithItemBefore(edit, kPrefs);
  }
  return true;
}

bool InstallMenuBarFromNib() { return InstallMenuBar(GetMainNib(), L"IDR_MENU", false); }

bool ShowMenuBarInWindow(WindowRef window) {
  return InstalledBar() && window != nullptr && InstalledBar()->AttachTo(*window);
}

MenuRef MenuBar::GetMenu(int menuId) const { return InstalledBar() ? InstalledBar()->GetMenu(menuId) : nullptr; }

void Menu::Attach(MenuRef menu) {
  if (!menu) return;
  menu_ = std::move(menu);
  title_ = WideString(menu_->Title().substr(0, 255));
  valid_ = true;
}

bool Menu::Create(int menuId, const WideString& title) {
  MenuRef made = host::ui::Menu::Create(menuId, title.substr(0, 255));
  if (!made) return false;
  Attach(made);
  return true;
}

int Menu::CountItems() const { return menu_ ? menu_->CountItems() : 0; }

bool Menu::AppendItem(uint32_t command, const WideString& text, uint32_t modifiers, wchar_t commandKey, bool) {
  return menu_ && menu_->AppendItem(command, text, modifiers, char32_t(commandKey));
}

bool Menu::AppendSeparator() { return menu_ && menu_->AppendSeparator(); }

bool Menu::DeleteItem(int indexOrCommand, bool byIndex) {
  if (!menu_) return false;
  const int index = byIndex ? indexOrCommand : menu_->IndexOfCommand(uint32_t(indexOrCommand));
  return index >= 0 && menu_->DeleteItem(index);
}

bool Menu::EnableItem(int indexOrCommand, bool byIndex, bool enable) {
  if (!menu_) return true;
  if (byIndex) {
    menu_->EnableItem(indexOrCommand - 1, enable);
    return true;
  }
  for (int i = 0; i < menu_->CountItems(); ++i) {
    if (!menu_->IsSeparator(i) && menu_->CommandAt(i) == uint32_t(indexOrCommand)) menu_->EnableItem(i, enable);
  }
  return true;
}

bool Menu::RemoveAllItems() {
  if (!menu_) return true;
  while (menu_->CountItems() > 0) {
    if (!menu_->DeleteItem(0)) break;
  }
  return true;
}
