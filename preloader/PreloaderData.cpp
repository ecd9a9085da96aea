#include "preloader/PreloaderData.h"

#include "swf/SwfFileInfo.h"

bool PreloaderData::KeepSelectionsOnRead = true;

namespace {

template <typename T>
int InsertInto(std::vector<std::unique_ptr<T>>& list, T* element, int index) {
  if (element == nullptr) return -1;
  size_t at = list.size();
  if (index <= 0) {
    at = 0;
  } else if (static_cast<size_t>(index) < list.size()) {
    at = static_cast<size_t>(index);
  }
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), std::unique_ptr<T>(element));
  CountModification();
  return static_cast<int>(at);
}

template <typename T>
bool DeleteFrom(std::vector<std::unique_ptr<T>>& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return false;
  list.erase(list.begin() + index);
  CountModification();
  return true;
}

template <typename T>
T* ElementOf(const std::vector<std::unique_ptr<T>>& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return list[static_cast<size_t>(index)].get();
}

template <typename T>
int SelectIn(const std::vector<std::unique_ptr<T>>& list, int index, int& selection) {
  selection = index >= 0 && static_cast<size_t>(index) < list.size() ? index : -1;
  return static_cast<int>(list.size());
}

// The readers append at this index.
constexpr int kAppend = 65535;

}  // namespace

PreloaderData::PreloaderData() {
  textEffectLibrary_.Fill();
  removalEffectLibrary_.Fill();
  Reset();
}

PreloaderData::~PreloaderData() = default;

void PreloaderData::Reset() {
  targetUrl_.clear();
  targetWidth_ = 300;
  targetHeight_ = 200;
  targetXPos_ = targetYPos_ = 0;
  targetOriginX_ = targetOriginY_ = 0;
  backgroundColor_ = 0xFFFFFF;
  targetFps_ = 12.0f;
  preloadMode_ = kPreloadSimple;
  percent_ = 100;
  bufferFactor_ = 1.0;
  targetType_ = kTargetExternal7;
  forcedMinDisplayMsec_ = 0;
  loopType_ = kLoopNoChange;
  display_ = nullptr;
  unresolvedDisplay_.clear();
  displayEnabled_ = false;
  skipButtonEnabled_ = false;
  preview_ = displayOnlyPreview_ = false;
  protect_ = false;
  compress_ = false;
  useRelativeSwfPath_ = false;
  lockRoot_ = true;
  backgroundImage_.Reset();
  removalEffect_ = removalEffectLibrary_.FindByName(L"Remove");
  progressMessages_.clear();
  loadMessages_.clear();
  imports_.clear();
  progressSelection_ = loadSelection_ = importSelection_ = -1;
}

bool PreloaderData::SetTargetUrl(const WideString& url) {
  ChangeValue(targetUrl_, url);
  return true;
}

bool PreloaderData::SetTargetSize(int32_t width, int32_t height) {
  if (width < GetTargetWidthMin() || width > GetTargetWidthMax() || height < GetTargetHeightMin() ||
      height > GetTargetHeightMax())
    return false;
  if (width == targetWidth_ && height == targetHeight_) return true;
  CountModification();
  beforeSizeChange_.Emit(this);
  targetWidth_ = width;
  targetHeight_ = height;
  if (display_ != nullptr) display_->AlignToDocument(*this);
  AlignProgressMessages();
  AlignLoadMessages();
  AlignImports();
  afterSizeChange_.Emit(this);
  return true;
}

bool PreloaderData::SetTargetOriginX(int32_t x) {
  ChangeValue(targetOriginX_, x);
  return true;
}

bool PreloaderData::SetTargetOriginY(int32_t y) {
  ChangeValue(targetOriginY_, y);
  return true;
}

bool PreloaderData::SetTargetFps(float fps) {
  if (!(fps >= GetTargetFpsMin() && fps <= GetTargetFpsMax())) return false;
  ChangeValue(targetFps_, fps);
  return true;
}

void PreloaderData::SetBackgroundColor(uint32_t color) { ChangeValue(backgroundColor_, color); }
void PreloaderData::SetPreloadMode(PreloadMode mode) { ChangeValue(preloadMode_, static_cast<int32_t>(mode)); }
void PreloaderData::SetTargetType(TargetType type) { ChangeValue(targetType_, static_cast<int32_t>(type)); }
void PreloaderData::SetTargetLoopType(TargetLoopType type) { ChangeValue(loopType_, static_cast<int32_t>(type)); }

bool PreloaderData::SetPercent(int32_t percent) {
  if (percent < GetPercentMin() || percent > GetPercentMax()) return false;
  ChangeValue(percent_, percent);
  return true;
}

bool PreloaderData::SetBufferFactor(double factor) {
  ChangeValue(bufferFactor_, factor);
  return true;
}

void PreloaderData::SetProtect(bool on) { ChangeValue(protect_, on); }
void PreloaderData::SetCompress(bool on) { ChangeValue(compress_, on); }
void PreloaderData::SetUseRelativeSwfPath(bool on) { ChangeValue(useRelativeSwfPath_, on); }
void PreloaderData::SetLockRoot(bool on) { ChangeValue(lockRoot_, on); }
void PreloaderData::SetDisplayEnabled(bool on) { ChangeValue(displayEnabled_, on); }

void PreloaderData::SetDisplay(PreloaderDisplay* display) {
  // Choosing a display (or none) replaces a display that was saved but is not in the
  // library.
  if (ChangeValue(display_, display)) unresolvedDisplay_.clear();
}

void PreloaderData::SetRemovalEffect(RemovalEffect* effect) { ChangeValue(removalEffect_, effect); }

void PreloaderData::SetPreviewMode(bool preview, bool displayOnly) {
  preview_ = preview;
  displayOnlyPreview_ = displayOnly;
}

int PreloaderData::SelectProgressMessage(int index) { return SelectIn(progressMessages_, index, progressSelection_); }
int PreloaderData::SelectLoadMessage(int index) { return SelectIn(loadMessages_, index, loadSelection_); }
int PreloaderData::SelectImport(int index) { return SelectIn(imports_, index, importSelection_); }

ProgressMessage* PreloaderData::GetProgressMessage(int index) const { return ElementOf(progressMessages_, index); }
LoadMessage* PreloaderData::GetLoadMessage(int index) const { return ElementOf(loadMessages_, index); }
ImportItem* PreloaderData::GetImport(int index) const { return ElementOf(imports_, index); }

int PreloaderData::InsertProgressMessage(ProgressMessage* message, int index) {
  return InsertInto(progressMessages_, message, index);
}

int PreloaderData::InsertLoadMessage(LoadMessage* message, int index) {
  if (message == nullptr) return -1;
  message->AlignToDocument(*this);
  if (message->GetTextEffect() == nullptr) message->SetTextEffect(textEffectLibrary_.FindByName(L"None"));
  return InsertInto(loadMessages_, message, index);
}

int PreloaderData::InsertImport(ImportItem* item, int index) { return InsertInto(imports_, item, index); }

bool PreloaderData::DeleteProgressMessage(int index) { return DeleteFrom(progressMessages_, index); }
bool PreloaderData::DeleteLoadMessage(int index) { return DeleteFrom(loadMessages_, index); }
bool PreloaderData::DeleteImport(int index) { return DeleteFrom(imports_, index); }

void PreloaderData::AlignProgressMessages() {
  for (auto& m : progressMessages_) m->AlignToDocument(*this);
}

void PreloaderData::AlignLoadMessages() {
  for (auto& m : loadMessages_) m->AlignToDocument(*this);
}

void PreloaderData::AlignImports() {
  for (auto& i : imports_) i->AlignToDocument(*this);
}

int32_t PreloaderData::GetModificationCount(bool reset) {
  const int32_t count = PeekModificationCount();
  if (reset) ResetModificationCount();
  return count;
}

int PreloaderData::GetSwfVersion() const {
  int version = targetType_ == kTargetExternal7 ? 7 : 5;
  for (const auto& item : imports_) {
    if (item->GetSourceKind() == kImportSourceImage && !item->GetEmbedImage() && version <= 5) version = 6;
  }
  uint8_t targetVersion = 0;
  if (!targetUrl_.empty() && ReadSwfFileInfo(targetUrl_, nullptr, nullptr, nullptr, &targetVersion, nullptr, nullptr) &&
      targetVersion > version)
    version = targetVersion;
  return version;
}

// --- document ---

bool PreloaderData::WriteXml(XmlWriter& w) const {
  using namespace projectxml;
  w.WriteRaw(L"<preloader_data");
  Text(w, L"target_url", targetUrl_);
  Int(w, L"target_width", targetWidth_);
  Int(w, L"target_height", targetHeight_);
  Int(w, L"target_xpos", targetXPos_);
  Int(w, L"target_ypos", targetYPos_);
  Float(w, L"target_fps", targetFps_);
  UInt(w, L"bg_color", backgroundColor_);
  Bool(w, L"protect", protect_);
  Bool(w, L"compress", compress_);
  Bool(w, L"use_relative_swf_path", useRelativeSwfPath_);
  UInt(w, L"forced_min_display_msec", forcedMinDisplayMsec_);
  Bool(w, L"lock_root", lockRoot_);
  Word(w, L"type", preloadMode_, kPreloadModeWords);
  Int(w, L"percent", percent_);
  Double(w, L"buffer_factor", bufferFactor_);
  Word(w, L"target_type", targetType_, kTargetTypeWords);
  Word(w, L"target_loop_type", loopType_, kLoopTypeWords);
  w.WriteRaw(L" >\n");

  backgroundImage_.WriteXml(w);

  w.WriteRaw(L"<preloader_fx_remove");
  Bool(w, L"enable", removalEffect_ != nullptr);
  if (removalEffect_ != nullptr) removalEffect_->WriteXml(w);
  w.WriteRaw(L" />\n");

  w.WriteRaw(L"<display");
  Bool(w, L"enable", displayEnabled_);
  if (display_ != nullptr) {
    display_->WriteXml(w);
  } else {
    for (const auto& [name, value] : unresolvedDisplay_) Text(w, name.c_str(), value);
  }
  w.WriteRaw(L" />\n");

  w.WriteRaw(L"<progress_messages");
  Int(w, L"selection", progressSelection_);
  w.WriteRaw(L" >\n");
  for (const auto& m : progressMessages_) m->WriteXml(w);
  w.WriteRaw(L"</progress_messages>\n");

  w.WriteRaw(L"<load_messages");
  Int(w, L"selection", loadSelection_);
  w.WriteRaw(L" >\n");
  for (const auto& m : loadMessages_) m->WriteXml(w);
  w.WriteRaw(L"</load_messages>\n");

  w.WriteRaw(L"<imports");
  Int(w, L"selection", importSelection_);
  w.WriteRaw(L" >\n");
  for (const auto& i : imports_) i->WriteXml(w);
  w.WriteRaw(L"</imports>\n");

  w.WriteRaw(L"</preloader_data>\n");
  return true;
}

bool PreloaderData::ReadXml(const XmlElement& element) {
  Reset();
  projectxml::Attributes a;
  if (a.Load(element)) {
    WideString text;
    if (a.Text("target_url", text)) SetTargetUrl(text);
    a.Int("target_width", targetWidth_);
    a.Int("target_height", targetHeight_);
    a.Int("target_xpos", targetXPos_);
    a.Int("target_ypos", targetYPos_);
    a.Int("percent", percent_);
    a.UInt("forced_min_display_msec", forcedMinDisplayMsec_);
    a.UInt("bg_color", backgroundColor_);
    double number = 0.0;
    if (a.Double("target_fps", number)) targetFps_ = static_cast<float>(number);
    a.Double("buffer_factor", bufferFactor_);
    a.Bool("protect", protect_);
    a.Bool("compress", compress_);
    a.Bool("use_relative_swf_path", useRelativeSwfPath_);
    a.Bool("lock_root", lockRoot_);
    a.Word("type", kPreloadModeWords, preloadMode_);
    a.Word("target_type", kTargetTypeWords, targetType_);
    // The older switch: present means loop, whatever its value; the newer attribute wins.
    if (a.Has("allow_target_loop")) loopType_ = kLoopLoop;
    a.Word("target_loop_type", kLoopTypeWords, loopType_);
  }

  XmlChildren children;
  XmlElement child;
  if (!element.GetChildren(children)) return true;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (!child.IsElement()) continue;
    const WideString name = child.GetName();
    if (name == L"bg_image") {
      backgroundImage_.ReadXml(child);
    } else if (name == L"preloader_fx_remove") {
      ReadRemovalEffectXml(child);
    } else if (name == L"display") {
      ReadDisplayXml(child);
    } else if (name == L"progress_messages") {
      ReadProgressMessagesXml(child);
    } else if (name == L"load_messages") {
      ReadLoadMessagesXml(child);
    } else if (name == L"imports") {
      ReadImportsXml(child);
    }
  }
  return true;
}

bool PreloaderData::ReadRemovalEffectXml(const XmlElement& element) {
  RemovalEffect* effect = removalEffectLibrary_.ReadXml(element);
  SetRemovalEffect(effect);
  if (effect == nullptr) return false;
  effect->ReadXml(element);
  return true;
}

bool PreloaderData::ReadDisplayXml(const XmlElement& element) {
  XmlAttributes attributes;
  XmlElement value;
  if (!element.GetAttributes(attributes) || !attributes.Find("enable", value)) return true;
  SetDisplayEnabled(value.GetBool());
  SetDisplay(preloaderLibrary_.ReadDisplayXml(element));
  if (display_ == nullptr) {
    // A display this machine's library does not hold: keep what was saved, so that saving
    // again writes it back unchanged.
    unresolvedDisplay_.clear();
    WideString name, text;
    for (int i = 0; attributes.GetAt(i, name, text); ++i) {
      if (name != L"enable") unresolvedDisplay_.emplace_back(name, text);
    }
  }
  return true;
}

void PreloaderData::ReadListSelection(const XmlElement& element, int& selection) {
  projectxml::Attributes a;
  int32_t saved = -1;
  if (a.Load(element) && a.Int("selection", saved)) selection = saved;
  if (!KeepSelectionsOnRead) selection = -1;
}

bool PreloaderData::ReadProgressMessagesXml(const XmlElement& element) {
  ReadListSelection(element, progressSelection_);
  XmlChildren children;
  XmlElement child;
  if (!element.GetChildren(children)) return true;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (!child.IsElement()) continue;
    auto message = std::make_unique<ProgressMessage>();
    message->ReadXml(child);
    InsertProgressMessage(message.release(), kAppend);
  }
  return true;
}

bool PreloaderData::ReadLoadMessagesXml(const XmlElement& element) {
  ReadListSelection(element, loadSelection_);
  XmlChildren children;
  XmlElement child;
  if (!element.GetChildren(children)) return true;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (!child.IsElement()) continue;
    auto message = std::make_unique<LoadMessage>();
    message->ReadXml(child, *this);
    InsertLoadMessage(message.release(), kAppend);
  }
  return true;
}

bool PreloaderData::ReadImportsXml(const XmlElement& element) {
  ReadListSelection(element, importSelection_);
  XmlChildren children;
  XmlElement child;
  if (!element.GetChildren(children)) return true;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (!child.IsElement()) continue;
    auto item = std::make_unique<ImportItem>();
    item->ReadXml(child);
    InsertImport(item.release(), kAppend);
  }
  return true;
}
