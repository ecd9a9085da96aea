// Shared by the application's tests: a scratch home of their own (configuration, runtime and
// cache folders), the widget layer without a display, and alerts answered and recorded.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "host/ui/Alert.h"
#include "host/ui/Window.h"

namespace apptest {

struct ShownAlert {
  host::ui::AlertIcon icon;
  std::wstring heading, detail;
};

// Points XDG_CONFIG_HOME, XDG_RUNTIME_DIR and XDG_CACHE_HOME at folders of a new scratch
// folder and answers every alert with its default button, recording it. Undone at the end.
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

 private:
  std::string root_;
  std::vector<std::pair<std::string, std::string>> saved_;
  std::vector<ShownAlert> alerts_;
};

// The widget of the window's control {signature, id}; null when none.
QWidget* WidgetOf(host::ui::Window* window, const char (&signature)[5], int id);
// Runs the function once the event loop (a modal loop) is running.
inline void Soon(std::function<void()> fn, int delayMs = 0) { QTimer::singleShot(delayMs, std::move(fn)); }
// The numbered text of the bundle.
std::wstring Numbered(int number);

}  // namespace apptest
