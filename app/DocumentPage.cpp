#include "app/DocumentPage.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "app/AppPreferences.h"
#include "app/BackgroundImageDialog.h"
#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "host/MainLoopQueue.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "platform/Paths.h"
#include "platform/WideTextBuffer.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"
#include "ui/SecondsField.h"
#include "ui/ToolkitDialogs.h"

namespace {

using host::ui::FourCC;

constexpr int kErrorHeading = 10000;
constexpr int kRefusedHeading = 10001;
constexpr int kWidthText = 113, kHeightText = 114, kFpsText = 115, kNoTargetText = 116, kPercentText = 117;
constexpr int kMissingMergeTargetText = 128, kUnreadableTargetText = 129;
constexpr int kBackgroundDialogNumber = 2005;

// Tags looked through for the background colour before giving up.
constexpr int kMaxTagsBeforeBackground = 4096;

WideString Formatted(const wchar_t* format, double value) {
  WideTextBuffer text;
  if (!text.Format(format, value)) return WideString();
  return WideString(text.GetText());
}

WideString Formatted(const wchar_t* format, long long value) {
  WideTextBuffer text;
  if (!text.Format(format, value)) return WideString();
  return WideString(text.GetText());
}

WideString TwoDecimals(double value) { return Formatted(L"%.2f", value); }

}  // namespace

class DocumentPage::SizingScope {
 public:
  explicit SizingScope(DocumentPage& page) : page_(page), was_(page.sizing_) { page.sizing_ = true; }
  ~SizingScope() { page_.sizing_ = was_; }
  SizingScope(const SizingScope&) = delete;
  SizingScope& operator=(const SizingScope&) = delete;

 private:
  DocumentPage& page_;
  bool was_;
};

bool DocumentPage::OnInitDialog() {
  AttachControl(FourCC("bBrw"), browse_);
  AttachControl(FourCC("bSyn"), sync_);
  AttachControl(FourCC("sWid"), targetWidth_);
  AttachControl(FourCC("sHei"), targetHeight_);
  AttachControl(FourCC("sFps"), targetFps_);
  AttachControl(FourCC("sVer"), targetVersion_);
  AttachControl(FourCC("sSiz"), targetSize_);
  AttachControl(FourCC("sFrm"), targetFrames_);
  AttachControl(FourCC("eTgt"), target_);
  AttachControl(FourCC("eWid"), width_);
  AttachControl(FourCC("eHei"), height_);
  AttachControl(FourCC("eFps"), fps_);
  AttachControl(FourCC("bBgc"), bgColor_);
  AttachControl(FourCC("cBgi"), bgImage_);
  AttachControl(FourCC("sBgi"), bgSettings_);
  AttachControl(FourCC("rSmp"), simple_);
  AttachControl(FourCC("rSma"), smart_);
  AttachControl(FourCC("ePct"), percent_);
  AttachControl(FourCC("eBuf"), buffer_);
  AttachControl(FourCC("rEx7"), external7_);
  AttachControl(FourCC("rExt"), external_);
  AttachControl(FourCC("rMrg"), merge_);
  AttachControl(FourCC("rNoc"), noChange_);
  AttachControl(FourCC("rLop"), loop_);
  AttachControl(FourCC("rStp"), noLoop_);
  AttachControl(FourCC("cLok"), protect_);
  AttachControl(FourCC("cCmp"), compress_);
  AttachControl(FourCC("sPsz"), outputSizeLabel_);
  AttachControl(FourCC("mFxo"), effect_);
  AttachControl(FourCC("eFxt"), effectTime_);

  PrepareFields({{&target_, EditTextField::kAnything},
                 {&width_, EditTextField::kInteger},
                 {&height_, EditTextField::kInteger},
                 {&fps_, EditTextField::kInteger},
                 {&percent_, EditTextField::kInteger},
                 {&buffer_, EditTextField::kReal},
                 {&effectTime_, EditTextField::kReal}});
  FillRemovalEffects();
  ClearTargetInfo();
  return true;
}

void DocumentPage::FillRemovalEffects() {
  effect_.RemoveAllItems();
  const RemovalEffectLibrary& library = project_.GetRemovalEffectLibrary();
  for (int i = 0; i < library.GetCount(); ++i) {
    const RemovalEffect* effect = library.Get(i);
    effect_.AppendItem(effect != nullptr ? effect->GetName() : WideString());
  }
}

void DocumentPage::SetTargetInfoLabels(const WideString& text) {
  for (StaticText* label : {&targetWidth_, &targetHeight_, &targetFps_, &targetVersion_, &targetSize_, &targetFrames_})
    label->SetText(text, true);
}

void DocumentPage::ClearTargetInfo() {
  SetTargetInfoLabels(L"N/A");
  outputSizeLabel_.SetText(L"N/A", true);
}

// --- showing the project ---

void DocumentPage::SelectPreloadMode(bool smart) {
  simple_.SetSelected(!smart, true);
  smart_.SetSelected(smart, true);
  percent_.Enable(!smart);
  buffer_.Enable(smart);
}

void DocumentPage::SelectTargetType(int type) {
  external7_.SetSelected(type == kTargetExternal7, true);
  external_.SetSelected(type == kTargetExternal, true);
  merge_.SetSelected(type == kTargetMerge, true);
  // Only a movie carried inside the output can be told how to loop.
  const bool merged = type == kTargetMerge;
  for (RadioButton* button : {&noChange_, &loop_, &noLoop_}) button->Enable(merged);
}

void DocumentPage::SelectLoopType(int type) {
  noChange_.SetSelected(type == kLoopNoChange, true);
  loop_.SetSelected(type == kLoopLoop, true);
  noLoop_.SetSelected(type == kLoopNoLoop, true);
}

void DocumentPage::Refresh() {
  protect_.SetChecked(project_.GetProtect(), true);
  compress_.SetChecked(project_.GetCompress(), true);
  const bool imageOn = project_.GetBackgroundImage().IsEnabled();
  bgImage_.SetChecked(imageOn, true);
  bgSettings_.Enable(imageOn);
  target_.SetText(project_.GetTargetUrl(), true);
  ReadTargetInfo(project_.GetTargetUrl(), false);
  width_.SetInt(project_.GetTargetWidth(), true);
  height_.SetInt(project_.GetTargetHeight(), true);
  fps_.SetInt(static_cast<int>(project_.GetTargetFps()), true);
  bgColor_.SetColor(project_.GetBackgroundColor(), true);
  percent_.SetInt(project_.GetPercent(), true);
  buffer_.SetText(TwoDecimals(project_.GetBufferFactor()), true);
  SelectPreloadMode(project_.GetPreloadMode() == kPreloadSmart);
  const int loopType = project_.GetTargetLoopType();
  SelectLoopType(loopType == kLoopLoop || loopType == kLoopNoLoop ? loopType : kLoopNoChange);
  const int targetType = project_.GetTargetType();
  SelectTargetType(targetType == kTargetExternal7 || targetType == kTargetExternal ? targetType : kTargetMerge);
  if (const RemovalEffect* effect = project_.GetRemovalEffect()) {
    const int index = project_.GetRemovalEffectLibrary().IndexOf(effect->GetName());
    if (index >= 0) effect_.SelectItem(index);
    effectTime_.SetText(TwoDecimals(effect->GetDuration() / 1000.0), true);
  } else if (effect_.GetControlRef() != nullptr) {
    // A project without a removal effect: nothing is selected, so a commit keeps it so.
    effect_.GetControlRef()->SetValue(0);
    effectTime_.Clear(true);
  }
}

// --- storing the controls ---

namespace {

// The frame rate a field holding whole frames stands for: the stored rate when the field
// still shows it (a rate of 29.97 shows as 29 and must not become 29.0), else the field's.
float FieldFps(int shown, float stored) {
  return static_cast<int>(stored) == shown ? stored : static_cast<float>(shown);
}

}  // namespace

bool DocumentPage::Commit(bool requireTarget) {
  // A commit made while the page itself changes the stage (the main window commits every
  // page first) stores the other controls only; the target was chosen already.
  const bool nested = sizing_;
  if (nested) requireTarget = false;
  WindowRef window = GetWindowRef();

  project_.SetProtect(protect_.IsChecked());
  project_.SetCompress(compress_.IsChecked());
  project_.GetBackgroundImage().SetEnabled(bgImage_.IsChecked());

  const WideString target = target_.GetTextString();
  if (requireTarget && target.empty()) {
    ui::ShowErrorBoxById(window, kErrorHeading, kNoTargetText);
    return false;
  }
  project_.SetTargetUrl(target);

  if (!project_.SetTargetFps(FieldFps(fps_.GetInt(), project_.GetTargetFps()))) {
    ui::ShowErrorBoxById(window, kRefusedHeading, kFpsText,
                         {static_cast<long long>(PreloaderData::GetTargetFpsMin()),
                          static_cast<long long>(PreloaderData::GetTargetFpsMax())});
    return false;
  }
  project_.SetBackgroundColor(bgColor_.GetColor());
  project_.SetPreloadMode(!simple_.IsSelected() && smart_.IsSelected() ? kPreloadSmart : kPreloadSimple);
  if (!project_.SetPercent(percent_.GetInt())) {
    ui::ShowErrorBoxById(window, kRefusedHeading, kPercentText,
                         {static_cast<long long>(PreloaderData::GetPercentMin()),
                          static_cast<long long>(PreloaderData::GetPercentMax())});
    return false;
  }
  // The field shows two decimals: while it still shows the stored factor, that stays.
  if (buffer_.GetTextString() != TwoDecimals(project_.GetBufferFactor())) project_.SetBufferFactor(buffer_.GetReal());

  if (external7_.IsSelected()) {
    project_.SetTargetType(kTargetExternal7);
  } else if (external_.IsSelected()) {
    project_.SetTargetType(kTargetExternal);
  } else if (merge_.IsSelected()) {
    if (!PathExists(project_.GetTargetUrl())) {
      ui::ShowErrorBoxById(window, kRefusedHeading, kMissingMergeTargetText);
      return false;
    }
    project_.SetTargetType(kTargetMerge);
  } else {
    project_.SetTargetType(kTargetExternal);
  }
  if (noChange_.IsSelected())
    project_.SetTargetLoopType(kLoopNoChange);
  else if (loop_.IsSelected())
    project_.SetTargetLoopType(kLoopLoop);
  else if (noLoop_.IsSelected())
    project_.SetTargetLoopType(kLoopNoLoop);
  StoreRemovalEffect();

  if (nested) return true;
  const int width = width_.GetInt(), height = height_.GetInt();
  bool taken = false;
  {
    SizingScope sizing(*this);
    taken = project_.SetTargetSize(width, height);
  }
  if (taken) return true;
  if (width < PreloaderData::GetTargetWidthMin() || width > PreloaderData::GetTargetWidthMax()) {
    ui::ShowErrorBoxById(window, kRefusedHeading, kWidthText,
                         {static_cast<long long>(PreloaderData::GetTargetWidthMin()),
                          static_cast<long long>(PreloaderData::GetTargetWidthMax())});
  } else if (height < PreloaderData::GetTargetHeightMin() || height > PreloaderData::GetTargetHeightMax()) {
    ui::ShowErrorBoxById(window, kRefusedHeading, kHeightText,
                         {static_cast<long long>(PreloaderData::GetTargetHeightMin()),
                          static_cast<long long>(PreloaderData::GetTargetHeightMax())});
  }
  return false;
}

void DocumentPage::StoreRemovalEffect() {
  const int index = effect_.GetSelectedItem();
  // Nothing selected: the project keeps its effect.
  if (index < 0) return;
  RemovalEffect* effect = project_.GetRemovalEffectLibrary().Get(index);
  if (effect == nullptr) return;
  const bool same = effect == project_.GetRemovalEffect();
  project_.SetRemovalEffect(effect);
  // The field shows two decimals: while it still shows the effect's duration, that stays.
  const WideString shown = effectTime_.GetTextString();
  if (same && shown == TwoDecimals(effect->GetDuration() / 1000.0)) return;
  effect->SetDuration(SecondsToMilliseconds(effectTime_.GetReal()));
}

int32_t DocumentPage::SecondsToMilliseconds(double seconds) {
  // A duration is never negative.
  return std::max(0, ::SecondsToMilliseconds(seconds));
}

// --- the edits ---

bool DocumentPage::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command == FourCC("bBrw")) {
    ChooseTarget();
  } else if (command == FourCC("bSyn")) {
    // Reading the movie again may change the stage: an edit like any other.
    EditTransaction edit(main_, project_);
    ReadTargetInfo(target_.GetTextString(), true);
  } else if (command == FourCC("bBgc")) {
    // The button's picker has run before the page sees the click.
    EditTransaction edit(main_, project_);
    project_.SetBackgroundColor(bgColor_.GetColor());
  } else if (command == FourCC("cBgi")) {
    const bool on = bgImage_.IsChecked();
    {
      EditTransaction edit(main_, project_);
      project_.GetBackgroundImage().SetEnabled(on);
    }
    bgSettings_.Enable(on);
  } else if (command == FourCC("sBgi")) {
    ShowBackgroundImageDialog();
  } else if (command == FourCC("rSmp") || command == FourCC("rSma")) {
    const bool smart = command == FourCC("rSma");
    SelectPreloadMode(smart);
    EditTransaction edit(main_, project_);
    project_.SetPreloadMode(smart ? kPreloadSmart : kPreloadSimple);
  } else if (command == FourCC("rEx7") || command == FourCC("rExt") || command == FourCC("rMrg")) {
    const int type = command == FourCC("rEx7")   ? kTargetExternal7
                     : command == FourCC("rExt") ? kTargetExternal
                                                 : kTargetMerge;
    SelectTargetType(type);
    if (type == kTargetExternal) ShowExternalTargetNotice();
    EditTransaction edit(main_, project_);
    project_.SetTargetType(static_cast<TargetType>(type));
  } else if (command == FourCC("rNoc") || command == FourCC("rLop") || command == FourCC("rStp")) {
    const int type = command == FourCC("rNoc") ? kLoopNoChange : command == FourCC("rLop") ? kLoopLoop : kLoopNoLoop;
    SelectLoopType(type);
    EditTransaction edit(main_, project_);
    project_.SetTargetLoopType(static_cast<TargetLoopType>(type));
  } else if (command == FourCC("cLok")) {
    EditTransaction edit(main_, project_);
    project_.SetProtect(protect_.IsChecked());
  } else if (command == FourCC("cCmp")) {
    EditTransaction edit(main_, project_);
    project_.SetCompress(compress_.IsChecked());
  } else if (command == FourCC("mFxo")) {
    EditTransaction edit(main_, project_);
    StoreRemovalEffect();
  } else {
    return false;
  }
  return true;
}

bool DocumentPage::OnControlChange(ControlRef hit, ControlRef previous) {
  (void)hit;
  if (previous != nullptr) ApplyField(previous);
  return false;
}

void DocumentPage::ApplyField(ControlRef field) {
  if (field == target_.GetControlRef()) {
    EditTransaction edit(main_, project_);
    project_.SetTargetUrl(target_.GetTextString());
  } else if (field == width_.GetControlRef() || field == height_.GetControlRef()) {
    const bool isWidth = field == width_.GetControlRef();
    EditTextField& edited = isWidth ? width_ : height_;
    bool taken = false;
    {
      EditTransaction edit(main_, project_);
      SizingScope sizing(*this);
      taken = isWidth ? project_.SetTargetWidth(edited.GetInt()) : project_.SetTargetHeight(edited.GetInt());
    }
    if (!taken && isWidth) {
      Refuse(width_, kWidthText, PreloaderData::GetTargetWidthMin(), PreloaderData::GetTargetWidthMax(),
             project_.GetTargetWidth());
    } else if (!taken) {
      Refuse(height_, kHeightText, PreloaderData::GetTargetHeightMin(), PreloaderData::GetTargetHeightMax(),
             project_.GetTargetHeight());
    }
  } else if (field == fps_.GetControlRef()) {
    bool taken = false;
    {
      EditTransaction edit(main_, project_);
      taken = project_.SetTargetFps(FieldFps(fps_.GetInt(), project_.GetTargetFps()));
    }
    if (!taken)
      Refuse(fps_, kFpsText, static_cast<int>(PreloaderData::GetTargetFpsMin()),
             static_cast<int>(PreloaderData::GetTargetFpsMax()), static_cast<int>(project_.GetTargetFps()));
  } else if (field == percent_.GetControlRef()) {
    bool taken = false;
    {
      EditTransaction edit(main_, project_);
      taken = project_.SetPercent(percent_.GetInt());
    }
    if (!taken)
      Refuse(percent_, kPercentText, PreloaderData::GetPercentMin(), PreloaderData::GetPercentMax(),
             project_.GetPercent());
  } else if (field == buffer_.GetControlRef()) {
    if (buffer_.GetTextString() == TwoDecimals(project_.GetBufferFactor())) return;
    EditTransaction edit(main_, project_);
    project_.SetBufferFactor(buffer_.GetReal());
  } else if (field == effectTime_.GetControlRef()) {
    EditTransaction edit(main_, project_);
    StoreRemovalEffect();
  }
}

void DocumentPage::Refuse(EditTextField& field, int text, int min, int max, int stored) {
  ui::ShowErrorBoxById(GetWindowRef(), kRefusedHeading, text,
                       {static_cast<long long>(min), static_cast<long long>(max)});
  field.SetInt(stored, true);
  ControlRef control = field.GetControlRef();
  if (control == nullptr) return;
  control->Focus();
  // A Tab that committed the field still moves the focus on once the page is done: the
  // focus comes back after it.
  std::weak_ptr<host::ui::Control> weak = control->shared_from_this();
  host::MainLoopQueue::Instance().Post([weak] {
    if (auto alive = weak.lock()) alive->Focus();
  });
}

void DocumentPage::ShowExternalTargetNotice() {
  bool& warn = AppPreferences::Instance().warnOnExternalTarget;
  uint8_t show = warn ? 1 : 0;
  RunNoticeDialog(L"IDD_WARNING_EXTERNAL_TARGET", GetWindowRef(), &show);
  warn = show != 0;
}

void DocumentPage::ShowBackgroundImageDialog() {
  // The stage in pixels, as the dialog fits the image to it.
  const BackgroundImageDialog::StageRect stage{0, 0, static_cast<int16_t>(project_.GetTargetHeight()),
                                               static_cast<int16_t>(project_.GetTargetWidth())};
  // Whatever the dialog stores is one edit; a dialog left with Cancel stores nothing.
  EditTransaction edit(main_, project_);
  BackgroundImageDialog dialog(project_.GetBackgroundImage(), stage);
  dialog.DoModal(GetMainNib(), L"IDD_BGIMAGE_SETTINGS", GetWindowRef(), kBackgroundDialogNumber);
}

// --- the target movie ---

bool DocumentPage::ChooseTarget() {
  ui::FileTypeFilterList filters;
  filters.AddSwfMovieFilters();
  ui::FileDialogOptions options;
  options.defaultExtension = L"swf";
  options.filters = &filters;
  ui::FileDialogResult reply;
  ui::OpenFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), &options) || !reply.chosen) return false;
  bool read = false;
  {
    EditTransaction edit(main_, project_);
    read = ReadTargetInfo(reply.path, true);
  }
  if (read) main_.AddRecentMovie(reply.path);
  return read;
}

bool DocumentPage::ReadTargetInfo(const WideString& path, bool apply) {
  SwfReader reader;
  // The header is parsed; the tags are read one by one below, only as far as needed.
  if (path.empty() || !reader.LoadFileWithOptions(path, true, 0, false)) {
    SetTargetInfoLabels(L"N/A");
    if (apply) ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, kUnreadableTargetText, {std::wstring(path)});
    return false;
  }
  const SwfHeader& header = reader.GetHeader();
  targetSize_.SetText(FormatByteSize(header.fileLength), true);
  targetFrames_.SetInt(header.frameCount, true);
  targetVersion_.SetInt(header.version, true);
  const WideString absolute = MakeAbsolutePath(path);
  target_.SetText(absolute, true);
  const int32_t width = header.GetFrameWidth() / 20;
  const int32_t height = header.GetFrameHeight() / 20;
  targetWidth_.SetInt(width, true);
  targetHeight_.SetInt(height, true);
  const float rate = header.frameRate;
  targetFps_.SetText(Formatted(L"%.1f fps", static_cast<double>(rate)), true);
  if (!apply) return true;

  // The movie becomes the target with its stage.
  project_.SetTargetUrl(absolute);
  project_.SetTargetOriginX(-(header.frameSize.xmin / 20));
  project_.SetTargetOriginY(-(header.frameSize.ymin / 20));
  width_.SetInt(width, true);
  height_.SetInt(height, true);
  {
    SizingScope sizing(*this);
    project_.SetTargetSize(width, height);  // a size beyond the stage's range is not taken
  }
  fps_.SetInt(static_cast<int>(rate), true);
  project_.SetTargetFps(rate);
  for (int n = 0; n < kMaxTagsBeforeBackground; ++n) {
    std::unique_ptr<SwfTag> tag = reader.ReadNextTag();
    if (tag == nullptr || tag->TagCode() == kSwfTagEnd) break;
    if (tag->TagCode() == kSwfTagSetBackgroundColor) {
      const uint32_t color = static_cast<const SetBackgroundColorTag&>(*tag).GetColor();
      bgColor_.SetColor(color, true);
      project_.SetBackgroundColor(color);
      break;
    }
  }
  return true;
}

void DocumentPage::ShowOutputSize(uint64_t bytes) {
  outputSize_ = FormatByteSize(bytes);
  outputSizeLabel_.SetText(outputSize_, true);
}

WideString DocumentPage::FormatByteSize(uint64_t bytes) {
  if (bytes < 1024) return Formatted(L"%lld bytes", static_cast<long long>(bytes));
  if (bytes < 1024000) return Formatted(L"%.2f kb", static_cast<double>(bytes) / 1024.0);
  return Formatted(L"%.2f MB", static_cast<double>(bytes) / 1024000.0);
}
