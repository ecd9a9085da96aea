#include "publish/PackageInstaller.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/ResourceFork.h"
#include "platform/AtomicFile.h"
#include "platform/Checksum.h"
#include "platform/ForkFile.h"
#include "platform/Paths.h"
#include "publish/InstallerArchive.h"

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = ::getpwuid(::geteuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string Quoted(const std::wstring& name) { return "\"" + WideToUtf8(name) + "\""; }

std::string Join(const WideString& folder, const std::wstring& name) {
  std::string out = WideToUtf8(folder);
  if (out.empty() || out.back() != '/') out.push_back('/');
  return out + WideToUtf8(name);
}

// Makes the folder and its missing parents; true when it is a folder afterwards.
bool MakeFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

XdgFolderLocator::XdgFolderLocator() {
  home_ = HomeFolder();
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') dataHome_ = data;
}

XdgFolderLocator::XdgFolderLocator(std::string home, std::string dataHome)
    : home_(std::move(home)), dataHome_(std::move(dataHome)) {}

bool XdgFolderLocator::Find(InstallDomain domain, SystemFolderKind kind, WideString& out, std::string& why) const {
  out.clear();
  switch (domain) {
    case InstallDomain::kSystem:
      why = "the system domain has no folders for installed items on this system";
      return false;
    case InstallDomain::kAllUsers:
      why = "the all-users domain has no folders for installed items on this system";
      return false;
    case InstallDomain::kNetwork: why = "the network domain has no folders on this system"; return false;
    case InstallDomain::kClassic: why = "the Classic domain has no folders on this system"; return false;
    default: break;  // the current user's, and any other value taken as it
  }
  if (home_.empty() || home_[0] != '/') {
    why = "the home folder is not known";
    return false;
  }
  std::string folder;
  if (kind == SystemFolderKind::kApplications) {
    folder = home_ + "/Applications";
  } else {
    folder = dataHome_.empty() ? home_ + "/.local/share" : dataHome_;
  }
  out = Utf8ToWide(folder + "/");
  return true;
}

PackageInstaller::PackageInstaller(const FolderLocator& locator, WideString dataFolder)
    : locator_(locator), dataFolder_(std::move(dataFolder)) {}

bool PackageInstaller::Fail(const std::string& why) {
  error_ = why;
  return false;
}

void PackageInstaller::Progress() {
  if (hook_) hook_(hookWord_);
}

bool PackageInstaller::Install(const InstallItem& item, WideString& folder) {
  error_.clear();
  if (item.NodeKind() != InstallItem::Kind::kItem) return InstallNode(item, folder);
  if (item.location == InstallLocation::kApplication || item.location == InstallLocation::kScreenSaver) {
    const SystemFolderKind kind =
        item.location == InstallLocation::kApplication ? SystemFolderKind::kApplications : SystemFolderKind::kLibrary;
    WideString destination;
    std::string why;
    if (!locator_.Find(item.domain, kind, destination, why)) return Fail(why);
    if (item.location == InstallLocation::kScreenSaver) destination += L"Screen Savers/";
    if (!MakeFolders(WideToUtf8(destination))) return Fail("cannot make the folder " + WideToUtf8(destination));
    folder = destination;
  } else if (folder.empty()) {
    return Fail("no destination folder was given for a \"" + WideToUtf8(InstallLocationName(item.location)) +
                "\" item");
  }
  if (!InstallChildren(item, folder)) return false;
  Progress();
  return true;
}

bool PackageInstaller::InstallNode(const InstallItem& node, const WideString& folder) {
  switch (node.NodeKind()) {
    case InstallItem::Kind::kFile: return InstallFile(static_cast<const ::InstallFile&>(node), folder);
    case InstallItem::Kind::kFolder: return InstallFolder(static_cast<const ::InstallFolder&>(node), folder);
    default: {
      WideString destination = folder;
      return Install(node, destination);
    }
  }
}

bool PackageInstaller::InstallChildren(const InstallItem& node, const WideString& folder) {
  for (const auto& child : node.Children()) {
    if (!InstallNode(*child, folder)) return false;
  }
  return true;
}

bool PackageInstaller::InstallFolder(const ::InstallFolder& node, const WideString& folder) {
  if (!IsPlainFileName(node.name)) return Fail("the folder name " + Quoted(node.name) + " is not a plain name");
  const std::string path = Join(folder, node.name);
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (node.replace == ReplacePolicy::kNever) {
      if (!S_ISDIR(st.st_mode)) return Fail(path + " exists and is not a folder");
      if (!InstallChildren(node, Utf8ToWide(path))) return false;
      Progress();
      return true;
    }
    std::error_code ec;
    std::filesystem::remove_all(path, ec);  // links inside, or at the path, are not followed
    if (ec) return Fail("cannot delete " + path + ": " + ec.message());
  }
  if (::mkdir(path.c_str(), 0755) != 0) return Fail("cannot make the folder " + path + ": " + std::strerror(errno));
  if (node.fdflags != 0) {
    // Finder flags are kept where the file system allows; they change nothing here.
    ForkFile fork;
    FolderFinderInfoFields info;
    info.mask = FolderFinderInfoFields::kFlags;
    info.finderFlags = node.fdflags;
    if (fork.SetPath(Utf8ToWide(path))) fork.SetFolderFinderInfo(info);
  }
  if (!InstallChildren(node, Utf8ToWide(path))) return false;
  Progress();
  return true;
}

bool PackageInstaller::ReadDataFile(const WideString& name, bool compressed, std::string& out) {
  if (!IsPlainFileName(name)) return Fail("the data file name " + Quoted(name) + " is not a plain name");
  const std::string path = Join(dataFolder_, name);
  std::string bytes;
  if (!ReadArchiveSourceFile(Utf8ToWide(path), bytes)) return Fail("cannot read the data file " + path);
  if (!compressed) {
    out = std::move(bytes);
    return true;
  }
  size_t length = 0;
  const auto plain = UncompressToNewBuffer(bytes.data(), bytes.size(), length);
  if (!plain) return Fail("the data file " + path + " is damaged");
  out.assign(reinterpret_cast<const char*>(plain.get()), length);
  return true;
}

bool PackageInstaller::InstallFile(const ::InstallFile& node, const WideString& folder) {
  if (!IsPlainFileName(node.name)) return Fail("the file name " + Quoted(node.name) + " is not a plain name");
  const std::string path = Join(folder, node.name);
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (node.replace == ReplacePolicy::kNever) {
      Progress();
      return true;
    }
  }
  // Everything is read before anything on the disk changes.
  std::string data;
  std::string resource;
  if (node.hasDataFork && !ReadDataFile(node.dname, node.cmp, data)) return false;
  if (node.hasResourceFork && !ReadDataFile(node.rname, true, resource)) return false;

  if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    if (ec) return Fail("cannot delete " + path + ": " + ec.message());
  } else if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.c_str()) != 0) {
    return Fail("cannot delete " + path + ": " + std::strerror(errno));  // never written through
  }
  AtomicFileWriter out;
  if (!out.Open(Utf8ToWide(path)) || !out.Write(data) || !out.Commit()) {
    return Fail("cannot write " + path + ": " + std::strerror(out.LastError()));
  }
  if (node.hasResourceFork) {
    const int err = host::fs::WriteResourceFork(path, resource);
    if (err != 0) return Fail("cannot write the resource fork of " + path + ": " + std::strerror(err));
  } else {
    host::fs::RemoveResourceFork(path);  // an old file's fork doesn't belong to the new one
  }
  // Type, creator and Finder flags are kept where the file system allows.
  ForkFile fork;
  FinderInfoFields info;
  info.mask = FinderInfoFields::kType | FinderInfoFields::kCreator | FinderInfoFields::kFlags;
  info.type = node.fileType;
  info.creator = node.creatorType;
  info.finderFlags = node.fdflags;
  if (fork.SetPath(Utf8ToWide(path))) fork.SetFinderInfo(info);
  Progress();
  return true;
}
