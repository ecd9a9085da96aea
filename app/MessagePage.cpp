#include "app/MessagePage.h"

#include <cmath>
#include <string>

#include "app/AppPreferences.h"
#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "platform/TextConversions.h"
#include "platform/WideTextBuffer.h"
#include "preloader/Messages.h"
#include "preloader/PreloaderData.h"
#include "preloader/TextEffect.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"
#include "ui/SecondsField.h"

namespace {

using host::ui::FourCC;

// Numbered texts: the heading of a refused value and the details, field by field.
constexpr int kRefusedHeading = 10001;
constexpr int kXText = 134, kYText = 135, kLeadingText = 136, kTrackingText = 137, kAlphaText = 138;
constexpr int kStartTimeText = 139, kEndTimeText = 140, kStartPercentText = 145, kEndPercentText = 146;

const wchar_t* const kNewTexts[] = {L"Loading", L"Please Wait", L"Just a moment"};

// The longest text the list shows of a message.

WideString Formatted(const wchar_t* format, double value) {
  WideTextBuffer text;
  if (!text.Format(format, value) || text.GetText() == nullptr) return {};
  return WideString(text.GetText());
}

WideString OneDecimal(double value) { return Formatted(L"%.1f", value); }

WideString Whole(int value) { return Utf8ToWide(std::to_string(value)); }

FontSpec SpecOf(const PlatformFont& font) {
  FontSpec spec;
  static_cast<PlatformFont&>(spec) = font;
  return spec;
}

}  // namespace

MessagePage::MessagePage(MainWindow& window, PreloaderData& project) : TabPage(window, project) {}

MessagePage::~MessagePage() = default;

bool MessagePage::OnInitDialog() {
  properties_.CreateModeless(GetMainNib(), L"IDD_FX_PROPERTIES", GetWindowRef(), kPropertiesNumber);
  properties_.Hide();

  AttachControl(FourCC("lMsg"), list_);
  AttachControl(FourCC("bAdd"), add_);
  AttachControl(FourCC("bRem"), remove_);
  AttachControl(FourCC("eTxt"), text_);
  AttachControl(FourCC("bFnt"), font_);
  AttachControl(FourCC("bFco"), color_);
  AttachControl(FourCC("eAlp"), alpha_);
  AttachControl(FourCC("eTxx"), x_);
  AttachControl(FourCC("eTxy"), y_);
  AttachControl(FourCC("cAld"), alignToDoc_);
  AttachControl(FourCC("bHal"), hLeft_);
  AttachControl(FourCC("bHac"), hCenter_);
  AttachControl(FourCC("bHar"), hRight_);
  AttachControl(FourCC("bVat"), vTop_);
  AttachControl(FourCC("bVac"), vCenter_);
  AttachControl(FourCC("bVab"), vBottom_);
  AttachControl(FourCC("eTrk"), tracking_);
  AttachControl(FourCC("eLed"), leading_);
  AttachControl(FourCC("mTfx"), effect_);
  AttachControl(FourCC("bTfx"), effectProperties_);
  AttachControl(FourCC("mStr"), startType_);
  AttachControl(FourCC("eStr"), start_);
  AttachControl(FourCC("sStr"), startUnit_);
  AttachControl(FourCC("mEnd"), endType_);
  AttachControl(FourCC("eEnd"), end_);
  AttachControl(FourCC("sEnd"), endUnit_);
  AttachControl(FourCC("rRot"), rotate_);
  AttachControl(FourCC("rSkw"), skew_);
  AttachControl(FourCC("eRot"), rotation_);
  AttachControl(FourCC("eSk0"), skew0_);
  AttachControl(FourCC("eSk1"), skew1_);

  PrepareFields({{&text_, EditTextField::kAnything},
                 {&alpha_, EditTextField::kInteger},
                 {&x_, EditTextField::kSignedInteger},
                 {&y_, EditTextField::kSignedInteger},
                 {&tracking_, EditTextField::kSignedInteger},
                 {&leading_, EditTextField::kSignedInteger},
                 {&start_, EditTextField::kReal},
                 {&end_, EditTextField::kReal},
                 {&rotation_, EditTextField::kAnything},
                 {&skew0_, EditTextField::kAnything},
                 {&skew1_, EditTextField::kAnything}});
  // Return and Enter also reach the text, which may run over several lines.
  text_.SetPassCommitKeys(true);
  font_.SetChangeCallback(&MessagePage::OnFontChosen, this);
  Alignment().SetIcons(
      3000, {FourCC("iLfl"), FourCC("iHcl"), FourCC("iRtl"), FourCC("iTpl"), FourCC("iVcl"), FourCC("iBtl")});

  FillEffectMenu();
  startType_.RemoveAllItems();
  startType_.AppendItem(L"Start at time");
  startType_.AppendItem(L"Start at percentage");
  endType_.RemoveAllItems();
  endType_.AppendItem(L"Show till done");
  endType_.AppendItem(L"Show for time");
  endType_.AppendItem(L"Show for percentage");

  ListViewColumn text;
  text.flags = kListColumnHasTitle | kListColumnHasWidth;
  text.width = 600;
  text.title = L"Text";
  list_.AppendColumn(text);
  ListViewColumn start = text;
  start.width = 180;
  start.title = L"Start Time";
  list_.AppendColumn(start);
  list_.SelectionSignal().Connect(this, &MessagePage::OnListSelection);

  Reset();
  startUnit_.Clear(true);
  endUnit_.Clear(true);
  return true;
}

// --- the page and the project ---

bool MessagePage::Commit() {
  properties_.ApplyPanel();
  return StoreAsEdit();
}

bool MessagePage::StoreAsEdit() {
  if (selection_ == nullptr) return true;
  EditTransaction edit(main_, project_);
  return StoreSelection();
}

void MessagePage::Refresh() {
  ClearSelection();
  FillList();
  const int row = project_.GetLoadMessageSelection();
  SelectRow(row);
  OnSelectionChanged();
}

void MessagePage::SelectRow(int row) {
  filling_ = true;
  for (int i = 0; i < list_.GetRowCount(); ++i)
    if (i != row) list_.SetRowSelected(i, false);
  if (row >= 0 && row < list_.GetRowCount()) list_.SetRowSelected(row, true);
  filling_ = false;
}

bool MessagePage::SelectionAlive() const {
  if (selection_ == nullptr) return false;
  for (int i = 0; i < project_.GetLoadMessageCount(); ++i)
    if (project_.GetLoadMessage(i) == selection_) return true;
  return false;
}

void MessagePage::FillList() {
  const int selected = list_.GetSelectedRow();
  filling_ = true;
  FillListRows(list_, project_.GetLoadMessageCount(), [this](int i) -> std::vector<WideString> {
    const LoadMessage* message = project_.GetLoadMessage(i);
    return {FirstTextLine(message->GetText()),
            StartCellText(message->GetStartType(), message->GetStartTime(), message->GetStartPercent())};
  });
  filling_ = false;
  SelectRow(selected);
}

void MessagePage::FillEffectMenu() {
  effect_.RemoveAllItems();
  const TextEffectLibrary& library = project_.GetTextEffectLibrary();
  for (int i = 0; i < library.GetCount(); ++i) effect_.AppendItem(library.Get(i)->GetName());
}

void MessagePage::SetEditing(bool on) {
  DialogControl* always[] = {&text_,    &font_,    &color_,   &alpha_,      &hLeft_,    &hCenter_,         &hRight_,
                             &vTop_,    &vCenter_, &vBottom_, &alignToDoc_, &tracking_, &leading_,         &startType_,
                             &endType_, &start_,   &rotate_,  &skew_,       &effect_,   &effectProperties_};
  for (DialogControl* c : always) c->Enable(on);
  font_.SetChooserEnabled(on);
  color_.SetPickerEnabled(on);
  x_.Enable(on && !alignToDoc_.IsChecked());
  y_.Enable(on && !alignToDoc_.IsChecked());
  end_.Enable(on && endType_.GetSelectedItem() > 0);
  rotation_.Enable(on && rotate_.IsSelected());
  skew0_.Enable(on && skew_.IsSelected());
  skew1_.Enable(on && skew_.IsSelected());
}

void MessagePage::ClearSelection() {
  selection_ = nullptr;
  for (EditTextField* f : {&text_, &alpha_, &x_, &y_, &tracking_, &leading_, &rotation_, &skew0_, &skew1_})
    f->Clear(true);
  color_.SetColor(0, true);
  SetEditing(false);
}

void MessagePage::Reset() {
  selection_ = nullptr;
  filling_ = true;
  list_.RemoveAllRows();
  filling_ = false;
  ClearSelection();
  effect_.SelectItem(0);
  startType_.SelectItem(0);
  endType_.SelectItem(0);
  textCounter_ = 0;
}

void MessagePage::OnListSelection(ListViewItem*) {
  if (filling_) return;
  OnSelectionChanged();
}

void MessagePage::OnSelectionChanged() {
  WaitCursor busy;
  const int row = list_.GetSelectedRow();
  project_.SelectLoadMessage(row);
  LoadMessage* message = project_.GetLoadMessage(row);
  if (message != nullptr) {
    ShowMessage(message);
    return;
  }
  StoreAsEdit();
  ClearSelection();
}

// --- showing a message ---

void MessagePage::Shown(EditTextField& field, const WideString& text) {
  field.SetText(text, true);
  // What the field holds may differ from the text (its own line breaks): what it read back
  // is what counts as unchanged.
  const WideString back = field.GetTextString();
  if (&field == &text_) shownText_ = back;
  if (&field == &start_) shownStart_ = back;
  if (&field == &end_) shownEnd_ = back;
  if (&field == &rotation_) shownRotation_ = back;
  if (&field == &skew0_) shownSkew0_ = back;
  if (&field == &skew1_) shownSkew1_ = back;
}

bool MessagePage::Edited(const EditTextField& field) const {
  const WideString now = field.GetTextString();
  if (&field == &text_) return now != shownText_;
  if (&field == &start_) return now != shownStart_;
  if (&field == &end_) return now != shownEnd_;
  if (&field == &rotation_) return now != shownRotation_;
  if (&field == &skew0_) return now != shownSkew0_;
  if (&field == &skew1_) return now != shownSkew1_;
  return true;
}

void MessagePage::ShowPosition() {
  x_.SetInt(selection_->GetX(), true);
  y_.SetInt(selection_->GetY(), true);
}

void MessagePage::ShowAlignment() {
  const int h = selection_->GetHAlign(), v = selection_->GetVAlign();
  Alignment().Show(h, v);
}

void MessagePage::ShowRotation() {
  Shown(skew0_, OneDecimal(selection_->GetSkew0()));
  Shown(skew1_, OneDecimal(selection_->GetSkew1()));
  Shown(rotation_, OneDecimal(selection_->GetSkew0()));
  const bool skewed = selection_->GetRotateType() == kRotateSkew;
  rotate_.SetSelected(!skewed, true);
  skew_.SetSelected(skewed, true);
  rotation_.Enable(!skewed);
  skew0_.Enable(skewed);
  skew1_.Enable(skewed);
}

void MessagePage::FillEndMenu(int startType) {
  endType_.RemoveAllItems();
  endType_.AppendItem(L"Show till done");
  endType_.AppendItem(startType == kStartTime ? L"Show for time" : L"Show for percentage");
}

void MessagePage::EnableEndField(bool on) {
  end_.Enable(on);
  if (on) {
    endUnit_.SetText(startType_.GetSelectedItem() == 0 ? L"seconds" : L"%", true);
  } else {
    Shown(end_, WideString());
    endUnit_.Clear(true);
  }
}

void MessagePage::ShowStartAndEnd() {
  const bool byTime = selection_->GetStartType() == kStartTime;
  startType_.SelectItem(byTime ? 0 : 1);
  FillEndMenu(selection_->GetStartType());
  startUnit_.SetText(byTime ? L"seconds" : L"%", true);
  Shown(start_, byTime ? MillisecondsAsSeconds(selection_->GetStartTime()) : Whole(selection_->GetStartPercent()));
  const int end = selection_->GetEndType();
  endType_.SelectItem(end == kEndDone ? 0 : 1);
  if (end == kEndDone) {
    EnableEndField(false);
    return;
  }
  EnableEndField(true);
  Shown(end_, end == kEndTime ? MillisecondsAsSeconds(selection_->GetEndTime()) : Whole(selection_->GetEndPercent()));
}

void MessagePage::ShowMessage(LoadMessage* message) {
  StoreAsEdit();
  if (message == nullptr) {
    Reset();
    return;
  }
  selection_ = message;
  Shown(text_, message->GetText());
  ShowPosition();
  alignToDoc_.SetChecked(message->GetAlignToDoc(), true);
  ShowAlignment();
  alpha_.SetInt(message->GetAlpha(), true);
  tracking_.SetInt(message->GetTracking(), true);
  leading_.SetInt(message->GetLeading(), true);
  font_.SetPlatformFont(message->GetFont(), true);
  color_.SetColor(message->GetColor(), true);
  ShowRotation();
  if (message->GetTextEffect() != nullptr) {
    const int index = project_.GetTextEffectLibrary().IndexOf(message->GetTextEffect()->GetName());
    if (index >= 0) effect_.SelectItem(index);
  }
  ShowStartAndEnd();
  SetEditing(true);
}

// --- storing ---

void MessagePage::Refuse(EditTextField& field, int detail, bool real, double low, double high) {
  if (real)
    ui::ShowErrorBoxById(GetWindowRef(), kRefusedHeading, detail, {low, high});
  else
    ui::ShowErrorBoxById(GetWindowRef(), kRefusedHeading, detail,
                         {static_cast<long long>(low), static_cast<long long>(high)});
  if (ControlRef c = field.GetControlRef()) c->Focus();
  if (selection_ == nullptr) return;
  if (&field == &x_) x_.SetInt(selection_->GetX(), true);
  if (&field == &y_) y_.SetInt(selection_->GetY(), true);
  if (&field == &leading_) leading_.SetInt(selection_->GetLeading(), true);
  if (&field == &tracking_) tracking_.SetInt(selection_->GetTracking(), true);
  if (&field == &alpha_) alpha_.SetInt(selection_->GetAlpha(), true);
  if (&field == &start_)
    Shown(start_, detail == kStartTimeText ? MillisecondsAsSeconds(selection_->GetStartTime())
                                           : Whole(selection_->GetStartPercent()));
  if (&field == &end_)
    Shown(end_, detail == kEndTimeText ? MillisecondsAsSeconds(selection_->GetEndTime())
                                       : Whole(selection_->GetEndPercent()));
}

bool MessagePage::StoreSelection() {
  if (selection_ == nullptr) return true;
  if (!SelectionAlive()) {
    selection_ = nullptr;
    return true;
  }
  LoadMessage& m = *selection_;
  if (Edited(text_)) {
    m.SetText(text_.GetTextString());
    shownText_ = text_.GetTextString();
  }
  if (!m.SetX(x_.GetInt())) return Refuse(x_, kXText, false, m.GetXMin(), m.GetXMax()), false;
  if (!m.SetY(y_.GetInt())) return Refuse(y_, kYText, false, m.GetYMin(), m.GetYMax()), false;
  if (!m.SetLeading(leading_.GetInt()))
    return Refuse(leading_, kLeadingText, false, m.GetLeadingMin(), m.GetLeadingMax()), false;
  if (!m.SetTracking(tracking_.GetInt()))
    return Refuse(tracking_, kTrackingText, false, m.GetTrackingMin(), m.GetTrackingMax()), false;
  m.SetFont(SpecOf(font_.GetPlatformFont()));
  m.SetColor(color_.GetColor());
  if (!m.SetAlpha(alpha_.GetInt())) return Refuse(alpha_, kAlphaText, false, m.GetAlphaMin(), m.GetAlphaMax()), false;
  m.SetHAlign(Alignment().ChosenHAlign());
  m.SetVAlign(Alignment().ChosenVAlign());
  m.SetAlignToDoc(alignToDoc_.IsChecked());
  const int startItem = startType_.GetSelectedItem();
  if (startItem >= 0) m.SetStartType(startItem == 0 ? kStartTime : kStartPercent);
  const bool byTime = m.GetStartType() == kStartTime;
  if (Edited(start_)) {
    if (byTime ? !m.SetStartTime(FieldMilliseconds(start_)) : !m.SetStartPercent(start_.GetInt())) {
      if (byTime)
        return Refuse(start_, kStartTimeText, true, m.GetStartTimeMin() / 1000.0, m.GetStartTimeMax() / 1000.0), false;
      return Refuse(start_, kStartPercentText, false, m.GetStartPercentMin(), m.GetStartPercentMax()), false;
    }
    shownStart_ = start_.GetTextString();
  }
  const int endItem = endType_.GetSelectedItem();
  if (endItem == 0) m.SetEndType(kEndDone);
  if (endItem == 1) {
    m.SetEndType(byTime ? kEndTime : kEndPercent);
    if (Edited(end_)) {
      if (byTime ? !m.SetEndTime(FieldMilliseconds(end_)) : !m.SetEndPercent(end_.GetInt())) {
        if (byTime)
          return Refuse(end_, kEndTimeText, true, m.GetEndTimeMin() / 1000.0, m.GetEndTimeMax() / 1000.0), false;
        return Refuse(end_, kEndPercentText, false, m.GetEndPercentMin(), m.GetEndPercentMax()), false;
      }
      shownEnd_ = end_.GetTextString();
    }
  }
  if (rotate_.IsSelected()) {
    if (Edited(rotation_)) m.SetSkew(rotation_.GetReal());
    m.SetRotateType(kRotateNormal);
  } else if (skew_.IsSelected()) {
    if (Edited(skew0_)) m.SetSkew0(skew0_.GetReal());
    if (Edited(skew1_)) m.SetSkew1(skew1_.GetReal());
    m.SetRotateType(kRotateSkew);
  } else {
    m.SetRotateType(kRotateNormal);
  }
  if (TextEffect* effect = project_.GetTextEffectLibrary().Get(effect_.GetSelectedItem())) m.SetTextEffect(effect);
  return true;
}

// --- commands ---

bool MessagePage::OnCommand(uint32_t command, UiEvent&) {
  if (command == FourCC("bAdd")) {
    AddMessage();
    return true;
  }
  if (command == FourCC("bRem")) {
    RemoveMessage();
    return true;
  }
  if (command == FourCC("bTfx")) {
    ShowEffectProperties();
    return true;
  }
  if (command == FourCC("lMsg")) return true;
  const bool choice = command == FourCC("mTfx") || command == FourCC("mStr") || command == FourCC("mEnd") ||
                      command == FourCC("cAld") || command == FourCC("bHal") || command == FourCC("bHac") ||
                      command == FourCC("bHar") || command == FourCC("bVat") || command == FourCC("bVac") ||
                      command == FourCC("bVab") || command == FourCC("rRot") || command == FourCC("rSkw") ||
                      command == FourCC("bFco");
  if (!choice) return false;
  if (selection_ == nullptr) return true;
  EditTransaction edit(main_, project_);
  LoadMessage& m = *selection_;
  if (command == FourCC("mTfx")) {
    // Nothing chosen (-1) changes nothing.
    if (TextEffect* effect = project_.GetTextEffectLibrary().Get(effect_.GetSelectedItem())) m.SetTextEffect(effect);
  } else if (command == FourCC("mStr")) {
    const int item = startType_.GetSelectedItem();
    if (item < 0) return true;
    FillEndMenu(item == 0 ? kStartTime : kStartPercent);
    startUnit_.SetText(item == 0 ? L"seconds" : L"%", true);
    m.SetStartType(item == 0 ? kStartTime : kStartPercent);
    // A value the user typed stays to be stored; one the page showed gives way to the
    // stored value of the new kind.
    if (!Edited(start_))
      Shown(start_, item == 0 ? MillisecondsAsSeconds(m.GetStartTime()) : Whole(m.GetStartPercent()));
    FillList();
    endType_.SelectItem(0);
    EnableEndField(false);
    m.SetEndType(kEndDone);
  } else if (command == FourCC("mEnd")) {
    const int item = endType_.GetSelectedItem();
    if (item < 0) return true;
    if (item == 0) {
      EnableEndField(false);
      m.SetEndType(kEndDone);
    } else {
      EnableEndField(true);
      const bool byTime = startType_.GetSelectedItem() == 0;
      m.SetEndType(byTime ? kEndTime : kEndPercent);
      if (!Edited(end_)) Shown(end_, byTime ? MillisecondsAsSeconds(m.GetEndTime()) : Whole(m.GetEndPercent()));
    }
  } else if (command == FourCC("rRot") || command == FourCC("rSkw")) {
    const bool skewed = command == FourCC("rSkw");
    rotate_.SetSelected(!skewed, true);
    skew_.SetSelected(skewed, true);
    rotation_.Enable(!skewed);
    skew0_.Enable(skewed);
    skew1_.Enable(skewed);
    m.SetRotateType(skewed ? kRotateSkew : kRotateNormal);
  } else if (command == FourCC("cAld")) {
    const int32_t before = project_.GetModificationCount(false);
    m.SetAlignToDoc(alignToDoc_.IsChecked());
    m.AlignToDocument(project_);
    x_.Enable(!alignToDoc_.IsChecked());
    y_.Enable(!alignToDoc_.IsChecked());
    if (project_.GetModificationCount(false) != before) ShowPosition();
  } else if (command == FourCC("bFco")) {
    m.SetColor(color_.GetColor());
  } else {
    Align(command);
  }
  return true;
}

void MessagePage::Align(uint32_t command) {
  LoadMessage& m = *selection_;
  const int32_t before = project_.GetModificationCount(false);
  if (command == FourCC("bHal") || command == FourCC("bHac") || command == FourCC("bHar")) {
    const HAlign h = command == FourCC("bHal") ? kHAlignLeft : command == FourCC("bHac") ? kHAlignCenter : kHAlignRight;
    hLeft_.SetSelected(h == kHAlignLeft, true);
    hCenter_.SetSelected(h == kHAlignCenter, true);
    hRight_.SetSelected(h == kHAlignRight, true);
    m.SetHAlign(h);
  } else {
    const VAlign v = command == FourCC("bVat") ? kVAlignTop : command == FourCC("bVac") ? kVAlignCenter : kVAlignBottom;
    vTop_.SetSelected(v == kVAlignTop, true);
    vCenter_.SetSelected(v == kVAlignCenter, true);
    vBottom_.SetSelected(v == kVAlignBottom, true);
    m.SetVAlign(v);
  }
  m.AlignToDocument(project_);
  if (project_.GetModificationCount(false) != before) ShowPosition();
}

void MessagePage::OnFontChosen(const PlatformFont& font, void* page) {
  auto* self = static_cast<MessagePage*>(page);
  if (self->selection_ == nullptr) return;
  EditTransaction edit(self->main_, self->project_);
  self->selection_->SetFont(SpecOf(font));
}

void MessagePage::AddMessage() {
  int row = 0;
  {
    EditTransaction edit(main_, project_);
    StoreSelection();
    auto message = std::make_unique<LoadMessage>();
    if (textCounter_ > 2) textCounter_ = 0;
    message->SetText(kNewTexts[textCounter_++]);
    message->SetFont(SpecOf(AppPreferences::Instance().defaultFont));
    message->AlignToDocument(project_);
    row = project_.InsertLoadMessage(message.release(), project_.GetLoadMessageCount());
    FillList();
  }
  SelectRow(row);
  OnSelectionChanged();
}

void MessagePage::RemoveMessage() {
  const int row = list_.GetSelectedRow();
  if (row < 0) return;
  {
    EditTransaction edit(main_, project_);
    if (!project_.DeleteLoadMessage(row)) return;
    selection_ = nullptr;
    FillList();
  }
  SelectRow(row > 0 ? row - 1 : 0);
  OnSelectionChanged();
}

void MessagePage::ShowEffectProperties() {
  if (selection_ != nullptr) {
    EditTransaction edit(main_, project_);
    if (TextEffect* effect = project_.GetTextEffectLibrary().Get(effect_.GetSelectedItem()))
      selection_->SetTextEffect(effect);
  }
  properties_.SetEffect(selection_ != nullptr ? selection_->GetTextEffect() : nullptr);
  properties_.Show(true);
  properties_.BringToFront();
}

// --- field commits ---

bool MessagePage::OnControlChange(ControlRef hit, ControlRef previous) {
  if (hit != nullptr || previous == nullptr || selection_ == nullptr) return false;
  EditTextField* fields[] = {&text_,  &alpha_, &x_,        &y_,     &tracking_, &leading_,
                             &start_, &end_,   &rotation_, &skew0_, &skew1_};
  for (EditTextField* f : fields) {
    if (f->GetControlRef() != previous) continue;
    EditTransaction edit(main_, project_);
    CommitField(*f);
    return true;
  }
  return false;
}

bool MessagePage::CommitField(EditTextField& field) {
  LoadMessage& m = *selection_;
  if (&field == &text_) {
    m.SetText(text_.GetTextString());
    shownText_ = text_.GetTextString();
    FillList();
  } else if (&field == &x_) {
    if (!m.SetX(x_.GetInt())) return Refuse(x_, kXText, false, m.GetXMin(), m.GetXMax()), false;
  } else if (&field == &y_) {
    if (!m.SetY(y_.GetInt())) return Refuse(y_, kYText, false, m.GetYMin(), m.GetYMax()), false;
  } else if (&field == &leading_) {
    if (!m.SetLeading(leading_.GetInt()))
      return Refuse(leading_, kLeadingText, false, m.GetLeadingMin(), m.GetLeadingMax()), false;
  } else if (&field == &tracking_) {
    if (!m.SetTracking(tracking_.GetInt()))
      return Refuse(tracking_, kTrackingText, false, m.GetTrackingMin(), m.GetTrackingMax()), false;
  } else if (&field == &alpha_) {
    if (!m.SetAlpha(alpha_.GetInt())) return Refuse(alpha_, kAlphaText, false, m.GetAlphaMin(), m.GetAlphaMax()), false;
  } else if (&field == &start_) {
    // A field that still shows the stored value stores nothing (its two decimals may hold
    // less than the stored milliseconds).
    if (!Edited(start_)) return true;
    if (startType_.GetSelectedItem() == 0) {
      if (!m.SetStartTime(FieldMilliseconds(start_)))
        return Refuse(start_, kStartTimeText, true, m.GetStartTimeMin() / 1000.0, m.GetStartTimeMax() / 1000.0), false;
    } else if (!m.SetStartPercent(start_.GetInt())) {
      return Refuse(start_, kStartPercentText, false, m.GetStartPercentMin(), m.GetStartPercentMax()), false;
    }
    shownStart_ = start_.GetTextString();
    FillList();
  } else if (&field == &end_) {
    if (!Edited(end_)) return true;
    if (startType_.GetSelectedItem() == 0) {
      if (!m.SetEndTime(FieldMilliseconds(end_)))
        return Refuse(end_, kEndTimeText, true, m.GetEndTimeMin() / 1000.0, m.GetEndTimeMax() / 1000.0), false;
    } else if (!m.SetEndPercent(end_.GetInt())) {
      return Refuse(end_, kEndPercentText, false, m.GetEndPercentMin(), m.GetEndPercentMax()), false;
    }
    shownEnd_ = end_.GetTextString();
  } else if (&field == &rotation_) {
    if (Edited(rotation_)) m.SetSkew(rotation_.GetReal());
    shownRotation_ = rotation_.GetTextString();
  } else if (&field == &skew0_) {
    if (Edited(skew0_)) m.SetSkew0(skew0_.GetReal());
    shownSkew0_ = skew0_.GetTextString();
  } else if (&field == &skew1_) {
    if (Edited(skew1_)) m.SetSkew1(skew1_.GetReal());
    shownSkew1_ = skew1_.GetTextString();
  }
  return true;
}
