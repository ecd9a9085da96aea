// Drives a tab page of the main window the way a person does: the window shown offscreen on
// the page's tab, buttons clicked with the mouse, text typed and committed with Return, popup
// entries chosen with the arrow keys and list rows clicked, every widget found by its
// signature in the page's pane.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>
#include <QTreeView>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "host/ui/Control.h"
#include "host/ui/Window.h"
#include "platform/TempFolder.h"
#include "preloader/ProjectDocument.h"
#include "tests/app/MainWindowTestSupport.h"
#include "ui/MessageFormat.h"

namespace apptest {

// The control {signature, pane} of the window's pages, for a signature held in a variable.
inline std::shared_ptr<host::ui::Control> PageControl(host::ui::Window* window, const char* signature, int pane) {
  const uint32_t code = (uint32_t(uint8_t(signature[0])) << 24) | (uint32_t(uint8_t(signature[1])) << 16) |
                        (uint32_t(uint8_t(signature[2])) << 8) | uint32_t(uint8_t(signature[3]));
  return window->FindControl(code, pane);
}

// Its helpers are public: the tables of cases call them through a reference to the fixture.
class PageFixture : public MainWindowFixture {
 public:
  using MainWindowFixture::Command;
  using MainWindowFixture::scratch_;
  using MainWindowFixture::window_;
  using MainWindowFixture::WPath;

  // The pane number of the page, which is also its tab index plus 1000.
  explicit PageFixture(int pane) : pane_(pane) {}

  // A new window shown on the page's tab.
  void OpenWindow() {
    MakeWindow();
    window_->Show(true);
    auto* tabs = qobject_cast<QTabBar*>(WidgetOf(window_->GetWindowRef(), "tbPl", 0));
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(pane_ - 1000).center());
    QWidget* pane = nullptr;
    for (QWidget* p = W("bAdd"); p != nullptr; p = p->parentWidget()) {
      if (p->property("controlId").toInt() == pane_ && p->property("signature").isNull()) pane = p;
    }
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pane->isVisible());
  }

  QWidget* W(const char (&signature)[5]) {
    QWidget* w = WidgetOf(window_->GetWindowRef(), signature, pane_);
    EXPECT_NE(w, nullptr) << signature;
    return w;
  }
  QLineEdit* Field(const char (&signature)[5]) { return qobject_cast<QLineEdit*>(W(signature)); }
  QComboBox* Popup(const char (&signature)[5]) { return qobject_cast<QComboBox*>(W(signature)); }
  QAbstractButton* Button(const char (&signature)[5]) { return qobject_cast<QAbstractButton*>(W(signature)); }
  QTreeView* List(const char (&signature)[5]) { return qobject_cast<QTreeView*>(W(signature)); }

  void Click(const char (&signature)[5]) {
    QAbstractButton* b = Button(signature);
    ASSERT_NE(b, nullptr) << signature;
    QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
  }
  // Clicks into the field and replaces its text by typing; with `commit`, Return.
  void Type(const char (&signature)[5], const char* text, bool commit = true) {
    QLineEdit* e = Field(signature);
    ASSERT_NE(e, nullptr) << signature;
    QTest::mouseClick(e, Qt::LeftButton, {}, e->rect().center());
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, QString::fromUtf8(text));
    if (commit) QTest::keyClick(e, Qt::Key_Return);
  }
  // Chooses the entry with one arrow key from its neighbour, as one choice of the user.
  void Choose(const char (&signature)[5], int index) {
    QComboBox* c = Popup(signature);
    ASSERT_NE(c, nullptr) << signature;
    ASSERT_LT(index, c->count()) << signature;
    c->setFocus();
    if (index > 0) {
      c->setCurrentIndex(index - 1);
      QTest::keyClick(c, Qt::Key_Down);
    } else {
      c->setCurrentIndex(1);
      QTest::keyClick(c, Qt::Key_Up);
    }
    EXPECT_EQ(c->currentIndex(), index) << signature;
  }
  void ClickRow(const char (&signature)[5], int row) {
    QTreeView* view = List(signature);
    ASSERT_NE(view, nullptr);
    const QRect r = view->visualRect(view->model()->index(row, 0));
    ASSERT_TRUE(r.isValid()) << "row " << row;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
  }
  std::string Cell(const char (&signature)[5], int row, int column) {
    QTreeView* view = List(signature);
    return view == nullptr ? std::string() : view->model()->index(row, column).data().toString().toStdString();
  }
  int Rows(const char (&signature)[5]) {
    QTreeView* view = List(signature);
    return view == nullptr ? -1 : view->model()->rowCount();
  }
  int SelectedRow(const char (&signature)[5]) {
    QTreeView* view = List(signature);
    if (view == nullptr) return -1;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.empty() ? -1 : rows.front().row();
  }
  std::string Text(const char (&signature)[5]) {
    QLineEdit* e = Field(signature);
    return e == nullptr ? std::string() : e->text().toStdString();
  }

  // What the listed controls show: texts, states, entries and rows.
  std::string PageState(std::initializer_list<const char*> signatures) {
    std::ostringstream s;
    for (const char* signature : signatures) {
      std::shared_ptr<host::ui::Control> c = PageControl(window_->GetWindowRef(), signature, pane_);
      QWidget* w = c ? c->Widget() : nullptr;
      s << signature << ":";
      if (w == nullptr) {
        s << "missing\n";
        continue;
      }
      s << (w->isEnabled() ? "on," : "off,") << (w->isHidden() ? "hidden," : "");
      if (auto* e = qobject_cast<QLineEdit*>(w)) {
        s << e->text().toStdString();
      } else if (auto* p = qobject_cast<QComboBox*>(w)) {
        s << p->currentIndex() << "/" << p->count();
      } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        s << b->isChecked() << "," << b->text().toStdString();
      } else if (auto* v = qobject_cast<QTreeView*>(w)) {
        QAbstractItemModel* m = v->model();
        for (int r = 0; r < m->rowCount(); ++r) {
          for (int col = 0; col < m->columnCount(); ++col) s << m->index(r, col).data().toString().toStdString() << "|";
        }
        const QModelIndexList rows = v->selectionModel()->selectedRows();
        s << "selected " << (rows.empty() ? -1 : rows.front().row());
      } else if (c) {
        s << std::string(WideToUtf8(c->Text()));
      }
      s << "\n";
    }
    return s.str();
  }

  // The project as its document holds it.
  std::string ProjectXml() {
    WideString path;
    EXPECT_TRUE(GetTempFilePath(path, L"page-test.xml", true));
    EXPECT_TRUE(WriteProjectSnapshot(path, window_->GetProject()));
    std::ifstream in(WideToUtf8(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // The text a numbered message shows with its arguments.
  static std::wstring Filled(int number, std::initializer_list<ui::MessageArg> args) {
    return apptest::Filled(number, args);
  }

  int Steps() { return window_->GetUndoHistory().Count(); }

  int pane_;
};

}  // namespace apptest
