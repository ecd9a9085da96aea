// Error numbers in the form the program's callers expect (the classic OSErr values), made
// from errno values of the system calls underneath.
#pragma once

#include <cstdint>

namespace host {

using OSErr = int16_t;

inline constexpr OSErr kNoErr = 0;
inline constexpr OSErr kDiskFullErr = -34;          // dskFulErr
inline constexpr OSErr kIoErr = -36;                // ioErr
inline constexpr OSErr kFileNotFoundErr = -43;      // fnfErr
inline constexpr OSErr kWritePermErr = -44;         // wPrErr: read-only volume
inline constexpr OSErr kFileLockedErr = -45;        // fLckdErr
inline constexpr OSErr kBusyErr = -47;              // fBsyErr (also: folder not empty)
inline constexpr OSErr kDuplicateErr = -48;         // dupFNErr
inline constexpr OSErr kParamErr = -50;             // paramErr
inline constexpr OSErr kPermissionErr = -54;        // permErr
inline constexpr OSErr kNotOpenErr = -38;           // fnOpnErr
inline constexpr OSErr kEofErr = -39;               // eofErr
inline constexpr OSErr kDirNotFoundErr = -120;      // dirNFErr
inline constexpr OSErr kNotAFileErr = -1302;        // notAFileErr
inline constexpr OSErr kNotAFolderErr = -1407;      // errFSNotAFolder
inline constexpr OSErr kNameTooLongErr = -2110;     // errFSNameTooLong
inline constexpr OSErr kAccessDeniedErr = -5000;    // afpAccessDenied
inline constexpr OSErr kCopyIntoItselfErr = -1234;  // copying a folder into itself

// The OSErr for an errno value (0 gives 0; unknown values give ioErr).
OSErr OSErrFromErrno(int err);

}  // namespace host
