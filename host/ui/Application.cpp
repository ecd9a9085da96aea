#include "host/ui/Application.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "host/MainLoopQueue.h"

namespace host::ui {
namespace {

int g_watchdogMs = 0;
int g_watchdogEnded = 0;
bool g_watch = false;
ColorResponder g_colorResponder;
int g_signalPipe[2] = {-1, -1};
std::function<void()> g_onSignal;

void OnTerminationSignal(int) {
  const int saved = errno;
  const char byte = 1;
  (void)!::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

bool EnsureApplication() {
  if (QApplication::instance() != nullptr) return true;
  static int argc = 1;
  static char name[] = "Plenwick";
  static char* argv[] = {name, nullptr};
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  auto* app = new QApplication(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  // Work that other threads hand to the main thread runs when the event loop sees the
  // queue's descriptor become readable.
  const int wake = host::MainLoopQueue::Instance().WakeFd();
  if (wake >= 0) {
    auto* notifier = new QSocketNotifier(wake, QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { host::MainLoopQueue::Instance().Drain(); });
  }
  return QApplication::instance() != nullptr;
}

void RunEventLoop() {
  if (QApplication::instance() == nullptr) return;
  QApplication::exec();
}

void QuitEventLoop() {
  if (QApplication::instance() != nullptr) QApplication::quit();
}

bool WatchTerminationSignals(std::function<void()> onSignal) {
  if (!EnsureApplication()) return false;
  g_onSignal = std::move(onSignal);
  if (g_signalPipe[0] >= 0) return true;
  if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    char bytes[16];
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (g_onSignal) g_onSignal();
  });
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
  return true;
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
