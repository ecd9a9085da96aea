// The base of the five pages of the main window's tab control. Each page lives in a pane of
// the main window, stores its controls into the project (Commit; false when a value was
// refused and the page has said why) and shows the project in its controls (Refresh). Every
// edit a page makes to the project runs as one EditTransaction.
#pragma once

#include "ui/DialogWindow.h"

class MainWindow;
class PreloaderData;

class TabPage : public DialogWindow {
 public:
  TabPage(MainWindow& window, PreloaderData& project) : main_(window), project_(project) {}

 protected:
  MainWindow& main_;
  PreloaderData& project_;
};
