// The preloaders palette "IDD_PRELOADERS": a floating window of the main window listing the
// preloader library, grouped by sub-folder. Its set-up reads the library folders once into
// the project's display library; choosing a type makes it the project's display through the
// main window. The list is a FileListControl: a tree of folder and display-type rows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Signal.h"
#include "platform/WideString.h"
#include "preloader/PreloaderFolders.h"
#include "ui/DialogWindow.h"
#include "ui/TreeListView.h"

class MainWindow;
class PreloaderDisplay;

// The object of one row: a display type (owned by the project's library) or a folder
// (owned by the row).
struct FileListItem {
  enum Kind : uint8_t { kDisplay = 0, kFolder = 1 };
  PreloaderDisplay* display = nullptr;
  std::unique_ptr<PreloaderFolder> folder;
  Kind kind = kDisplay;
};

class FileListControl : public TreeListView {
 public:
  // Icon indexes of the rows.
  static constexpr int kFolderIcon = 0, kOpenFolderIcon = 1, kFileIcon = 2;

  ~FileListControl() override;
  // The new row, or null for a null type or folder.
  TreeListNode* AddItem(PreloaderDisplay* display, TreeListNode* parent);
  TreeListNode* AddFolderNode(std::unique_ptr<PreloaderFolder> folder, TreeListNode* parent);
  // Selects the first display-type row (depth first) whose name equals the type's, ignoring
  // case, without emitting the selection signal; false when there is none.
  bool SelectItem(const PreloaderDisplay& display);
  TreeListNode* FindItemByName(const WideString& name) const;
  // Emitted with the row's item when the user selects a row.
  Signal<FileListItem*>& Selection() { return selection_; }

  void OnItemSelected(TreeListNode* node) override;
  using TreeListView::AddItem;
  using TreeListView::SelectItem;

 private:
  TreeListNode* AddRow(std::unique_ptr<FileListItem> item, const WideString& text, int icon, TreeListNode* parent);

  Signal<FileListItem*> selection_;
  std::vector<std::unique_ptr<FileListItem>> items_;
};

// -1, 0 or 1 as the texts compare with every character lower-cased.
int CompareNoCase(const WideString& a, const WideString& b);

class PreloadersPalette : public DialogWindow {
 public:
  explicit PreloadersPalette(MainWindow& window) : main_(window) {}
  ~PreloadersPalette() override;

  bool OnInitDialog() override;
  // The close box hides the palette.
  bool OnClose() override;
  bool OnCommand(uint32_t, UiEvent&) override { return false; }
  // The list keeps its right and bottom margins.
  bool OnSize(int width, int height) override;

  // Reads every library folder into the project's library and the list, sorts the list and
  // titles the palette "Preloaders: <number of types>". False when no folder exists.
  bool LoadLibrary();
  // Selects the row of the type's name, or clears the selection for null; emits nothing.
  void SelectDisplayType(const PreloaderDisplay* display);

  // The folders the next scans read instead of the standard ones (empty: the standard
  // ones again); tests give their own library.
  static void SetLibraryFolders(std::vector<WideString> folders);

  FileListControl& GetList() { return list_; }
  int GetTypeCount() const { return typeCount_; }
  // What the last scan left out, and why.
  const std::vector<RefusedPreloader>& GetRefused() const { return refused_; }

 private:
  void OnSelection(FileListItem* item);

  FileListControl list_;
  UiRect initialWindow_{};
  UiRect initialList_{};
  int typeCount_ = 0;
  MainWindow& main_;
  std::vector<RefusedPreloader> refused_;
};
