#include "host/FinderInfo.h"

#include <sys/xattr.h>

#include <cerrno>

namespace host::fs {

namespace {

AttrResult Classify(int e, int* err) {
  if (err != nullptr) *err = e;
  if (e == ENOTSUP || e == EPERM) return AttrResult::kUnsupported;  // links refuse user.* with EPERM
  return AttrResult::kError;
}

}  // namespace

AttrResult ReadFinderInfo(const std::string& path, FinderInfoBytes& out, int* err) {
  out.fill(0);
  if (err != nullptr) *err = 0;
  uint8_t buffer[64];
  const ssize_t n = ::lgetxattr(path.c_str(), kFinderInfoAttribute, buffer, sizeof buffer);
  if (n < 0) {
    if (errno == ENODATA) return AttrResult::kMissing;
    if (errno == ERANGE) return Classify(EINVAL, err);
    return Classify(errno, err);
  }
  // Shorter records (from other tools) read as far as they go.
  for (ssize_t i = 0; i < n && i < 32; ++i) out[static_cast<size_t>(i)] = buffer[i];
  return AttrResult::kOk;
}

AttrResult WriteFinderInfo(const std::string& path, const FinderInfoBytes& info, int* err) {
  if (err != nullptr) *err = 0;
  bool zero = true;
  for (const uint8_t b : info) zero = zero && b == 0;
  if (zero) {
    if (::lremovexattr(path.c_str(), kFinderInfoAttribute) == 0 || errno == ENODATA) return AttrResult::kOk;
    return Classify(errno, err);
  }
  if (::lsetxattr(path.c_str(), kFinderInfoAttribute, info.data(), info.size(), 0) != 0) return Classify(errno, err);
  return AttrResult::kOk;
}

}  // namespace host::fs
