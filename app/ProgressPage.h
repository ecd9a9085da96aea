// The Progress page: the progress messages.
#pragma once

#include "app/TabPage.h"

class ProgressPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool Commit() { return true; }
  void Refresh() {}
};
