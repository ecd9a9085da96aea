// The Message page: the load messages and their text effects.
#pragma once

#include "app/TabPage.h"

class MessagePage : public TabPage {
 public:
  using TabPage::TabPage;
  bool Commit() { return true; }
  void Refresh() {}
};
