// Finding a modal dialog of the program while its loop runs, and its controls by signature,
// for tests that drive a dialog the code under test makes and runs itself.
#pragma once

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace apptest {

// The shown top-level window made from the interface file's form of that name; null when none.
inline QWidget* ShownWindowNamed(const char* formName) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->objectName() == QLatin1String(formName)) return w;
  return nullptr;
}

// The control of the window carrying the signature; null when none.
inline QWidget* ControlWithSignature(QWidget* window, const char (&signature)[5]) {
  if (window == nullptr) return nullptr;
  for (QWidget* w : window->findChildren<QWidget*>())
    if (w->property("signature").toString() == QLatin1String(signature)) return w;
  return nullptr;
}

}  // namespace apptest
