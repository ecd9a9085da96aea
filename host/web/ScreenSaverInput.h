// What ends a screen saver: an application-wide watch over the input events, which calls back
// at the first key press, mouse click or mouse move that the saver's settings say end it.
//
// A mouse move counts only once the pointer has gone more than a few pixels from where it was
// first seen, so the move a window system reports when the full-screen window appears (or a
// trembling hand) does not end the saver.
#pragma once

#include <QObject>
#include <QPointF>
#include <functional>
#include <optional>

namespace host::web {

class ScreenSaverInput : public QObject {
 public:
  struct Exits {
    bool onMouseMove = true;
    bool onMouseClick = true;
    bool onKeyPress = true;
  };
  // How far (in pixels, along either axis) the pointer must move to end the saver.
  static constexpr double kMoveThreshold = 8.0;

  ScreenSaverInput(Exits exits, std::function<void()> end) : exits_(exits), end_(std::move(end)) {}

  // Watches every event of the application (install with QCoreApplication::installEventFilter).
  // The events are passed on unchanged; once the saver has ended, later ones are swallowed.
  bool eventFilter(QObject* watched, QEvent* event) override;

  bool Ended() const { return ended_; }

 private:
  void End();

  Exits exits_;
  std::function<void()> end_;
  std::optional<QPointF> firstPointer_;
  bool ended_ = false;
};

}  // namespace host::web
