// Copying a file, or a folder with everything in it, into a folder.
//
// A copy carries the data, the resource fork (side file), the Finder information and the
// other user extended attributes, the permission bits and the modification time. Links
// inside a copied folder are copied as links, never followed. A copy that fails is removed
// completely, so a half-copied item is never left looking finished.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <functional>

#include "host/OSErr.h"
#include "platform/Paths.h"
#include "platform/WideString.h"

enum DuplicateAction : int {
  kDuplicateFail = 0,        // an item of the name in the destination fails the copy (-48)
  kDuplicateReplace = 1,     // the copy replaces it (the old item goes only after success)
  kDuplicateUniqueName = 2,  // the copy is named "name 1.ext" ... "name 9.ext"
};

// The size of the buffer one copy uses (256 KB).
inline constexpr size_t kCopyBufferSize = 0x40000;

// Called after each item copied inside a folder, with the source item's status, the new
// item, its level below the copied folder (1 for its direct items) and the caller's data.
// A non-zero result stops the copy with that error.
using CopyFilter = std::function<host::OSErr(const struct stat& source, const FileRef& copy, int level)>;

// Copies the source into the destination folder, under `newName` when given. `levelLimit`
// limits the depth of folders copied (0: no limit). Returns 0 with the new item in
// `newItem`, or the error: kParamErr for a null reference, kNotAFolderErr when the
// destination is no folder, kDuplicateErr for a name that is taken (see DuplicateAction),
// kCopyIntoItselfErr for a folder copied into itself or one of its sub-folders (nothing is
// created then), or the error of the failing system call.
host::OSErr CopyObject(const FileRef& source, const FileRef& destinationFolder, int levelLimit,
                       DuplicateAction duplicate, const WideString* newName, const CopyFilter& filter,
                       FileRef* newItem);

// The path-level entry: no level limit and no filter. True on success, with the new item's
// path (a folder's ends with '/') in `newPath` when given.
[[nodiscard]] bool CopyFileOrFolder(const WideString& source, const WideString& destinationFolder,
                                    const WideString* newName, DuplicateAction duplicate, WideString* newPath);

// Counts the chunks data is copied in (tests).
void SetCopyChunkObserverForTesting(std::function<void(size_t bytes)> observer);
