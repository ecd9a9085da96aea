// Undo and redo over whole-project snapshots. Every edit a page makes runs as one edit
// transaction: the project is written to a snapshot file before the change and, when the
// change really altered it, to a second one after; the pair is one step of the history,
// which keeps the latest five. Snapshot files live in the program's private temporary
// sub-folder under names no other step (nor another running copy) shares.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"

class PreloaderData;

class UndoAction {
 public:
  virtual ~UndoAction() = default;
  virtual void Redo() = 0;
  virtual void Undo() = 0;
};

class SnapshotUndoAction : public UndoAction {
 public:
  // Names the two files; writes nothing.
  explicit SnapshotUndoAction(PreloaderData* project);
  // Deletes both files.
  ~SnapshotUndoAction() override;
  SnapshotUndoAction(const SnapshotUndoAction&) = delete;
  SnapshotUndoAction& operator=(const SnapshotUndoAction&) = delete;

  // Write the project as it stands; false when no complete file could be written (or there
  // is no project).
  bool SaveUndoSnapshot();
  bool SaveRedoSnapshot();
  // Read the project back from the "before" or "after" file, selections included. A file
  // that can't be read leaves the project as it is.
  void Undo() override;
  void Redo() override;

  const WideString& GetUndoFile() const { return undoFile_; }
  const WideString& GetRedoFile() const { return redoFile_; }

 private:
  PreloaderData* project_;
  WideString undoFile_;
  WideString redoFile_;
};

class UndoHistory {
 public:
  static constexpr int kLimit = 5;

  UndoHistory() = default;
  ~UndoHistory() { Clear(); }
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // Appends the step after every stored one (undone steps stay before it), drops the oldest
  // beyond the limit, puts the position at the end and clears the saved flag.
  void Push(std::unique_ptr<UndoAction> action);
  // Each does nothing when there is no step on its side of the position.
  void Undo();
  void Redo();
  bool CanUndo() const { return position_ > 0; }
  bool CanRedo() const { return position_ >= 0 && position_ < Count(); }
  // Deletes every step (and its files); position 0, saved flag clear.
  void Clear();
  void MarkSaved() { saved_ = true; }
  bool IsSaved() const { return saved_; }

  int Count() const { return static_cast<int>(actions_.size()); }
  int Position() const { return position_; }
  const UndoAction* At(int index) const;

 private:
  std::vector<std::unique_ptr<UndoAction>> actions_;
  int position_ = 0;
  bool saved_ = false;
};

// Where a finished edit transaction hands its step: the main window.
class UndoSink {
 public:
  virtual ~UndoSink() = default;
  virtual void PushUndoAction(std::unique_ptr<UndoAction> action) = 0;
};

// One edit of the project: construct it before the first setter, call Finish (or let the
// destructor do it) after the last. A step is pushed only when a setter counted a change
// and both snapshots were written; otherwise its files go at once.
class EditTransaction {
 public:
  EditTransaction(UndoSink& sink, PreloaderData& project);
  ~EditTransaction() { Finish(); }
  EditTransaction(const EditTransaction&) = delete;
  EditTransaction& operator=(const EditTransaction&) = delete;

  // True when a step was pushed. Only the first call does anything.
  bool Finish();

 private:
  UndoSink& sink_;
  PreloaderData& project_;
  std::unique_ptr<SnapshotUndoAction> action_;
  bool before_ = false;
  bool finished_ = false;
};

// Deletes the snapshot files ("_undo…", "_redo…") in the program's temporary sub-folder;
// other files there stay. Returns how many were deleted.
int DeleteUndoFiles();
