// The font chooser and the font button, driven by clicks and keys on their real controls.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "UiTestSupport.h"
#include "host/ui/Window.h"
#include "tests/support/TestFonts.h"
#include "ui/FontButton.h"
#include "ui/FontChooserDialog.h"
#include "ui/NibReference.h"

using host::ui::FourCC;
using uitest::WidgetOf;

namespace {

const uint32_t kOk = FourCC("ok  "), kCancel = FourCC("not!");

PlatformFont MakeFont(const wchar_t* name, uint16_t style, int size) {
  PlatformFont f;
  f.SetFontByName(name);
  f.SetStyleBits(style);
  f.SetSize(size);
  return f;
}

// The visible font chooser's window; null when none is shown.
host::ui::Window* ShownChooser() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->objectName() == QLatin1String("FontChooser")) {
      if (auto window = host::ui::Window::FromWidget(w)) return window.get();
    }
  }
  return nullptr;
}

QTreeView* List(host::ui::Window* w, const char (&sig)[5]) { return qobject_cast<QTreeView*>(WidgetOf(w, sig, 0)); }

QStringList Rows(host::ui::Window* w, const char (&sig)[5]) {
  QStringList out;
  QTreeView* view = List(w, sig);
  if (view == nullptr) return out;
  for (int r = 0; r < view->model()->rowCount(); ++r) out << view->model()->index(r, 0).data().toString();
  return out;
}

QString Field(host::ui::Window* w, const char (&sig)[5]) {
  auto* edit = qobject_cast<QLineEdit*>(WidgetOf(w, sig, 0));
  return edit != nullptr ? edit->text() : QStringLiteral("<none>");
}

// A click on the list's row that shows the text.
void ClickRow(host::ui::Window* w, const char (&sig)[5], const QString& text) {
  QTreeView* view = List(w, sig);
  ASSERT_NE(view, nullptr) << sig;
  for (int r = 0; r < view->model()->rowCount(); ++r) {
    const QModelIndex i = view->model()->index(r, 0);
    if (i.data().toString() != text) continue;
    view->scrollTo(i);
    // The column is wider than the list: click on the part that is shown.
    const QRect shown = view->visualRect(i).intersected(view->viewport()->rect());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, shown.center());
    return;
  }
  ADD_FAILURE() << "no row " << text.toStdString() << " in " << sig;
}

void Click(host::ui::Window* w, const char (&sig)[5]) {
  QWidget* b = WidgetOf(w, sig, 0);
  ASSERT_NE(b, nullptr) << sig;
  QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
}

// Replaces the size field's text by typing (an empty text only erases), then Return.
void TypeSize(host::ui::Window* w, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(WidgetOf(w, "eSiz", 0));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->end(false);
  for (int i = 0; i < 8; ++i) QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
  QTest::keyClick(edit, Qt::Key_Return);
}

// Runs `act` on the chooser's window once it is shown.
void WhenChooserShown(std::function<void(host::ui::Window*)> act) {
  uitest::Soon(
      [act] {
        host::ui::Window* w = ShownChooser();
        if (w == nullptr) {
          ADD_FAILURE() << "no font chooser shown";
          return;
        }
        act(w);
      },
      50);
}

class FontChooserTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testfonts::UseTestFonts()); }
};

TEST_F(FontChooserTest, EachWayOfEndingGivesItsAnswerAndFont) {
  struct Case {
    const char* what;
    std::function<void(host::ui::Window*)> act;
    uint32_t result;
    const wchar_t* family;
    uint16_t style;
    int size;
  };
  auto pick = [](host::ui::Window* w) {
    ClickRow(w, "lFnt", QStringLiteral("FreeSerif"));
    ClickRow(w, "lStl", QStringLiteral("Bold Italic"));
    ClickRow(w, "lSiz", QStringLiteral("24"));
  };
  const Case cases[] = {
      {"OK", [&](host::ui::Window* w) { pick(w), Click(w, "ok  "); }, kOk, L"FreeSerif", 3, 24},
      {"Cancel", [&](host::ui::Window* w) { pick(w), Click(w, "not!"); }, kCancel, L"DejaVu Sans", 0, 12},
      {"Apply then Cancel",
       [&](host::ui::Window* w) {
         pick(w);
         Click(w, "aply");
         ClickRow(w, "lSiz", QStringLiteral("9"));
         Click(w, "not!");
       },
       kCancel, L"FreeSerif", 3, 24},
      {"closed", [&](host::ui::Window* w) { pick(w), w->Widget()->close(); }, kCancel, L"DejaVu Sans", 0, 12},
      {"typed size",
       [&](host::ui::Window* w) {
         ClickRow(w, "lFnt", QStringLiteral("DejaVu Serif"));
         TypeSize(w, QStringLiteral("17"));
         Click(w, "ok  ");
       },
       kOk, L"DejaVu Serif", 0, 17},
      {"empty size", [&](host::ui::Window* w) { TypeSize(w, QString()), Click(w, "ok  "); }, kOk, L"DejaVu Sans", 0,
       12},
      {"zero size", [&](host::ui::Window* w) { TypeSize(w, QStringLiteral("0")), Click(w, "ok  "); }, kOk,
       L"DejaVu Sans", 0, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlatformFont font = MakeFont(L"DejaVu Sans", 0, 12);
    WhenChooserShown(c.act);
    FontChooserDialog chooser;
    EXPECT_EQ(uint32_t(chooser.Run(font, nullptr, nullptr)), c.result);
    EXPECT_EQ(font.GetName(), c.family);
    EXPECT_EQ(font.GetStyleBits(), c.style);
    EXPECT_EQ(font.GetSize(), c.size);
    EXPECT_EQ(ShownChooser(), nullptr);
  }
}

TEST_F(FontChooserTest, ShowsTheFontItIsGivenAndFollowsTheSelection) {
  struct Case {
    PlatformFont font;
    QString family, typeface, size, sizeRow;
  };
  const Case cases[] = {
      // A generic name is shown as the family it stands for.
      {MakeFont(L"Sans", 0, 12), "DejaVu Sans", "Regular", "12", "12"},
      {MakeFont(L"FreeSerif", 3, 36), "FreeSerif", "Bold Italic", "36", "36"},
      {MakeFont(L"DejaVu Sans Mono", 2, 15), "DejaVu Sans Mono", "Italic", "15", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.family.toStdString());
    PlatformFont font = c.font;
    QString family, typeface, size, sizeRow, sample;
    QStringList typefaces, onlyRegular;
    WhenChooserShown([&](host::ui::Window* w) {
      family = Field(w, "eFnt");
      typeface = Field(w, "eStl");
      size = Field(w, "eSiz");
      const QModelIndexList selected = List(w, "lSiz")->selectionModel()->selectedRows();
      if (selected.size() == 1) sizeRow = selected[0].data().toString();
      typefaces = Rows(w, "lStl");
      // A family with only its regular face.
      ClickRow(w, "lFnt", QStringLiteral("DejaVu Math TeX Gyre"));
      onlyRegular = Rows(w, "lStl");
      if (auto* label = qobject_cast<QLabel*>(WidgetOf(w, "tPrv", 0))) sample = label->font().family();
      Click(w, "not!");
    });
    FontChooserDialog chooser;
    EXPECT_EQ(uint32_t(chooser.Run(font, nullptr, nullptr)), kCancel);
    EXPECT_EQ(family, c.family);
    EXPECT_EQ(typeface, c.typeface);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(sizeRow, c.sizeRow);
    EXPECT_EQ(typefaces, (QStringList{"Regular", "Bold", "Italic", "Bold Italic"}));
    EXPECT_EQ(onlyRegular, QStringList{"Regular"});
    EXPECT_EQ(sample, QStringLiteral("DejaVu Math TeX Gyre"));
    EXPECT_TRUE(font.Equals(c.font));
  }
}

TEST_F(FontChooserTest, ApplyingWithNoFamilySelectedKeepsTheFamilyAndMakesItPlain) {
  PlatformFont font = MakeFont(L"Not A Font Anywhere", PlatformFont::kBold | PlatformFont::kUnderline, 20);
  FontChooserDialog chooser;
  ASSERT_TRUE(chooser.CreateModeless(GetMainNib(), L"IDD_FONT_CHOOSER", nullptr, 0));
  chooser.SelectFont(font);
  chooser.ApplyToFont(font);
  EXPECT_EQ(font.GetName(), L"Not A Font Anywhere");
  EXPECT_EQ(font.GetStyleBits(), 0);
  EXPECT_EQ(font.GetSize(), 20);
  chooser.Destroy();
  uitest::Flush();
}

TEST_F(FontChooserTest, ControlsFollowTheWindowSizeAndTheRectangleIsKept) {
  struct Case {
    int dw, dh;  // change of the window's size
    int dx, dy;  // how far the controls follow
  };
  const Case cases[] = {{60, 40, 60, 40}, {-150, -30, -100, -30}, {-20, -180, -20, -100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dw << "," << c.dh);
    PlatformFont font = MakeFont(L"DejaVu Sans", 0, 12);
    const UiRect given{150, 120, 150 + 500 + c.dw, 120 + 320 + c.dh};
    QRect family, typeface, ok, sample;
    WhenChooserShown([&](host::ui::Window* w) {
      w->FlushBoundsChange();
      family = WidgetOf(w, "lFnt", 0)->geometry();
      typeface = WidgetOf(w, "lStl", 0)->geometry();
      ok = WidgetOf(w, "ok  ", 0)->geometry();
      sample = WidgetOf(w, "tPrv", 0)->geometry();
      w->MoveTo(210, 190);
      Click(w, "not!");
    });
    FontChooserDialog chooser;
    EXPECT_EQ(uint32_t(chooser.Run(font, nullptr, &given)), kCancel);
    EXPECT_EQ(family, QRect(17, 71, 150 + c.dx, 169 + c.dy));
    EXPECT_EQ(typeface, QRect(169 + c.dx, 71, 150, 169 + c.dy));
    EXPECT_EQ(ok, QRect(400 + c.dx, 18, 70, 24));
    EXPECT_EQ(sample, QRect(17, 248 + c.dy, 453 + c.dx, 60));
    EXPECT_EQ(chooser.GetWindowRect(), (UiRect{210, 190, 210 + given.Width(), 190 + given.Height()}));
  }
}

// The font button in a window of its own, with what its window and its callback saw.
class FontButtonWindow : public DialogWindow {
 public:
  bool OnInitDialog() override { return button.Create(*this, int(FourCC("fBtn")), UiRect{20, 20, 260, 44}, L""); }
  bool OnCommand(uint32_t command, UiEvent&) override {
    if (command == FourCC("fBtn")) ++clicksSeen;
    return false;
  }
  static void Changed(const PlatformFont& font, void* self) {
    auto* w = static_cast<FontButtonWindow*>(self);
    ++w->changes;
    w->lastFont = font;
  }
  FontButton button{&FontButtonWindow::Changed, this};
  int clicksSeen = 0;
  int changes = 0;
  PlatformFont lastFont;
};

void ClickButton(FontButton& button) {
  QWidget* b = button.GetControlRef()->Widget();
  QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
}

TEST_F(FontChooserTest, FontButtonTitleNamesTheFont) {
  struct Case {
    const wchar_t* name;
    uint16_t style;
    int size;
    const wchar_t* title;
  };
  const Case cases[] = {
      {L"DejaVu Sans", 0, 12, L"DejaVu Sans Regular 12 pt"},
      {L"DejaVu Sans", 1, 14, L"DejaVu Sans Bold 14 pt"},
      {L"100% Sans", 3, 9, L"100% Sans Bold Italic 9 pt"},
  };
  for (const Case& c : cases) {
    FontButtonWindow w;
    ASSERT_TRUE(w.CreateNew(0, 0, 300, 80, DialogWindow::kShowAtOnce, nullptr));
    w.button.SetPlatformFont(MakeFont(c.name, c.style, c.size), true);
    EXPECT_EQ(w.button.GetTitle(), c.title);
    EXPECT_EQ(w.changes, 0);
  }
}

TEST_F(FontChooserTest, FontButtonClickRunsTheChooser) {
  struct Case {
    const char* what;
    std::function<void(host::ui::Window*)> act;
    const wchar_t* title;
    int changes;
  };
  const Case cases[] = {
      {"OK",
       [](host::ui::Window* c) {
         ClickRow(c, "lFnt", QStringLiteral("FreeSerif"));
         ClickRow(c, "lStl", QStringLiteral("Bold"));
         ClickRow(c, "lSiz", QStringLiteral("18"));
         c->MoveTo(230, 140);
         Click(c, "ok  ");
       },
       L"FreeSerif Bold 18 pt", 1},
      {"Cancel",
       [](host::ui::Window* c) {
         ClickRow(c, "lFnt", QStringLiteral("FreeSerif"));
         c->MoveTo(230, 140);
         Click(c, "not!");
       },
       L"DejaVu Sans Regular 12 pt", 0},
      {"Apply, Cancel",
       [](host::ui::Window* c) {
         ClickRow(c, "lSiz", QStringLiteral("48"));
         Click(c, "aply");
         c->MoveTo(230, 140);
         Click(c, "not!");
       },
       L"DejaVu Sans Regular 48 pt", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FontButtonWindow w;
    ASSERT_TRUE(w.CreateNew(0, 0, 300, 80, DialogWindow::kShowAtOnce, nullptr));
    w.button.SetPlatformFont(MakeFont(L"DejaVu Sans", 0, 12), true);
    EXPECT_EQ(w.button.GetChooserRect(), (UiRect{400, 400, 900, 720}));
    WhenChooserShown(c.act);
    ClickButton(w.button);
    EXPECT_EQ(w.button.GetTitle(), c.title);
    EXPECT_EQ(w.changes, c.changes);
    if (c.changes > 0) {
      EXPECT_TRUE(w.lastFont.Equals(w.button.GetPlatformFont()));
    }
    EXPECT_EQ(w.clicksSeen, 1);  // the window still sees the click
    // The chooser opens next where it was last, whatever its answer.
    EXPECT_EQ(w.button.GetChooserRect(), (UiRect{230, 140, 730, 460}));
  }
}

TEST_F(FontChooserTest, FontButtonWithTheChooserOffLeavesClicksToTheWindow) {
  int asked = 0;
  SetFontChooserResponder([&](PlatformFont& font) {
    ++asked;
    font.SetSize(30);
    return kOk;
  });
  FontButtonWindow w;
  ASSERT_TRUE(w.CreateNew(0, 0, 300, 80, DialogWindow::kShowAtOnce, nullptr));
  w.button.SetChooserEnabled(false);
  ClickButton(w.button);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(w.clicksSeen, 1);
  w.button.SetChooserEnabled(true);
  ClickButton(w.button);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(w.clicksSeen, 2);
  EXPECT_EQ(w.changes, 1);
  EXPECT_EQ(w.button.GetPlatformFont().GetSize(), 30);
  SetFontChooserResponder(nullptr);
}

}  // namespace
