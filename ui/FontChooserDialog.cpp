#include "ui/FontChooserDialog.h"

#include <algorithm>
#include <cwctype>

#include "host/FontFaces.h"
#include "host/ui/Control.h"
#include "host/ui/DataBrowser.h"
#include "host/ui/Window.h"
#include "ui/NibReference.h"

namespace {

constexpr uint32_t Code(const char (&c)[5]) {
  return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
         uint32_t(uint8_t(c[3]));
}

constexpr uint32_t kOk = Code("ok  "), kCancel = Code("not!"), kApply = Code("aply");
constexpr wchar_t kWindowName[] = L"IDD_FONT_CHOOSER";

// How a control follows a change of the window's size.
enum Follow : unsigned { kMoveRight = 1, kMoveDown = 2, kGrowWidth = 4, kGrowHeight = 8 };

FontChooserResponder g_responder;

bool SameName(const WideString& a, const WideString& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(wint_t(x)) == std::towlower(wint_t(y));
         });
}

// Makes the row the list's only selected row (which tells the list's slots).
void SelectOnly(ListView& list, int row) {
  const int current = list.GetSelectedRow();
  if (current == row) return;
  if (current >= 0) list.SetRowSelected(current, false);
  list.SetRowSelected(row, true);
}

}  // namespace

void SetFontChooserResponder(FontChooserResponder responder) { g_responder = std::move(responder); }

FontChooserDialog::FontChooserDialog() = default;

// The lists' slots call into this object: they go before the window and the lists do.
FontChooserDialog::~FontChooserDialog() {
  familyList_.SelectionSignal().DisconnectAll();
  typefaceList_.SelectionSignal().DisconnectAll();
  sizeList_.SelectionSignal().DisconnectAll();
}

int FontChooserDialog::Run(PlatformFont& font, WindowRef parent, const UiRect* rect) {
  if (rect != nullptr) rect_ = *rect;
  if (g_responder) return int(g_responder(font));
  font_ = &font;
  if (!CreateModeless(GetMainNib(), kWindowName, parent, 0)) {
    Destroy();
    return -1;
  }
  SetTitle(L"Font");
  SelectFont(font);
  if (rect != nullptr) {
    MoveTo(rect->left, rect->top);
    SetSize(rect->Width(), rect->Height());
    if (window_) window_->FlushBoundsChange();
  }
  return RunModal();
}

bool FontChooserDialog::OnInitDialog() {
  struct Binding {
    const char (&signature)[5];
    DialogControl& control;
    unsigned follow;
  };
  const Binding bindings[] = {
      {"ok  ", ok_, kMoveRight},
      {"aply", apply_, kMoveRight},
      {"not!", cancel_, kMoveRight},
      {"tFnt", familyLabel_, 0},
      {"eFnt", familyField_, kGrowWidth},
      {"lFnt", familyList_, kGrowWidth | kGrowHeight},
      {"tSiz", typefaceLabel_, kMoveRight},
      {"eStl", typefaceField_, kMoveRight},
      {"lStl", typefaceList_, kMoveRight | kGrowHeight},
      {"tStl", sizeLabel_, kMoveRight},
      {"eSiz", sizeField_, kMoveRight},
      {"lSiz", sizeList_, kMoveRight | kGrowHeight},
      {"tPrv", sample_, kMoveDown | kGrowWidth},
  };
  if (!GetSize(&initialWidth_, &initialHeight_)) return false;
  layout_.clear();
  for (const Binding& b : bindings) {
    if (!AttachControl(Code(b.signature), b.control)) return false;
    UiRect bounds;
    b.control.GetBounds(&bounds);
    layout_.push_back({&b.control, bounds, b.follow});
  }
  familyField_.Disable();
  typefaceField_.Disable();
  sizeField_.SetInputMode(EditTextField::kInteger);
  sizeField_.SetCommitNotifiesWindow(this);
  if (ControlRef c = sizeField_.GetControlRef()) c->SetMaxLength(4);

  ListView* lists[] = {&familyList_, &typefaceList_, &sizeList_};
  for (ListView* list : lists) {
    ListViewColumn column;
    column.flags = kListColumnHasWidth;
    column.width = list == &sizeList_ ? 82 : 300;
    list->AppendColumn(column);
    if (list->Browser() != nullptr) list->Browser()->SetHeaderVisible(false);
  }
  familyList_.SelectionSignal().Connect(this, &FontChooserDialog::OnFamilySelected);
  typefaceList_.SelectionSignal().Connect(this, &FontChooserDialog::OnStyleSelected);
  sizeList_.SelectionSignal().Connect(this, &FontChooserDialog::OnSizeSelected);

  families_ = ListFontFamilies();
  shownFamily_ = -1;
  std::vector<WideString> names;
  for (const FontFamilyEntry& f : families_) names.push_back(f.name);
  SetListRows(familyList_, names);
  std::vector<WideString> sizes;
  for (int size : kListedSizes) sizes.push_back(std::to_wstring(size));
  SetListRows(sizeList_, sizes);
  return true;
}

void FontChooserDialog::SetListRows(ListView& list, const std::vector<WideString>& rows) {
  list.RemoveAllRows();
  ListViewItem item;
  item.flags = kListItemText;
  for (const WideString& text : rows) {
    item.row = list.GetRowCount();
    item.text = text;
    list.InsertRow(item);
  }
}

void FontChooserDialog::OnFamilySelected(ListViewItem* item) {
  // A selection of a row that is gone changes nothing.
  if (item == nullptr || item->row < 0 || size_t(item->row) >= families_.size()) return;
  const FontFamilyEntry& family = families_[size_t(item->row)];
  shownFamily_ = item->row;
  familyField_.SetText(family.name, true);
  std::vector<WideString> typefaces;
  for (const FontStyleEntry& t : family.typefaces) typefaces.push_back(t.name);
  if (typefaces.empty()) typefaces.push_back(L"Regular");
  SetListRows(typefaceList_, typefaces);
  SelectOnly(typefaceList_, 0);
  ShowSample();
}

void FontChooserDialog::OnStyleSelected(ListViewItem* item) {
  if (item == nullptr) return;
  ListViewItem cell;
  cell.flags = kListItemText;
  cell.row = item->row;
  if (!typefaceList_.GetCell(cell)) return;
  typefaceField_.SetText(cell.text, true);
  ShowSample();
}

void FontChooserDialog::OnSizeSelected(ListViewItem* item) {
  if (item == nullptr) return;
  ListViewItem cell;
  cell.flags = kListItemText;
  cell.row = item->row;
  if (!sizeList_.GetCell(cell)) return;
  sizeField_.SetText(cell.text, true);
  ShowSample();
}

void FontChooserDialog::SelectFont(const PlatformFont& font) {
  // A generic name ("Sans") stands for the family it is configured to be.
  WideString other;
  if (auto face = font.GetFace()) other = Utf8ToWide(face->FamilyName());
  int row = -1;
  for (size_t i = 0; i < families_.size() && row < 0; ++i) {
    if (SameName(families_[i].name, font.GetName())) row = int(i);
  }
  for (size_t i = 0; i < families_.size() && row < 0 && !other.empty(); ++i) {
    if (SameName(families_[i].name, other)) row = int(i);
  }
  if (row >= 0) {
    SelectOnly(familyList_, row);
    const auto& typefaces = families_[size_t(row)].typefaces;
    const uint16_t wanted = font.GetStyleBits() & (PlatformFont::kBold | PlatformFont::kItalic);
    for (size_t j = 0; j < typefaces.size(); ++j) {
      if (typefaces[j].style == wanted) {
        SelectOnly(typefaceList_, int(j));
        break;
      }
    }
  }
  SelectSize(font.GetSize());
}

void FontChooserDialog::SelectSize(int size) {
  int row = -1;
  for (size_t i = 0; i < std::size(kListedSizes); ++i) {
    if (kListedSizes[i] == size) row = int(i);
  }
  if (row >= 0) {
    SelectOnly(sizeList_, row);
  } else {
    const int current = sizeList_.GetSelectedRow();
    if (current >= 0) sizeList_.SetRowSelected(current, false);
    sizeField_.SetInt(size, true);
    ShowSample();
  }
}

void FontChooserDialog::ApplyToFont(PlatformFont& font) {
  uint16_t style = 0;
  const int row = familyList_.GetSelectedRow();
  if (row >= 0 && size_t(row) < families_.size()) {
    const FontFamilyEntry& family = families_[size_t(row)];
    font.SetFontByName(family.name);
    const int t = typefaceList_.GetSelectedRow();
    if (t >= 0 && size_t(t) < family.typefaces.size()) style = family.typefaces[size_t(t)].style;
  }
  font.SetStyleBits(style);
  // An empty field or a size of 0 would leave a font nothing can be measured with.
  const int size = sizeField_.GetInt();
  if (size >= 1) font.SetSize(size);
}

void FontChooserDialog::ShowSample() {
  PlatformFont shown;
  if (font_ != nullptr) shown = *font_;
  ApplyToFont(shown);
  const int size = std::clamp(int(shown.GetSize()), 1, kLargestSampleSize);
  if (ControlRef c = sample_.GetControlRef()) c->SetTextFont(shown.GetName(), size, shown.IsBold(), shown.IsItalic());
}

bool FontChooserDialog::OnClose() {
  GetContentBounds(&rect_);
  // Closed by its window's close box: as Cancel.
  if (modal_ && result_ == -1) result_ = int(kCancel);
  return DialogWindow::OnClose();
}

bool FontChooserDialog::OnCommand(uint32_t command, UiEvent&) {
  if (command == kCancel) return EndDialog(int(kCancel));
  if (command == kOk) {
    if (font_ != nullptr) ApplyToFont(*font_);
    return EndDialog(int(kOk));
  }
  if (command == kApply) {
    if (font_ != nullptr) ApplyToFont(*font_);
    return true;
  }
  return false;
}

bool FontChooserDialog::OnSize(int width, int height) {
  // The controls follow a shrink of at most 100 pixels either way.
  const int dx = std::max(width - initialWidth_, -100);
  const int dy = std::max(height - initialHeight_, -100);
  for (const Placed& p : layout_) {
    const UiRect& b = p.bounds;
    const int x = b.left + ((p.follow & kMoveRight) ? dx : 0);
    const int y = b.top + ((p.follow & kMoveDown) ? dy : 0);
    p.control->Move(x, y);
    p.control->Resize(b.Width() + ((p.follow & kGrowWidth) ? dx : 0), b.Height() + ((p.follow & kGrowHeight) ? dy : 0));
  }
  return true;
}

bool FontChooserDialog::OnControlChange(ControlRef hit, ControlRef previous) {
  // The size typed into its field (committed with Return or Tab).
  if (hit == nullptr && previous == sizeField_.GetControlRef()) {
    const int current = sizeList_.GetSelectedRow();
    const int typed = sizeField_.GetInt();
    if (current >= 0 && kListedSizes[current] != typed) sizeList_.SetRowSelected(current, false);
    ShowSample();
    return true;
  }
  return false;
}
