// Shared by the toolkit tests: the application object, the watchdog of modal loops, the
// tests' own interface files and ways to reach a control's widget.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

#include "host/ui/Control.h"
#include "host/ui/Window.h"
#include "ui/NibReference.h"

namespace uitest {

// The interface files of the tests (tests/data/ui).
NibReference& TestNib();
// The widget of the window's control {signature, id}; null when none.
QWidget* WidgetOf(host::ui::Window* window, const char (&signature)[5], int id);
// Runs the function once the event loop (a modal loop) is running.
void Soon(std::function<void()> fn, int delayMs = 0);
// Delivers posted events and deferred deletions.
void Flush();

}  // namespace uitest
