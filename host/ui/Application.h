// The application object of the widget layer and its services: pending-event processing,
// the busy cursor, timers, the colour picker and the watchdog of modal loops.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace host::ui {

// Makes the program's QApplication when there is none yet (the widget layer needs one). The
// numeric locale is put back to "C" afterwards, as the rest of the program reads and writes
// numbers in it. True when an application exists.
bool EnsureApplication();

// Runs the program's event loop until QuitEventLoop; returns at once without an application.
void RunEventLoop();
// Ends the running event loop (the loop returns once the current event is handled).
void QuitEventLoop();
// Runs `onSignal` on the event loop when the process is asked to end (SIGTERM, SIGINT,
// SIGHUP), so that the program can end as its Quit command does. A later call replaces the
// function. False when the signals can't be watched.
bool WatchTerminationSignals(std::function<void()> onSignal);
// Delivers posted events, deferred deletions among them, until none are left.
void ProcessPendingEvents();

// Ends a modal loop that runs longer than this many milliseconds (0: never), so that a test
// whose dialog nobody ends fails instead of hanging. Each ended loop is counted.
void SetModalLoopWatchdog(int milliseconds);
int ModalLoopWatchdogMs();
int ModalLoopsEndedByWatchdog();

// The busy cursor: a watch over every window, or the arrow again. Not a stack: one call of
// SetArrowCursor undoes any number of SetWatchCursor calls.
bool SetWatchCursor();
bool SetArrowCursor();
bool IsWatchCursorShown();

// Calls a function after a delay and then, when an interval is given, repeatedly.
class Timer {
 public:
  explicit Timer(std::function<void()> callback);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  // Delay and interval in milliseconds; interval 0: once. Restarts a running timer.
  bool Start(int delayMs, int intervalMs);
  void Stop();
  bool IsRunning() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Asks the user for a colour (0x00BBGGRR) with the prompt; true and the colour when the user
// confirms. A responder set by tests answers instead of a dialog.
using ColorResponder = std::function<bool(const std::wstring& prompt, uint32_t current, uint32_t& chosen)>;
bool PickColor(const std::wstring& prompt, uint32_t current, uint32_t& chosen);
void SetColorResponder(ColorResponder responder);

}  // namespace host::ui
