#include "app/PreloadersPalette.h"

#include <cwctype>
#include <filesystem>
#include <map>
#include <system_error>

#include "app/MainWindow.h"
#include "host/ui/DataBrowser.h"
#include "host/ui/Event.h"
#include "preloader/PreloaderData.h"
#include "preloader/PreloaderDisplay.h"

namespace {

using host::ui::FourCC;

constexpr size_t kMaxTitleLength = 32;

std::vector<WideString>& LibraryFolders() {
  static std::vector<WideString> folders;
  return folders;
}

}  // namespace

int CompareNoCase(const WideString& a, const WideString& b) {
  size_t i = 0;
  for (;; ++i) {
    const bool endA = i >= a.size(), endB = i >= b.size();
    if (endA || endB) return endA && endB ? 0 : (endA ? -1 : 1);
    const wint_t ca = std::towlower(static_cast<wint_t>(a[i])), cb = std::towlower(static_cast<wint_t>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
}

FileListControl::~FileListControl() {
  // The rows point at the items: the tree goes first.
  RemoveAllItems();
  items_.clear();
}

TreeListNode* FileListControl::AddRow(std::unique_ptr<FileListItem> item, const WideString& text, int icon,
                                      TreeListNode* parent) {
  TreeListItem row;
  row.parent = parent;
  row.flags = kTreeItemText | kTreeItemIcon | kTreeItemUser | kTreeItemKind;
  row.text = text;
  row.icon = icon;
  row.kind = item->kind;
  row.user = item.get();
  TreeListNode* node = TreeListView::AddItem(row);
  if (node != nullptr) items_.push_back(std::move(item));
  return node;
}

TreeListNode* FileListControl::AddItem(PreloaderDisplay* display, TreeListNode* parent) {
  if (display == nullptr) return nullptr;
  auto item = std::make_unique<FileListItem>();
  item->display = display;
  item->kind = FileListItem::kDisplay;
  return AddRow(std::move(item), display->GetName(), kFileIcon, parent);
}

TreeListNode* FileListControl::AddFolderNode(std::unique_ptr<PreloaderFolder> folder, TreeListNode* parent) {
  if (!folder) return nullptr;
  auto item = std::make_unique<FileListItem>();
  const WideString name = folder->GetName();
  item->folder = std::move(folder);
  item->kind = FileListItem::kFolder;
  return AddRow(std::move(item), name, kFolderIcon, parent);
}

TreeListNode* FileListControl::FindItemByName(const WideString& name) const {
  // Depth first: a row's children before its next sibling.
  std::vector<TreeListNode*> pending;
  for (TreeListNode* n = GetFirstChild(nullptr); n != nullptr; n = GetNextSibling(n)) pending.push_back(n);
  std::vector<TreeListNode*> order(pending.rbegin(), pending.rend());
  while (!order.empty()) {
    TreeListNode* n = order.back();
    order.pop_back();
    const auto* item = static_cast<const FileListItem*>(n->user);
    if (item != nullptr && item->kind == FileListItem::kDisplay && item->display != nullptr &&
        CompareNoCase(item->display->GetName(), name) == 0)
      return n;
    std::vector<TreeListNode*> children;
    for (TreeListNode* c = GetFirstChild(n); c != nullptr; c = GetNextSibling(c)) children.push_back(c);
    order.insert(order.end(), children.rbegin(), children.rend());
  }
  return nullptr;
}

bool FileListControl::SelectItem(const PreloaderDisplay& display) {
  TreeListNode* node = FindItemByName(display.GetName());
  if (node == nullptr) return false;
  // A row inside a closed folder is shown first.
  std::vector<TreeListNode*> ancestors;
  for (TreeListNode* p = node->parent; p != nullptr; p = p->parent) ancestors.push_back(p);
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) ExpandItem(*it, 2);
  SetSelecting(true);
  const bool selected = TreeListView::SelectItem(node);
  SetSelecting(false);
  return selected;
}

void FileListControl::OnItemSelected(TreeListNode* node) {
  selection_.Emit(node != nullptr ? static_cast<FileListItem*>(node->user) : nullptr);
}

PreloadersPalette::~PreloadersPalette() = default;

void PreloadersPalette::SetLibraryFolders(std::vector<WideString> folders) { LibraryFolders() = std::move(folders); }

bool PreloadersPalette::OnInitDialog() {
  AttachControl(FourCC("tPrl"), list_);
  LoadLibrary();
  list_.Selection().Connect(this, &PreloadersPalette::OnSelection);
  GetContentBounds(&initialWindow_);
  list_.GetBounds(&initialList_);
  return true;
}

bool PreloadersPalette::OnClose() {
  // At the end of the program the palette closes for good.
  if (main_.IsQuitting()) return false;
  Hide();
  return true;
}

bool PreloadersPalette::OnSize(int width, int height) {
  list_.Resize(width - initialWindow_.Width() + initialList_.Width(),
               height - initialWindow_.Height() + initialList_.Height());
  return true;
}

bool PreloadersPalette::LoadLibrary() {
  typeCount_ = 0;
  refused_.clear();
  PreloaderLibrary& library = main_.GetProject().GetPreloaderLibrary();
  bool any = false;
  const std::vector<WideString> roots = LibraryFolders().empty() ? GetPreloaderFolderPaths() : LibraryFolders();
  for (const WideString& root : roots) {
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::path(WideToUtf8(root)), ec)) continue;
    any = true;
    PreloaderScan scan;
    ScanPreloaderFolder(root, library, scan);
    // Folders come before their sub-folders: each parent's row exists when a child needs it.
    std::map<std::string, TreeListNode*> rows;
    for (size_t i = 0; i < scan.folders.size(); ++i) {
      const PreloaderFolder& folder = scan.folders[i];
      const std::string path = WideToUtf8(folder.GetPath());
      TreeListNode* row = nullptr;
      // The first folder is the library folder itself: its types are the top rows.
      if (i > 0) {
        const auto parent = rows.find(std::filesystem::path(path).parent_path().string());
        auto entry = std::make_unique<PreloaderFolder>();
        entry->SetPath(folder.GetPath());
        row = list_.AddFolderNode(std::move(entry), parent != rows.end() ? parent->second : nullptr);
      }
      rows[path] = row;
      for (const WideString& name : folder.displayNames) {
        if (list_.AddItem(library.FindByName(name), row) != nullptr) ++typeCount_;
      }
    }
    refused_.insert(refused_.end(), scan.refused.begin(), scan.refused.end());
  }
  if (!any) return false;
  list_.SortItems();
  WideString title = L"Preloaders: " + std::to_wstring(typeCount_);
  if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
  SetTitle(title);
  return true;
}

void PreloadersPalette::SelectDisplayType(const PreloaderDisplay* display) {
  if (display == nullptr) {
    // No row: the browser clears its selection.
    list_.SetSelecting(true);
    if (list_.Browser() != nullptr) list_.Browser()->SetSelection(0, false);
    list_.SetSelecting(false);
    return;
  }
  list_.SelectItem(*display);
}

void PreloadersPalette::OnSelection(FileListItem* item) {
  if (item == nullptr) return;
  main_.SelectDisplayType(item->kind == FileListItem::kDisplay ? item->display : nullptr);
}
