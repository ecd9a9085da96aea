#include "host/ui/Menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "host/ui/Widgets.h"
#include "host/ui/Window.h"

namespace host::ui {
namespace {

std::weak_ptr<Window> g_menuBarWindow;

uint32_t CommandOf(const QAction* a) {
  const QByteArray b = a->property("command").toString().toLatin1();
  if (b.size() != 4) return a->property("commandCode").toUInt();
  return (uint32_t(uint8_t(b[0])) << 24) | (uint32_t(uint8_t(b[1])) << 16) | (uint32_t(uint8_t(b[2])) << 8) |
         uint32_t(uint8_t(b[3]));
}

int MenuIdOf(const QMenu* m) { return m != nullptr ? m->property("menuId").toInt() : 0; }

// Routes a chosen item as a command event (once per action).
void HookAction(QAction* a, QMenu* menu) {
  if (a->property("plenwickHooked").toBool()) return;
  a->setProperty("plenwickHooked", true);
  QPointer<QMenu> owner = menu;
  QObject::connect(a, &QAction::triggered, a, [a, owner] {
    const int item = owner ? int(owner->actions().indexOf(a)) + 1 : 0;
    SendCommand(CommandOf(a), MenuIdOf(owner), item);
  });
}

void HookMenu(QMenu* menu) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    if (a->menu() != nullptr)
      HookMenu(a->menu());
    else
      HookAction(a, menu);
  }
}

}  // namespace

int SendCommand(uint32_t command, int menuId, int menuItem) {
  Event e;
  e.eventClass = kClassCommand;
  e.kind = kCommandProcess;
  e.command = command;
  e.menuId = menuId;
  e.menuItem = menuItem;
  std::shared_ptr<Window> w = Window::FromWidget(QApplication::activeWindow());
  if (!w || !w->Alive()) w = g_menuBarWindow.lock();
  if (w && w->Alive()) return w->SendFrom(nullptr, e);
  return ApplicationTarget().Send(e);
}

struct Menu::Data {
  QPointer<QMenu> menu;
};

Menu::Menu() : d_(std::make_unique<Data>()) {}
Menu::~Menu() = default;

std::shared_ptr<Menu> Menu::Create(int id, const std::wstring& title) {
  if (!EnsureApplication()) return nullptr;
  auto* m = new QMenu(QString::fromStdWString(title));
  m->setProperty("menuId", id);
  return Wrap(m);
}

std::shared_ptr<Menu> Menu::Wrap(QMenu* menu) {
  if (menu == nullptr) return nullptr;
  std::shared_ptr<Menu> m(new Menu);
  m->d_->menu = menu;
  return m;
}

bool Menu::Alive() const { return !d_->menu.isNull(); }
QMenu* Menu::Widget() const { return d_->menu; }
int Menu::Id() const { return MenuIdOf(d_->menu); }
std::wstring Menu::Title() const { return Alive() ? d_->menu->title().toStdWString() : std::wstring(); }
int Menu::CountItems() const { return Alive() ? int(d_->menu->actions().size()) : 0; }

bool Menu::AppendItem(uint32_t command, const std::wstring& text, uint32_t modifiers, char32_t key) {
  if (!Alive()) return false;
  QAction* a = d_->menu->addAction(QString::fromStdWString(text));
  a->setProperty("command", SignatureText(command));
  a->setProperty("commandCode", command);
  if (key != 0) {
    int combo = 0;
    if (!(modifiers & 8)) combo |= int(Qt::CTRL);
    if (modifiers & 1) combo |= int(Qt::SHIFT);
    if (modifiers & 2) combo |= int(Qt::ALT);
    if (modifiers & 4) combo |= int(Qt::META);
    const QString k = QString::fromUcs4(&key, 1).toUpper();
    a->setShortcut(QKeySequence(k.isEmpty() ? 0 : combo | int(k.at(0).unicode())));
  }
  HookAction(a, d_->menu);
  return true;
}

bool Menu::AppendSeparator() {
  if (!Alive()) return false;
  d_->menu->addSeparator();
  return true;
}

bool Menu::DeleteItem(int index) {
  if (!Alive() || index < 0 || index >= CountItems()) return false;
  QAction* a = d_->menu->actions().at(index);
  d_->menu->removeAction(a);
  if (a->parent() == d_->menu) delete a;
  return true;
}

int Menu::IndexOfCommand(uint32_t command) const {
  if (!Alive()) return -1;
  const QList<QAction*> actions = d_->menu->actions();
  for (int i = 0; i < int(actions.size()); ++i) {
    if (!actions[i]->isSeparator() && CommandOf(actions[i]) == command) return i;
  }
  return -1;
}

uint32_t Menu::CommandAt(int index) const {
  if (!Alive() || index < 0 || index >= CountItems()) return 0;
  return CommandOf(d_->menu->actions().at(index));
}

std::wstring Menu::ItemText(int index) const {
  if (!Alive() || index < 0 || index >= CountItems()) return {};
  return d_->menu->actions().at(index)->text().toStdWString();
}

bool Menu::IsSeparator(int index) const {
  return Alive() && index >= 0 && index < CountItems() && d_->menu->actions().at(index)->isSeparator();
}

bool Menu::IsItemEnabled(int index) const {
  return Alive() && index >= 0 && index < CountItems() && d_->menu->actions().at(index)->isEnabled();
}

bool Menu::EnableItem(int index, bool enable) {
  if (!Alive() || index < 0 || index >= CountItems()) return false;
  d_->menu->actions().at(index)->setEnabled(enable);
  return true;
}

bool Menu::SetSubmenu(int index, Menu& submenu) {
  if (!Alive() || !submenu.Alive() || index < 0 || index >= CountItems() || &submenu == this) return false;
  QAction* a = d_->menu->actions().at(index);
  QMenu* sub = submenu.d_->menu;
  sub->setParent(d_->menu, sub->windowFlags());
  a->setMenu(sub);
  return true;
}

std::shared_ptr<Menu> Menu::Submenu(int index) const {
  if (!Alive() || index < 0 || index >= CountItems()) return nullptr;
  return Wrap(d_->menu->actions().at(index)->menu());
}

bool Menu::Trigger(int index) {
  if (!Alive() || index < 0 || index >= CountItems()) return false;
  QAction* a = d_->menu->actions().at(index);
  if (a->isSeparator() || !a->isEnabled()) return false;
  a->trigger();
  return true;
}

struct MenuBar::Data {
  QPointer<QMenuBar> bar;
};

MenuBar::MenuBar(QMenuBar* bar) : d_(std::make_unique<Data>()) {
  d_->bar = bar;
  if (bar == nullptr) return;
  for (QAction* a : bar->actions()) {
    if (a->menu() != nullptr) HookMenu(a->menu());
  }
}

MenuBar::~MenuBar() = default;
bool MenuBar::Alive() const { return !d_->bar.isNull(); }
QMenuBar* MenuBar::Widget() const { return d_->bar; }

std::shared_ptr<Menu> MenuBar::GetMenu(int id) const {
  if (!Alive()) return nullptr;
  for (QMenu* m : d_->bar->findChildren<QMenu*>()) {
    if (MenuIdOf(m) == id) return Menu::Wrap(m);
  }
  return nullptr;
}

bool MenuBar::AttachTo(Window& window) {
  if (!Alive() || !window.Alive()) return false;
  QWidget* root = window.Widget();
  d_->bar->setParent(root);
  d_->bar->setGeometry(0, 0, root->width(), d_->bar->sizeHint().height());
  d_->bar->show();
  g_menuBarWindow = window.weak_from_this();
  return true;
}

}  // namespace host::ui
