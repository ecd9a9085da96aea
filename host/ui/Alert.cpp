#include "host/ui/Alert.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "host/ui/Application.h"
#include "host/ui/Window.h"

namespace host::ui {

void CountWatchdogEnd();

namespace {

AlertResponder g_alertResponder;

QMessageBox::Icon QtIcon(AlertIcon icon) {
  switch (icon) {
    case AlertIcon::kStop: return QMessageBox::Critical;
    case AlertIcon::kNote: return QMessageBox::Information;
    case AlertIcon::kCaution: return QMessageBox::Warning;
    case AlertIcon::kPlain: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void SetAlertResponder(AlertResponder responder) { g_alertResponder = std::move(responder); }

namespace {

struct AlertButtons {
  QPushButton* def = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* other = nullptr;
};

// Fills the box with the alert's icon, texts and buttons.
AlertButtons FillAlert(QMessageBox& box, const AlertSpec& spec) {
  AlertButtons b;
  box.setIcon(QtIcon(spec.icon));
  box.setTextFormat(Qt::PlainText);
  if (!spec.heading.empty()) {
    box.setText(QString::fromStdWString(spec.heading));
    box.setInformativeText(QString::fromStdWString(spec.detail));
  } else {
    box.setText(QString::fromStdWString(spec.detail));
  }
  // The heading is bold; the detail is plain text (a path with '<' stays as it is).
  QFont bold = box.font();
  bold.setBold(true);
  if (!spec.heading.empty()) {
    if (QWidget* label = box.findChild<QWidget*>(QStringLiteral("qt_msgbox_label"))) label->setFont(bold);
  }
  b.def = spec.defaultText.empty() ? box.addButton(QMessageBox::Ok)
                                   : box.addButton(QString::fromStdWString(spec.defaultText), QMessageBox::AcceptRole);
  b.def->setObjectName(kAlertDefaultName);
  box.setDefaultButton(b.def);
  if (!spec.cancelText.empty()) {
    b.cancel = box.addButton(QString::fromStdWString(spec.cancelText), QMessageBox::RejectRole);
    b.cancel->setObjectName(kAlertCancelName);
    box.setEscapeButton(b.cancel);
  } else {
    box.setEscapeButton(b.def);
  }
  if (!spec.otherText.empty()) {
    b.other = box.addButton(QString::fromStdWString(spec.otherText), QMessageBox::DestructiveRole);
    b.other->setObjectName(kAlertOtherName);
  }
  return b;
}

}  // namespace

bool SaveAlertImage(const AlertSpec& spec, const std::string& path) {
  if (!EnsureApplication()) return false;
  QMessageBox box;
  FillAlert(box, spec);
  box.show();
  ProcessPendingEvents();
  const bool saved = box.grab().save(QString::fromStdString(path), "PNG");
  box.hide();
  return saved;
}

int RunAlert(const AlertSpec& spec, Window* parent) {
  if (g_alertResponder) return g_alertResponder(spec, parent);
  if (!EnsureApplication()) return 0;
  QWidget* parentWidget = parent != nullptr ? parent->Widget() : nullptr;
  QMessageBox box(parentWidget);
  const AlertButtons buttons = FillAlert(box, spec);
  QPushButton* def = buttons.def;
  QPushButton* cancel = buttons.cancel;
  QPushButton* other = buttons.other;
  box.setWindowModality(parentWidget != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  QTimer watchdog;
  if (ModalLoopWatchdogMs() > 0) {
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &box, [&box] {
      CountWatchdogEnd();
      box.done(-1);
    });
    watchdog.start(ModalLoopWatchdogMs());
  }
  box.exec();
  QAbstractButton* pressed = box.clickedButton();
  if (pressed == nullptr) return cancel != nullptr ? 2 : 1;
  if (pressed == def) return 1;
  if (pressed == cancel) return 2;
  if (pressed == other) return 3;
  return 0;
}

}  // namespace host::ui
