// The Imports page: the movies and pictures the preloader imports.
#pragma once

#include "app/TabPage.h"

class ImportsPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool Commit() { return true; }
  void Refresh() {}
};
