#include "app/ProgressPage.h"

#include <cwchar>
#include <optional>

#include "app/AppPreferences.h"
#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "media/FontCollection.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectTypes.h"
#include "ui/MessageBox.h"

namespace {

using host::ui::FourCC;

constexpr int kRangeHeading = 10001;
constexpr int kXText = 141, kYText = 142, kAlphaText = 143, kLeadingText = 144;

struct Placeholder {
  const wchar_t* name;
  const wchar_t* sample;
};

// Tried in this order at every '%'.
constexpr Placeholder kPlaceholders[] = {
    {L"%percent", L"100"},     {L"%bytes", L"250"},  {L"%kbytes", L"300.2"},    {L"%totalbytes", L"800"},
    {L"%totalkbytes", L"900"}, {L"%frames", L"120"}, {L"%totalframes", L"220"}, {L"%%", L"%"},
};

// An angle as its fields show it.
WideString AngleText(double degrees) {
  wchar_t text[64];
  std::swprintf(text, 64, L"%.1f", degrees);
  return text;
}

FontSpec SpecOf(const PlatformFont& font) {
  FontSpec spec;
  static_cast<PlatformFont&>(spec) = font;
  return spec;
}

}  // namespace

WideString RenderProgressFormatExample(const WideString& text) {
  WideString out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'%') {
      out += text[i++];
      continue;
    }
    bool matched = false;
    for (const Placeholder& p : kPlaceholders) {
      const std::wstring_view name(p.name);
      if (text.compare(i, name.size(), name) == 0) {
        out += p.sample;
        i += name.size();
        matched = true;
        break;
      }
    }
    if (!matched) ++i;  // a lone '%' is dropped
  }
  return out;
}

ProgressPage::ProgressPage(MainWindow& window, PreloaderData& project) : TabPage(window, project) {}

ProgressPage::~ProgressPage() = default;

bool ProgressPage::OnInitDialog() {
  AttachControl(FourCC("lPrg"), list_);
  AttachControl(FourCC("bAdd"), add_);
  AttachControl(FourCC("bRem"), remove_);
  AttachControl(FourCC("mPfm"), format_);
  AttachControl(FourCC("ePfm"), text_);
  AttachControl(FourCC("bPfo"), font_);
  AttachControl(FourCC("bPco"), color_);
  AttachControl(FourCC("ePal"), alpha_);
  AttachControl(FourCC("ePtx"), x_);
  AttachControl(FourCC("ePty"), y_);
  AttachControl(FourCC("cPad"), alignToDoc_);
  AttachControl(FourCC("bPal"), left_);
  AttachControl(FourCC("bPac"), center_);
  AttachControl(FourCC("bPar"), right_);
  AttachControl(FourCC("bPat"), top_);
  AttachControl(FourCC("bPam"), middle_);
  AttachControl(FourCC("bPab"), bottom_);
  AttachControl(FourCC("ePle"), leading_);
  AttachControl(FourCC("rRot"), rotate_);
  AttachControl(FourCC("rSkw"), skew_);
  AttachControl(FourCC("eRot"), rotation_);
  AttachControl(FourCC("eSk0"), skew0_);
  AttachControl(FourCC("eSk1"), skew1_);

  PrepareFields({{&text_, EditTextField::kAnything},
                 {&alpha_, EditTextField::kInteger},
                 {&x_, EditTextField::kSignedInteger},
                 {&y_, EditTextField::kSignedInteger},
                 {&leading_, EditTextField::kInteger},
                 {&rotation_, EditTextField::kSignedReal},
                 {&skew0_, EditTextField::kSignedReal},
                 {&skew1_, EditTextField::kSignedReal}});
  Alignment().SetIcons(
      3000, {FourCC("iLfp"), FourCC("iHcp"), FourCC("iRtp"), FourCC("iTpp"), FourCC("iVcp"), FourCC("iBtp")});

  font_.SetChangeCallback(&ProgressPage::OnFontChosen, this);
  FillProgressFormatTemplates();
  ListViewColumn column;
  column.flags = kListColumnHasTitle | kListColumnHasWidth;
  column.width = 400;
  column.title = L"Format";
  list_.AppendColumn(column);
  column.width = 300;
  column.title = L"Example";
  list_.AppendColumn(column);
  list_.SelectionSignal().Connect(this, &ProgressPage::OnListSelection);
  Reset();
  return true;
}

void ProgressPage::FillProgressFormatTemplates() {
  templates_ = {{L"", L"Custom"},
                {L"%percent%%", L"100%"},
                {L"%percent percent", L"100 percent"},
                {L"%kbytes / %totalkbytes kb", L"0 / 250 kb"},
                {L"%bytes / %totalbytes bytes", L"0 / 1024 bytes"},
                {L"%frames / %totalframes frames", L"0 / 200 frames"}};
  format_.RemoveAllItems();
  for (const ProgressFormatTemplate& t : templates_) format_.AppendItem(t.example);
}

// --- showing ---

bool ProgressPage::Refresh() {
  ClearSelection();
  FillList();
  SelectRow(project_.GetProgressMessageSelection());
  OnSelectionChanged(false);
  return true;
}

void ProgressPage::FillList() {
  const int selected = list_.GetSelectedRow();
  filling_ = true;
  FillListRows(list_, project_.GetProgressMessageCount(), [this](int i) -> std::vector<WideString> {
    const WideString line = FirstTextLine(project_.GetProgressMessage(i)->GetText());
    return {line, RenderProgressFormatExample(line).substr(0, 255)};
  });
  filling_ = false;
  SelectRow(selected);
}

void ProgressPage::SelectRow(int row) {
  const bool was = filling_;
  filling_ = true;
  for (int n = 0, selected = list_.GetSelectedRow(); selected >= 0 && n < list_.GetRowCount();
       ++n, selected = list_.GetSelectedRow()) {
    list_.SetRowSelected(selected, false);
  }
  if (row >= 0 && row < list_.GetRowCount()) list_.SetRowSelected(row, true);
  filling_ = was;
}

void ProgressPage::MatchFormatTemplate(const WideString* text) {
  if (text == nullptr) return;
  for (size_t i = 1; i < templates_.size(); ++i) {
    if (templates_[i].format == *text) {
      format_.SelectItem(static_cast<int>(i));
      text_.Disable();
      return;
    }
  }
  format_.SelectItem(0);
  text_.Enable(true);
}

void ProgressPage::ShowPlace() {
  x_.SetInt(selection_->GetX(), true);
  y_.SetInt(selection_->GetY(), true);
}

void ProgressPage::ShowRotation() {
  skew0_.SetText(AngleText(selection_->GetSkew0()), true);
  skew1_.SetText(AngleText(selection_->GetSkew1()), true);
  rotation_.SetText(AngleText(selection_->GetSkew0()), true);
}

void ProgressPage::ShowMessage(ProgressMessage* message) {
  StoreSelection();
  if (message == nullptr) {
    Reset();
    return;
  }
  selection_ = message;
  const WideString text = message->GetText();
  text_.SetText(text, true);
  ShowPlace();
  alignToDoc_.SetChecked(message->GetAlignToDoc(), true);
  const int32_t h = message->GetHAlign(), v = message->GetVAlign();
  Alignment().Show(h, v);
  ShowRotation();
  const bool skew = message->GetRotateType() == kRotateSkew;
  skew_.SetSelected(skew, true);
  rotate_.SetSelected(!skew, true);
  alpha_.SetInt(message->GetAlpha(), true);
  leading_.SetInt(message->GetLeading(), true);
  font_.SetPlatformFont(message->GetFont(), true);
  color_.SetColor(message->GetColor(), true);
  SetEditing(true);
  MatchFormatTemplate(&text);
}

void ProgressPage::SetEditing(bool on) {
  DialogControl* plain[] = {&format_, &text_,   &font_,   &color_,      &alpha_,   &left_,   &center_, &right_,
                            &top_,    &middle_, &bottom_, &alignToDoc_, &leading_, &rotate_, &skew_};
  for (DialogControl* c : plain) c->Enable(on);
  x_.Enable(on && !alignToDoc_.IsChecked());
  y_.Enable(on && !alignToDoc_.IsChecked());
  rotation_.Enable(on && rotate_.IsSelected());
  skew0_.Enable(on && skew_.IsSelected());
  skew1_.Enable(on && skew_.IsSelected());
}

void ProgressPage::ClearSelection() {
  selection_ = nullptr;
  for (EditTextField* f : {&text_, &alpha_, &x_, &y_, &leading_, &rotation_, &skew0_, &skew1_}) f->Clear(true);
  color_.SetColor(0, true);
  SetEditing(false);
}

void ProgressPage::Reset() {
  selection_ = nullptr;
  filling_ = true;
  list_.RemoveAllRows();
  filling_ = false;
  ClearSelection();
}

// --- storing ---

void ProgressPage::Refuse(int detail, int minimum, int maximum, EditTextField& field) {
  ui::ShowErrorBoxById(GetWindowRef(), kRangeHeading, detail,
                       {static_cast<long long>(minimum), static_cast<long long>(maximum)});
  if (ControlRef c = field.GetControlRef()) c->Focus();
}

bool ProgressPage::StoreSelection() {
  ProgressMessage* m = selection_;
  if (m == nullptr) return true;
  m->SetText(text_.GetTextString());
  if (!m->SetX(x_.GetInt())) {
    Refuse(kXText, ProgressMessage::GetXMin(), ProgressMessage::GetXMax(), x_);
    return false;
  }
  if (!m->SetY(y_.GetInt())) {
    Refuse(kYText, ProgressMessage::GetYMin(), ProgressMessage::GetYMax(), y_);
    return false;
  }
  if (!m->SetLeading(leading_.GetInt())) {
    Refuse(kLeadingText, ProgressMessage::GetLeadingMin(), ProgressMessage::GetLeadingMax(), leading_);
    return false;
  }
  m->SetFont(SpecOf(font_.GetPlatformFont()));
  m->SetColor(color_.GetColor());
  if (!m->SetAlpha(alpha_.GetInt())) {
    Refuse(kAlphaText, ProgressMessage::GetAlphaMin(), ProgressMessage::GetAlphaMax(), alpha_);
    return false;
  }
  m->SetHAlign(Alignment().ChosenHAlign());
  m->SetVAlign(Alignment().ChosenVAlign());
  m->SetAlignToDoc(alignToDoc_.IsChecked());
  // The angles are shown to one decimal: a field left as shown keeps the exact stored angle.
  if (rotate_.IsSelected()) {
    if (rotation_.GetTextString() != AngleText(m->GetSkew0())) m->SetSkew(rotation_.GetReal());
    m->SetRotateType(kRotateNormal);
  } else if (skew_.IsSelected()) {
    if (skew0_.GetTextString() != AngleText(m->GetSkew0())) m->SetSkew0(skew0_.GetReal());
    if (skew1_.GetTextString() != AngleText(m->GetSkew1())) m->SetSkew1(skew1_.GetReal());
    m->SetRotateType(kRotateSkew);
  } else {
    m->SetRotateType(kRotateNormal);
  }
  return true;
}

// --- the user's edits ---

void ProgressPage::OnListSelection(ListViewItem*) {
  if (!filling_) OnSelectionChanged(true);
}

void ProgressPage::OnSelectionChanged(bool userEdit) {
  WaitCursor wait;
  std::optional<EditTransaction> edit;
  if (userEdit) edit.emplace(main_, project_);
  const int row = list_.GetSelectedRow();
  project_.SelectProgressMessage(row);
  if (ProgressMessage* message = project_.GetProgressMessage(row)) {
    ShowMessage(message);
  } else {
    StoreSelection();
    ClearSelection();
  }
}

void ProgressPage::AddMessage() {
  EditTransaction edit(main_, project_);
  // Stored once: a refused value is told once, and the add goes on.
  StoreSelection();
  selection_ = nullptr;
  auto* message = new ProgressMessage;
  message->SetText(L"%percent%%");
  message->SetFont(SpecOf(AppPreferences::Instance().defaultFont));
  message->AlignToDocument(project_);
  const int row = project_.InsertProgressMessage(message, project_.GetProgressMessageCount());
  FillList();
  SelectRow(row);
  OnSelectionChanged(false);
}

void ProgressPage::RemoveMessage() {
  const int row = list_.GetSelectedRow();
  if (row < 0) return;
  EditTransaction edit(main_, project_);
  // The message goes with the row: nothing may point at it afterwards.
  ProgressMessage* const shown = selection_;
  selection_ = nullptr;
  if (!project_.DeleteProgressMessage(row)) {
    selection_ = shown;
    return;
  }
  FillList();
  SelectRow(row > 0 ? row - 1 : 0);
  OnSelectionChanged(false);
}

void ProgressPage::OnFontChosen(const PlatformFont& font, void* page) {
  auto* self = static_cast<ProgressPage*>(page);
  if (self->selection_ == nullptr) return;
  EditTransaction edit(self->main_, self->project_);
  self->selection_->SetFont(SpecOf(font));
}

bool ProgressPage::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command == FourCC("bAdd")) {
    AddMessage();
    return true;
  }
  if (command == FourCC("bRem")) {
    RemoveMessage();
    return true;
  }
  if (command == FourCC("lPrg")) return true;
  const bool choice = command == FourCC("bPco") || command == FourCC("cPad") || command == FourCC("mPfm") ||
                      command == FourCC("rRot") || command == FourCC("rSkw") || command == FourCC("bPal") ||
                      command == FourCC("bPac") || command == FourCC("bPar") || command == FourCC("bPat") ||
                      command == FourCC("bPam") || command == FourCC("bPab");
  if (!choice) return false;
  ProgressMessage* m = selection_;
  if (m == nullptr) return true;
  EditTransaction edit(main_, project_);
  if (command == FourCC("mPfm")) {
    const int index = format_.GetSelectedItem();
    // A popup with no entry chosen changes nothing.
    if (index < 0 || static_cast<size_t>(index) >= templates_.size()) return true;
    if (index > 0) text_.SetText(templates_[static_cast<size_t>(index)].format, true);
    text_.Enable(index == 0);
    StoreSelection();
    FillList();
  } else if (command == FourCC("bPco")) {
    m->SetColor(color_.GetColor());
  } else if (command == FourCC("rRot") || command == FourCC("rSkw")) {
    const bool skew = command == FourCC("rSkw");
    skew_.SetSelected(skew, true);
    rotate_.SetSelected(!skew, true);
    rotation_.Enable(!skew);
    skew0_.Enable(skew);
    skew1_.Enable(skew);
    m->SetRotateType(skew ? kRotateSkew : kRotateNormal);
  } else if (command == FourCC("cPad")) {
    const bool on = alignToDoc_.IsChecked();
    m->SetAlignToDoc(on);
    const int32_t before = PeekModificationCount();
    m->AlignToDocument(project_);
    x_.Enable(!on);
    y_.Enable(!on);
    if (PeekModificationCount() != before) ShowPlace();
  } else {
    RadioButton* horizontal[] = {&left_, &center_, &right_};
    RadioButton* vertical[] = {&top_, &middle_, &bottom_};
    const uint32_t hs[] = {FourCC("bPal"), FourCC("bPac"), FourCC("bPar")};
    const uint32_t vs[] = {FourCC("bPat"), FourCC("bPam"), FourCC("bPab")};
    for (int i = 0; i < 3; ++i) {
      if (command == hs[i]) {
        for (int j = 0; j < 3; ++j) horizontal[j]->SetSelected(i == j, true);
        m->SetHAlign(static_cast<HAlign>(i));
      } else if (command == vs[i]) {
        for (int j = 0; j < 3; ++j) vertical[j]->SetSelected(i == j, true);
        m->SetVAlign(static_cast<VAlign>(i));
      }
    }
    const int32_t before = PeekModificationCount();
    m->AlignToDocument(project_);
    if (PeekModificationCount() != before) ShowPlace();
  }
  return true;
}

bool ProgressPage::OnControlChange(ControlRef hit, ControlRef previous) {
  (void)hit;
  ProgressMessage* m = selection_;
  if (m == nullptr || previous == nullptr) return false;
  struct Checked {
    EditTextField* field;
    bool (ProgressMessage::*set)(int32_t);
    int32_t (ProgressMessage::*get)() const;
    int detail, minimum, maximum;
  };
  const Checked checked[] = {
      {&x_, &ProgressMessage::SetX, &ProgressMessage::GetX, kXText, ProgressMessage::GetXMin(),
       ProgressMessage::GetXMax()},
      {&y_, &ProgressMessage::SetY, &ProgressMessage::GetY, kYText, ProgressMessage::GetYMin(),
       ProgressMessage::GetYMax()},
      {&leading_, &ProgressMessage::SetLeading, &ProgressMessage::GetLeading, kLeadingText,
       ProgressMessage::GetLeadingMin(), ProgressMessage::GetLeadingMax()},
      {&alpha_, &ProgressMessage::SetAlpha, &ProgressMessage::GetAlpha, kAlphaText, ProgressMessage::GetAlphaMin(),
       ProgressMessage::GetAlphaMax()},
  };
  if (previous == text_.GetControlRef()) {
    EditTransaction edit(main_, project_);
    m->SetText(text_.GetTextString());
    FillList();
    return true;
  }
  for (const Checked& c : checked) {
    if (previous != c.field->GetControlRef()) continue;
    EditTransaction edit(main_, project_);
    if (!(m->*c.set)(c.field->GetInt())) {
      Refuse(c.detail, c.minimum, c.maximum, *c.field);
      c.field->SetInt((m->*c.get)(), true);
    }
    return true;
  }
  if (previous == rotation_.GetControlRef()) {
    EditTransaction edit(main_, project_);
    if (rotation_.GetTextString() != AngleText(m->GetSkew0())) m->SetSkew(rotation_.GetReal());
    return true;
  }
  if (previous == skew0_.GetControlRef()) {
    EditTransaction edit(main_, project_);
    if (skew0_.GetTextString() != AngleText(m->GetSkew0())) m->SetSkew0(skew0_.GetReal());
    return true;
  }
  if (previous == skew1_.GetControlRef()) {
    EditTransaction edit(main_, project_);
    if (skew1_.GetTextString() != AngleText(m->GetSkew1())) m->SetSkew1(skew1_.GetReal());
    return true;
  }
  return false;
}
