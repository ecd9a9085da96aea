#include "ui/FileDialog.h"

#include <cwctype>

#include "host/ui/FileChooser.h"
#include "platform/FileTypeTable.h"
#include "platform/Paths.h"

namespace ui {
namespace {

std::vector<WideString>& RelocationFolders() {
  static std::vector<WideString> folders;
  return folders;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(wint_t(a[i])) != std::towlower(wint_t(b[i]))) return false;
  }
  return true;
}

std::vector<WideString> ExtensionsOf(OSType type) {
  WideString list;
  if (!GetFileTypeExtensionList(type, list)) return {};
  return SplitExtensionList(list);
}

}  // namespace

std::vector<WideString> SplitExtensionList(const WideString& list) {
  std::vector<WideString> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(L';', start);
    if (end == std::wstring::npos) end = list.size();
    if (end > start) out.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void FileTypeFilterList::Insert(std::unique_ptr<FileTypeFilter> filter, int index) {
  if (index < 0)
    filters_.insert(filters_.begin(), std::move(filter));
  else if (size_t(index) < filters_.size())
    filters_.insert(filters_.begin() + index, std::move(filter));
  else
    filters_.push_back(std::move(filter));
}

const FileTypeFilter* FileTypeFilterList::At(int index) const {
  return index >= 0 && size_t(index) < filters_.size() ? filters_[size_t(index)].get() : nullptr;
}

bool FileTypeFilterList::AddAllFilesFilter(int index) {
  auto f = std::make_unique<FileTypeFilter>();
  f->label = L"All Files";
  f->records.push_back({kAnyFileType, {L"*"}});
  Insert(std::move(f), index);
  return true;
}

bool FileTypeFilterList::AddFileTypeFilter(OSType type, const wchar_t* label, int index) {
  auto f = std::make_unique<FileTypeFilter>();
  if (label != nullptr)
    f->label = label;
  else if (!GetFileTypeDescription(type, f->label))
    f->label.clear();
  f->records.push_back({type, ExtensionsOf(type)});
  Insert(std::move(f), index);
  return true;
}

bool FileTypeFilterList::AddFilterGroup(const wchar_t* label, int count, const OSType* types, int index) {
  auto f = std::make_unique<FileTypeFilter>();
  f->label = label;
  for (int i = 0; i < count && types != nullptr; ++i) f->records.push_back({types[i], ExtensionsOf(types[i])});
  Insert(std::move(f), index);
  return true;
}

void FileTypeFilterList::AddSwfMovieFilters() {
  AddFileTypeFilter(MakeFourCC("SWFL"), nullptr, int(Count()));
  AddAllFilesFilter(int(Count()));
}

void FileTypeFilterList::AddImageFilters() {
  const OSType images[] = {MakeFourCC("BMPf"), MakeFourCC("GIFf"), MakeFourCC("JPEG"), MakeFourCC("PICT"),
                           MakeFourCC("PNGf"), MakeFourCC("8BPS"), MakeFourCC("TIFF"), MakeFourCC("TPIC")};
  AddFilterGroup(L"All Images", 8, images, int(Count()));
  for (OSType t : images) AddFileTypeFilter(t, nullptr, int(Count()));
  AddAllFilesFilter(int(Count()));
}

bool FileFilterShows(const FileTypeFilterList* list, int index, const WideString& name, bool isFolder, OSType macType) {
  if (isFolder || list == nullptr || list->Count() == 0) return true;
  const FileTypeFilter* entry = list->At(index);
  if (entry == nullptr) return false;
  const size_t dot = name.rfind(L'.');
  const std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
  for (const FileTypeRecord& r : entry->records) {
    if (r.type == kAnyFileType || (macType != 0 && r.type == macType)) return true;
    if (dot == std::wstring::npos) continue;
    for (const WideString& e : r.extensions) {
      if (SameIgnoringCase(e, extension)) return true;
    }
  }
  return false;
}

bool RelocationFilterShows(const WideString& wantedName, const WideString& name, bool isFolder) {
  return isFolder || SameIgnoringCase(wantedName, name);
}

void FileDialog::NameForFilterChoice(int index, const wchar_t* defaultExtension, WideString& name) {
  if (index == -1 && defaultExtension != nullptr) ChangeNameExtension(name, defaultExtension);
}

bool FileDialog::Run(FileDialogResult& reply, WindowRef parent, const FileDialogOptions* options) {
  reply.chosen = false;
  if (options != nullptr) options_ = *options;
  host::ui::ChooserSpec spec;
  spec.kind = kind_ == kSave         ? host::ui::ChooserKind::kSave
              : kind_ == kOpenFile   ? host::ui::ChooserKind::kOpenFile
              : kind_ == kChooseFile ? host::ui::ChooserKind::kChooseFile
                                     : host::ui::ChooserKind::kChooseFolder;
  auto text = [](const wchar_t* t) { return t != nullptr ? std::wstring(t) : std::wstring(); };
  spec.title = text(options_.title);
  spec.actionLabel = text(options_.actionLabel);
  spec.cancelLabel = text(options_.cancelLabel);
  spec.message = text(options_.message);
  spec.defaultName = text(options_.defaultName);
  spec.allowMultiple = options_.allowMultiple;
  spec.filterIndex = options_.selectedFilter;
  const FileTypeFilterList* filters = options_.filters;
  if (filters != nullptr && (kind_ == kSave || kind_ == kOpenFile)) {
    for (size_t i = 0; i < filters->Count(); ++i) spec.filterLabels.push_back(filters->At(int(i))->label);
  }
  if (kind_ == kOpenFile || kind_ == kChooseFile) {
    spec.accept = [filters](const std::wstring& path, const std::wstring& name, int index) {
      FileTypeCreator tc;
      const OSType type = GetFileTypeCreator(path, tc) && tc.type != kUnknownFileType ? tc.type : 0;
      return FileFilterShows(filters, index, name, false, type);
    };
  }
  const wchar_t* defaultExtension = options_.defaultExtension;
  spec.onFilterChanged = [defaultExtension](int index, std::wstring& typed) {
    WideString name(typed);
    NameForFilterChoice(index, defaultExtension, name);
    typed = name;
  };
  const host::ui::ChooserResult result = host::ui::RunFileChooser(spec, parent);
  if (!result.chosen) return false;
  reply.filterIndex = result.filterIndex;
  reply.count = 0;
  reply.morePaths.clear();
  bool allPaths = true;
  for (const std::wstring& p : result.paths) {
    if (p.empty()) {
      allPaths = false;
      continue;
    }
    if (reply.count == 0)
      reply.path = p;
    else
      reply.morePaths.emplace_back(p);
    ++reply.count;
    reply.chosen = true;
  }
  return reply.chosen && allPaths;
}

bool RelocateFileDialog::Run(const WideString& wanted, WideString& out, WindowRef parent) {
  wanted_ = wanted;
  host::ui::ChooserSpec spec;
  spec.kind = host::ui::ChooserKind::kChooseFile;
  const WideString wantedName = GetFileName(wanted);
  spec.title = L"Please Relocate: " + wantedName;
  spec.accept = [wantedName](const std::wstring&, const std::wstring& name, int) {
    return RelocationFilterShows(wantedName, name, false);
  };
  const host::ui::ChooserResult result = host::ui::RunFileChooser(spec, parent);
  if (!result.chosen || result.paths.empty() || result.paths[0].empty()) return false;
  out = result.paths[0];
  return true;
}

void RememberRelocationFolder(const WideString& path) {
  RelocationFolders().push_back(GetParentFolderPath(path, false));
}

bool FindInRelocationFolders(const WideString& path, WideString& out) {
  const WideString name = GetFileName(path);
  for (const WideString& folder : RelocationFolders()) {
    WideString candidate;
    AppendPathComponent(candidate, name, MakeAbsolutePath(folder));
    if (PathExists(candidate)) {
      out = candidate;
      return true;
    }
  }
  return false;
}

void ClearRelocationFolders() { RelocationFolders().clear(); }

}  // namespace ui
