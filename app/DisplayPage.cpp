#include "app/DisplayPage.h"

#include <cstdio>

#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "ui/MessageBox.h"

namespace {

using host::ui::FourCC;

// Numbered texts.
constexpr int kErrorHeading = 10000, kRefusedHeading = 10001;
constexpr int kPreviewFailedText = 111;
constexpr int kWidthText = 147, kHeightText = 148, kXText = 149, kYText = 150;

}  // namespace

DisplayPage::DisplayPage(MainWindow& window, PreloaderData& project) : TabPage(window, project) {}

DisplayPage::~DisplayPage() {
  if (!previewPath_.empty()) DeleteFileAtPath(previewPath_, false);
}

bool DisplayPage::OnInitDialog() {
  AttachControl(FourCC("cDsp"), useDisplay_);
  AttachControl(FourCC("uPrv"), preview_);
  AttachControl(FourCC("sNam"), name_);
  AttachControl(FourCC("eWid"), width_);
  AttachControl(FourCC("eHei"), height_);
  AttachControl(FourCC("eSkx"), x_);
  AttachControl(FourCC("eSky"), y_);
  AttachControl(FourCC("bSal"), hLeft_);
  AttachControl(FourCC("bSac"), hCenter_);
  AttachControl(FourCC("bSar"), hRight_);
  AttachControl(FourCC("bSat"), vTop_);
  AttachControl(FourCC("bSam"), vMiddle_);
  AttachControl(FourCC("bSab"), vBottom_);
  AttachControl(FourCC("cAld"), alignToDoc_);
  AttachControl(FourCC("rRot"), rotate_);
  AttachControl(FourCC("rSkw"), skew_);
  AttachControl(FourCC("eRot"), angle_);
  AttachControl(FourCC("eSk0"), skew0_);
  AttachControl(FourCC("eSk1"), skew1_);

  PrepareFields({{&width_, EditTextField::kInteger},
                 {&height_, EditTextField::kInteger},
                 {&x_, EditTextField::kSignedInteger},
                 {&y_, EditTextField::kSignedInteger},
                 {&angle_, EditTextField::kSignedReal},
                 {&skew0_, EditTextField::kSignedReal},
                 {&skew1_, EditTextField::kSignedReal}});
  Alignment().SetIcons(3100, {1000, 1001, 1002, 1003, 1004, 1005});

  if (width_.GetControlRef() != nullptr) panelParent_ = width_.GetControlRef()->Container();
  if (!GetTempFilePath(previewPath_, L"loadem.swf", true)) previewPath_.clear();
  Reset();
  return true;
}

// --- what the main window asks ---

void DisplayPage::Reset() {
  // The panel goes with the display: a later show may be of another display.
  if (panelOwner_ != nullptr) panelOwner_->DestroyPanel();
  panelOwner_ = nullptr;
  display_ = nullptr;
  preview_.Clear();
  name_.SetText(L"N/A", true);
  for (EditTextField* f : {&width_, &height_, &x_, &y_}) f->Clear(true);
}

bool DisplayPage::CommitToProject() {
  project_.SetDisplayEnabled(useDisplay_.IsChecked());
  if (!ApplyToDisplay()) return false;
  // A page that shows no display (a folder row chosen in the palette) leaves the project's.
  if (display_ != nullptr) project_.SetDisplay(display_);
  return true;
}

bool DisplayPage::RefreshFromProject() {
  useDisplay_.SetChecked(project_.IsDisplayEnabled(), true);
  ShowDisplay(project_.GetDisplay());
  EnableControls(project_.IsDisplayEnabled());
  return true;
}

void DisplayPage::SelectDisplay(PreloaderDisplay* display) {
  if (display == nullptr) {
    ShowDisplay(nullptr);
    return;
  }
  // Choosing, aligning and showing the display are one step.
  EditTransaction edit(main_, project_);
  project_.SetDisplayEnabled(true);
  project_.SetDisplay(display);
  useDisplay_.SetChecked(true, true);
  EnableControls(true);
  ShowDisplay(display);
}

// --- showing ---

void DisplayPage::ShowDisplay(PreloaderDisplay* display) {
  ApplyToDisplay();
  if (panelOwner_ != nullptr) panelOwner_->DestroyPanel();
  panelOwner_ = nullptr;
  if (display == nullptr) {
    Reset();
    return;
  }
  display->AlignToDocument(project_);
  display_ = display;

  width_.SetInt(display->GetStoredWidth(), true);
  height_.SetInt(display->GetStoredHeight(), true);
  ShowPosition();
  alignToDoc_.SetChecked(display->GetAlignToDoc(), true);
  const int h = display->GetHAlign(), v = display->GetVAlign();
  Alignment().Show(h, v);
  skew0_.SetReal(display->GetSkew0(), 0, 1, true);
  skew1_.SetReal(display->GetSkew1(), 0, 1, true);
  angle_.SetReal(display->GetSkew0(), 0, 1, true);
  const bool skewed = display->GetRotateType() == kRotateSkew;
  skew_.SetSelected(skewed, true);
  rotate_.SetSelected(!skewed, true);
  angle_.Enable(!skewed);
  skew0_.Enable(skewed);
  skew1_.Enable(skewed);

  BuildPreview(display);
  display->CreatePanel(*this, panelParent_.get(), kPanelOrigin);
  panelOwner_ = display;
  EnableControls(true);
}

void DisplayPage::ShowPosition() {
  if (display_ == nullptr) return;
  x_.SetInt(display_->GetX(), true);
  y_.SetInt(display_->GetY(), true);
}

void DisplayPage::EnableControls(bool on) {
  const bool state = on && display_ != nullptr;
  const bool aligned = alignToDoc_.IsChecked();
  for (DialogControl* c : std::initializer_list<DialogControl*>{&width_, &height_, &alignToDoc_, &rotate_, &skew_})
    c->Enable(state);
  x_.Enable(state && !aligned);
  y_.Enable(state && !aligned);
  for (RadioButton* b : {&hLeft_, &hCenter_, &hRight_, &vTop_, &vMiddle_, &vBottom_}) b->Enable(state && aligned);
  angle_.Enable(state && rotate_.IsSelected());
  skew0_.Enable(state && skew_.IsSelected());
  skew1_.Enable(state && skew_.IsSelected());
  if (display_ != nullptr) display_->EnablePanel(on);
}

void DisplayPage::EnableAlignment() {
  const bool aligned = alignToDoc_.IsChecked();
  x_.Enable(!aligned);
  y_.Enable(!aligned);
  for (RadioButton* b : {&hLeft_, &hCenter_, &hRight_, &vTop_, &vMiddle_, &vBottom_}) b->Enable(aligned);
}

WideString DisplayPage::FormatNameAndSize(const WideString& name, uint32_t bytes) {
  // "%ls (%.2f kb)" with the point whatever the locale, at most 256 characters.
  const unsigned long long hundredths = (static_cast<unsigned long long>(bytes) * 100 + 512) / 1024;
  char size[48];
  std::snprintf(size, sizeof size, " (%llu.%02llu kb)", hundredths / 100, hundredths % 100);
  WideString text = name + Utf8ToWide(size);
  if (text.size() > 256) text.resize(256);
  return text;
}

bool DisplayPage::BuildPreview(PreloaderDisplay* display) {
  if (display == nullptr) return true;
  // The preview is no edit: whatever the temporary project's setters count is forgotten.
  const int32_t counted = PeekModificationCount();
  bool built = false;
  std::string why;
  {
    PreloaderData preview;
    preview.SetDisplay(display);
    preview.SetPreviewMode(true, true);
    preview.SetDisplayEnabled(true);
    preview.SetBackgroundColor(display->GetBackgroundColor() & 0xFFFFFF);
    previewSize_ = 0;
    PreloaderBuilder builder;
    built = !previewPath_.empty() && builder.Build(previewPath_, preview, true);
    previewSize_ = builder.GetWrittenSize();
    why = previewPath_.empty() ? std::string("There is no private temporary folder.") : builder.GetError();
  }
  SetModificationCount(counted);
  name_.SetText(FormatNameAndSize(display->GetName(), previewSize_), true);
  if (!built) {
    ui::ShowErrorBoxById(main_.GetWindowRef(), kErrorHeading, kPreviewFailedText, {Utf8ToWide(why)});
    return false;
  }
  (void)preview_.LoadMovie(previewPath_);
  return true;
}

// --- storing ---

bool DisplayPage::ApplyToDisplay() {
  if (display_ == nullptr) return true;
  display_->SetChanged(false);
  if (!display_->ApplyPanel()) return false;
  const struct {
    EditTextField* field;
    bool (PreloaderDisplay::*set)(int32_t);
    int text, minimum, maximum;
  } fields[] = {
      {&x_, &PreloaderDisplay::SetX, kXText, PreloaderDisplay::GetXMin(), PreloaderDisplay::GetXMax()},
      {&y_, &PreloaderDisplay::SetY, kYText, PreloaderDisplay::GetYMin(), PreloaderDisplay::GetYMax()},
      {&width_, &PreloaderDisplay::SetWidth, kWidthText, PreloaderDisplay::GetWidthMin(),
       PreloaderDisplay::GetWidthMax()},
      {&height_, &PreloaderDisplay::SetHeight, kHeightText, PreloaderDisplay::GetHeightMin(),
       PreloaderDisplay::GetHeightMax()},
  };
  for (const auto& f : fields) {
    if (!(display_->*f.set)(f.field->GetInt())) {
      ui::ShowErrorBoxById(main_.GetWindowRef(), kRefusedHeading, f.text, {(long long)f.minimum, (long long)f.maximum});
      return false;
    }
  }
  display_->SetHAlign(Alignment().ChosenHAlign());
  display_->SetVAlign(Alignment().ChosenVAlign());
  display_->SetAlignToDoc(alignToDoc_.IsChecked());
  if (rotate_.IsSelected()) {
    display_->SetSkew(angle_.GetReal());
    display_->SetRotateType(kRotateNormal);
  } else if (skew_.IsSelected()) {
    display_->SetSkew0(skew0_.GetReal());
    display_->SetSkew1(skew1_.GetReal());
    display_->SetRotateType(kRotateSkew);
  } else {
    display_->SetRotateType(kRotateNormal);
  }
  return true;
}

void DisplayPage::UpdateAlignedPosition() {
  if (!alignToDoc_.IsChecked()) return;
  const int32_t stageWidth = project_.GetTargetWidth(), stageHeight = project_.GetTargetHeight();
  const int32_t width = width_.GetInt(), height = height_.GetInt();
  int32_t x = 0, y = 0;
  if (hCenter_.IsSelected())
    x = (stageWidth >> 1) - (width >> 1);
  else if (hRight_.IsSelected())
    x = stageWidth - width;
  if (vMiddle_.IsSelected())
    y = (stageHeight >> 1) - (height >> 1);
  else if (vBottom_.IsSelected())
    y = stageHeight - height;
  x_.SetInt(x, true);
  y_.SetInt(y, true);
}

void DisplayPage::CountDisplayChange() {
  // The display's changed flag decides: colours and segment settings count nothing of
  // their own, so the step is made to count.
  if (display_ != nullptr && display_->IsChanged()) CountModification();
}

// --- commands and commits ---

bool DisplayPage::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  // The page's own buttons and the controls of a display's panel (numbered from 10000);
  // every other command is the main window's.
  const bool own = command == FourCC("bSal") || command == FourCC("bSac") || command == FourCC("bSar") ||
                   command == FourCC("bSat") || command == FourCC("bSam") || command == FourCC("bSab") ||
                   command == FourCC("cAld") || command == FourCC("cDsp") || command == FourCC("rRot") ||
                   command == FourCC("rSkw") || (command >= 10000 && command < 11000);
  if (!own) return false;
  if (display_ != nullptr) display_->SetChanged(false);
  EditTransaction edit(main_, project_);
  const bool panel = display_ != nullptr && display_->HandlePanelCommand(command);
  if (!panel) {
    if (command == FourCC("bSal") || command == FourCC("bSac") || command == FourCC("bSar")) {
      OnHAlignClick(command);
    } else if (command == FourCC("bSat") || command == FourCC("bSam") || command == FourCC("bSab")) {
      OnVAlignClick(command);
    } else if (command == FourCC("cAld")) {
      OnAlignToDocClick();
    } else if (command == FourCC("cDsp")) {
      // The check box has toggled itself.
      OnDisplayEnabledClick();
    } else if (command == FourCC("rRot") || command == FourCC("rSkw")) {
      OnRotateTypeClick(command);
    } else {
      return false;
    }
  }
  if (display_ != nullptr && display_->IsChanged()) {
    // Storing the page clears the flag: the step is decided by what the command changed.
    if (ApplyToDisplay()) BuildPreview(display_);
    CountModification();
  }
  return true;
}

void DisplayPage::OnHAlignClick(uint32_t command) {
  if (display_ == nullptr) return;
  hLeft_.SetSelected(command == FourCC("bSal"), true);
  hCenter_.SetSelected(command == FourCC("bSac"), true);
  hRight_.SetSelected(command == FourCC("bSar"), true);
  display_->SetHAlign(command == FourCC("bSal")   ? kHAlignLeft
                      : command == FourCC("bSac") ? kHAlignCenter
                                                  : kHAlignRight);
  display_->AlignToDocument(project_);
  ShowPosition();
}

void DisplayPage::OnVAlignClick(uint32_t command) {
  if (display_ == nullptr) return;
  vTop_.SetSelected(command == FourCC("bSat"), true);
  vMiddle_.SetSelected(command == FourCC("bSam"), true);
  vBottom_.SetSelected(command == FourCC("bSab"), true);
  display_->SetVAlign(command == FourCC("bSat")   ? kVAlignTop
                      : command == FourCC("bSam") ? kVAlignCenter
                                                  : kVAlignBottom);
  display_->AlignToDocument(project_);
  ShowPosition();
}

void DisplayPage::OnAlignToDocClick() {
  if (display_ == nullptr) return;
  display_->SetAlignToDoc(alignToDoc_.IsChecked());
  display_->AlignToDocument(project_);
  EnableAlignment();
  ShowPosition();
}

void DisplayPage::OnDisplayEnabledClick() {
  const bool on = useDisplay_.IsChecked();
  project_.SetDisplayEnabled(on);
  main_.GetPalette().Show(on);
  EnableControls(on);
}

void DisplayPage::OnRotateTypeClick(uint32_t command) {
  if (display_ == nullptr) return;
  const bool skewed = command == FourCC("rSkw");
  rotate_.SetSelected(!skewed, true);
  skew_.SetSelected(skewed, true);
  angle_.Enable(!skewed);
  skew0_.Enable(skewed);
  skew1_.Enable(skewed);
  // The fields now in use show the angles as they stand.
  if (skewed) {
    skew0_.SetReal(display_->GetSkew0(), 0, 1, true);
    skew1_.SetReal(display_->GetSkew1(), 0, 1, true);
  } else {
    angle_.SetReal(display_->GetSkew0(), 0, 1, true);
  }
  display_->SetRotateType(skewed ? kRotateSkew : kRotateNormal);
}

bool DisplayPage::CommitGeometryField(EditTextField& field, int text) {
  const struct {
    EditTextField* field;
    bool (PreloaderDisplay::*set)(int32_t);
    int32_t (PreloaderDisplay::*get)() const;
    int minimum, maximum;
  } kinds[] = {
      {&width_, &PreloaderDisplay::SetWidth, &PreloaderDisplay::GetStoredWidth, PreloaderDisplay::GetWidthMin(),
       PreloaderDisplay::GetWidthMax()},
      {&height_, &PreloaderDisplay::SetHeight, &PreloaderDisplay::GetStoredHeight, PreloaderDisplay::GetHeightMin(),
       PreloaderDisplay::GetHeightMax()},
      {&x_, &PreloaderDisplay::SetX, &PreloaderDisplay::GetX, PreloaderDisplay::GetXMin(), PreloaderDisplay::GetXMax()},
      {&y_, &PreloaderDisplay::SetY, &PreloaderDisplay::GetY, PreloaderDisplay::GetYMin(), PreloaderDisplay::GetYMax()},
  };
  for (const auto& k : kinds) {
    if (k.field != &field) continue;
    if ((display_->*k.set)(field.GetInt())) return true;
    ui::ShowErrorBoxById(main_.GetWindowRef(), kRefusedHeading, text, {(long long)k.minimum, (long long)k.maximum});
    if (field.GetControlRef() != nullptr) field.GetControlRef()->Focus();
    field.SetInt((display_->*k.get)(), true);
    return false;
  }
  return false;
}

bool DisplayPage::OnControlChange(ControlRef hit, ControlRef previous) {
  // Only commits count: a field's (no hit, the field) or a panel's (neither).
  if (hit != nullptr || display_ == nullptr) return false;
  const ControlRef field = previous;
  EditTransaction edit(main_, project_);
  if (field != nullptr && field == width_.GetControlRef()) {
    CommitGeometryField(width_, kWidthText);
    UpdateAlignedPosition();
  } else if (field != nullptr && field == height_.GetControlRef()) {
    CommitGeometryField(height_, kHeightText);
    UpdateAlignedPosition();
  } else if (field != nullptr && field == x_.GetControlRef()) {
    CommitGeometryField(x_, kXText);
  } else if (field != nullptr && field == y_.GetControlRef()) {
    CommitGeometryField(y_, kYText);
  } else if (field != nullptr && field == angle_.GetControlRef()) {
    display_->SetSkew(angle_.GetReal());
    if (ApplyToDisplay()) BuildPreview(display_);
  } else if (field != nullptr && (field == skew0_.GetControlRef() || field == skew1_.GetControlRef())) {
    if (field == skew0_.GetControlRef())
      display_->SetSkew0(skew0_.GetReal());
    else
      display_->SetSkew1(skew1_.GetReal());
    if (ApplyToDisplay()) BuildPreview(display_);
  } else {
    // A control of the display's property panel.
    if (ApplyToDisplay() && display_->IsChanged()) {
      BuildPreview(display_);
      CountDisplayChange();
    }
    return false;
  }
  return true;
}
