// Qt pieces shared by the widget layer's own files (not for the toolkit above it).
#pragma once

#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QToolButton>
#include <QVariant>
#include <QWidget>

#include <cstdint>

namespace host::ui {

// Buttons whose click does not change their checked state: the owner decides.
class NonTogglingRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override {}
};

class NonTogglingToolButton : public QToolButton {
 public:
  using QToolButton::QToolButton;

 protected:
  void nextCheckState() override {}
};

// The dynamic properties that name a control: its signature as four Latin-1 characters
// and its id.
inline constexpr char kSignatureProperty[] = "signature";
inline constexpr char kIdProperty[] = "controlId";

inline uint32_t SignatureOf(const QWidget* w) {
  const QVariant v = w->property(kSignatureProperty);
  if (!v.isValid()) return 0;
  const QByteArray b = v.toString().toLatin1();
  if (b.size() != 4) return 0;
  return (uint32_t(uint8_t(b[0])) << 24) | (uint32_t(uint8_t(b[1])) << 16) | (uint32_t(uint8_t(b[2])) << 8) |
         uint32_t(uint8_t(b[3]));
}

inline QString SignatureText(uint32_t s) {
  const char b[4] = {char(s >> 24), char(s >> 16), char(s >> 8), char(s)};
  return QString::fromLatin1(b, 4);
}

}  // namespace host::ui
