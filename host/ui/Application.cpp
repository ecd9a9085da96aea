#include "host/ui/Application.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QTimer>

#include <clocale>

namespace host::ui {
namespace {

int g_watchdogMs = 0;
int g_watchdogEnded = 0;
bool g_watch = false;
ColorResponder g_colorResponder;

}  // namespace

bool EnsureApplication() {
  if (QApplication::instance() != nullptr) return true;
  static int argc = 1;
  static char name[] = "Plenwick";
  static char* argv[] = {name, nullptr};
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  new QApplication(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  return QApplication::instance() != nullptr;
}

void ProcessPendingEvents() {
  if (QApplication::instance() == nullptr) return;
  for (int round = 0; round < 8; ++round) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void SetModalLoopWatchdog(int milliseconds) { g_watchdogMs = milliseconds < 0 ? 0 : milliseconds; }
int ModalLoopWatchdogMs() { return g_watchdogMs; }
int ModalLoopsEndedByWatchdog() { return g_watchdogEnded; }
// Called by the modal loop of Window.
void CountWatchdogEnd() { ++g_watchdogEnded; }

bool SetWatchCursor() {
  if (!EnsureApplication()) return false;
  if (!g_watch) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  g_watch = true;
  return true;
}

bool SetArrowCursor() {
  if (!EnsureApplication()) return false;
  if (g_watch) QApplication::restoreOverrideCursor();
  g_watch = false;
  return true;
}

bool IsWatchCursorShown() { return g_watch; }

struct Timer::State {
  std::function<void()> callback;
  QTimer timer;
  int intervalMs = 0;
  bool firstDone = false;
};

Timer::Timer(std::function<void()> callback) : state_(std::make_unique<State>()) {
  EnsureApplication();
  state_->callback = std::move(callback);
  State* s = state_.get();
  QObject::connect(&s->timer, &QTimer::timeout, [s] {
    if (s->intervalMs > 0) {
      if (!s->firstDone) {
        s->firstDone = true;
        s->timer.setSingleShot(false);
        s->timer.start(s->intervalMs);
      }
    } else {
      s->timer.stop();
    }
    if (s->callback) s->callback();
  });
}

Timer::~Timer() { state_->timer.stop(); }

bool Timer::Start(int delayMs, int intervalMs) {
  if (delayMs < 0 || intervalMs < 0) return false;
  state_->intervalMs = intervalMs;
  state_->firstDone = false;
  state_->timer.setSingleShot(true);
  state_->timer.start(delayMs);
  return true;
}

void Timer::Stop() { state_->timer.stop(); }
bool Timer::IsRunning() const { return state_->timer.isActive(); }

void SetColorResponder(ColorResponder responder) { g_colorResponder = std::move(responder); }

bool PickColor(const std::wstring& prompt, uint32_t current, uint32_t& chosen) {
  if (g_colorResponder) return g_colorResponder(prompt, current, chosen);
  if (!EnsureApplication()) return false;
  const QColor initial(int(current & 0xFF), int((current >> 8) & 0xFF), int((current >> 16) & 0xFF));
  const QColor c = QColorDialog::getColor(initial, nullptr, QString::fromStdWString(prompt));
  if (!c.isValid()) return false;
  chosen = uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
  return true;
}

}  // namespace host::ui
