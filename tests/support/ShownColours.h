// Waiting for a widget to show one of some colours, as a movie played into it comes up in its
// own time: the page, the player and the movie load while events are pumped.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QWidget>
#include <initializer_list>

namespace testsupport {

// True when some pixel of the picture has one of the colours (0xRRGGBB).
inline bool ShowsAnyOf(const QImage& image, std::initializer_list<QRgb> colours) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) & 0xFFFFFF;
      for (QRgb wanted : colours)
        if (c == wanted) return true;
    }
  }
  return false;
}

// Pumps events until a grab of the widget shows one of the colours; false when none has shown
// within the time.
inline bool WaitUntilShowing(QWidget* widget, std::initializer_list<QRgb> colours, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    if (ShowsAnyOf(widget->grab().toImage(), colours)) return true;
  }
  return false;
}

}  // namespace testsupport
