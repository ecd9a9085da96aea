#include "app/UndoHistory.h"

#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

namespace {

WideString SnapshotPath(const wchar_t* stem) {
  WideString path;
  // An empty path writes nothing and reads nothing: the step then restores nothing.
  if (!GetTempFilePath(path, stem, true)) path.clear();
  return path;
}

void DeleteSnapshot(const WideString& path) {
  if (!path.empty()) DeleteFileAtPath(path, false);
}

}  // namespace

SnapshotUndoAction::SnapshotUndoAction(PreloaderData* project)
    : project_(project), undoFile_(SnapshotPath(L"_undo")), redoFile_(SnapshotPath(L"_redo")) {}

SnapshotUndoAction::~SnapshotUndoAction() {
  DeleteSnapshot(undoFile_);
  DeleteSnapshot(redoFile_);
}

bool SnapshotUndoAction::SaveUndoSnapshot() {
  return project_ != nullptr && !undoFile_.empty() && WriteProjectSnapshot(undoFile_, *project_);
}

bool SnapshotUndoAction::SaveRedoSnapshot() {
  return project_ != nullptr && !redoFile_.empty() && WriteProjectSnapshot(redoFile_, *project_);
}

void SnapshotUndoAction::Undo() {
  if (project_ != nullptr && !undoFile_.empty()) (void)ReadProjectSnapshot(undoFile_, *project_);
}

void SnapshotUndoAction::Redo() {
  if (project_ != nullptr && !redoFile_.empty()) (void)ReadProjectSnapshot(redoFile_, *project_);
}

void UndoHistory::Push(std::unique_ptr<UndoAction> action) {
  if (!action) return;
  actions_.push_back(std::move(action));
  while (Count() > kLimit) actions_.erase(actions_.begin());
  position_ = Count();
  saved_ = false;
}

void UndoHistory::Undo() {
  if (!CanUndo()) return;
  --position_;
  actions_[static_cast<size_t>(position_)]->Undo();
}

void UndoHistory::Redo() {
  if (!CanRedo()) return;
  actions_[static_cast<size_t>(position_)]->Redo();
  ++position_;
}

void UndoHistory::Clear() {
  actions_.clear();
  position_ = 0;
  saved_ = false;
}

const UndoAction* UndoHistory::At(int index) const {
  return index >= 0 && index < Count() ? actions_[static_cast<size_t>(index)].get() : nullptr;
}

EditTransaction::EditTransaction(UndoSink& sink, PreloaderData& project) : sink_(sink), project_(project) {
  project_.GetModificationCount(true);
  action_ = std::make_unique<SnapshotUndoAction>(&project_);
  before_ = action_->SaveUndoSnapshot();
}

bool EditTransaction::Finish() {
  if (finished_) return false;
  finished_ = true;
  const bool changed = project_.GetModificationCount(true) != 0;
  // Without the "before" file the step could not undo anything: the edit stands, no step.
  if (!changed || !before_ || !action_->SaveRedoSnapshot()) {
    action_.reset();
    return false;
  }
  sink_.PushUndoAction(std::move(action_));
  return true;
}

int DeleteUndoFiles() {
  const WideString temp = GetTempFolderPath();
  if (temp.empty() || GetAppTempFolderName().empty()) return 0;
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(WideToUtf8(temp + GetAppTempFolderName()));
  std::error_code ec;
  int deleted = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("_undo", 0) != 0 && name.rfind("_redo", 0) != 0) continue;
    if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
    if (fs::remove(it->path(), ec)) ++deleted;
  }
  return deleted;
}
