// Paths and references to file-system objects.
//
// Every path in the program is a WideString holding a POSIX path; it is handed to the
// operating system in UTF-8. A folder path ends with '/' wherever the program makes one.
// A relative path (one that starts with neither '/' nor '\\') is taken relative to the
// application bundle, never to the current folder or a document.
//
// A FileRef stands for one file-system object: the absolute path of an object that existed
// when the reference was made. Symbolic links play the part of alias files: a reference to a
// link names the link itself, and ResolveAliasFSRef follows it.
#pragma once

#include <string>

#include "platform/WideString.h"

enum PathStyle : int { kPosixPathStyle = 0, kHfsPathStyle = 1 };

struct FileRef {
  std::string path;  // absolute, UTF-8, no trailing '/' (except the root "/"); empty = none
  bool IsNull() const { return path.empty(); }
  bool operator==(const FileRef&) const = default;
};

// HFS style when the path is not empty, holds no "://", holds ':' and holds no '/'.
int GetPathStyle(const WideString& path);
// Drops every trailing '/' and '\\' and appends one '/'. "" stays "", "//" becomes "/".
void EnsureTrailingSlash(WideString& path);
bool IsRelativePath(const WideString& path);
// Every ':' and '\\' replaced by '/'.
WideString NormalizePathSeparators(const WideString& text);

// A relative path is put after the bundle's path; "." and ".." stay as they are. HFS style
// has no meaning on this system: a POSIX path is returned for either style.
WideString MakeAbsolutePath(const WideString& path, int style = kPosixPathStyle);
void AssignAbsolutePath(WideString& out, const WideString& path);

// The path without its last component ("/a/b" and "/a/b/" give "/a"; "/a" gives "/"),
// separated in the path's own style; with the flag it ends with '/'. "" for "".
WideString GetParentFolderPath(const WideString& path, bool withSlash);
// The last component (trailing separators ignored); with the flag without its extension.
WideString GetFileName(const WideString& path, bool withoutExtension = false);
// What follows the file name's last '.', with the dot when asked; "" without a dot.
WideString GetPathExtension(const WideString& path, bool withDot = false);
// The path without its extension, then the suffix as given (".swf", or "" to drop it).
WideString ReplacePathExtension(const WideString& path, const WideString& suffix);
// A path ending with '/' gets the name appended; otherwise the last component is replaced.
WideString ReplaceFileName(const WideString& path, const WideString& name);
void AppendPathComponent(WideString& out, const WideString& name, const WideString& folder);
bool MakePathInFolder(WideString& out, const WideString& name, const WideString& folder);
bool MakePathInFolderRef(WideString& out, const WideString& name, const FileRef& folder);
// True when the absolute forms differ, ignoring case (towlower, character by character).
bool PathsDiffer(const WideString& a, const WideString& b);

// "." and ".." resolved and repeated or trailing separators dropped, without looking at the
// disk (a folder path keeps one trailing '/'). Relative paths stay relative.
WideString NormalizePath(const WideString& path);

// The path that leads from the folder holding `base` (a document) to `target`, in "./x" and
// "../x" forms; "." for the base's folder itself; "" for an empty target. Both are made
// absolute and normalised first.
WideString ComputeRelativePath(const WideString& base, const WideString& target);
WideString MakeRelativePath(const WideString& base, const WideString& target);
WideString RelativizePath(const WideString& target, const WideString& base);

// The reference of the object at the path (absolute form). True when it exists; otherwise
// `out` names the nearest existing folder above it (so creation helpers find the parent)
// and the result is false.
bool PathToFSRef(const WideString& path, FileRef& out);
bool ParentFolderFSRef(const WideString& path, FileRef& out);
// The reference of the object itself, or a null reference when it doesn't exist.
FileRef PathToFSSpec(const WideString& path);
// The object's path, ending with '/' for a folder (a link names the link). False for null.
bool PathFromFSRef(WideString& out, const FileRef& ref);
WideString PathFromFSRef(const FileRef& ref);
// The object a symbolic link leads to (through chains of links), else the reference itself.
FileRef ResolveAliasFSRef(const FileRef& ref);
// True when something (also a dangling link) exists at the path; false for "".
bool PathExists(const WideString& path);
// The application bundle's path, ending with '/' ("" when there is no bundle).
WideString GetMainBundlePath();
