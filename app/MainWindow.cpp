#include "app/MainWindow.h"

#include "app/AppPreferences.h"
#include "app/PictureWindows.h"
#include "app/PreferencesDialog.h"
#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "platform/HelpBook.h"
#include "ui/Menus.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

namespace {

using host::ui::FourCC;

constexpr int kFirstPane = 1000;
constexpr int kPaneCount = 5;

WideString FileNameOf(const WideString& path) {
  const size_t slash = path.find_last_of(L'/');
  return slash == WideString::npos ? path : WideString(path.substr(slash + 1));
}

}  // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() { Destroy(); }

bool MainWindow::Create() { return CreateModeless(GetMainNib(), L"IDD_MAIN_DIALOG", nullptr, 0); }

bool MainWindow::OnInitDialog() {
  SetTitle(L"Untitled");
  if (AttachControl(FourCC("tbPl"), tabs_)) {
    for (int i = 0; i < kPaneCount; ++i) tabs_.AddPane(this, kFirstPane + i);
    tabs_.SelectTab(0, true);
  }
  ShowMenuBarInWindow(GetWindowRef());
  const AppPreferences& prefs = AppPreferences::Instance();
  MoveTo(prefs.mainWindowX, prefs.mainWindowY);
  return true;
}

bool MainWindow::OnClose() {
  OnQuit();
  return true;
}

bool MainWindow::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command == FourCC("abou")) {
    ShowAbout();
  } else if (command == FourCC("pref")) {
    ShowPreferences();
  } else if (command == FourCC("help")) {
    ShowHelpPage();
  } else if (command == FourCC("quit")) {
    OnQuit();
  } else if (command == FourCC("copy") || command == FourCC("cut ") || command == FourCC("past")) {
    // Consumed: the edit fields handle their own clipboard keys.
  } else {
    return false;
  }
  return true;
}

bool MainWindow::OnOpenDocument(const WideString& path) {
  opened_.push_back(path);
  SetTitle(FileNameOf(path));
  return true;
}

bool MainWindow::OnQuit() {
  AppPreferences& prefs = AppPreferences::Instance();
  UiRect bounds;
  if (GetContentBounds(&bounds)) {
    prefs.mainWindowX = bounds.left;
    prefs.mainWindowY = bounds.top;
  }
  host::ui::QuitEventLoop();
  return true;
}

bool MainWindow::ShowAbout() {
  AboutDialogInfo info;
  info.pictureId = 128;
  info.versionMajor = 1;
  info.versionMinor = 210;
  info.textX = 10;
  info.textY = 15;
  AboutDialog about(info);
  return about.DoModal(GetMainNib(), L"IDD_ABOUT", GetWindowRef(), 0) >= 0;
}

bool MainWindow::ShowPreferences() {
  PreferencesDialog dialog(AppPreferences::Instance());
  return dialog.DoModal(GetMainNib(), L"IDD_PREFS", GetWindowRef(), 2003) == static_cast<int>(ui::kResultOk);
}
