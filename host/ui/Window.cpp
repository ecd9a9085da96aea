#include "host/ui/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

#include <cstdio>
#include <vector>

#include <unistd.h>

#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "host/ui/Widgets.h"

namespace host::ui {

void CountWatchdogEnd();

class Window::Filter : public QObject {
 public:
  explicit Filter(Window* window) : window_(window) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWidgetType()) return false;
    return window_->OnQtEvent(static_cast<QWidget*>(watched), event);
  }

 private:
  Window* window_;
};

struct Window::Data {
  QPointer<QWidget> root;
  std::unique_ptr<Filter> filter;
  std::map<QWidget*, std::shared_ptr<Control>> controls;
  std::vector<QEventLoop*> loops;
  QPointer<QWidget> parent;
  bool boundsPending = false;
  Rect lastBounds;
  // Keys and mouse events climb to parent widgets when a widget ignores them; each is
  // routed once, where it first arrives.
  const QEvent* lastRouted = nullptr;
  QEvent::Type lastType = QEvent::None;
  QPointer<QWidget> lastWidget;
  bool AlreadyRouted(QWidget* w, QEvent* e) {
    if (e == lastRouted && e->type() == lastType && lastWidget && w != lastWidget && w->isAncestorOf(lastWidget)) {
      return true;
    }
    lastRouted = e;
    lastType = e->type();
    lastWidget = w;
    return false;
  }
};

namespace {

Qt::WindowFlags FlagsFor(Window::Class c) {
  switch (c) {
    case Window::kMovableModal: return Qt::Dialog;
    case Window::kSheet: return Qt::Dialog;
    case Window::kFloating: return Qt::Tool;
    case Window::kUtility: return Qt::Tool | Qt::WindowStaysOnTopHint;
    case Window::kDocument: break;
  }
  return Qt::Window;
}

Window::Class ClassFromName(const QString& name) {
  if (name == QLatin1String("movableModal")) return Window::kMovableModal;
  if (name == QLatin1String("sheet")) return Window::kSheet;
  if (name == QLatin1String("floating")) return Window::kFloating;
  if (name == QLatin1String("utility")) return Window::kUtility;
  return Window::kDocument;
}

uint32_t Modifiers(Qt::KeyboardModifiers m) {
  uint32_t bits = 0;
  if (m & Qt::ControlModifier) bits |= kCmdKey;
  if (m & Qt::ShiftModifier) bits |= kShiftKey;
  if (m & Qt::AltModifier) bits |= kOptionKey;
  if (m & Qt::MetaModifier) bits |= kControlKey;
  return bits;
}

// The character a key types, with the codes of the editing keys; 0 for keys that type
// nothing (and for shortcuts made with Ctrl).
char32_t KeyCharacter(const QKeyEvent* k) {
  switch (k->key()) {
    case Qt::Key_Return: return 13;
    case Qt::Key_Enter: return 3;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Delete: return 127;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Left: return 28;
    case Qt::Key_Right: return 29;
    case Qt::Key_Up: return 30;
    case Qt::Key_Down: return 31;
    case Qt::Key_Home: return 1;
    case Qt::Key_End: return 4;
    default: break;
  }
  if (k->modifiers() & Qt::ControlModifier) return 0;
  const QList<uint> text = k->text().toUcs4();
  if (text.isEmpty() || text[0] < 32) return 0;
  return char32_t(text[0]);
}

void Collect(QWidget* w, std::vector<QWidget*>& out) {
  for (QObject* o : w->children()) {
    if (!o->isWidgetType()) continue;
    QWidget* c = static_cast<QWidget*>(o);
    if (c->isWindow()) continue;
    out.push_back(c);
    Collect(c, out);
  }
}

std::map<QWidget*, std::weak_ptr<Window>>& Registry() {
  static auto* registry = new std::map<QWidget*, std::weak_ptr<Window>>;
  return *registry;
}

}  // namespace

std::shared_ptr<Window> Window::FromWidget(QWidget* widget) {
  if (widget == nullptr) return nullptr;
  auto it = Registry().find(widget->window());
  return it == Registry().end() ? nullptr : it->second.lock();
}

std::shared_ptr<Window> Window::Create(Class windowClass, bool closeBox, bool resizable, Rect content, Window* parent) {
  if (!EnsureApplication()) return nullptr;
  QWidget* parentWidget = parent != nullptr ? parent->Widget() : nullptr;
  Qt::WindowFlags flags = FlagsFor(windowClass) | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (closeBox) flags |= Qt::WindowCloseButtonHint;
  auto* root = new QWidget(parentWidget, flags);
  root->setGeometry(content.left, content.top, content.Width(), content.Height());
  if (!resizable) root->setFixedSize(content.Width(), content.Height());
  std::shared_ptr<Window> w(new Window);
  w->Init(root, windowClass);
  if (parent != nullptr) w->d_->parent = parent->Widget();
  return w;
}

std::shared_ptr<Window> Window::Adopt(QWidget* root) {
  if (root == nullptr || !EnsureApplication()) return nullptr;
  const Class c = ClassFromName(root->property("windowClass").toString());
  const QRect g = root->geometry();
  root->setParent(nullptr, FlagsFor(c));
  root->setGeometry(g);
  std::shared_ptr<Window> w(new Window);
  w->Init(root, c);
  return w;
}

void Window::Init(QWidget* root, Class windowClass) {
  d_ = std::make_unique<Data>();
  class_ = windowClass;
  d_->root = root;
  Registry()[root] = weak_from_this();
  QObject::connect(root, &QObject::destroyed, [root] { Registry().erase(root); });
  d_->filter = std::make_unique<Filter>(this);
  root->setAttribute(Qt::WA_DeleteOnClose, false);
  Hook(root);
  std::vector<QWidget*> all;
  Collect(root, all);
  for (QWidget* c : all) Hook(c);
  d_->lastBounds = ContentBounds();
}

Window::~Window() {
  for (QEventLoop* loop : d_->loops) loop->exit();
  if (d_->root) {
    d_->root->removeEventFilter(d_->filter.get());
    d_->root->hide();
    d_->root->deleteLater();
  }
}

bool Window::Alive() const { return !disposed_ && d_->root; }
QWidget* Window::Widget() const { return d_->root; }

void Window::Hook(QWidget* w) {
  if (w->property("plenwickHooked").toBool()) return;
  w->setProperty("plenwickHooked", true);
  w->installEventFilter(d_->filter.get());
  w->setMouseTracking(true);
  QObject* ctx = d_->filter.get();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    QObject::connect(b, &QAbstractButton::clicked, ctx, [this, w] { SendControlHit(w); });
  } else if (auto* p = qobject_cast<QComboBox*>(w)) {
    QObject::connect(p, &QComboBox::activated, ctx, [this, w] { SendControlHit(w); });
  } else if (auto* t = qobject_cast<QTabBar*>(w)) {
    QObject::connect(t, &QTabBar::tabBarClicked, ctx, [this, w, t](int index) {
      if (index < 0) return;
      t->setCurrentIndex(index);
      ControlFor(w)->SetValue(index + 1);
      SendControlHit(w);
    });
  }
}

void Window::SendControlHit(QWidget* widget) {
  if (!Alive()) return;
  std::shared_ptr<Control> c = ControlFor(widget);
  Event e;
  e.eventClass = kClassControl;
  e.kind = kControlHit;
  e.control = c.get();
  SendFrom(widget, e);
}

int Window::SendFrom(QWidget* from, Event& event) {
  std::shared_ptr<Window> self = shared_from_this();
  for (QWidget* p = from; p != nullptr && p != d_->root; p = p->parentWidget()) {
    auto it = d_->controls.find(p);
    if (it == d_->controls.end()) continue;
    std::shared_ptr<Control> c = it->second;
    if (!c->target_.HasHandlers()) continue;
    const int status = c->target_.Send(event);
    if (status != kEventNotHandled) return status;
  }
  if (!disposed_) {
    const int status = target_.Send(event);
    if (status != kEventNotHandled) return status;
  }
  return ApplicationTarget().Send(event);
}

bool Window::OnQtEvent(QWidget* w, QEvent* event) {
  if (disposed_ || !d_->root) return false;
  QWidget* root = d_->root;
  switch (event->type()) {
    case QEvent::Close: {
      if (w != root) return false;
      event->ignore();
      Event e;
      e.eventClass = kClassWindow;
      e.kind = kWindowClose;
      if (SendFrom(nullptr, e) == kEventNotHandled) Dispose();  // the standard behaviour
      return true;
    }
    case QEvent::Move:
    case QEvent::Resize:
      if (w == root && !d_->boundsPending) {
        d_->boundsPending = true;
        std::weak_ptr<Window> weak = weak_from_this();
        QTimer::singleShot(0, d_->filter.get(), [weak] {
          if (auto self = weak.lock()) self->FlushBoundsChange();
        });
      }
      return false;
    case QEvent::Paint:
      if (w == root) {
        Event e;
        e.eventClass = kClassWindow;
        e.kind = kWindowDrawContent;
        SendFrom(nullptr, e);
      }
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
      auto* m = static_cast<QMouseEvent*>(event);
      // Qt hands an ignored click on to the parent as a new event: route it only where it
      // first arrived, the deepest widget under the mouse.
      if (QWidget* child = w->childAt(m->position().toPoint());
          child != nullptr && !child->testAttribute(Qt::WA_TransparentForMouseEvents) && child->isEnabled()) {
        return false;
      }
      Event e;
      e.eventClass = kClassMouse;
      e.kind = event->type() == QEvent::MouseButtonPress     ? kMouseDown
               : event->type() == QEvent::MouseButtonRelease ? kMouseUp
                                                             : kMouseMoved;
      const QPoint p = w->mapTo(root, m->position().toPoint());
      e.x = p.x();
      e.y = p.y();
      e.modifiers = Modifiers(m->modifiers());
      e.button = m->button() == Qt::RightButton                                 ? 2
                 : m->button() == Qt::LeftButton || m->button() == Qt::NoButton ? 1
                                                                                : 3;
      std::shared_ptr<Window> self = shared_from_this();
      if (SendFrom(nullptr, e) != kEventNotHandled) return true;
      if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QLineEdit*>(w) != nullptr &&
          m->button() == Qt::LeftButton) {
        SendControlHit(w);
      }
      return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      if (d_->AlreadyRouted(w, event)) return false;
      auto* k = static_cast<QKeyEvent*>(event);
      Event e;
      e.eventClass = kClassKeyboard;
      e.kind = event->type() == QEvent::KeyRelease ? kKeyUp : k->isAutoRepeat() ? kKeyRepeat : kKeyDown;
      e.character = KeyCharacter(k);
      e.keyCode = (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) ? kTabKeyCode : 0;
      e.modifiers = Modifiers(k->modifiers());
      std::shared_ptr<Window> self = shared_from_this();
      if (SendFrom(w, e) != kEventNotHandled) return true;
      // Tab moves the focus whatever the field accepts.
      if (event->type() == QEvent::KeyPress && e.character != 0 && e.keyCode != kTabKeyCode && !disposed_) {
        auto it = d_->controls.find(w);
        if (it != d_->controls.end() && !it->second->FilterKey(e.character)) return true;
      }
      return false;
    }
    default: return false;
  }
}

void Window::FlushBoundsChange() {
  if (!d_->boundsPending) return;
  d_->boundsPending = false;
  if (!Alive()) return;
  const Rect now = ContentBounds();
  const Rect before = d_->lastBounds;
  if (now == before) return;
  d_->lastBounds = now;
  std::shared_ptr<Window> self = shared_from_this();
  Event e;
  e.eventClass = kClassWindow;
  e.previousBounds = before;
  e.currentBounds = now;
  if (now.Width() != before.Width() || now.Height() != before.Height()) {
    e.kind = kWindowBoundsChanging;
    SendFrom(nullptr, e);
    e.currentBounds = now;
  }
  e.kind = kWindowBoundsChanged;
  SendFrom(nullptr, e);
}

void Window::Dispose() {
  if (disposed_) return;
  disposed_ = true;
  target_.Clear();
  for (auto& [widget, control] : d_->controls) control->target_.Clear();
  if (d_->root) {
    d_->root->removeEventFilter(d_->filter.get());
    d_->root->hide();
    d_->root->deleteLater();
  }
}

void Window::SetParent(Window* parent) { d_->parent = parent != nullptr ? parent->Widget() : nullptr; }

bool Window::Show(bool show) {
  if (!Alive()) return false;
  d_->root->setVisible(show);
  return true;
}

bool Window::IsVisible() const { return Alive() && d_->root->isVisible(); }

bool Window::Activate(bool activate) {
  if (!Alive()) return false;
  if (activate) d_->root->activateWindow();
  return true;
}

bool Window::BringToFront() {
  if (!Alive()) return false;
  d_->root->raise();
  return true;
}

bool Window::ShowAsSheet() {
  if (!Alive()) return false;
  QWidget* root = d_->root;
  if (d_->parent) {
    if (root->parentWidget() != d_->parent) root->setParent(d_->parent, root->windowFlags());
    root->setWindowModality(Qt::WindowModal);
    const QRect pg = d_->parent->geometry();
    root->setGeometry(QRect(QPoint(pg.x() + (pg.width() - root->width()) / 2, pg.y()), root->size()));
  }
  root->show();
  return true;
}

Rect Window::ContentBounds() const {
  if (!d_->root) return {};
  const QRect g = d_->root->geometry();
  return Rect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

bool Window::MoveTo(int x, int y) {
  if (!Alive()) return false;
  d_->root->setGeometry(QRect(QPoint(x, y), d_->root->size()));
  return true;
}

bool Window::Resize(int width, int height) {
  if (!Alive() || width < 0 || height < 0) return false;
  if (d_->root->minimumSize() == d_->root->maximumSize()) d_->root->setFixedSize(width, height);
  d_->root->resize(width, height);
  return true;
}

bool Window::CenterOnPrimaryScreen() {
  if (!Alive()) return false;
  QScreen* s = QGuiApplication::primaryScreen();
  if (s == nullptr) return false;
  const QRect a = s->availableGeometry();
  const QPoint at(a.x() + (a.width() - d_->root->width()) / 2, a.y() + (a.height() - d_->root->height()) / 3);
  d_->root->setGeometry(QRect(at, d_->root->size()));
  return true;
}

bool Window::SetTitle(const std::wstring& title) {
  if (!Alive()) return false;
  d_->root->setWindowTitle(QString::fromStdWString(title));
  return true;
}

std::wstring Window::Title() const { return d_->root ? d_->root->windowTitle().toStdWString() : std::wstring(); }

void Window::ClearKeyboardFocus() {
  if (!Alive()) return;
  if (QWidget* f = d_->root->focusWidget()) f->clearFocus();
}

bool Window::SaveImage(const std::string& path) const {
  if (!d_->root || path.empty()) return false;
  const QImage image = d_->root->grab().toImage();
  const std::string temp = path + ".tmp-" + std::to_string(::getpid());
  if (!image.save(QString::fromStdString(temp), "PNG")) {
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool Window::ShowPicture(const uint8_t* argb, int width, int height, size_t rowBytes,
                         const std::vector<PictureText>& texts) {
  if (!Alive() || argb == nullptr || width <= 0 || height <= 0 || rowBytes < size_t(width) * 4) return false;
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = argb + size_t(y) * rowBytes;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x, row += 4) out[x] = qRgba(row[1], row[2], row[3], row[0]);
  }
  {
    QPainter painter(&image);
    for (const PictureText& line : texts) {
      painter.setPen(QColor(int(line.rgb >> 16) & 0xFF, int(line.rgb >> 8) & 0xFF, int(line.rgb) & 0xFF));
      QFont font = QApplication::font();
      font.setPointSize(line.pointSize);
      painter.setFont(font);
      painter.drawText(line.x, line.y, QString::fromStdWString(line.text));
    }
  }
  static constexpr char kPictureName[] = "plenwickPicture";
  auto* label = d_->root->findChild<QLabel*>(kPictureName, Qt::FindDirectChildrenOnly);
  if (label == nullptr) {
    label = new QLabel(d_->root);
    label->setObjectName(kPictureName);
    // The picture is the window's background: clicks on it are the window's.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  label->setPixmap(QPixmap::fromImage(image));
  label->setGeometry(0, 0, width, height);
  label->lower();
  label->show();
  return true;
}

std::shared_ptr<Control> Window::FindControl(uint32_t signature, int id) {
  if (!Alive()) return nullptr;
  std::vector<QWidget*> all;
  Collect(d_->root, all);
  for (QWidget* w : all) {
    if (SignatureOf(w) == signature && w->property(kIdProperty).toInt() == id) return ControlFor(w);
  }
  return nullptr;
}

std::shared_ptr<Control> Window::ControlFor(QWidget* widget) {
  if (widget == nullptr) return nullptr;
  auto it = d_->controls.find(widget);
  if (it != d_->controls.end()) {
    if (it->second->Alive()) return it->second;
    d_->controls.erase(it);  // a widget deleted earlier at this address
  }
  std::shared_ptr<Control> c = Control::Wrap(widget, weak_from_this());
  d_->controls[widget] = c;
  QObject::connect(widget, &QObject::destroyed, d_->filter.get(), [this, widget] { d_->controls.erase(widget); });
  return c;
}

void Window::RunModalLoop() {
  if (!Alive()) return;
  std::shared_ptr<Window> self = shared_from_this();
  QEventLoop loop;
  d_->loops.push_back(&loop);
  ++loopDepth_;
  QTimer watchdog;
  if (ModalLoopWatchdogMs() > 0) {
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&loop] {
      CountWatchdogEnd();
      loop.exit(1);
    });
    watchdog.start(ModalLoopWatchdogMs());
  }
  if (d_->root && class_ != kSheet && d_->root->windowModality() != Qt::ApplicationModal) {
    const bool visible = d_->root->isVisible();
    d_->root->hide();
    d_->root->setWindowModality(Qt::ApplicationModal);
    if (visible) d_->root->show();
  }
  loop.exec();
  --loopDepth_;
  std::erase(d_->loops, &loop);
  if (d_->root) d_->root->setWindowModality(Qt::NonModal);
}

void Window::QuitModalLoop() {
  if (!d_->loops.empty()) d_->loops.back()->exit(0);
}

}  // namespace host::ui
