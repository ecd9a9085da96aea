#include "app/TabPage.h"

#include <algorithm>
#include <string>

#include "platform/TextConversions.h"
#include "ui/EditTextField.h"
#include "ui/ListView.h"

void TabPage::PrepareFields(std::initializer_list<FieldMode> fields) {
  for (const FieldMode& f : fields) {
    f.field->SetInputMode(f.mode);
    f.field->SetCommitNotifiesWindow(this);
  }
}

WideString FirstTextLine(const WideString& text) {
  size_t start = text.find_first_not_of(L"\r\n");
  if (start == WideString::npos) return WideString();
  const size_t end = text.find_first_of(L"\r\n", start);
  const size_t length = (end == WideString::npos ? text.size() : end) - start;
  return text.substr(start, std::min<size_t>(length, 255));
}

WideString StartCellText(int32_t startType, int32_t milliseconds, int32_t percent) {
  if (startType == kStartPercent) return Utf8ToWide(std::to_string(percent)) + L"%";
  wchar_t code[64];
  FormatTimeCode(milliseconds, code, sizeof code / sizeof code[0]);
  return code;
}

void FillListRows(ListView& list, int count, const std::function<std::vector<WideString>(int row)>& cells) {
  list.RemoveAllRows();
  for (int row = 0; row < count; ++row) {
    ListViewItem cell;
    cell.flags = kListItemText;
    cell.row = row;
    const std::vector<WideString> texts = cells(row);
    for (size_t column = 0; column < texts.size(); ++column) {
      cell.column = static_cast<int>(column);
      cell.text = texts[column];
      if (column == 0) {
        list.InsertRow(cell);
      } else {
        list.SetCell(cell);
      }
    }
  }
}

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

void AlignmentButtons::SetIcons(int firstIcon, const uint32_t (&keys)[6]) const {
  for (int i = 0; i < 3; ++i) across[i]->SetIconFromResource(firstIcon + i, keys[i]);
  for (int i = 0; i < 3; ++i) down[i]->SetIconFromResource(firstIcon + 3 + i, keys[3 + i]);
}
