#include "host/OSErr.h"

#include <cerrno>

namespace host {

OSErr OSErrFromErrno(int err) {
  switch (err) {
    case 0: return kNoErr;
    case ENOENT: return kFileNotFoundErr;
    case ENOTDIR: return kDirNotFoundErr;
    case EEXIST: return kDuplicateErr;
    case ENOTEMPTY:
    case EBUSY:
    case ETXTBSY: return kBusyErr;
    case EACCES:
    case EPERM: return kAccessDeniedErr;
    case EROFS: return kWritePermErr;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kDiskFullErr;
    case EINVAL:
    case EBADF: return kParamErr;
    case EISDIR: return kNotAFileErr;
    case ENAMETOOLONG: return kNameTooLongErr;
    default: return kIoErr;
  }
}

}  // namespace host
