// Events of the widget layer and the targets that receive them.
//
// An event goes to a chain of targets: the control it concerns, the controls that embed it
// (panes), its window, the application. Each target calls its handlers for the event's
// type, the one installed last first; a handler answers kEventNotHandled to pass the event
// on. When nobody handles it, the caller applies the standard behaviour (Qt's own handling
// of the key, the click or the close).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace host::ui {

class Control;
class Window;

constexpr int kEventNotHandled = -9874;

// A four-character code, first character in the high byte.
constexpr uint32_t FourCC(const char (&code)[5]) {
  return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) | (uint32_t(uint8_t(code[2])) << 8) |
         uint32_t(uint8_t(code[3]));
}

// Event classes and kinds.
constexpr uint32_t kClassControl = FourCC("cntl");
constexpr uint32_t kClassCommand = FourCC("cmds");
constexpr uint32_t kClassWindow = FourCC("wind");
constexpr uint32_t kClassKeyboard = FourCC("keyb");
constexpr uint32_t kClassMouse = FourCC("mous");
constexpr uint32_t kClassFont = FourCC("font");
constexpr uint32_t kClassText = FourCC("text");
constexpr uint32_t kControlHit = 1;
constexpr uint32_t kCommandProcess = 1;
constexpr uint32_t kKeyDown = 1, kKeyRepeat = 2, kKeyUp = 3;
constexpr uint32_t kMouseDown = 1, kMouseUp = 2, kMouseMoved = 5;
constexpr uint32_t kWindowUpdate = 1, kWindowDrawContent = 2, kWindowBoundsChanging = 26, kWindowBoundsChanged = 27,
                   kWindowClose = 72;

// Modifier bits.
constexpr uint32_t kCmdKey = 0x0100, kShiftKey = 0x0200, kOptionKey = 0x0800, kControlKey = 0x1000;

// The virtual key code of Tab.
constexpr int kTabKeyCode = 48;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

struct Event {
  uint32_t eventClass = 0;
  uint32_t kind = 0;
  Control* control = nullptr;  // the control hit ('cntl')
  uint32_t command = 0;        // 'cmds': the command; 'cntl': unused
  int menuId = 0, menuItem = 0;
  int x = 0, y = 0;  // 'mous': in window content coordinates
  uint32_t modifiers = 0;
  int button = 1;                      // 'mous': 1 left, 2 right, 3 other
  int keyCode = 0;                     // 'keyb': kTabKeyCode for Tab and Shift+Tab, else 0
  char32_t character = 0;              // 'keyb': the character (13 Return, 3 Enter, 8 backspace...)
  Rect previousBounds, currentBounds;  // 'wind' 26 and 27
};

using Handler = std::function<int(Event&)>;
using EventType = std::pair<uint32_t, uint32_t>;

class EventTarget {
 public:
  EventTarget() = default;
  EventTarget(const EventTarget&) = delete;
  EventTarget& operator=(const EventTarget&) = delete;

  // Returns an id for RemoveHandler (never 0).
  int InstallHandler(std::vector<EventType> types, Handler handler);
  void RemoveHandler(int id);
  bool HasHandlers() const { return !handlers_.empty(); }
  void Clear() { handlers_.clear(); }
  // Calls the handlers registered for the event's type, newest first, until one handles it.
  int Send(Event& event);

 private:
  struct Entry {
    int id;
    std::vector<EventType> types;
    Handler handler;
  };
  std::vector<Entry> handlers_;
  int nextId_ = 1;
};

// The application's target: the last of every chain.
EventTarget& ApplicationTarget();

}  // namespace host::ui
