#include "app/TabPage.h"

void AlignmentButtons::Show(int32_t h, int32_t v) const {
  across[0]->SetSelected(h != kHAlignCenter && h != kHAlignRight, true);
  across[1]->SetSelected(h == kHAlignCenter, true);
  across[2]->SetSelected(h == kHAlignRight, true);
  down[0]->SetSelected(v != kVAlignCenter && v != kVAlignBottom, true);
  down[1]->SetSelected(v == kVAlignCenter, true);
  down[2]->SetSelected(v == kVAlignBottom, true);
}

HAlign AlignmentButtons::ChosenHAlign() const {
  return across[1]->IsSelected() ? kHAlignCenter : across[2]->IsSelected() ? kHAlignRight : kHAlignLeft;
}

VAlign AlignmentButtons::ChosenVAlign() const {
  return down[1]->IsSelected() ? kVAlignCenter : down[2]->IsSelected() ? kVAlignBottom : kVAlignTop;
}
