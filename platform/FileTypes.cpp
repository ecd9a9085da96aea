#include "platform/FileTypes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "host/FinderInfo.h"
#include "host/ResourceFork.h"
#include "platform/FileSystem.h"

namespace {

std::string Native(const WideString& path) {
  std::string native = WideToUtf8(MakeAbsolutePath(path, kPosixPathStyle));
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  return native;
}

bool UpdateFinderFlags(const std::string& path, uint16_t set, uint16_t clear) {
  host::fs::FinderInfoBytes info{};
  const auto read = host::fs::ReadFinderInfo(path, info);
  if (read != host::fs::AttrResult::kOk && read != host::fs::AttrResult::kMissing) return false;
  struct stat st {};
  const bool folder = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  const size_t at = folder ? host::fs::kFolderFlagsOffset : host::fs::kFileFlagsOffset;
  const uint16_t flags = static_cast<uint16_t>((host::fs::GetU16(info, at) | set) & ~clear);
  host::fs::PutU16(info, at, flags);
  return host::fs::WriteFinderInfo(path, info) == host::fs::AttrResult::kOk;
}

bool WriteTypeCreator(const std::string& path, OSType type, OSType creator) {
  host::fs::FinderInfoBytes info{};
  const auto read = host::fs::ReadFinderInfo(path, info);
  if (read != host::fs::AttrResult::kOk && read != host::fs::AttrResult::kMissing) return false;
  host::fs::PutU32(info, host::fs::kFileTypeOffset, type);
  host::fs::PutU32(info, host::fs::kFileCreatorOffset, creator);
  return host::fs::WriteFinderInfo(path, info) == host::fs::AttrResult::kOk;
}

bool CreateEmptyFile(const std::string& path, const FileTypeCreator* record) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (::close(fd) != 0) {
    ::unlink(path.c_str());
    return false;
  }
  const FileTypeCreator defaults;
  const FileTypeCreator& rec = record != nullptr ? *record : defaults;
  WriteTypeCreator(path, rec.type, rec.creator);  // a file system without attributes keeps none
  if (rec.invisible != 0) SetInvisibleFlag(FileRef{path}, true);
  if (rec.locked != 0) SetLockedFlag(FileRef{path}, true);
  return true;
}

}  // namespace

bool CreateFileWithTypeCreator(const WideString& path, const FileTypeCreator* record, bool replace) {
  const std::string native = Native(path);
  if (native.empty()) return false;
  if (PathExists(path)) {
    if (PathIsFolder(path) || !replace || !DeleteFileAtPath(path, false)) return false;
  }
  return CreateEmptyFile(native, record);
}

bool CreateTypedFileAtPath(const WideString& path, const FileTypeCreator* record, bool replace) {
  if (path.empty() || path.back() == L'/' || path.back() == L'\\') return false;
  const std::string native = Native(path);
  if (replace && PathExists(path) && !DeleteFileAtPath(path, false)) return false;
  return CreateEmptyFile(native, record);
}

bool GetFileTypeCreator(const WideString& path, FileTypeCreator& out) {
  out = FileTypeCreator();
  host::fs::FinderInfoBytes info{};
  switch (host::fs::ReadFinderInfo(Native(path), info)) {
    case host::fs::AttrResult::kOk:
      out.type = host::fs::GetU32(info, host::fs::kFileTypeOffset);
      out.creator = host::fs::GetU32(info, host::fs::kFileCreatorOffset);
      out.invisible = (host::fs::GetU16(info, host::fs::kFileFlagsOffset) & kFinderFlagIsInvisible) != 0;
      break;
    case host::fs::AttrResult::kMissing:
    case host::fs::AttrResult::kUnsupported: break;
    case host::fs::AttrResult::kError: return false;
  }
  out.locked = IsLocked(FileRef{Native(path)});
  return true;
}

bool SetFileTypeCreator(const WideString& path, const FileTypeCreator& record) {
  const std::string native = Native(path);
  if (!WriteTypeCreator(native, record.type, record.creator)) return false;
  bool ok = true;
  if (record.invisible != 0) ok = SetInvisibleFlag(FileRef{native}, true) && ok;
  if (record.locked != 0) ok = SetLockedFlag(FileRef{native}, true) && ok;
  return ok;
}

bool SetInvisibleFlag(const FileRef& ref, bool on) {
  if (ref.IsNull()) return false;
  return on ? UpdateFinderFlags(ref.path, kFinderFlagIsInvisible, 0)
            : UpdateFinderFlags(ref.path, 0, kFinderFlagIsInvisible);
}

bool SetLockedFlag(const FileRef& ref, bool on) {
  struct stat st {};
  if (ref.IsNull() || ::lstat(ref.path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
  const mode_t mode = on ? (st.st_mode & 07777 & ~mode_t{0222}) : ((st.st_mode & 07777) | S_IWUSR);
  return ::chmod(ref.path.c_str(), mode) == 0;
}

bool IsLocked(const FileRef& ref) {
  struct stat st {};
  return !ref.IsNull() && ::lstat(ref.path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool DeleteFSRef(const FileRef& ref) {
  struct stat st {};
  if (ref.IsNull() || ::lstat(ref.path.c_str(), &st) != 0) return false;
  return DeleteFileAtPath(Utf8ToWide(ref.path), false);
}

bool RenameFSRef(const FileRef& ref, const WideString& name) {
  if (ref.IsNull() || name.empty() || name.find(L'/') != WideString::npos || name == L"." || name == L"..")
    return false;
  const auto slash = ref.path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : ref.path.substr(0, slash);
  const std::string to = folder + "/" + WideToUtf8(name);
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0 && to != ref.path) return false;  // the name is taken
  WideString path = Utf8ToWide(ref.path);
  return RenamePath(path, name);
}

bool RenameFileAtPath(const WideString& path, const WideString& name) {
  const FileRef ref = PathToFSSpec(path);
  return !ref.IsNull() && RenameFSRef(ref, name);
}

bool FSRefToFSSpec(const FileRef& ref, FileRef& out) {
  struct stat st {};
  if (ref.IsNull() || ::lstat(ref.path.c_str(), &st) != 0) return false;
  out = ref;
  return true;
}

void ChangeNameExtension(WideString& name, const WideString& extension) {
  const auto dot = name.find_last_of(L'.');
  if (dot != WideString::npos) {
    if (extension.empty()) {
      name.erase(dot);
    } else {
      name = WideString(name.substr(0, dot + 1) + extension);
    }
  } else if (!extension.empty()) {
    name += L"." + extension;
  }
}

FILE* OpenStdioFile(const WideString& path, const WideString& mode) {
  if (path.empty() || mode.empty()) return nullptr;
  return std::fopen(WideToUtf8(path).c_str(), WideToUtf8(mode).c_str());
}

bool OpenFStreamAtPath(const WideString& path, std::fstream& stream, std::ios::openmode mode) {
  stream.open(WideToUtf8(path), mode);
  return stream.is_open();
}
