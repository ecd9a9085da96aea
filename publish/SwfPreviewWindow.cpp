#include "publish/SwfPreviewWindow.h"

#include <QCursor>
#include <QTimer>
#include <QWidget>

#include "host/ui/Window.h"

namespace {

constexpr int kOffscreenSize = 100;
constexpr int kTickMilliseconds = 1000 / 24;

}  // namespace

PlnEvent ToPluginEvent(const UiEvent& event) {
  PlnEvent out{};
  uint16_t what = 0;
  if (event.eventClass == host::ui::kClassMouse) {
    if (event.kind == host::ui::kMouseDown) what = 1;
    if (event.kind == host::ui::kMouseUp) what = 2;
    if (event.kind == host::ui::kMouseMoved || event.kind == 6) what = 15;
  } else if (event.eventClass == host::ui::kClassKeyboard) {
    if (event.kind == host::ui::kKeyDown) what = 3;
    if (event.kind == host::ui::kKeyUp) what = 4;
    if (event.kind == host::ui::kKeyRepeat) what = 5;
    out.message = static_cast<uint32_t>(event.character & 0xFF);
  }
  if (what == 0) return PlnEvent{};
  out.what = what;
  out.whereV = static_cast<int16_t>(event.y);
  out.whereH = static_cast<int16_t>(event.x);
  out.modifiers = static_cast<uint16_t>(event.modifiers);
  return out;
}

SwfPreviewWindow::SwfPreviewWindow() = default;

SwfPreviewWindow::~SwfPreviewWindow() {
  StopTimer();
  timer_.reset();
  player_.Unload();
}

bool SwfPreviewWindow::Create(const NibReference& nib, WindowRef parent) {
  return CreateModeless(nib, L"IDD_SWF_PREVIEW", parent, 0);
}

bool SwfPreviewWindow::PreTranslateEvent(UiEvent& event) {
  player_.HandleEvent(ToPluginEvent(event));
  return false;
}

bool SwfPreviewWindow::OnInitDialog() {
  offscreen_ = QImage(kOffscreenSize, kOffscreenSize, QImage::Format_ARGB32);
  if (offscreen_.isNull()) return false;
  offscreen_.fill(Qt::black);
  port_ = PlnPort{reinterpret_cast<uint32_t*>(offscreen_.bits()),
                  offscreen_.width(),
                  offscreen_.height(),
                  static_cast<int32_t>(offscreen_.bytesPerLine()),
                  0,
                  0,
                  nullptr};
  timer_ = std::make_unique<QTimer>();
  timer_->setInterval(kTickMilliseconds);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { OnTimer(); });
  return true;
}

bool SwfPreviewWindow::OnClose() {
  StopTimer();
  Hide();
  return true;
}

// The window draws itself (direct mode): nothing to copy.
bool SwfPreviewWindow::OnPaint() { return false; }

bool SwfPreviewWindow::OnSize(int width, int height) {
  // Sizing the window from here comes back as a size change of its own.
  if (sizing_) return false;
  int currentWidth = 0;
  int currentHeight = 0;
  player_.GetWindowSize(currentWidth, currentHeight);
  const int passed = width < currentWidth || height < currentHeight ? height + 1 : height;
  player_.SetWindowRect(0, 0, passed, width);
  sizing_ = true;
  SetSize(width, passed);
  sizing_ = false;
  return false;
}

bool SwfPreviewWindow::OnMouseMove(int, int, uint32_t) {
  if (GetWindowRef() != nullptr && GetWindowRef()->Widget() != nullptr) {
    GetWindowRef()->Widget()->setCursor(Qt::ArrowCursor);
  }
  return false;
}

void SwfPreviewWindow::OnTimer() {
  if (!timer_ || !timer_->isActive()) return;
  player_.SendIdleEvent();
}

void SwfPreviewWindow::StopTimer() {
  if (timer_) timer_->stop();
}
