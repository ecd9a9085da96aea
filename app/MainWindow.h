// The program's document window, "IDD_MAIN_DIALOG": the tab pages, the menu commands, the
// window's place kept in the preferences. The commands that reach the application come here
// (Application::SetMainWindow).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/WideString.h"
#include "ui/DialogWindow.h"
#include "ui/TabControl.h"

class MainWindow : public DialogWindow {
 public:
  MainWindow();
  ~MainWindow() override;

  // Makes the window from the bundle's interface files (hidden); false when it can't be made.
  bool Create();

  bool OnInitDialog() override;
  bool OnClose() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // A document handed to the program (its command line, the desktop, a second start).
  bool OnOpenDocument(const WideString& path) override;

  // Copies the window's place into the preferences and ends the event loop. True.
  bool OnQuit();
  bool ShowAbout();
  bool ShowPreferences();

  // The documents handed to the window, in order.
  const std::vector<WideString>& OpenedDocuments() const { return opened_; }

 private:
  TabControl tabs_;
  std::vector<DialogWindow*> panes_;
  std::vector<WideString> opened_;
};
