#include "publish/InstallerPackage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>

#include "host/ResourceFork.h"
#include "media/Bitmap.h"
#include "media/PixelScaler.h"
#include "media/PngBitmap.h"
#include "media/QuickTimeMovie.h"
#include "platform/AtomicFile.h"
#include "platform/Checksum.h"
#include "platform/ForkFile.h"
#include "platform/OffscreenGWorld.h"
#include "platform/Paths.h"
#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"
#include "publish/InstallerArchive.h"

namespace {

// A real folder at the path (a link to one is not).
bool PathIsFolderNoLink(const WideString& path) {
  struct stat st {};
  return ::lstat(WideToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

constexpr const wchar_t* kLocationNames[] = {L"custom",      L"application", L"desktop",
                                             L"screensaver", L"startup",     L"shutdown"};
constexpr const wchar_t* kDomainNames[] = {L"system", L"all_users", L"current_user", L"network", L"classic"};
constexpr const wchar_t* kReplaceNames[] = {L"never", L"always", L"if_newer"};

template <size_t N>
const wchar_t* NameOf(const wchar_t* const (&names)[N], uint32_t value) {
  return value < N ? names[value] : L"";
}

template <typename E, size_t N>
bool ParseName(const wchar_t* const (&names)[N], const std::wstring& name, E& out) {
  for (size_t i = 0; i < N; ++i) {
    if (name == names[i]) {
      out = static_cast<E>(i);
      return true;
    }
  }
  return false;
}

// The attribute's text when the element has it.
bool Attribute(const XmlElement& element, const char* name, WideString& out) {
  XmlAttributes attributes;
  XmlElement value;
  if (!element.GetAttributes(attributes) || !attributes.Find(name, value)) return false;
  out = value.GetString();
  return true;
}

bool IntAttribute(const XmlElement& element, const char* name, int& out) {
  XmlAttributes attributes;
  XmlElement value;
  if (!element.GetAttributes(attributes) || !attributes.Find(name, value)) return false;
  out = value.GetInt(0);
  return true;
}

bool WriteDataFile(const WideString& folder, const WideString& name, const void* bytes, size_t count) {
  WideString path = folder;
  EnsureTrailingSlash(path);
  path += name;
  AtomicFileWriter out;
  return out.Open(path) && out.Write(bytes, count) && out.Commit();
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  if (a.size() != std::wcslen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

}  // namespace

const wchar_t* InstallLocationName(InstallLocation value) {
  return NameOf(kLocationNames, static_cast<uint32_t>(value));
}
const wchar_t* InstallDomainName(InstallDomain value) { return NameOf(kDomainNames, static_cast<uint32_t>(value)); }
const wchar_t* ReplacePolicyName(ReplacePolicy value) { return NameOf(kReplaceNames, static_cast<uint32_t>(value)); }
bool ParseInstallLocation(const std::wstring& name, InstallLocation& out) {
  return ParseName(kLocationNames, name, out);
}
bool ParseInstallDomain(const std::wstring& name, InstallDomain& out) { return ParseName(kDomainNames, name, out); }
bool ParseReplacePolicy(const std::wstring& name, ReplacePolicy& out) { return ParseName(kReplaceNames, name, out); }

WideString DataFileNamer::Next() {
  ++count_;
  return Utf8ToWide("data" + std::to_string(count_) + ".dat");
}

// --- Nodes ---------------------------------------------------------------------------------

InstallItem::~InstallItem() = default;

InstallItem* InstallItem::AddChild(std::unique_ptr<InstallItem> child) {
  children_.push_back(std::move(child));
  return children_.back().get();
}

bool InstallItem::PackChildren(const WideString& folder) {
  bool ok = true;
  for (const auto& child : children_) ok = child->Pack(folder) && ok;
  return ok;
}

bool InstallItem::Pack(const WideString& folder) { return PackChildren(folder); }

bool InstallItem::ReadChildren(const XmlElement& element) {
  XmlChildren children;
  XmlElement child;
  if (!element.GetChildren(children)) return true;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (!child.IsElement()) continue;
    const WideString name = child.GetName();
    std::unique_ptr<InstallItem> node;
    if (name == L"install_file") {
      node = std::make_unique<InstallFile>();
    } else if (name == L"install_folder") {
      node = std::make_unique<InstallFolder>();
    } else {
      continue;
    }
    node->ReadXml(child);
    children_.push_back(std::move(node));
  }
  return true;
}

bool InstallItem::ReadXml(const XmlElement& element) {
  WideString text;
  if (Attribute(element, "location", text)) ParseInstallLocation(text, location);
  if (Attribute(element, "domain", text)) ParseInstallDomain(text, domain);
  if (Attribute(element, "replace", text)) ParseReplacePolicy(text, replace);
  return ReadChildren(element);
}

bool InstallItem::AddToArchive(InstallerArchiveWriter& archive) const {
  for (const auto& child : children_) {
    if (!child->AddToArchive(archive)) return false;
  }
  return true;
}

void InstallItem::WriteChildren(XmlWriter& writer) const {
  for (const auto& child : children_) child->WriteXml(writer);
}

void InstallItem::WriteXml(XmlWriter& writer) const {
  writer.WriteRaw(L"<install_item location=\"")
      .WriteRaw(InstallLocationName(location))
      .WriteRaw(L"\" domain=\"")
      .WriteRaw(InstallDomainName(domain))
      .WriteRaw(L"\" replace=\"")
      .WriteRaw(ReplacePolicyName(replace))
      .WriteRaw(L"\">\n");
  WriteChildren(writer);
  writer.WriteRaw(L"</install_item>\n");
}

bool InstallFile::SetSource(const WideString& path, DataFileNamer& namer) {
  sourcePath = path;
  name = GetFileName(path);
  const std::string file = WideToUtf8(path);
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  ForkFile fork;
  FinderInfoFields info;
  if (fork.SetPath(path) && fork.GetFinderInfo(info)) {
    fileType = info.type;
    creatorType = info.creator;
    fdflags = info.finderFlags;
  }
  hasDataFork = st.st_size > 0;
  std::string resource;
  bool exists = false;
  if (host::fs::ReadResourceFork(file, resource, exists) != 0) return false;
  hasResourceFork = exists && !resource.empty();
  dname.clear();
  rname.clear();
  if (hasDataFork) dname = namer.Next();
  if (hasResourceFork) rname = namer.Next();
  return true;
}

bool InstallFile::Pack(const WideString& folder) {
  cmp = true;
  bool ok = true;
  if (hasDataFork) {
    std::string bytes;
    if (!ReadArchiveSourceFile(sourcePath, bytes)) {
      ok = false;
    } else {
      size_t length = 0;
      auto packed = CompressToNewBuffer(bytes.data(), bytes.size(), length);
      if (!packed) packed = CompressToNewBuffer(bytes.data(), bytes.size(), length);
      if (packed) {
        ok = WriteDataFile(folder, dname, packed.get(), length);
      } else {
        cmp = false;  // stored as it is, and the description says so
        ok = WriteDataFile(folder, dname, bytes.data(), bytes.size());
      }
    }
  }
  if (hasResourceFork) {
    std::string resource;
    bool exists = false;
    size_t length = 0;
    std::unique_ptr<unsigned char[]> packed;
    if (host::fs::ReadResourceFork(WideToUtf8(sourcePath), resource, exists) == 0 &&
        (packed = CompressToNewBuffer(resource.data(), resource.size(), length))) {
      ok = WriteDataFile(folder, rname, packed.get(), length) && ok;
    } else {
      ok = false;
    }
  }
  return ok;
}

bool InstallFile::ReadXml(const XmlElement& element) {
  WideString text;
  int number = 0;
  if (Attribute(element, "name", text)) name = text;
  if (IntAttribute(element, "file_type", number)) fileType = static_cast<uint32_t>(number);
  if (IntAttribute(element, "creator_type", number)) creatorType = static_cast<uint32_t>(number);
  if (IntAttribute(element, "fdflags", number)) fdflags = static_cast<uint16_t>(number);
  if (Attribute(element, "dname", text)) {
    dname = text;
    hasDataFork = true;
  }
  if (Attribute(element, "rname", text)) {
    rname = text;
    hasResourceFork = true;
  }
  cmp = true;
  if (Attribute(element, "cmp", text)) cmp = EqualsNoCase(text, L"true");
  return ReadChildren(element);
}

void InstallFile::WriteXml(XmlWriter& writer) const {
  writer.WriteRaw(L"<install_file name=\"")
      .WriteEscaped(name)
      .WriteRaw(L"\" file_type=\"")
      .WriteULong(fileType)
      .WriteRaw(L"\" creator_type=\"")
      .WriteULong(creatorType)
      .WriteRaw(L"\" fdflags=\"")
      .WriteULong(fdflags)
      .WriteRaw(L"\"");
  if (hasDataFork) writer.WriteRaw(L" dname=\"").WriteEscaped(dname).WriteRaw(L"\"");
  if (hasResourceFork) writer.WriteRaw(L" rname=\"").WriteEscaped(rname).WriteRaw(L"\"");
  writer.WriteRaw(cmp ? L" cmp=\"true\"" : L" cmp=\"false\"").WriteRaw(L" />\n");
}

bool InstallFile::AddToArchive(InstallerArchiveWriter& archive) const {
  InstallerContentRecord record;
  record.SetPath(sourcePath);
  return archive.Add(record);
}

bool InstallFolder::SetSource(const WideString& path) {
  sourcePath = path;
  name = GetFileName(path);
  ForkFile fork;
  FolderFinderInfoFields info;
  if (fork.SetPath(path) && fork.GetFolderFinderInfo(info)) fdflags = info.finderFlags;
  return PathIsFolderNoLink(path);
}

bool InstallFolder::ReadXml(const XmlElement& element) {
  WideString text;
  int number = 0;
  if (Attribute(element, "name", text)) name = text;
  if (IntAttribute(element, "fdflags", number)) fdflags = static_cast<uint16_t>(number);
  return ReadChildren(element);
}

void InstallFolder::WriteXml(XmlWriter& writer) const {
  writer.WriteRaw(L"<install_folder name=\"")
      .WriteEscaped(name)
      .WriteRaw(L"\" fdflags=\"")
      .WriteULong(fdflags)
      .WriteRaw(L"\" >\n");
  WriteChildren(writer);
  writer.WriteRaw(L"</install_folder>\n");
}

// --- Package -------------------------------------------------------------------------------

InstallerPackage::~InstallerPackage() = default;

void InstallerPackage::Clear() {
  items_.clear();
  namer_.Reset();
  settings_.steps = 0;
  settings_.minOsVersion = 0;
  settings_.silent = 0;
  settings_.runEndScript = 0;
}

InstallItem* InstallerPackage::AddItem(InstallLocation location, InstallDomain domain) {
  auto item = std::make_unique<InstallItem>();
  item->location = location;
  item->domain = domain;
  item->replace = ReplacePolicy::kAlways;
  items_.push_back(std::move(item));
  return items_.back().get();
}

namespace {

// Appends the node to the parent (returning the node) or to a new default item (returning it).
InstallItem* Attach(std::vector<std::unique_ptr<InstallItem>>& items, std::unique_ptr<InstallItem> node,
                    InstallItem* parent) {
  if (parent != nullptr) return parent->AddChild(std::move(node));
  auto item = std::make_unique<InstallItem>();
  item->AddChild(std::move(node));
  items.push_back(std::move(item));
  return items.back().get();
}

}  // namespace

InstallItem* InstallerPackage::AddFile(const WideString& path, InstallItem* parent) {
  auto file = std::make_unique<InstallFile>();
  if (!file->SetSource(path, namer_)) return nullptr;
  return Attach(items_, std::move(file), parent);
}

InstallItem* InstallerPackage::AddFolder(const WideString& path, InstallItem* parent) {
  namespace fs = std::filesystem;
  auto folder = std::make_unique<InstallFolder>();
  if (!folder->SetSource(path)) return nullptr;
  const std::string base = WideToUtf8(path);
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (!host::fs::IsSideFileName(entry)) names.push_back(entry);
  }
  if (ec) return nullptr;
  std::sort(names.begin(), names.end());
  InstallFolder* node = folder.get();
  InstallItem* result = Attach(items_, std::move(folder), parent);
  for (const std::string& entry : names) {
    const std::string full = (base.empty() || base.back() == '/') ? base + entry : base + "/" + entry;
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) return nullptr;
    if (S_ISLNK(st.st_mode)) {
      struct stat target {};
      if (::stat(full.c_str(), &target) != 0 || S_ISDIR(target.st_mode)) continue;  // not entered
    }
    InstallItem* added = S_ISDIR(st.st_mode) ? AddFolder(Utf8ToWide(full), node) : AddFile(Utf8ToWide(full), node);
    if (added == nullptr) return nullptr;
  }
  return result;
}

InstallItem* InstallerPackage::AddPath(const WideString& path, InstallItem* parent) {
  return PathIsFolderNoLink(path) ? AddFolder(path, parent) : AddFile(path, parent);
}

bool InstallerPackage::WriteDescription(const WideString& path) const {
  XmlWriter writer;
  if (!writer.Open(path, XmlWriterOptions(), true)) return false;
  writer.WriteRaw(L"<installer steps=\"")
      .WriteULong(settings_.steps)
      .WriteRaw(L"\" min_os_version=\"")
      .WriteLong(settings_.minOsVersion)
      .WriteRaw(L"\" silent=\"")
      .WriteULong(settings_.silent)
      .WriteRaw(L"\" run_end_script=\"")
      .WriteULong(settings_.runEndScript)
      .WriteRaw(L"\" >\n");
  for (const auto& item : items_) item->WriteXml(writer);
  writer.WriteRaw(L"</installer>\n");
  return writer.Close();
}

bool InstallerPackage::WritePackage(const WideString& folder) {
  outputFolder_ = folder;
  bool ok = true;
  for (const auto& item : items_) ok = item->Pack(folder) && ok;
  WideString description = folder;
  EnsureTrailingSlash(description);
  description += L"installer.dat";
  return WriteDescription(description) && ok;
}

bool InstallerPackage::ReadDescription(const WideString& path) {
  Clear();
  XmlDocument document;
  XmlElement root;
  if (!document.Load(path) || !document.GetRootElement(root)) return false;
  if (root.GetName() == L"xml") {
    // The writer's element-form header holds the document.
    XmlChildren top;
    XmlElement element;
    bool found = false;
    if (root.GetChildren(top)) {
      for (int i = 0; !found && top.GetChild(i, element); ++i) {
        found = element.IsElement() && element.GetName() == L"installer";
      }
    }
    if (!found) return false;
    root = element;
  }
  if (root.GetName() != L"installer") return false;
  int number = 0;
  if (IntAttribute(root, "steps", number)) settings_.steps = static_cast<uint32_t>(number);
  if (IntAttribute(root, "min_os_version", number)) settings_.minOsVersion = number;
  if (IntAttribute(root, "silent", number)) settings_.silent = static_cast<uint32_t>(number);
  if (IntAttribute(root, "run_end_script", number)) settings_.runEndScript = static_cast<uint32_t>(number);
  XmlChildren children;
  XmlElement child;
  if (!root.GetChildren(children)) return true;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (!child.IsElement() || child.GetName() != L"install_item") continue;
    auto item = std::make_unique<InstallItem>();
    item->ReadXml(child);
    items_.push_back(std::move(item));
  }
  return true;
}

namespace {

// The custom picture scaled to fill the splash size, as 24-bit pixels.
bool RenderSplash(const WideString& picture, Bitmap& out) {
  QuickTimeMovie movie;
  if (picture.empty() || !movie.Open(picture) || !movie.HasVisualTrack()) return false;
  if (!out.Allocate(kSplashWidth, kSplashHeight, 24)) return false;
  PixelRect box;
  box.right = kSplashWidth;
  box.bottom = kSplashHeight;
  return movie.RenderFrame(0, out.Pixels(), out.Size(), &box, nullptr, 24) == out.Size();
}

}  // namespace

bool InstallerPackage::WriteSplashPng(const WideString& folder) const {
  Bitmap splash;
  if (!RenderSplash(settings_.customPicturePath, splash)) return false;
  GWorldPtr world = nullptr;
  if (!CreateOffscreenGWorld(&world, kSplashWidth, kSplashHeight, 32)) return false;
  WideString path = folder;
  EnsureTrailingSlash(path);
  path += L"splash.png";
  const bool ok = splash.DrawToGWorld(world, 0, 0) && WriteGWorldAsPng(world, path);
  DisposeOffscreenGWorld(&world);
  return ok;
}

bool InstallerPackage::AddSplashToArchive(InstallerArchiveWriter& archive) const {
  InstallerPictureRecord record;
  return RenderSplash(settings_.customPicturePath, record.Picture()) && archive.Add(record);
}
