#include "app/ImportsPage.h"

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <optional>

#include "app/AppPreferences.h"
#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TextConversions.h"
#include "preloader/ImportItem.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectTypes.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/ToolkitDialogs.h"

namespace {

using host::ui::FourCC;

constexpr int kRangeHeading = 10001;
constexpr int kFinalWidthText = 118, kFinalHeightText = 119, kWidthScaleText = 120, kHeightScaleText = 121;
constexpr int kXText = 122, kYText = 123, kStartTimeText = 124, kEndTimeText = 125;
constexpr int kStartPercentText = 126, kEndPercentText = 127, kQualityText = 155;

// A scale as the whole percentage the fields show.
int Percent(double scale) {
  const double v = std::round(scale * 100.0);
  if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(v);
}

// A limit of the scales as the refusal message gives it: times 100, truncated.
int TruncatedPercent(double scale) { return static_cast<int>(scale * 100.0); }

WideString SecondsText(int32_t milliseconds) {
  wchar_t text[64];
  std::swprintf(text, 64, L"%.2f", static_cast<double>(milliseconds) / 1000.0);
  return text;
}

int32_t ClampToInt(long long value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

long long SecondsTextToMilliseconds(const WideString& text) {
  constexpr long long kCeiling = 1000000000000LL;  // far past any time the project takes
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  long long whole = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    whole = std::min(kCeiling, whole * 10 + (text[i] - L'0'));
  }
  long long fraction = 0;
  if (i < text.size() && text[i] == L'.') {
    ++i;
    for (int digits = 0; digits < 3; ++digits) {
      fraction *= 10;
      if (i < text.size() && text[i] >= L'0' && text[i] <= L'9') fraction += text[i++] - L'0';
    }
  }
  const long long ms = std::min(kCeiling, whole * 1000 + fraction);
  return negative ? -ms : ms;
}

ImportsPage::ImportsPage(MainWindow& window, PreloaderData& project) : TabPage(window, project) {}

ImportsPage::~ImportsPage() = default;

bool ImportsPage::OnInitDialog() {
  AttachControl(FourCC("lImp"), list_);
  AttachControl(FourCC("bAdd"), add_);
  AttachControl(FourCC("bRem"), remove_);
  AttachControl(FourCC("ePth"), path_);
  AttachControl(FourCC("cEmb"), embed_);
  AttachControl(FourCC("eQul"), quality_);
  AttachControl(FourCC("sQul"), qualityLabel_);
  AttachControl(FourCC("mExp"), exportType_);
  AttachControl(FourCC("sExp"), exportLabel_);
  AttachControl(FourCC("cBsh"), bitmapShift_);
  AttachControl(FourCC("eWds"), startWidth_);
  AttachControl(FourCC("eWdx"), widthScale_);
  AttachControl(FourCC("eWdf"), finalWidth_);
  AttachControl(FourCC("eHes"), startHeight_);
  AttachControl(FourCC("eHex"), heightScale_);
  AttachControl(FourCC("eHef"), finalHeight_);
  AttachControl(FourCC("eImx"), x_);
  AttachControl(FourCC("eImy"), y_);
  AttachControl(FourCC("cAld"), alignToDoc_);
  AttachControl(FourCC("bHal"), left_);
  AttachControl(FourCC("bHac"), center_);
  AttachControl(FourCC("bHar"), right_);
  AttachControl(FourCC("bVat"), top_);
  AttachControl(FourCC("bVac"), middle_);
  AttachControl(FourCC("bVab"), bottom_);
  AttachControl(FourCC("bBrw"), browse_);
  AttachControl(FourCC("mStr"), startType_);
  AttachControl(FourCC("eStr"), start_);
  AttachControl(FourCC("sStr"), startUnit_);
  AttachControl(FourCC("mEnd"), endType_);
  AttachControl(FourCC("eEnd"), end_);
  AttachControl(FourCC("sEnd"), endUnit_);

  PrepareFields({{&path_, EditTextField::kAnything},
                 {&quality_, EditTextField::kSignedInteger},
                 {&startWidth_, EditTextField::kInteger},
                 {&widthScale_, EditTextField::kInteger},
                 {&finalWidth_, EditTextField::kInteger},
                 {&startHeight_, EditTextField::kInteger},
                 {&heightScale_, EditTextField::kInteger},
                 {&finalHeight_, EditTextField::kInteger},
                 {&x_, EditTextField::kSignedInteger},
                 {&y_, EditTextField::kSignedInteger},
                 {&start_, EditTextField::kReal},
                 {&end_, EditTextField::kReal}});
  Alignment().SetIcons(
      3100, {FourCC("iLfi"), FourCC("iHci"), FourCC("iRti"), FourCC("iTpi"), FourCC("iVci"), FourCC("iBti")});

  exportType_.RemoveAllItems();
  for (const wchar_t* entry : {L"Jpeg", L"Lossless 24", L"Lossless 15", L"Lossless 8"}) exportType_.AppendItem(entry);
  startType_.RemoveAllItems();
  startType_.AppendItem(L"Start at time");
  startType_.AppendItem(L"Start at percentage");
  endType_.RemoveAllItems();
  for (const wchar_t* entry : {L"Show till done", L"Show for time", L"Show for percentage"}) endType_.AppendItem(entry);

  ListViewColumn column;
  column.flags = kListColumnHasTitle | kListColumnHasWidth;
  column.width = 380;
  column.title = L"Import";
  list_.AppendColumn(column);
  column.width = 140;
  column.title = L"Type";
  list_.AppendColumn(column);
  column.width = 180;
  column.title = L"Start Time";
  list_.AppendColumn(column);
  list_.SelectionSignal().Connect(this, &ImportsPage::OnListSelection);
  Reset();
  return true;
}

// --- showing ---

bool ImportsPage::Refresh() {
  filling_ = true;
  list_.RemoveAllRows();
  filling_ = false;
  ClearSelection();
  FillList();
  SelectRow(project_.GetImportSelection());
  OnSelectionChanged(false);
  return true;
}

void ImportsPage::FillList() {
  const int selected = list_.GetSelectedRow();
  filling_ = true;
  FillListRows(list_, project_.GetImportCount(), [this](int i) -> std::vector<WideString> {
    const ImportItem* item = project_.GetImport(i);
    return {FirstTextLine(item->GetPath()), item->GetSourceKind() == kImportSourceImage ? L"Image" : L"SWF",
            StartCellText(item->GetStartType(), item->GetStartTime(), item->GetStartPercent())};
  });
  filling_ = false;
  SelectRow(selected);
}

void ImportsPage::SelectRow(int row) {
  const bool was = filling_;
  filling_ = true;
  for (int n = 0, selected = list_.GetSelectedRow(); selected >= 0 && n < list_.GetRowCount();
       ++n, selected = list_.GetSelectedRow()) {
    list_.SetRowSelected(selected, false);
  }
  if (row >= 0 && row < list_.GetRowCount()) list_.SetRowSelected(row, true);
  filling_ = was;
}

void ImportsPage::FillEndPopup(bool startByTime) {
  endType_.RemoveAllItems();
  endType_.AppendItem(L"Show till done");
  endType_.AppendItem(startByTime ? L"Show for time" : L"Show for percentage");
}

void ImportsPage::ShowImageSettings(bool image) {
  if (!image) {
    for (DialogControl* c : std::initializer_list<DialogControl*>{&embed_, &quality_, &qualityLabel_, &exportType_,
                                                                  &exportLabel_, &bitmapShift_}) {
      c->Hide();
    }
    return;
  }
  embed_.Show(true);
  const bool embedded = embed_.IsChecked();
  const bool jpeg = exportType_.GetSelectedItem() == kImportJpeg;
  qualityLabel_.Show(embedded && jpeg);
  quality_.Show(embedded && jpeg);
  exportType_.Show(embedded);
  exportLabel_.Show(embedded);
  bitmapShift_.Show(embedded);
}

void ImportsPage::ShowPlace() {
  x_.SetInt(selection_->GetX(), true);
  y_.SetInt(selection_->GetY(), true);
}

void ImportsPage::ShowImport(ImportItem* item, bool storeFirst) {
  if (storeFirst) StoreSelection();
  if (item == nullptr) {
    Reset();
    return;
  }
  selection_ = item;
  path_.SetText(item->GetPath(), true);
  startWidth_.SetInt(item->GetStartWidth(), true);
  startHeight_.SetInt(item->GetStartHeight(), true);
  widthScale_.SetInt(Percent(item->GetWidthScale()), true);
  heightScale_.SetInt(Percent(item->GetHeightScale()), true);
  finalWidth_.SetInt(item->GetFinalWidth(), true);
  finalHeight_.SetInt(item->GetFinalHeight(), true);
  ShowPlace();
  alignToDoc_.SetChecked(item->GetAlignToDoc(), true);
  const int32_t h = item->GetHAlign(), v = item->GetVAlign();
  Alignment().Show(h, v);

  const bool byTime = item->GetStartType() != kStartPercent;
  startType_.SelectItem(byTime ? 0 : 1);
  FillEndPopup(byTime);
  if (byTime) {
    startUnit_.SetText(L"seconds", true);
    start_.SetText(SecondsText(item->GetStartTime()), true);
  } else {
    startUnit_.SetText(L"%", true);
    start_.SetInt(item->GetStartPercent(), true);
  }
  if (item->GetEndType() == kEndDone) {
    endType_.SelectItem(0);
    end_.Clear(true);
    endUnit_.Clear(true);
  } else {
    endType_.SelectItem(1);
    endUnit_.SetText(byTime ? L"seconds" : L"%", true);
    if (item->GetEndType() == kEndTime)
      end_.SetText(SecondsText(item->GetEndTime()), true);
    else
      end_.SetInt(item->GetEndPercent(), true);
  }

  const bool image = item->GetSourceKind() == kImportSourceImage;
  if (image) {
    embed_.SetChecked(item->GetEmbedImage(), true);
    quality_.SetInt(item->GetImageQuality(), true);
    exportType_.SelectItem(item->GetExportImageType());
    bitmapShift_.SetChecked(item->GetAdjustBitmapShift(), true);
  }
  ShowImageSettings(image);
  SetEditing(true);
}

void ImportsPage::SetEditing(bool on) {
  DialogControl* plain[] = {&path_,      &widthScale_, &finalWidth_, &heightScale_, &finalHeight_, &left_,   &center_,
                            &right_,     &top_,        &middle_,     &bottom_,      &alignToDoc_,  &browse_, &remove_,
                            &startType_, &endType_,    &embed_,      &quality_,     &start_};
  for (DialogControl* c : plain) c->Enable(on);
  x_.Enable(on && !alignToDoc_.IsChecked());
  y_.Enable(on && !alignToDoc_.IsChecked());
  const bool unmeasured = on && selection_ != nullptr && !PathExists(selection_->GetPath());
  startWidth_.Enable(unmeasured);
  startHeight_.Enable(unmeasured);
  end_.Enable(on && endType_.GetSelectedItem() > 0);
}

void ImportsPage::ClearSelection() {
  selection_ = nullptr;
  for (EditTextField* f : {&path_, &startWidth_, &widthScale_, &finalWidth_, &startHeight_, &heightScale_,
                           &finalHeight_, &x_, &y_, &start_, &end_}) {
    f->Clear(true);
  }
  SetEditing(false);
}

void ImportsPage::Reset() {
  selection_ = nullptr;
  filling_ = true;
  list_.RemoveAllRows();
  filling_ = false;
  ShowImageSettings(false);
  ClearSelection();
}

// --- storing ---

void ImportsPage::Refuse(int detail, int minimum, int maximum, EditTextField& field) {
  ui::ShowErrorBoxById(GetWindowRef(), kRangeHeading, detail,
                       {static_cast<long long>(minimum), static_cast<long long>(maximum)});
  if (ControlRef c = field.GetControlRef()) c->Focus();
}

void ImportsPage::RefuseSeconds(int detail, int minimumMs, int maximumMs, EditTextField& field) {
  ui::ShowErrorBoxById(GetWindowRef(), kRangeHeading, detail, {minimumMs / 1000.0, maximumMs / 1000.0});
  if (ControlRef c = field.GetControlRef()) c->Focus();
}

bool ImportsPage::StoreSelection() {
  ImportItem* item = selection_;
  if (item == nullptr) return true;
  item->SetPath(path_.GetTextString());
  // The scales and times are shown rounded: a field the user left as shown keeps the exact
  // stored value.
  if (widthScale_.GetInt() != Percent(item->GetWidthScale()) && !item->SetWidthScale(widthScale_.GetInt() / 100.0)) {
    Refuse(kWidthScaleText, TruncatedPercent(ImportItem::GetWidthScaleMin()),
           TruncatedPercent(ImportItem::GetWidthScaleMax()), widthScale_);
    return false;
  }
  if (heightScale_.GetInt() != Percent(item->GetHeightScale()) &&
      !item->SetHeightScale(heightScale_.GetInt() / 100.0)) {
    Refuse(kHeightScaleText, TruncatedPercent(ImportItem::GetHeightScaleMin()),
           TruncatedPercent(ImportItem::GetHeightScaleMax()), heightScale_);
    return false;
  }
  if (!item->SetX(x_.GetInt())) {
    Refuse(kXText, ImportItem::GetXMin(), ImportItem::GetXMax(), x_);
    return false;
  }
  if (!item->SetY(y_.GetInt())) {
    Refuse(kYText, ImportItem::GetYMin(), ImportItem::GetYMax(), y_);
    return false;
  }
  item->SetHAlign(Alignment().ChosenHAlign());
  item->SetVAlign(Alignment().ChosenVAlign());
  item->SetAlignToDoc(alignToDoc_.IsChecked());

  const int startIndex = startType_.GetSelectedItem();
  if (startIndex >= 0) item->SetStartType(startIndex == 0 ? kStartTime : kStartPercent);
  const bool byTime = item->GetStartType() != kStartPercent;
  if (byTime) {
    if (start_.GetTextString() != SecondsText(item->GetStartTime()) &&
        !item->SetStartTime(ClampToInt(SecondsTextToMilliseconds(start_.GetTextString())))) {
      RefuseSeconds(kStartTimeText, ImportItem::GetStartTimeMin(), ImportItem::GetStartTimeMax(), start_);
      return false;
    }
  } else if (!item->SetStartPercent(start_.GetInt())) {
    Refuse(kStartPercentText, ImportItem::GetStartPercentMin(), ImportItem::GetStartPercentMax(), start_);
    return false;
  }
  // The end type is set once, to what it ends as: no change is counted for an end that stays.
  const int endIndex = endType_.GetSelectedItem();
  if (endIndex == 0) {
    item->SetEndType(kEndDone);
  } else if (endIndex == 1 && byTime) {
    item->SetEndType(kEndTime);
    if (end_.GetTextString() != SecondsText(item->GetEndTime()) &&
        !item->SetEndTime(ClampToInt(SecondsTextToMilliseconds(end_.GetTextString())))) {
      RefuseSeconds(kEndTimeText, ImportItem::GetEndTimeMin(), ImportItem::GetEndTimeMax(), end_);
      return false;
    }
  } else if (endIndex == 1) {
    item->SetEndType(kEndPercent);
    if (!item->SetEndPercent(end_.GetInt())) {
      Refuse(kEndPercentText, ImportItem::GetEndPercentMin(), ImportItem::GetEndPercentMax(), end_);
      return false;
    }
  }

  if (item->GetSourceKind() == kImportSourceImage) {
    item->SetEmbedImage(embed_.IsChecked());
    if (!item->SetImageQuality(quality_.GetInt())) {
      Refuse(kQualityText, ImportItem::GetImageQualityMin(), ImportItem::GetImageQualityMax(), quality_);
      return false;
    }
    item->SetAdjustBitmapShift(bitmapShift_.IsChecked());
    const int exportIndex = exportType_.GetSelectedItem();
    if (exportIndex >= 0) item->SetExportImageType(static_cast<ImportImageType>(exportIndex));
  }
  return true;
}

// --- the user's edits ---

void ImportsPage::OnListSelection(ListViewItem*) {
  if (!filling_) OnSelectionChanged(true);
}

void ImportsPage::OnSelectionChanged(bool userEdit) {
  WaitCursor wait;
  std::optional<EditTransaction> edit;
  if (userEdit) edit.emplace(main_, project_);
  const int row = list_.GetSelectedRow();
  project_.SelectImport(row);
  if (ImportItem* item = project_.GetImport(row)) {
    ShowImport(item, true);
  } else {
    StoreSelection();
    ClearSelection();
  }
}

void ImportsPage::AddImport() {
  // One edit: what the shown import's fields store and the new import. Left without a file,
  // the stored fields still make their own step.
  EditTransaction edit(main_, project_);
  StoreSelection();
  ui::FileTypeFilterList filters;
  const OSType both[] = {MakeFourCC("SWFL"), MakeFourCC("JPEG")};
  filters.AddFilterGroup(L"Flash Animation, JPEG", 2, both, 99);
  filters.AddFileTypeFilter(MakeFourCC("SWFL"), nullptr, 99);
  filters.AddFileTypeFilter(MakeFourCC("JPEG"), nullptr, 99);
  filters.AddAllFilesFilter(99);
  ui::FileDialogOptions options;
  options.filters = &filters;
  ui::FileDialogResult reply;
  ui::OpenFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), &options) || !reply.chosen) return;

  auto item = std::make_unique<ImportItem>();
  item->SetPath(MakeAbsolutePath(reply.path));
  const bool image = item->GetSourceKind() == kImportSourceImage;
  const int row = project_.InsertImport(item.release(), project_.GetImportCount());
  if (image) {
    AppPreferences& prefs = AppPreferences::Instance();
    uint8_t show = prefs.warnOnImportImages ? 1 : 0;
    RunNoticeDialog(L"IDD_WARNING_IMPORT_IMAGES", GetWindowRef(), &show);
    prefs.warnOnImportImages = show != 0;
  }
  // Already stored: the selection change must not tell a refusal twice.
  selection_ = nullptr;
  FillList();
  SelectRow(row);
  OnSelectionChanged(false);
  SelectRow(row);
}

void ImportsPage::ChooseSource() {
  if (selection_ == nullptr) return;
  EditTransaction edit(main_, project_);
  StoreSelection();
  ui::FileDialogResult reply;
  ui::OpenFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), nullptr) || !reply.chosen) return;
  selection_->SetPath(MakeAbsolutePath(reply.path));
  FillList();
  ShowImport(selection_, false);
}

void ImportsPage::RemoveImport() {
  const int row = list_.GetSelectedRow();
  if (row < 0) return;
  EditTransaction edit(main_, project_);
  // The import goes with the row: nothing may point at it afterwards.
  ImportItem* const shown = selection_;
  selection_ = nullptr;
  if (!project_.DeleteImport(row)) {
    selection_ = shown;
    return;
  }
  FillList();
  SelectRow(row > 0 ? row - 1 : 0);
  OnSelectionChanged(false);
}

bool ImportsPage::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command == FourCC("bAdd")) {
    AddImport();
  } else if (command == FourCC("bBrw")) {
    ChooseSource();
  } else if (command == FourCC("bRem")) {
    RemoveImport();
  } else if (command == FourCC("lImp")) {
    // The list tells its selection through its own signal.
  } else {
    return OnChoice(command);
  }
  return true;
}

bool ImportsPage::OnChoice(uint32_t command) {
  const uint32_t horizontal[] = {FourCC("bHal"), FourCC("bHac"), FourCC("bHar")};
  const uint32_t vertical[] = {FourCC("bVat"), FourCC("bVac"), FourCC("bVab")};
  int hIndex = -1, vIndex = -1;
  for (int i = 0; i < 3; ++i) {
    if (command == horizontal[i]) hIndex = i;
    if (command == vertical[i]) vIndex = i;
  }
  const bool known = hIndex >= 0 || vIndex >= 0 || command == FourCC("cAld") || command == FourCC("cBsh") ||
                     command == FourCC("cEmb") || command == FourCC("mEnd") || command == FourCC("mExp") ||
                     command == FourCC("mStr");
  if (!known) return false;
  ImportItem* item = selection_;

  // The picture settings show and hide with or without an import.
  if (command == FourCC("cEmb") || command == FourCC("mExp")) {
    const int exportIndex = exportType_.GetSelectedItem();
    // A popup with no entry chosen changes nothing.
    if (command == FourCC("mExp") && exportIndex < 0) return true;
    const bool embedded = embed_.IsChecked();
    const bool jpeg = exportIndex == kImportJpeg;
    qualityLabel_.Show(embedded && jpeg);
    quality_.Show(embedded && jpeg);
    if (command == FourCC("cEmb")) {
      exportType_.Show(embedded);
      exportLabel_.Show(embedded);
      bitmapShift_.Show(embedded);
    }
    if (item == nullptr) return true;
    EditTransaction edit(main_, project_);
    if (command == FourCC("cEmb"))
      item->SetEmbedImage(embedded);
    else
      item->SetExportImageType(static_cast<ImportImageType>(exportIndex));
    return true;
  }
  if (item == nullptr) return true;
  EditTransaction edit(main_, project_);
  if (command == FourCC("cBsh")) {
    item->SetAdjustBitmapShift(bitmapShift_.IsChecked());
  } else if (command == FourCC("mStr")) {
    const int index = startType_.GetSelectedItem();
    if (index < 0) return true;
    const bool byTime = index == 0;
    FillEndPopup(byTime);
    item->SetStartType(byTime ? kStartTime : kStartPercent);
    startUnit_.SetText(byTime ? L"seconds" : L"%", true);
    FillList();
    endType_.SelectItem(0);
    end_.Clear(true);
    end_.Disable();
    endUnit_.Clear(true);
    item->SetEndType(kEndDone);
  } else if (command == FourCC("mEnd")) {
    const int index = endType_.GetSelectedItem();
    if (index < 0) return true;
    const bool byTime = item->GetStartType() != kStartPercent;
    if (index == 0) {
      end_.Clear(true);
      endUnit_.Clear(true);
      end_.Disable();
      item->SetEndType(kEndDone);
    } else {
      endUnit_.SetText(byTime ? L"seconds" : L"%", true);
      end_.Enable(true);
      item->SetEndType(byTime ? kEndTime : kEndPercent);
      if (byTime)
        end_.SetText(SecondsText(item->GetEndTime()), true);
      else
        end_.SetInt(item->GetEndPercent(), true);
    }
  } else if (command == FourCC("cAld")) {
    const bool on = alignToDoc_.IsChecked();
    item->SetAlignToDoc(on);
    const int32_t before = PeekModificationCount();
    item->AlignToDocument(project_);
    x_.Enable(!on);
    y_.Enable(!on);
    if (PeekModificationCount() != before) ShowPlace();
  } else {
    RadioButton* hButtons[] = {&left_, &center_, &right_};
    RadioButton* vButtons[] = {&top_, &middle_, &bottom_};
    if (hIndex >= 0) {
      for (int j = 0; j < 3; ++j) hButtons[j]->SetSelected(j == hIndex, true);
      item->SetHAlign(static_cast<HAlign>(hIndex));
    } else {
      for (int j = 0; j < 3; ++j) vButtons[j]->SetSelected(j == vIndex, true);
      item->SetVAlign(static_cast<VAlign>(vIndex));
    }
    const int32_t before = PeekModificationCount();
    item->AlignToDocument(project_);
    if (PeekModificationCount() != before) ShowPlace();
  }
  return true;
}

bool ImportsPage::OnControlChange(ControlRef hit, ControlRef previous) {
  (void)hit;
  if (selection_ == nullptr || previous == nullptr) return false;
  const EditTextField* committed[] = {&widthScale_, &heightScale_, &finalWidth_, &finalHeight_,
                                      &start_,      &end_,         &quality_};
  for (const EditTextField* f : committed) {
    if (previous != f->GetControlRef()) continue;
    EditTransaction edit(main_, project_);
    return !CommitField(previous);
  }
  // The path and the place are stored with the selection.
  return false;
}

bool ImportsPage::CommitField(ControlRef field) {
  ImportItem* item = selection_;
  if (field == widthScale_.GetControlRef() || field == heightScale_.GetControlRef()) {
    const bool width = field == widthScale_.GetControlRef();
    EditTextField& f = width ? widthScale_ : heightScale_;
    const double stored = width ? item->GetWidthScale() : item->GetHeightScale();
    if (f.GetInt() == Percent(stored)) return true;  // left as shown
    const double scale = f.GetInt() / 100.0;
    if (!(width ? item->SetWidthScale(scale) : item->SetHeightScale(scale))) {
      Refuse(width ? kWidthScaleText : kHeightScaleText, TruncatedPercent(ImportItem::GetWidthScaleMin()),
             TruncatedPercent(ImportItem::GetWidthScaleMax()), f);
      f.SetInt(Percent(stored), true);
      return false;
    }
    ShowImport(item, false);
    return true;
  }
  if (field == finalWidth_.GetControlRef() || field == finalHeight_.GetControlRef()) {
    const bool width = field == finalWidth_.GetControlRef();
    EditTextField& f = width ? finalWidth_ : finalHeight_;
    if (!(width ? item->SetFinalWidth(f.GetInt()) : item->SetFinalHeight(f.GetInt()))) {
      Refuse(width ? kFinalWidthText : kFinalHeightText, ImportItem::GetWidthMin(), ImportItem::GetWidthMax(), f);
      f.SetInt(width ? item->GetFinalWidth() : item->GetFinalHeight(), true);
      return false;
    }
    ShowImport(item, false);
    return true;
  }
  const bool byTime = item->GetStartType() != kStartPercent;
  if (field == start_.GetControlRef()) {
    if (byTime) {
      if (start_.GetTextString() == SecondsText(item->GetStartTime())) return true;
      if (!item->SetStartTime(ClampToInt(SecondsTextToMilliseconds(start_.GetTextString())))) {
        RefuseSeconds(kStartTimeText, ImportItem::GetStartTimeMin(), ImportItem::GetStartTimeMax(), start_);
        start_.SetText(SecondsText(item->GetStartTime()), true);
        return false;
      }
    } else if (!item->SetStartPercent(start_.GetInt())) {
      Refuse(kStartPercentText, ImportItem::GetStartPercentMin(), ImportItem::GetStartPercentMax(), start_);
      start_.SetInt(item->GetStartPercent(), true);
      return false;
    }
    FillList();
    return true;
  }
  if (field == end_.GetControlRef()) {
    if (item->GetEndType() == kEndDone) return true;
    if (byTime) {
      if (end_.GetTextString() == SecondsText(item->GetEndTime())) return true;
      if (!item->SetEndTime(ClampToInt(SecondsTextToMilliseconds(end_.GetTextString())))) {
        RefuseSeconds(kEndTimeText, ImportItem::GetEndTimeMin(), ImportItem::GetEndTimeMax(), end_);
        end_.SetText(SecondsText(item->GetEndTime()), true);
        return false;
      }
    } else if (!item->SetEndPercent(end_.GetInt())) {
      Refuse(kEndPercentText, ImportItem::GetEndPercentMin(), ImportItem::GetEndPercentMax(), end_);
      end_.SetInt(item->GetEndPercent(), true);
      return false;
    }
    return true;
  }
  if (field == quality_.GetControlRef() && !item->SetImageQuality(quality_.GetInt())) {
    Refuse(kQualityText, ImportItem::GetImageQualityMin(), ImportItem::GetImageQualityMax(), quality_);
    quality_.SetInt(item->GetImageQuality(), true);
    return false;
  }
  return true;
}
