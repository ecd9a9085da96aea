#include "host/web/ScreenSaverInput.h"

#include <QEvent>
#include <QMouseEvent>
#include <cmath>

namespace host::web {

void ScreenSaverInput::End() {
  if (ended_) return;
  ended_ = true;
  if (end_) end_();
}

bool ScreenSaverInput::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
      if (exits_.onKeyPress) End();
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
      if (exits_.onMouseClick) End();
      break;
    case QEvent::MouseMove: {
      if (!exits_.onMouseMove) break;
      const QPointF at = static_cast<QMouseEvent*>(event)->globalPosition();
      if (!firstPointer_) {
        firstPointer_ = at;
      } else if (std::abs(at.x() - firstPointer_->x()) > kMoveThreshold ||
                 std::abs(at.y() - firstPointer_->y()) > kMoveThreshold) {
        End();
      }
      break;
    }
    default: return QObject::eventFilter(watched, event);
  }
  // Input that ended the saver goes no further: the movie must not act on the key or click.
  return ended_;
}

}  // namespace host::web
