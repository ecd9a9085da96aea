// Byte runs of tag bodies that share the storage they were read from.
//
// A movie's bytes are read once into one buffer; the large bodies of its tags (bitmaps,
// sounds, video frames, tags kept as bytes) are runs of that buffer rather than copies, and
// the buffer goes when the last run and the reader that read it are gone. A run never changes
// its bytes: every form of assignment replaces the run, so runs that share storage never see
// each other's changes, and copying one copies a reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class SwfBytes {
 public:
  using value_type = uint8_t;
  using size_type = size_t;
  using difference_type = std::ptrdiff_t;
  using const_reference = const uint8_t&;
  using reference = const uint8_t&;
  using const_iterator = const uint8_t*;
  using iterator = const uint8_t*;

  SwfBytes() = default;
  // Takes over the vector's storage.
  SwfBytes(std::vector<uint8_t> bytes);
  SwfBytes(std::initializer_list<uint8_t> bytes) : SwfBytes(std::vector<uint8_t>(bytes)) {}
  // A copy of `size` bytes at `data`.
  static SwfBytes Copy(const uint8_t* data, size_t size);
  // Storage of `size` bytes, not initialised, for the caller to fill through `out` before the
  // run is read. Null (and an empty run) when the memory is not there. Large storage is pages
  // of its own, which DropPages can give back.
  static SwfBytes Allocate(size_t size, uint8_t*& out);
  // Gives the system back the whole pages of page-backed storage inside [offset, offset +
  // size) of this run; they read as zeros afterwards. For the one reader of the storage, once
  // it knows that no run and no later read needs those bytes. Does nothing for other storage.
  void DropPages(size_t offset, size_t size) const;
  // Offset in this run of the start of the page that holds byte `offset` (0 at most).
  size_t PageStartOf(size_t offset) const;

  // `size` bytes from `offset` of this run (cut to what it holds), sharing its storage.
  SwfBytes Slice(size_t offset, size_t size) const;

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }
  const uint8_t& operator[](size_t i) const { return data_[i]; }
  void clear() { *this = SwfBytes(); }

  std::vector<uint8_t> ToVector() const { return std::vector<uint8_t>(begin(), end()); }
  operator std::vector<uint8_t>() const { return ToVector(); }

  // Whether the two runs are views of the same storage.
  bool SharesStorageWith(const SwfBytes& other) const { return owner_ != nullptr && owner_ == other.owner_; }

  friend bool operator==(const SwfBytes& a, const SwfBytes& b);
  friend bool operator==(const SwfBytes& a, const std::vector<uint8_t>& b);

 private:
  std::shared_ptr<const void> owner_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool pageBacked_ = false;
};
