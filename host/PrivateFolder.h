// Folders only the user may enter: the program's temporary folder and its sub-folders.
//
// A private folder is a real folder (not a symbolic link), owned by the effective user, with
// no permission bits for the group or others. Anything else at the path is refused, so
// another user can't plant a link or a folder of their own where the program puts its
// temporary files.
#pragma once

#include <string>

namespace host::fs {

// Creates the folder (mode 0700) when it is missing, or checks the one that is there. A
// folder of ours that has group or other bits is tightened to 0700. Returns 0 on success,
// else an errno value: ENOTDIR for a non-folder or a symbolic link, EPERM for a folder
// owned by someone else, or the error of mkdir/lstat/chmod.
int EnsurePrivateFolder(const std::string& path);

// The folder under which the program keeps its temporary folder, UTF-8, without a trailing
// '/': $XDG_RUNTIME_DIR when it names an absolute folder owned by the user with mode 0700,
// else $XDG_CACHE_HOME when absolute, else $HOME/.cache (the home folder from the password
// database when HOME is unset). Empty when none can be found.
std::string UserTemporaryBase();

// The program's private temporary folder, created when missing: "<base>/plenwick" under the
// runtime folder, "<base>/plenwick/tmp" under the cache folder. UTF-8, no trailing '/'.
// Empty (with errno set) when it can't be made private.
std::string PrivateTemporaryFolder();

}  // namespace host::fs
