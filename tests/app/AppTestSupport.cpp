#include "tests/app/AppTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "platform/WideTextBuffer.h"

namespace apptest {
namespace {

// The application's tests run without a display, with a watchdog that ends any modal loop
// still running after 20 seconds.
class AppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    host::ui::EnsureApplication();
    host::ui::SetModalLoopWatchdog(20000);
  }
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace

AppScratch::AppScratch() {
  char pattern[] = "/tmp/plenwick-app-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) ADD_FAILURE() << "no scratch folder";
  root_ = pattern;
  for (const char* name : {"config", "run", "cache"}) ::mkdir(Path(name).c_str(), 0700);
  for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_RUNTIME_DIR", "run"},
                                         std::pair{"XDG_CACHE_HOME", "cache"}}) {
    const char* old = std::getenv(variable);
    saved_.emplace_back(variable, old != nullptr ? std::string(old) : std::string("\x01"));
    setenv(variable, Path(folder).c_str(), 1);
  }
  host::ui::SetAlertResponder([this](const host::ui::AlertSpec& spec, host::ui::Window*) {
    alerts_.push_back({spec.icon, spec.heading, spec.detail});
    if (buttons_.empty()) return 1;
    const int button = buttons_.front();
    buttons_.pop_front();
    return button;
  });
  host::ui::SetFileChooserResponder([this](const host::ui::ChooserSpec& chooser, host::ui::Window*) {
    choosers_.push_back({chooser.kind, chooser.defaultName});
    host::ui::ChooserResult result;
    if (paths_.empty()) return result;
    const std::wstring path = paths_.front();
    paths_.pop_front();
    if (path.empty()) return result;
    result.chosen = true;
    result.paths.push_back(path);
    return result;
  });
}

AppScratch::~AppScratch() {
  host::ui::SetAlertResponder({});
  host::ui::SetFileChooserResponder({});
  for (const auto& [variable, value] : saved_) {
    if (value == "\x01")
      unsetenv(variable.c_str());
    else
      setenv(variable.c_str(), value.c_str(), 1);
  }
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

QWidget* WidgetOf(host::ui::Window* window, const char (&signature)[5], int id) {
  if (window == nullptr) return nullptr;
  std::shared_ptr<host::ui::Control> c = window->FindControl(host::ui::FourCC(signature), id);
  return c ? c->Widget() : nullptr;
}

std::wstring Numbered(int number) {
  WideTextBuffer text;
  if (!text.LoadLocalizedString(number) || text.GetText() == nullptr) return {};
  return text.GetText();
}

std::wstring Filled(int number, std::initializer_list<ui::MessageArg> args) {
  std::wstring out;
  std::vector<ui::MessageArg> list(args);
  EXPECT_TRUE(ui::FormatMessage(Numbered(number), list, out)) << number;
  return out;
}

}  // namespace apptest

// Fontconfig keeps caches it never frees once Qt has listed the fonts; the leak checker of
// sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
