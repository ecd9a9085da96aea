// Labels: bound from an interface file or created in code for property panels.
#pragma once

#include "ui/DialogControl.h"

class StaticText : public DialogControl {
 public:
  // A label is never a field the owner fills: it always counts as empty.
  bool IsEmpty() const override { return true; }
  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& text) override;
  int DefaultHeight() const override { return 16; }
  bool SetText(const WideString& text, bool redraw);
  bool SetInt(int value, bool redraw);
  bool SetTextById(int stringNumber, bool redraw);
  bool Clear(bool redraw) { return SetText(WideString(), redraw); }
  WideString GetText() const;
};
