// The background image dialog driven through its controls while its modal loop runs: what it
// shows for a picture and for none, fitting to the stage, the quality field of the JPEG export,
// refused values that write nothing, and the Document page recording what OK stored as one
// undo step (and nothing for Cancel).
#include "app/BackgroundImageDialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "preloader/BackgroundImage.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/MainWindowTestSupport.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

namespace {

namespace fs = std::filesystem;
using Stage = BackgroundImageDialog::StageRect;

constexpr int kDialog = 2005;

void WritePicture(const std::string& path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(200, 40, 40));
  ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

class BackgroundImageDialogTest : public apptest::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    picture_ = scratch_.Path("picture.png");
    WritePicture(picture_, 40, 30);
  }

  // Runs the dialog on the image; `steps` run inside its modal loop. A dialog the steps leave
  // open is cancelled. Returns the dialog's result.
  int Run(BackgroundImage& image, Stage stage, const std::function<void()>& steps) {
    BackgroundImageDialog dialog(image, stage);
    dialog_ = &dialog;
    apptest::Soon([&] {
      steps();
      if (dialog.GetWindowRef() != nullptr) dialog.EndDialog(-2);
    });
    const int result = dialog.DoModal(GetMainNib(), L"IDD_BGIMAGE_SETTINGS", nullptr, kDialog);
    dialog_ = nullptr;
    return result;
  }
  QWidget* W(const char (&signature)[5]) {
    QWidget* w = dialog_ != nullptr ? apptest::WidgetOf(dialog_->GetWindowRef(), signature, kDialog) : nullptr;
    EXPECT_NE(w, nullptr) << signature;
    return w;
  }
  void Click(const char (&signature)[5]) {
    auto* button = qobject_cast<QAbstractButton*>(W(signature));
    ASSERT_NE(button, nullptr) << signature;
    // Near the left edge: a check box or radio button takes clicks on its box and label only.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
  }
  void SetField(const char (&signature)[5], const char* text) {
    auto* field = qobject_cast<QLineEdit*>(W(signature));
    ASSERT_NE(field, nullptr) << signature;
    field->setFocus();
    field->selectAll();
    if (text[0] == 0)
      QTest::keyClick(field, Qt::Key_Backspace);
    else
      QTest::keyClicks(field, QString::fromUtf8(text));
  }
  std::string Text(const char (&signature)[5]) {
    QWidget* w = W(signature);
    if (auto* field = qobject_cast<QLineEdit*>(w)) return field->text().toStdString();
    return w != nullptr ? w->property("text").toString().toStdString() : std::string();
  }
  bool Enabled(const char (&signature)[5]) {
    QWidget* w = W(signature);
    return w != nullptr && w->isEnabled();
  }
  bool Hidden(const char (&signature)[5]) {
    QWidget* w = W(signature);
    return w == nullptr || w->isHidden();
  }
  std::wstring WPicture() const { return Utf8ToWide(picture_); }

  std::string picture_;
  BackgroundImageDialog* dialog_ = nullptr;
};

// A project whose picture has gone: "no image", the settings disabled, no message; OK then
// stores that there is no picture.
TEST_F(BackgroundImageDialogTest, AGonePictureShowsNoImageAndOkStoresNone) {
  BackgroundImage image;
  image.SetPath(WPath("gone.png"));
  const int result = Run(image, Stage{0, 0, 200, 300}, [&] {
    EXPECT_EQ(Utf8ToWide(Text("sPth")), apptest::Numbered(163));
    EXPECT_EQ(Text("sDim"), "");
    const char settings[][5] = {"mExp", "eQul", "cTil", "cScl", "cAdj", "eBgw", "eBgh", "eBgx", "eBgy"};
    for (const auto& control : settings) EXPECT_FALSE(Enabled(control)) << control;
    Click("ok  ");
  });
  EXPECT_EQ(result, static_cast<int>(ui::kResultOk));
  EXPECT_TRUE(scratch_.Alerts().empty());
  EXPECT_EQ(image.GetPath(), L"");
}

// Fitting to the stage shows the stage's size in the disabled size fields, and OK stores it;
// turned off, the fields can be edited and keep the stage's size.
TEST_F(BackgroundImageDialogTest, ScaleToFitShowsTheStageSize) {
  BackgroundImage image;
  image.SetPath(WPicture());
  image.SetScaleToFit(true);
  const int result = Run(image, Stage{0, 0, 400, 550}, [&] {
    EXPECT_EQ(Text("sPth"), picture_);
    EXPECT_EQ(Text("sDim"), "40 x 30");
    EXPECT_EQ(Text("eBgw") + "x" + Text("eBgh"), "550x400");
    EXPECT_FALSE(Enabled("eBgw"));
    EXPECT_FALSE(Enabled("eBgh"));
    EXPECT_TRUE(Enabled("eBgx"));
    Click("ok  ");
  });
  EXPECT_EQ(result, static_cast<int>(ui::kResultOk));
  EXPECT_EQ(image.GetWidth(), 550);
  EXPECT_EQ(image.GetHeight(), 400);

  Run(image, Stage{0, 0, 100, 120}, [&] {
    Click("cScl");
    EXPECT_TRUE(Enabled("eBgw"));
    EXPECT_EQ(Text("eBgw") + "x" + Text("eBgh"), "120x100");
    SetField("eBgw", "64");
    SetField("eBgx", "7");
    SetField("eBgy", "9");
    Click("cTil");
    Click("cAdj");
    Click("ok  ");
  });
  EXPECT_FALSE(image.GetScaleToFit());
  EXPECT_EQ(image.GetWidth(), 64);
  EXPECT_EQ(image.GetHeight(), 100);
  EXPECT_EQ(image.GetX(), 7);
  EXPECT_EQ(image.GetY(), 9);
  EXPECT_TRUE(image.GetTile());
  EXPECT_TRUE(image.GetAdjustBitmapShift());
}

// The quality belongs to the JPEG export: other exports hide it.
TEST_F(BackgroundImageDialogTest, OnlyTheJpegExportShowsTheQuality) {
  BackgroundImage image;
  image.SetPath(WPicture());
  Run(image, Stage{0, 0, 200, 300}, [&] {
    auto* popup = qobject_cast<QComboBox*>(W("mExp"));
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(popup->itemText(i).toStdWString(), apptest::Numbered(156 + i));
    EXPECT_FALSE(Hidden("sQul"));
    EXPECT_FALSE(Hidden("eQul"));
    QTest::keyClick(popup, Qt::Key_Down);
    EXPECT_TRUE(Hidden("sQul"));
    EXPECT_TRUE(Hidden("eQul"));
    QTest::keyClick(popup, Qt::Key_Up);
    EXPECT_FALSE(Hidden("sQul"));
    EXPECT_FALSE(Hidden("eQul"));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    Click("ok  ");
  });
  EXPECT_EQ(image.GetExportType(), kBackgroundLossless24);
}

struct RefusedCase {
  const char* name;
  const char signature[5];
  const char* typed;
  int text;
};

// A refused value says why (without numbers), keeps the dialog open and writes nothing, not
// even the values before it; Cancel then leaves the image as it was.
TEST_F(BackgroundImageDialogTest, ARefusedValueWritesNothing) {
  const RefusedCase cases[] = {
      {"quality 101", "eQul", "101", 164},
      {"empty width", "eBgw", "", 165},
      {"height 10001", "eBgh", "10001", 166},
  };
  const fs::path other = scratch_.Path("other.png");
  WritePicture(other.string(), 20, 20);
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    BackgroundImage image;
    image.SetPath(WPicture());
    image.SetScaleToFit(false);
    scratch_.ClearAlerts();
    const int result = Run(image, Stage{0, 0, 200, 300}, [&] {
      scratch_.AnswerChoosers({Utf8ToWide(other.string())});
      Click("bBrw");
      Click("cTil");
      SetField(c.signature, c.typed);
      Click("ok  ");
      EXPECT_NE(dialog_->GetWindowRef(), nullptr);  // still open
      ASSERT_EQ(scratch_.Alerts().size(), 1u);
      EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
      EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(c.text));
      Click("not!");
    });
    EXPECT_EQ(result, static_cast<int>(ui::kResultCancel));
    EXPECT_EQ(image.GetPath(), WPicture());
    EXPECT_FALSE(image.GetTile());
  }
}

// The image chooser: a file that is no picture says so and leaves the dialog without one; a
// picture shows its path, its size and a preview.
TEST_F(BackgroundImageDialogTest, ChoosingThePicture) {
  std::ofstream(scratch_.Path("text.png")) << "no picture";
  BackgroundImage image;
  Run(image, Stage{0, 0, 200, 300}, [&] {
    scratch_.AnswerChoosers({WPath("text.png")});
    Click("bBrw");
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10000));
    EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(162));
    EXPECT_EQ(Utf8ToWide(Text("sPth")), apptest::Numbered(163));
    EXPECT_FALSE(Enabled("cTil"));
    auto* preview = qobject_cast<QAbstractButton*>(W("uPvw"));
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->icon().isNull());

    scratch_.AnswerChoosers({WPicture()});
    Click("bBrw");
    EXPECT_EQ(Text("sPth"), picture_);
    EXPECT_EQ(Text("sDim"), "40 x 30");
    EXPECT_TRUE(Enabled("cTil"));
    EXPECT_FALSE(preview->icon().isNull());
    Click("ok  ");
  });
  EXPECT_EQ(image.GetPath(), WPicture());
}

// Through the Document page: the settings button opens once the image is on; Cancel records
// no step; OK records what it stored as one step, which undo takes back.
TEST_F(BackgroundImageDialogTest, ThePageRecordsTheDialogAsOneStep) {
  MakeWindow();
  window_->Show(true);
  host::ui::Window* w = window_->GetWindowRef();
  auto* settings = qobject_cast<QAbstractButton*>(apptest::WidgetOf(w, "sBgi", 1000));
  auto* enable = qobject_cast<QAbstractButton*>(apptest::WidgetOf(w, "cBgi", 1000));
  ASSERT_NE(settings, nullptr);
  ASSERT_NE(enable, nullptr);
  EXPECT_FALSE(settings->isEnabled());
  QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(8, enable->height() / 2));
  EXPECT_TRUE(settings->isEnabled());
  ASSERT_EQ(window_->GetUndoHistory().Count(), 1);

  bool ran = false;
  apptest::Soon([&] {
    QWidget* dialog = apptest::ShownWindowNamed("BackgroundImageSettings");
    ASSERT_NE(dialog, nullptr);
    ran = true;
    QTest::mouseClick(qobject_cast<QAbstractButton*>(apptest::ControlWithSignature(dialog, "not!")), Qt::LeftButton);
  });
  QTest::mouseClick(settings, Qt::LeftButton);
  EXPECT_TRUE(ran);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);

  ran = false;
  apptest::Soon([&] {
    QWidget* dialog = apptest::ShownWindowNamed("BackgroundImageSettings");
    ASSERT_NE(dialog, nullptr);
    ran = true;
    scratch_.AnswerChoosers({WPicture()});
    QTest::mouseClick(qobject_cast<QAbstractButton*>(apptest::ControlWithSignature(dialog, "bBrw")), Qt::LeftButton);
    // The project's stage is 300 x 200.
    EXPECT_EQ(qobject_cast<QLineEdit*>(apptest::ControlWithSignature(dialog, "eBgw"))->text(), "300");
    QTest::mouseClick(qobject_cast<QAbstractButton*>(apptest::ControlWithSignature(dialog, "ok  ")), Qt::LeftButton);
  });
  QTest::mouseClick(settings, Qt::LeftButton);
  EXPECT_TRUE(ran);
  const BackgroundImage& image = window_->GetProject().GetBackgroundImage();
  EXPECT_EQ(image.GetPath(), WPicture());
  EXPECT_EQ(image.GetWidth(), 300);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 2);
  EXPECT_TRUE(Command("undV"));
  EXPECT_EQ(window_->GetProject().GetBackgroundImage().GetPath(), L"");
  EXPECT_TRUE(window_->GetProject().GetBackgroundImage().IsEnabled());
}

}  // namespace
