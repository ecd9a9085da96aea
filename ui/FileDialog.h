// The choosers of files and folders (save, open, choose a file, choose a folder) with their
// type popups, and the relocation of files that have gone missing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/FileTypes.h"
#include "platform/WideString.h"

namespace host::ui {
class Window;
}

namespace ui {

using WindowRef = host::ui::Window*;

// The type that matches every file.
inline constexpr OSType kAnyFileType = MakeFourCC("xXxX");

struct FileTypeRecord {
  OSType type = 0;
  std::vector<WideString> extensions;  // without the dot
};

struct FileTypeFilter {
  WideString label;
  std::vector<FileTypeRecord> records;
};

// The entries of a type popup, in order. The Add functions insert at `index`: a negative
// index inserts first, an index below the count inserts there, any other appends.
class FileTypeFilterList {
 public:
  bool AddAllFilesFilter(int index);
  // Without a label the type's description is used; the extensions are the type's.
  bool AddFileTypeFilter(OSType type, const wchar_t* label, int index);
  bool AddFilterGroup(const wchar_t* label, int count, const OSType* types, int index);
  // The movie entry, then "All Files".
  void AddSwfMovieFilters();
  // "All Images" of the eight picture types, an entry for each, then "All Files".
  void AddImageFilters();

  size_t Count() const { return filters_.size(); }
  const FileTypeFilter* At(int index) const;

 private:
  void Insert(std::unique_ptr<FileTypeFilter> filter, int index);
  std::vector<std::unique_ptr<FileTypeFilter>> filters_;
};

// Splits a ';'-separated extension list ("jpg;jpeg"); empty parts are dropped.
std::vector<WideString> SplitExtensionList(const WideString& list);

// Whether the open chooser lists an item: folders always (even when the entry would hide
// every file, the user can still move between folders); no list: everything; otherwise the
// entry at the index decides by Mac type ('xXxX' matches all) or by extension, ignoring case.
// A missing entry hides every file.
bool FileFilterShows(const FileTypeFilterList* list, int index, const WideString& name, bool isFolder, OSType macType);
// Whether the relocation chooser lists an item: folders, and files named as the wanted file
// (ignoring case).
bool RelocationFilterShows(const WideString& wantedName, const WideString& name, bool isFolder);

struct FileDialogOptions {
  const wchar_t* defaultExtension = nullptr;
  const FileTypeFilterList* filters = nullptr;
  int32_t selectedFilter = 0;
  OSType creator = MakeFourCC("****");
  OSType fileType = MakeFourCC("****");
  const wchar_t* defaultName = nullptr;
  const wchar_t* title = nullptr;
  const wchar_t* actionLabel = nullptr;
  const wchar_t* cancelLabel = nullptr;
  const wchar_t* message = nullptr;
  bool allowMultiple = false;
};

struct FileDialogResult {
  int32_t filterIndex = 0;
  int32_t count = 0;
  WideString path;                    // the first chosen item
  std::vector<WideString> morePaths;  // the further ones
  bool chosen = false;                // test before using the path
};

class FileDialog {
 public:
  enum Kind { kSave = 0, kOpenFile = 1, kChooseFile = 2, kChooseFolder = 3 };
  explicit FileDialog(Kind kind) : kind_(kind) {}
  // True when at least one item was chosen and every chosen item gave a path.
  bool Run(FileDialogResult& reply, WindowRef parent, const FileDialogOptions* options);
  // The name a save chooser shows after a type popup choice: the default extension for a
  // choice outside the list, the typed name unchanged otherwise.
  static void NameForFilterChoice(int index, const wchar_t* defaultExtension, WideString& name);

 private:
  Kind kind_;
  FileDialogOptions options_;
};

class OpenFileDialog : public FileDialog {
 public:
  OpenFileDialog() : FileDialog(kOpenFile) {}
};

class SaveFileDialog : public FileDialog {
 public:
  SaveFileDialog() : FileDialog(kSave) {}
};

class RelocateFileDialog {
 public:
  // True when the user chose a file, whose path goes to `out`.
  bool Run(const WideString& wanted, WideString& out, WindowRef parent);

 private:
  WideString wanted_;
};

// The folders in which relocated files were found, program-wide, in the order remembered.
void RememberRelocationFolder(const WideString& path);
// The first remembered folder that holds a file of the path's name; false when none.
bool FindInRelocationFolders(const WideString& path, WideString& out);
// Forgets every remembered folder (for tests).
void ClearRelocationFolders();

}  // namespace ui
