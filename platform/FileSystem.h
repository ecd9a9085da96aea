// Operations on files and folders through paths: kind tests, folder creation, deletion,
// renaming, backup and unique names, and the application's own folders.
//
// A file's resource fork travels with it: deleting or renaming a file deletes or renames its
// side file (host/ResourceFork.h) as well.
#pragma once

#include "host/OSErr.h"
#include "platform/Paths.h"
#include "platform/WideString.h"

// True when the path names an existing folder (a link to a folder counts). A missing path
// is not a folder, whatever its parent is.
bool PathIsFolder(const WideString& path);

// True when a folder exists at the path already; otherwise creates it in its (existing)
// parent and rewrites the path absolute with a trailing '/'. False on failure and when a
// non-folder sits at the path.
[[nodiscard]] bool CreateFolderAtPath(WideString& path);

// True when nothing exists at the path or the object (a file, a link or an empty folder)
// was deleted. A busy file doesn't exist on this system, so `force` changes nothing.
bool DeleteFileAtPath(const WideString& path, bool force = false);

// Deletes a folder; with `recursive` also one that holds things (DeleteObjectTree). A link
// at the path is deleted as a link: nothing it points to is touched.
bool DeleteFolderAtPath(const WideString& path, bool recursive);

// Deletes the folder and everything in it, depth first. Links inside are deleted as links
// and never followed, so nothing outside the folder is touched. Read-only files and folders
// inside are deleted as well. Returns 0, kDirNotFoundErr when the reference is no folder,
// or the error of the first item that couldn't be deleted.
host::OSErr DeleteObjectTree(const FileRef& folder);

// Renames the object to `newName` (a name, not a path) in its folder. An existing file of
// that name is replaced in one step (rename(2)): the old one is never deleted first, so a
// failed rename leaves both as they were. A folder of that name is replaced only when it is
// empty. On success the path is rewritten to the new name (trailing '/' for a folder).
[[nodiscard]] bool RenamePath(WideString& path, const WideString& newName);

// Renames the object at the path to its name + "~" (out gets that path). False when nothing
// is at the path, or when the backup name is taken and `replace` is not set; with it the
// old backup is replaced.
[[nodiscard]] bool RenameToBackupName(WideString& out, const WideString& path, bool replace);

// out = the path with its file name replaced by "<stem>__<ext>", or when that exists the
// first free "<stem>__<n><ext>" for n = 0..999. False when all are taken (out holds the last).
[[nodiscard]] bool MakeUniqueFilePath(WideString& out, const WideString& path);

// The path of a file in the bundle's resources; false when it is not there.
bool GetBundleResourcePath(WideString& out, const WideString& name);
// The folder that holds the application bundle + name; found from the bundle or, with the
// flag, from the running executable. False when it can't be found.
bool GetAppFolderItemPath(WideString& out, const WideString& name, bool viaProcess = false);
