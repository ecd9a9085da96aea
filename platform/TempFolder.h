// The program's temporary folder and temporary file names.
//
// The temporary folder belongs to the user alone (mode 0700, see host/PrivateFolder.h). The
// program keeps a sub-folder of it (named once at start, "_plenwick"), also private. Every
// temporary file name handed out is unique to this process and this call, so two running
// copies of the program, or two users of one name inside one copy, never share a file.
#pragma once

#include "platform/WideString.h"

// The user's private temporary folder, created when missing, ending with '/'. Empty when no
// such folder can be made safely (for instance when something else sits at its path).
WideString GetTempFolderPath();

// Remembers the name of the program's temporary sub-folder and creates it (private) in the
// temporary folder. True when the folder exists and is private afterwards.
[[nodiscard]] bool CreateAppTempFolder(const WideString& name);

// The name last given to CreateAppTempFolder ("" before).
const WideString& GetAppTempFolderName();

// A path for a temporary file: the temporary folder, with the flag the program's sub-folder
// (created again when it went missing), then the name made unique: "<stem>-<pid>-<n><ext>",
// where <ext> is the name's extension with its dot and <n> counts the calls of this process,
// skipping names that are taken. False (out emptied) when the folder can't be made safely.
[[nodiscard]] bool GetTempFilePath(WideString& out, const WideString& name, bool inSubFolder);

// How long a temporary file may go unchanged before RemoveStaleTempFiles takes it for one
// that a run of the program left behind: a day.
inline constexpr long kStaleTempFileSeconds = 24L * 60 * 60;

// Removes the temporary files that earlier runs left behind (a run that was killed never
// removes its own): the regular files of the user in the temporary folder and in its private
// sub-folders that have not changed for longer than `ageSeconds`. A file whose name carries
// the number of a process that is still running (see GetTempFilePath) is kept whatever its
// age. Symbolic links are neither followed nor removed, and no folder is removed. Returns the
// number of files removed. The program calls it once when it starts.
int RemoveStaleTempFiles(long ageSeconds = kStaleTempFileSeconds);
