// The Display page: the chosen display and its settings.
#pragma once

#include "app/TabPage.h"

class PreloaderDisplay;

class DisplayPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool CommitToProject() { return true; }
  void RefreshFromProject() {}
  // Forgets the shown display.
  void Reset() { shown_ = nullptr; }
  // Makes the type the project's enabled display in one edit (null: no display), then
  // shows it.
  void SelectDisplay(PreloaderDisplay* display);
  PreloaderDisplay* GetShownDisplay() const { return shown_; }

 private:
  PreloaderDisplay* shown_ = nullptr;
};
