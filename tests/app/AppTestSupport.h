// Shared by the application's tests: a scratch home of their own (configuration, runtime and
// cache folders), the widget layer without a display, and alerts answered and recorded.
#pragma once

#include <QThread>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/ui/Alert.h"
#include "host/ui/FileChooser.h"
#include "host/ui/Window.h"
#include "ui/MessageFormat.h"

namespace apptest {

struct ShownAlert {
  host::ui::AlertIcon icon;
  std::wstring heading, detail;
};

struct ShownChooser {
  host::ui::ChooserKind kind;
  std::wstring defaultName;
};

// Points XDG_CONFIG_HOME, XDG_RUNTIME_DIR and XDG_CACHE_HOME at folders of a new scratch
// folder and answers every alert with its default button, recording it (or with the
// answers queued by AnswerAlerts), and every file chooser with the next queued path
// (cancelled when none is queued). Undone at the end.
class AppScratch {
 public:
  AppScratch();
  ~AppScratch();
  AppScratch(const AppScratch&) = delete;
  AppScratch& operator=(const AppScratch&) = delete;

  const std::string& Root() const { return root_; }
  std::string Path(const std::string& name) const { return root_ + "/" + name; }
  std::string PreferencesFile() const { return root_ + "/config/Plenwick/Plenwick.xml"; }
  const std::vector<ShownAlert>& Alerts() const { return alerts_; }
  void ClearAlerts() { alerts_.clear(); }
  // The buttons the next alerts press (1 default, 2 cancel, 3 other), in order.
  void AnswerAlerts(std::deque<int> buttons) { buttons_ = std::move(buttons); }
  // The paths the next file choosers return, in order; an empty path cancels.
  void AnswerChoosers(std::deque<std::wstring> paths) { paths_ = std::move(paths); }
  const std::vector<ShownChooser>& Choosers() const { return choosers_; }

 private:
  std::string root_;
  std::vector<std::pair<std::string, std::string>> saved_;
  std::vector<ShownAlert> alerts_;
  std::deque<int> buttons_;
  std::deque<std::wstring> paths_;
  std::vector<ShownChooser> choosers_;
};

// The widget of the window's control {signature, id}; null when none.
QWidget* WidgetOf(host::ui::Window* window, const char (&signature)[5], int id);
// Runs `fn` from the event loop once `delayMs` have passed. A start-up processes pending events
// before its loop runs, and on a loaded machine a timer can fire there, before the main window
// exists: `fn` waits until an event loop (the program's or a modal one) is running.
inline void WhenLooping(std::function<void()> fn) {
  if (QThread::currentThread()->loopLevel() > 0) {
    fn();
    return;
  }
  QTimer::singleShot(20, [fn = std::move(fn)]() mutable { WhenLooping(std::move(fn)); });
}
inline void Soon(std::function<void()> fn, int delayMs = 0) {
  QTimer::singleShot(delayMs, [fn = std::move(fn)]() mutable { WhenLooping(std::move(fn)); });
}
// The numbered text of the bundle.
std::wstring Numbered(int number);
// The text a numbered message shows with its arguments.
std::wstring Filled(int number, std::initializer_list<ui::MessageArg> args);

}  // namespace apptest
