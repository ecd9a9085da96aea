#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "host/ui/Application.h"

namespace uitest {
namespace {

// Every toolkit test runs without a display (unless one is asked for), with the application
// object made and a watchdog that ends any modal loop still running after 20 seconds. The
// ctest environment can't carry the platform variable next to the others (discovered tests
// take only the first entry of a list), so it is set here.
class UiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    host::ui::EnsureApplication();
    host::ui::SetModalLoopWatchdog(20000);
  }
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

}  // namespace

NibReference& TestNib() {
  static NibReference* nib = [] {
    auto* n = new NibReference;
    n->Open(std::string(PLENWICK_TEST_DATA_DIR) + "/ui");
    return n;
  }();
  return *nib;
}

QWidget* WidgetOf(host::ui::Window* window, const char (&signature)[5], int id) {
  if (window == nullptr) return nullptr;
  std::shared_ptr<host::ui::Control> c = window->FindControl(host::ui::FourCC(signature), id);
  return c ? c->Widget() : nullptr;
}

void Soon(std::function<void()> fn, int delayMs) { QTimer::singleShot(delayMs, std::move(fn)); }

void Flush() { host::ui::ProcessPendingEvents(); }

}  // namespace uitest

// Fontconfig keeps caches it never frees once Qt has listed the fonts; the leak checker of
// sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
