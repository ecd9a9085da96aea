#include "platform/Paths.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cwctype>
#include <vector>

#include "host/Bundle.h"

namespace {

bool IsSeparator(wchar_t ch) { return ch == L'/' || ch == L'\\'; }

wchar_t SeparatorOf(const WideString& path) { return GetPathStyle(path) == kHfsPathStyle ? L':' : L'/'; }

// The path with trailing separators of its style removed (a path of separators only keeps one).
WideString WithoutTrailingSeparators(const WideString& path) {
  const wchar_t sep = SeparatorOf(path);
  WideString text = path;
  while (text.size() > 1 && (text.back() == sep || (sep == L'/' && text.back() == L'\\'))) text.pop_back();
  return text;
}

std::vector<WideString> SplitComponents(const WideString& path) {
  std::vector<WideString> parts;
  WideString part;
  for (const wchar_t ch : path) {
    if (ch == L'/') {
      parts.push_back(part);
      part.clear();
    } else {
      part.push_back(ch);
    }
  }
  parts.push_back(part);
  return parts;
}

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool LstatPath(const std::string& path, struct stat& st) { return !path.empty() && ::lstat(path.c_str(), &st) == 0; }

}  // namespace

int GetPathStyle(const WideString& path) {
  if (path.empty() || path.find(L"://") != WideString::npos) return kPosixPathStyle;
  return path.find(L':') != WideString::npos && path.find(L'/') == WideString::npos ? kHfsPathStyle : kPosixPathStyle;
}

void EnsureTrailingSlash(WideString& path) {
  if (path.empty()) return;
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  path.push_back(L'/');
}

bool IsRelativePath(const WideString& path) { return !path.empty() && !IsSeparator(path[0]); }

WideString NormalizePathSeparators(const WideString& text) {
  WideString out = text;
  for (wchar_t& ch : out) {
    if (ch == L':' || ch == L'\\') ch = L'/';
  }
  return out;
}

WideString MakeAbsolutePath(const WideString& path, int /*style*/) {
  if (path.empty()) return {};
  if (!IsRelativePath(path)) return path;
  WideString bundle = GetMainBundlePath();
  EnsureTrailingSlash(bundle);
  return bundle + path;
}

void AssignAbsolutePath(WideString& out, const WideString& path) { out = MakeAbsolutePath(path, kPosixPathStyle); }

WideString GetParentFolderPath(const WideString& path, bool withSlash) {
  if (path.empty()) return {};
  const wchar_t sep = SeparatorOf(path);
  const WideString text = WithoutTrailingSeparators(path);
  const auto cut = sep == L'/' ? text.find_last_of(L"/\\") : text.find_last_of(sep);
  WideString parent;
  if (cut == WideString::npos) {
    parent.clear();
  } else if (cut == 0) {
    parent = WideString(1, sep);
  } else {
    parent = text.substr(0, cut);
  }
  if (withSlash && !parent.empty()) {
    if (sep == L'/') {
      EnsureTrailingSlash(parent);
    } else if (parent.back() != sep) {
      parent.push_back(sep);
    }
  }
  return parent;
}

WideString GetFileName(const WideString& path, bool withoutExtension) {
  if (path.empty()) return {};
  const wchar_t sep = SeparatorOf(path);
  const WideString text = WithoutTrailingSeparators(path);
  if (text.size() == 1 && (text[0] == sep || IsSeparator(text[0]))) return {};
  const auto cut = sep == L'/' ? text.find_last_of(L"/\\") : text.find_last_of(sep);
  WideString name = cut == WideString::npos ? text : WideString(text.substr(cut + 1));
  if (withoutExtension) {
    const auto dot = name.find_last_of(L'.');
    if (dot != WideString::npos) name.erase(dot);
  }
  return name;
}

WideString GetPathExtension(const WideString& path, bool withDot) {
  const WideString name = GetFileName(path, false);
  const auto dot = name.find_last_of(L'.');
  if (dot == WideString::npos) return {};
  return name.substr(withDot ? dot : dot + 1);
}

WideString ReplacePathExtension(const WideString& path, const WideString& suffix) {
  const WideString ext = GetPathExtension(path, true);
  WideString out = path;
  if (!ext.empty()) {
    const auto at = path.rfind(ext);
    if (at != WideString::npos) out.erase(at, ext.size());
  }
  return out + suffix;
}

WideString ReplaceFileName(const WideString& path, const WideString& name) {
  if (path.empty()) return name;
  if (path.back() == L'/') return path + name;
  const auto cut = path.find_last_of(L'/');
  return cut == WideString::npos ? name : WideString(path.substr(0, cut + 1) + name);
}

void AppendPathComponent(WideString& out, const WideString& name, const WideString& folder) {
  WideString base = folder;
  EnsureTrailingSlash(base);
  out = base + name;
}

bool MakePathInFolder(WideString& out, const WideString& name, const WideString& folder) {
  AppendPathComponent(out, name, MakeAbsolutePath(folder, kPosixPathStyle));
  return true;
}

bool MakePathInFolderRef(WideString& out, const WideString& name, const FileRef& folder) {
  if (folder.IsNull()) return false;
  AppendPathComponent(out, name, Utf8ToWide(folder.path));
  return true;
}

bool PathsDiffer(const WideString& a, const WideString& b) {
  const WideString x = MakeAbsolutePath(a, kPosixPathStyle);
  const WideString y = MakeAbsolutePath(b, kPosixPathStyle);
  if (x.size() != y.size()) return true;
  for (size_t i = 0; i < x.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(x[i])) != std::towlower(static_cast<wint_t>(y[i]))) return true;
  }
  return false;
}

WideString NormalizePath(const WideString& path) {
  if (path.empty()) return {};
  const bool absolute = path[0] == L'/';
  const bool folder = path.back() == L'/' || GetFileName(path) == L"." || GetFileName(path) == L"..";
  std::vector<WideString> kept;
  for (const WideString& part : SplitComponents(path)) {
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (!kept.empty() && kept.back() != L"..") {
        kept.pop_back();
      } else if (!absolute) {
        kept.push_back(part);  // a relative path may climb above its start
      }
      continue;
    }
    kept.push_back(part);
  }
  WideString out = absolute ? WideString(L"/") : WideString();
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out.push_back(L'/');
    out += kept[i];
  }
  if (out.empty()) return L".";
  if (folder && out.back() != L'/') out.push_back(L'/');
  return out;
}

WideString ComputeRelativePath(const WideString& base, const WideString& target) {
  if (target.empty()) return {};
  const WideString from = NormalizePath(MakeAbsolutePath(base, kPosixPathStyle));
  const WideString to = NormalizePath(MakeAbsolutePath(target, kPosixPathStyle));
  std::vector<WideString> baseParts = SplitComponents(from);
  std::vector<WideString> targetParts = SplitComponents(to);
  // Both start with an empty component (the root); the base's last component is its file.
  if (!baseParts.empty()) baseParts.erase(baseParts.begin());
  if (!targetParts.empty()) targetParts.erase(targetParts.begin());
  if (!baseParts.empty()) baseParts.pop_back();
  size_t common = 0;
  while (common < baseParts.size() && common + 1 < targetParts.size() && baseParts[common] == targetParts[common]) {
    ++common;
  }
  WideString out;
  for (size_t i = common; i < baseParts.size(); ++i) out += L"../";
  WideString rest;
  for (size_t i = common; i < targetParts.size(); ++i) {
    if (i > common) rest.push_back(L'/');
    rest += targetParts[i];
  }
  if (!out.empty()) return out + rest;
  if (rest.empty()) return L".";  // the target is the base's folder itself
  return L"./" + rest;
}

WideString MakeRelativePath(const WideString& base, const WideString& target) {
  return ComputeRelativePath(base, target);
}

WideString RelativizePath(const WideString& target, const WideString& base) {
  return ComputeRelativePath(base, target);
}

bool PathToFSRef(const WideString& path, FileRef& out) {
  out = FileRef{};
  const WideString absolute = MakeAbsolutePath(path, kPosixPathStyle);
  if (absolute.empty()) return false;
  const std::string native = StripTrailingSlashes(WideToUtf8(absolute));
  struct stat st {};
  if (LstatPath(native, st)) {
    out.path = native;
    return true;
  }
  const std::string parent = StripTrailingSlashes(WideToUtf8(GetParentFolderPath(absolute, true)));
  if (LstatPath(parent, st)) out.path = parent;
  return false;
}

bool ParentFolderFSRef(const WideString& path, FileRef& out) {
  return PathToFSRef(GetParentFolderPath(MakeAbsolutePath(path, kPosixPathStyle), false), out);
}

FileRef PathToFSSpec(const WideString& path) {
  FileRef ref;
  return PathToFSRef(path, ref) ? ref : FileRef{};
}

bool PathFromFSRef(WideString& out, const FileRef& ref) {
  out.clear();
  if (ref.IsNull()) return false;
  out = Utf8ToWide(ref.path);
  struct stat st {};
  if (LstatPath(ref.path, st) && S_ISDIR(st.st_mode)) EnsureTrailingSlash(out);
  return true;
}

WideString PathFromFSRef(const FileRef& ref) {
  WideString out;
  PathFromFSRef(out, ref);
  return out;
}

FileRef ResolveAliasFSRef(const FileRef& ref) {
  struct stat st {};
  if (!LstatPath(ref.path, st) || !S_ISLNK(st.st_mode)) return ref;
  char resolved[PATH_MAX];
  if (::realpath(ref.path.c_str(), resolved) == nullptr) return ref;
  return FileRef{resolved};
}

bool PathExists(const WideString& path) {
  if (path.empty()) return false;
  struct stat st {};
  return LstatPath(StripTrailingSlashes(WideToUtf8(MakeAbsolutePath(path, kPosixPathStyle))), st);
}

WideString GetMainBundlePath() {
  const std::string& bundle = host::bundle::BundlePath();
  if (bundle.empty()) return {};
  return Utf8ToWide(bundle == "/" ? bundle : bundle + "/");
}
