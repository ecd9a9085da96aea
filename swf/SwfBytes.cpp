#include "swf/SwfBytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

SwfBytes::SwfBytes(std::vector<uint8_t> bytes) {
  if (bytes.empty()) return;
  auto owned = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
  data_ = owned->data();
  size_ = owned->size();
  owner_ = std::move(owned);
}

SwfBytes SwfBytes::Copy(const uint8_t* data, size_t size) {
  SwfBytes run;
  uint8_t* out = nullptr;
  run = Allocate(size, out);
  if (out != nullptr && size != 0) std::memcpy(out, data, size);
  return run;
}

namespace {

// Storage from this size on is mapped pages of its own.
constexpr size_t kPageBackedSize = size_t{1} << 20;

size_t PageSize() {
  static const size_t size = [] {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<size_t>(page) : size_t{4096};
  }();
  return size;
}

}  // namespace

SwfBytes SwfBytes::Allocate(size_t size, uint8_t*& out) {
  out = nullptr;
  SwfBytes run;
  if (size == 0) return run;
  if (size >= kPageBackedSize) {
    void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return run;
    out = static_cast<uint8_t*>(pages);
    std::shared_ptr<uint8_t> storage(out, [size](uint8_t* p) { ::munmap(p, size); });
    run.data_ = out;
    run.size_ = size;
    run.pageBacked_ = true;
    run.owner_ = std::shared_ptr<const void>(std::move(storage), run.data_);
    return run;
  }
  // new[] without a value leaves the bytes as the system gives them: no pass writes zeros
  // over storage that the caller fills anyway.
  std::shared_ptr<uint8_t[]> storage(new (std::nothrow) uint8_t[size]);
  if (!storage) return run;
  out = storage.get();
  run.data_ = storage.get();
  run.size_ = size;
  run.owner_ = std::shared_ptr<const void>(std::move(storage), run.data_);
  return run;
}

SwfBytes SwfBytes::Slice(size_t offset, size_t size) const {
  SwfBytes run;
  if (offset >= size_) return run;
  run.size_ = std::min(size, size_ - offset);
  if (run.size_ == 0) return run;
  run.data_ = data_ + offset;
  run.owner_ = owner_;
  run.pageBacked_ = pageBacked_;
  return run;
}

size_t SwfBytes::PageStartOf(size_t offset) const {
  const auto base = reinterpret_cast<uintptr_t>(data_);
  const uintptr_t start = (base + offset) / PageSize() * PageSize();
  return start <= base ? 0 : static_cast<size_t>(start - base);
}

void SwfBytes::DropPages(size_t offset, size_t size) const {
  if (!pageBacked_ || offset >= size_) return;
  size = std::min(size, size_ - offset);
  const size_t page = PageSize();
  const auto begin = reinterpret_cast<uintptr_t>(data_ + offset);
  const auto end = reinterpret_cast<uintptr_t>(data_ + offset + size);
  const uintptr_t first = (begin + page - 1) / page * page;
  const uintptr_t last = end / page * page;
  if (first >= last) return;
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

bool operator==(const SwfBytes& a, const SwfBytes& b) {
  return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data_, b.data_, a.size_) == 0);
}

bool operator==(const SwfBytes& a, const std::vector<uint8_t>& b) {
  return a.size_ == b.size() && (a.size_ == 0 || std::memcmp(a.data_, b.data(), a.size_) == 0);
}
