#include "host/ui/Control.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabBar>
#include <QTextCursor>
#include <QValidator>

#include "host/ui/Widgets.h"
#include "host/ui/Window.h"

namespace host::ui {

struct Control::Data {
  QPointer<QWidget> widget;
  std::weak_ptr<Window> window;
  int tabValue = 0;
  int value = 0;
};

namespace {

Control::Kind KindOf(QWidget* w) {
  if (qobject_cast<QRadioButton*>(w)) return Control::kRadio;
  if (qobject_cast<QCheckBox*>(w)) return Control::kCheck;
  if (qobject_cast<QToolButton*>(w)) return Control::kBevel;
  if (qobject_cast<QAbstractButton*>(w)) return Control::kPush;
  if (qobject_cast<QComboBox*>(w)) return Control::kPopup;
  if (qobject_cast<QLabel*>(w)) return Control::kStatic;
  if (qobject_cast<QLineEdit*>(w)) return Control::kEdit;
  if (qobject_cast<QPlainTextEdit*>(w)) return Control::kEdit;  // a field of several lines
  if (qobject_cast<QTabBar*>(w)) return Control::kTab;
  return Control::kPane;
}

// Accepts every edit that shortens or keeps the length of the text (deleting, replacing a
// selection by a typed character the key filter let through); a longer text must pass the
// check. So pasted or dropped text obeys the same rules as typed text. Qt asks after the
// change, so the text before it is followed here.
class CheckValidator : public QValidator {
 public:
  CheckValidator(QLineEdit* edit, std::function<bool(const std::wstring&)> check)
      : QValidator(edit), before_(edit->text()), check_(std::move(check)) {
    QObject::connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
  }
  State validate(QString& text, int&) const override {
    if (text.size() <= before_.size()) return Acceptable;
    return check_(text.toStdWString()) ? Acceptable : Invalid;
  }

 private:
  QString before_;
  std::function<bool(const std::wstring&)> check_;
};

}  // namespace

Control::Control() : d_(std::make_unique<Data>()) {}
Control::~Control() = default;

std::shared_ptr<Control> Control::Wrap(QWidget* widget, std::weak_ptr<Window> window) {
  std::shared_ptr<Control> c(new Control);
  c->d_->widget = widget;
  c->d_->window = std::move(window);
  c->kind_ = KindOf(widget);
  return c;
}

std::shared_ptr<Control> Control::Create(Window& window, Kind kind, Rect bounds, const std::wstring& title,
                                         Control* pane) {
  if (!window.Alive()) return nullptr;
  QWidget* root = window.Widget();
  QWidget* parent = pane != nullptr && pane->Alive() ? pane->Widget() : root;
  const QString text = QString::fromStdWString(title);
  QWidget* w = nullptr;
  switch (kind) {
    case kPush: w = new QPushButton(text, parent); break;
    case kBevel: {
      auto* b = new NonTogglingToolButton(parent);
      b->setText(text);
      b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      w = b;
      break;
    }
    case kCheck: w = new QCheckBox(text, parent); break;
    case kRadio: {
      auto* r = new NonTogglingRadioButton(text, parent);
      r->setAutoExclusive(false);
      w = r;
      break;
    }
    case kPopup: w = new QComboBox(parent); break;
    case kStatic: {
      auto* label = new QLabel(text, parent);
      label->setWordWrap(true);  // a static text made in code runs on over several lines
      w = label;
      break;
    }
    case kEdit: w = new QLineEdit(text, parent); break;
    case kTab: w = new QTabBar(parent); break;
    case kPane:
    case kUnknown: w = new QWidget(parent); break;
  }
  const QPoint at = parent->mapFrom(root, QPoint(bounds.left, bounds.top));
  w->setGeometry(at.x(), at.y(), bounds.Width(), bounds.Height());
  w->show();
  window.Hook(w);
  std::shared_ptr<Control> c = window.ControlFor(w);
  if (c) c->kind_ = kind;
  return c;
}

bool Control::Alive() const {
  if (!d_->widget) return false;
  std::shared_ptr<Window> w = d_->window.lock();
  return w && w->Alive();
}

Window* Control::GetWindow() const {
  std::shared_ptr<Window> w = d_->window.lock();
  return w ? w.get() : nullptr;
}

QWidget* Control::Widget() const { return Alive() ? d_->widget.data() : nullptr; }

uint32_t Control::Signature() const { return Alive() ? SignatureOf(d_->widget) : 0; }
int Control::Id() const { return Alive() ? d_->widget->property(kIdProperty).toInt() : 0; }

bool Control::SetId(uint32_t signature, int id) {
  if (!Alive()) return false;
  d_->widget->setProperty(kSignatureProperty, SignatureText(signature));
  d_->widget->setProperty(kIdProperty, id);
  return true;
}

int Control::Value() const {
  if (!Alive()) return 0;
  QWidget* w = d_->widget;
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->isChecked() ? 1 : 0;
  if (auto* p = qobject_cast<QComboBox*>(w)) return p->currentIndex() + 1;
  if (auto* t = qobject_cast<QTabBar*>(w)) {
    if (d_->tabValue >= 1 && d_->tabValue <= t->count()) return t->currentIndex() + 1;
    return d_->tabValue != 0 ? d_->tabValue : t->currentIndex() + 1;
  }
  return d_->value;
}

bool Control::SetValue(int value) {
  if (!Alive()) return false;
  QWidget* w = d_->widget;
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    if (!b->isCheckable()) b->setCheckable(true);
    b->setChecked(value != 0);
  } else if (auto* p = qobject_cast<QComboBox*>(w)) {
    p->setCurrentIndex(value >= 1 && value <= p->count() ? value - 1 : -1);
  } else if (auto* t = qobject_cast<QTabBar*>(w)) {
    d_->tabValue = value;
    if (value >= 1 && value <= t->count()) t->setCurrentIndex(value - 1);
  } else {
    d_->value = value;
  }
  return true;
}

std::wstring Control::Text() const {
  if (!Alive()) return {};
  QWidget* w = d_->widget;
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdWString();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdWString();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdWString();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText().toStdWString();
  if (auto* p = qobject_cast<QComboBox*>(w)) return p->currentText().toStdWString();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title().toStdWString();
  return {};
}

bool Control::SetText(const std::wstring& text) {
  if (!Alive()) return false;
  QWidget* w = d_->widget;
  const QString t = QString::fromStdWString(text);
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    b->setText(t);
  else if (auto* l = qobject_cast<QLabel*>(w))
    l->setText(t);
  else if (auto* e = qobject_cast<QLineEdit*>(w))
    e->setText(t);
  else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
    m->setPlainText(t);
  else if (auto* g = qobject_cast<QGroupBox*>(w))
    g->setTitle(t);
  else
    return false;
  return true;
}

Rect Control::Bounds() const {
  if (!Alive()) return {};
  QWidget* w = d_->widget;
  QWidget* root = GetWindow()->Widget();
  const QPoint p = w->mapTo(root, QPoint(0, 0));
  return Rect{p.x(), p.y(), p.x() + w->width(), p.y() + w->height()};
}

bool Control::Move(int x, int y) {
  if (!Alive()) return false;
  QWidget* w = d_->widget;
  QWidget* parent = w->parentWidget();
  const QPoint p = parent != nullptr ? parent->mapFrom(GetWindow()->Widget(), QPoint(x, y)) : QPoint(x, y);
  w->move(p);
  return true;
}

bool Control::Resize(int width, int height) {
  if (!Alive() || width < 0 || height < 0) return false;
  d_->widget->resize(width, height);
  return true;
}

bool Control::IsVisible() const { return Alive() && !d_->widget->isHidden(); }

bool Control::SetVisible(bool visible) {
  if (!Alive()) return false;
  d_->widget->setVisible(visible);
  return true;
}

bool Control::IsEnabled() const { return Alive() && !d_->widget->testAttribute(Qt::WA_Disabled); }

bool Control::SetEnabled(bool enabled) {
  if (!Alive()) return false;
  d_->widget->setEnabled(enabled);
  return true;
}

bool Control::EmbedIn(Control& pane) {
  if (!Alive() || !pane.Alive() || &pane == this) return false;
  const Rect r = Bounds();
  const bool shown = !d_->widget->isHidden();
  d_->widget->setParent(pane.Widget());
  Move(r.left, r.top);
  d_->widget->setVisible(shown);
  return true;
}

std::shared_ptr<Control> Control::Container() const {
  if (!Alive()) return nullptr;
  Window* window = GetWindow();
  QWidget* parent = d_->widget->parentWidget();
  if (window == nullptr || parent == nullptr || parent == window->Widget()) return nullptr;
  return window->ControlFor(parent);
}

bool Control::SetSmallFont() {
  if (!Alive()) return false;
  QFont f = d_->widget->font();
  f.setPointSize(10);
  d_->widget->setFont(f);
  return true;
}

bool Control::SetTextFont(const std::wstring& family, int pixelSize, bool bold, bool italic) {
  if (!Alive() || pixelSize < 1) return false;
  QFont f(QString::fromStdWString(family));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setItalic(italic);
  d_->widget->setFont(f);
  return true;
}

bool Control::Redraw() {
  if (!Alive()) return false;
  d_->widget->update();
  return true;
}

void Control::Dispose() {
  if (!d_->widget) return;
  d_->widget->hide();
  d_->widget->deleteLater();
  d_->widget = nullptr;
}

int Control::ItemCount() const {
  auto* p = Alive() ? qobject_cast<QComboBox*>(d_->widget) : nullptr;
  return p != nullptr ? p->count() : 0;
}

bool Control::AppendItem(const std::wstring& text) {
  auto* p = Alive() ? qobject_cast<QComboBox*>(d_->widget) : nullptr;
  if (p == nullptr) return false;
  p->addItem(QString::fromStdWString(text));
  return true;
}

bool Control::RemoveAllItems() {
  auto* p = Alive() ? qobject_cast<QComboBox*>(d_->widget) : nullptr;
  if (p == nullptr) return false;
  p->clear();
  return true;
}

std::wstring Control::ItemText(int index) const {
  auto* p = Alive() ? qobject_cast<QComboBox*>(d_->widget) : nullptr;
  if (p == nullptr || index < 0 || index >= p->count()) return {};
  return p->itemText(index).toStdWString();
}

int Control::TabCount() const {
  auto* t = Alive() ? qobject_cast<QTabBar*>(d_->widget) : nullptr;
  return t != nullptr ? t->count() : 0;
}

bool Control::AddTab(const std::wstring& label) {
  auto* t = Alive() ? qobject_cast<QTabBar*>(d_->widget) : nullptr;
  if (t == nullptr) return false;
  t->addTab(QString::fromStdWString(label));
  return true;
}

bool Control::Selection(int& start, int& end) const {
  if (auto* m = Alive() ? qobject_cast<QPlainTextEdit*>(d_->widget) : nullptr) {
    const QTextCursor cursor = m->textCursor();
    start = cursor.selectionStart();
    end = cursor.selectionEnd();
    return true;
  }
  auto* e = Alive() ? qobject_cast<QLineEdit*>(d_->widget) : nullptr;
  if (e == nullptr) return false;
  if (e->hasSelectedText()) {
    start = e->selectionStart();
    end = e->selectionEnd();
  } else {
    start = end = e->cursorPosition();
  }
  return true;
}

bool Control::SetSelection(int start, int end) {
  auto* e = Alive() ? qobject_cast<QLineEdit*>(d_->widget) : nullptr;
  if (e == nullptr || start < 0 || end < start) return false;
  if (end == start) {
    e->deselect();
    e->setCursorPosition(start);
  } else {
    e->setSelection(start, end - start);
  }
  return true;
}

bool Control::SetTextCheck(std::function<bool(const std::wstring&)> check) {
  auto* e = Alive() ? qobject_cast<QLineEdit*>(d_->widget) : nullptr;
  if (e == nullptr) return false;
  const QValidator* old = e->validator();
  e->setValidator(check ? new CheckValidator(e, std::move(check)) : nullptr);
  delete old;
  return true;
}

bool Control::SetMaxLength(int length) {
  auto* e = Alive() ? qobject_cast<QLineEdit*>(d_->widget) : nullptr;
  if (e == nullptr || length < 0) return false;
  e->setMaxLength(length);
  return true;
}

bool Control::SetIconImage(const std::string& imageBytes) {
  auto* b = Alive() ? qobject_cast<QAbstractButton*>(d_->widget) : nullptr;
  if (b == nullptr) return false;
  QPixmap pixmap;
  if (!pixmap.loadFromData(reinterpret_cast<const uchar*>(imageBytes.data()), uint(imageBytes.size()))) return false;
  b->setIcon(QIcon(pixmap));
  b->setIconSize(pixmap.size().boundedTo(b->size()));
  return true;
}

bool Control::ClearIcon() {
  auto* b = Alive() ? qobject_cast<QAbstractButton*>(d_->widget) : nullptr;
  if (b == nullptr) return false;
  b->setIcon(QIcon());
  return true;
}

bool Control::HasIcon() const {
  auto* b = Alive() ? qobject_cast<QAbstractButton*>(d_->widget) : nullptr;
  return b != nullptr && !b->icon().isNull();
}

bool Control::SetSwatch(uint32_t color) {
  auto* b = Alive() ? qobject_cast<QAbstractButton*>(d_->widget) : nullptr;
  if (b == nullptr) return false;
  const QSize size(std::max(1, b->width() - 8), std::max(1, b->height() - 8));
  QPixmap pixmap(size);
  pixmap.fill(QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)));
  b->setIcon(QIcon(pixmap));
  b->setIconSize(size);
  return true;
}

bool IsLetterCharacter(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (c > 0x10FFFF) return false;
  return QChar::isLetter(char32_t(c));
}

bool Control::Focus() {
  if (!Alive()) return false;
  d_->widget->setFocus(Qt::OtherFocusReason);
  return true;
}

}  // namespace host::ui
