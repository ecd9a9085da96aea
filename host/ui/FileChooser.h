// The file chooser of the widget layer: save a file, open or choose files, choose a folder.
// The caller decides which items are listed through `accept`; the type popup lists the
// filter labels, and choosing one calls `onFilterChanged` and lists the items again.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace host::ui {

class Window;

enum class ChooserKind { kSave, kOpenFile, kChooseFile, kChooseFolder };

struct ChooserSpec {
  ChooserKind kind = ChooserKind::kOpenFile;
  std::wstring title, actionLabel, cancelLabel, message;  // empty: the chooser's own
  std::wstring defaultName;                               // save: the name first shown
  std::wstring folder;                                    // empty: the chooser's choice
  bool allowMultiple = false;
  std::vector<std::wstring> filterLabels;  // the type popup, in order; may be empty
  int filterIndex = 0;
  // Whether an item is listed (folders are always listed, so the user can move around).
  std::function<bool(const std::wstring& path, const std::wstring& name, int filterIndex)> accept;
  // A type popup choice; a save chooser passes its typed name, which the function may change.
  std::function<void(int filterIndex, std::wstring& typedName)> onFilterChanged;
};

struct ChooserResult {
  bool chosen = false;
  std::vector<std::wstring> paths;  // absolute; for a save: the folder joined with the typed name
  int filterIndex = 0;              // the popup entry in effect when the chooser closed
};

// The object name of the chooser, so that tests find the real dialog.
inline constexpr char kFileChooserName[] = "fileChooser";

using FileChooserResponder = std::function<ChooserResult(const ChooserSpec& spec, Window* parent)>;
ChooserResult RunFileChooser(const ChooserSpec& spec, Window* parent = nullptr);
// Renders the chooser the request would show into a PNG file (for the screenshots); false
// when it can't be written.
bool SaveFileChooserImage(const ChooserSpec& spec, const std::string& path);
// Tests answer choosers without a window; an empty function restores the real chooser.
void SetFileChooserResponder(FileChooserResponder responder);

}  // namespace host::ui
