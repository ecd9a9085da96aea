#include "host/ui/Interface.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabBar>
#include <QUiLoader>

#include <sys/stat.h>

#include "host/ui/Application.h"
#include "host/ui/Menu.h"
#include "host/ui/Widgets.h"
#include "host/ui/Window.h"

namespace host::ui {
namespace {

class Loader : public QUiLoader {
 public:
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
    QWidget* w = nullptr;
    if (className == QLatin1String("QRadioButton")) {
      auto* r = new NonTogglingRadioButton(parent);
      r->setAutoExclusive(false);
      w = r;
    } else if (className == QLatin1String("QToolButton")) {
      w = new NonTogglingToolButton(parent);
    } else if (className == QLatin1String("QTabBar")) {
      w = new QTabBar(parent);
    } else {
      return QUiLoader::createWidget(className, parent, name);
    }
    w->setObjectName(name);
    return w;
  }
};

bool SafeName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

QWidget* LoadForm(const std::string& folder, const std::string& name, std::string& error) {
  if (!SafeName(name)) {
    error = "bad interface name";
    return nullptr;
  }
  if (!EnsureApplication()) {
    error = "no application";
    return nullptr;
  }
  QFile file(QString::fromStdString(folder + "/" + name + ".ui"));
  if (!file.open(QIODevice::ReadOnly)) {
    error = "can't open " + file.fileName().toStdString();
    return nullptr;
  }
  Loader loader;
  QWidget* root = loader.load(&file, nullptr);
  if (root == nullptr) {
    error = loader.errorString().toStdString();
    return nullptr;
  }
  for (QTabBar* t : root->findChildren<QTabBar*>()) {
    for (const QString& label : t->property("tabs").toStringList()) t->addTab(label);
  }
  return root;
}

}  // namespace

bool InterfaceFolder::Open(const std::string& folder) {
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error_ = "no interface folder " + folder;
    return false;
  }
  folder_ = folder;
  return true;
}

std::shared_ptr<Window> InterfaceFolder::CreateWindow(const std::string& name) const {
  if (!IsOpen()) return nullptr;
  QWidget* root = LoadForm(folder_, name, error_);
  if (root == nullptr) return nullptr;
  return Window::Adopt(root);
}

std::shared_ptr<MenuBar> InterfaceFolder::CreateMenuBar(const std::string& name) const {
  if (!IsOpen()) return nullptr;
  QWidget* root = LoadForm(folder_, name, error_);
  if (root == nullptr) return nullptr;
  QMenuBar* bar = root->findChild<QMenuBar*>();
  if (bar == nullptr) {
    error_ = "no menu bar in " + name;
    delete root;
    return nullptr;
  }
  bar->setParent(nullptr);
  // The form owns the items' actions: they go with the bar.
  for (QAction* a : root->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) a->setParent(bar);
  delete root;
  return std::make_shared<MenuBar>(bar);
}

}  // namespace host::ui
