#include "publish/SwfPreviewControl.h"

#include <QEvent>
#include <QObject>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "host/ui/Control.h"

namespace {

constexpr int kTickMilliseconds = 1000 / 24;
constexpr uint16_t kMouseMovedAsOsEvent = 15;

// Paints the control's widget with the offscreen, which covers it whole.
class OffscreenPainter : public QObject {
 public:
  explicit OffscreenPainter(const QImage& image) : image_(image) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    QPainter painter(static_cast<QWidget*>(watched));
    painter.drawImage(0, 0, image_);
    return true;
  }

 private:
  const QImage& image_;
};

}  // namespace

SwfPreviewControl::SwfPreviewControl() = default;

SwfPreviewControl::~SwfPreviewControl() { Release(); }

bool SwfPreviewControl::OnAttach() {
  QWidget* widget = control_ ? control_->Widget() : nullptr;
  if (widget == nullptr || widget->width() <= 0 || widget->height() <= 0) return false;
  offscreen_ = QImage(widget->size(), QImage::Format_ARGB32);
  if (offscreen_.isNull()) return false;
  offscreen_.fill(Qt::black);
  port_ = PlnPort{reinterpret_cast<uint32_t*>(offscreen_.bits()),
                  offscreen_.width(),
                  offscreen_.height(),
                  static_cast<int32_t>(offscreen_.bytesPerLine()),
                  0,
                  0,
                  widget};
  painter_ = std::make_unique<OffscreenPainter>(offscreen_);
  widget->installEventFilter(painter_.get());
  timer_ = std::make_unique<QTimer>();
  timer_->setInterval(kTickMilliseconds);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { OnTimer(); });
  widget->update();
  return true;
}

bool SwfPreviewControl::LoadMovie(const WideString& path) {
  StopTimer();
  if (offscreen_.isNull()) return false;
  if (!player_.LoadPlugin()) return false;
  player_.SetPort(&port_);
  player_.SetWindowRect(0, 0, offscreen_.height(), offscreen_.width());
  if (!player_.StreamFile(path)) return false;
  StartTimer();
  return IsTicking();
}

void SwfPreviewControl::Clear() {
  StopTimer();
  // A plug-in that shows the movie in a view of its own (rather than in the offscreen) keeps
  // playing it there: a window of no size tells it to stop showing it.
  if (player_.HasInstance()) player_.SetWindowRect(0, 0, 0, 0);
  if (offscreen_.isNull()) return;
  offscreen_.fill(Qt::black);
  CopyToControl();
}

bool SwfPreviewControl::Destroy() {
  Release();
  return DialogControl::Destroy();
}

bool SwfPreviewControl::IsTicking() const { return timer_ && timer_->isActive(); }

void SwfPreviewControl::StartTimer() {
  StopTimer();
  if (!timer_) return;
  timer_->start();
  OnTimer();  // the first tick at once
}

void SwfPreviewControl::StopTimer() {
  if (timer_) timer_->stop();
}

void SwfPreviewControl::OnTimer() {
  QWidget* widget = control_ ? control_->Widget() : nullptr;
  if (!IsTicking() || widget == nullptr || !widget->isVisible()) return;
  // A mouse-moved event reaches the plug-in as a null event, on which it advances and draws.
  player_.HandleEvent(PlnEvent{kMouseMovedAsOsEvent, 0, 0, 0, 0, 0});
  CopyToControl();
}

void SwfPreviewControl::CopyToControl() {
  QWidget* widget = control_ ? control_->Widget() : nullptr;
  if (widget != nullptr && widget->isVisible()) widget->update();
}

void SwfPreviewControl::Release() {
  StopTimer();
  timer_.reset();
  // The plug-in may have put a view of its own into the widget: it goes first.
  player_.Unload();
  QWidget* widget = control_ ? control_->Widget() : nullptr;
  if (widget != nullptr && painter_) widget->removeEventFilter(painter_.get());
  painter_.reset();
}
