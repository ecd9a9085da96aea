// SHAPE and SHAPEWITHSTYLE: the outline of shapes, glyphs and morph edges as a list of
// bit-packed shape records.
//
// A shape keeps two fill-index and two line-index bit counts: the initial counts, written in
// its header, and the running counts, which style-change records with new style arrays
// replace while the records are read or written. Writing always starts from the initial
// counts, so a shape can be written any number of times with the same result.
//
// Coordinates are twips. Edge records hold deltas of any size: an edge too long for the
// format's widest field (17 bits) is written as several edges that draw the same outline, and
// a move beyond the widest move field (31 bits) is saturated.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

#include "swf/ShapeStyles.h"
#include "swf/SwfRecord.h"

class Shape;

// Shape records are small values, not heap objects: a shape holds its edges one after another
// in a ShapeRecordList (about twenty bytes each), and only the rare style-change records,
// which can carry style arrays, live on their own. Each record still reads and writes itself;
// the list chooses the record class by the record's kind.
class ShapeRecord {
 public:
  enum Kind : int { kStyleChange = 1, kStraightEdge = 2, kCurvedEdge = 3, kEnd = 4 };

  int GetKind() const { return recordKind_; }

 protected:
  explicit ShapeRecord(uint8_t kind) : recordKind_(kind) {}
  ShapeRecord(const ShapeRecord&) = default;
  ShapeRecord& operator=(const ShapeRecord&) = default;
  ~ShapeRecord() = default;

 private:
  uint8_t recordKind_;
};

// Style-change flags (the record type bit, 0x20 on the wire, is never part of them).
inline constexpr uint8_t kStyleMoveTo = 0x01;
inline constexpr uint8_t kStyleFill0 = 0x02;
inline constexpr uint8_t kStyleFill1 = 0x04;
inline constexpr uint8_t kStyleLine = 0x08;
inline constexpr uint8_t kStyleNewStyles = 0x10;

class StyleChangeRecord : public ShapeRecord {
 public:
  // Move 0, 0, no style indices, no new styles; the bit counts are the shape's initial ones.
  StyleChangeRecord(uint8_t flagBits, Shape* ownerShape);
  StyleChangeRecord(const StyleChangeRecord&) = delete;
  StyleChangeRecord& operator=(const StyleChangeRecord&) = delete;
  ~StyleChangeRecord();

  // Sets the move, binds the record to the shape (taking its initial bit counts), clears the
  // style indices and forgets both new style arrays; the flags are not changed.
  void InitMoveTo(int32_t x, int32_t y, Shape* ownerShape);
  void SetFlags(uint8_t flagBits) { flags = flagBits; }
  // `second` selects fill style 1, else fill style 0.
  void SetFillStyleIndex(uint16_t index, bool second);
  void SetLineStyleIndex(uint16_t index) { lineStyle = index; }
  // The flags from the fields: new styles, line, fill 1, fill 0, and move-to when the move is
  // not 0, 0.
  void UpdateFlags();

  // A deep copy, bound to `owner`.
  std::unique_ptr<StyleChangeRecord> Clone(Shape* owner) const;

  // Reads the fields the flags (already read by the shape) announce.
  size_t Read(SwfReader& reader);
  // A record with no flags would read as the end of the shape: it changes nothing and is not
  // written. The new-styles flag is written only when a new style array is present.
  size_t Write(SwfBitWriter& writer);

  uint8_t flags = 0;
  int32_t moveX = 0;  // absolute, from the shape origin
  int32_t moveY = 0;
  uint16_t fillStyle0 = 0;  // 1-based; 0 is none
  uint16_t fillStyle1 = 0;
  uint16_t lineStyle = 0;
  uint8_t fillBits = 0;
  uint8_t lineBits = 0;
  Shape* owner = nullptr;  // not owned
  std::unique_ptr<FillStyleArray> newFillStyles;
  std::unique_ptr<LineStyleArray> newLineStyles;
};

class StraightEdgeRecord : public ShapeRecord {
 public:
  enum EdgeKind : uint8_t { kGeneral = 0, kHorizontal = 1, kVertical = 2 };

  explicit StraightEdgeRecord(int32_t dx = 0, int32_t dy = 0, uint8_t edgeKind = kGeneral);
  StraightEdgeRecord(const StraightEdgeRecord&) = default;
  StraightEdgeRecord& operator=(const StraightEdgeRecord&) = default;
  void Set(int32_t dx, int32_t dy, uint8_t edgeKind);

  // Reads the record after its two type bits.
  size_t Read(SwfReader& reader);
  size_t Write(SwfBitWriter& writer) const;

  uint8_t kind = kGeneral;  // a horizontal edge uses only dx, a vertical one only dy
  int32_t deltaX = 0;
  int32_t deltaY = 0;
};

class CurvedEdgeRecord : public ShapeRecord {
 public:
  CurvedEdgeRecord(int32_t controlDx = 0, int32_t controlDy = 0, int32_t anchorDx = 0, int32_t anchorDy = 0);
  CurvedEdgeRecord(const CurvedEdgeRecord&) = default;
  CurvedEdgeRecord& operator=(const CurvedEdgeRecord&) = default;

  // Reads the record after its two type bits.
  size_t Read(SwfReader& reader);
  // A curve too wide for one record is halved (de Casteljau) until every piece fits.
  size_t Write(SwfBitWriter& writer) const;

  int32_t controlDeltaX = 0;
  int32_t controlDeltaY = 0;
  int32_t anchorDeltaX = 0;
  int32_t anchorDeltaY = 0;
};

class EndShapeRecord : public ShapeRecord {
 public:
  EndShapeRecord() : ShapeRecord(kEnd) {}
  EndShapeRecord(const EndShapeRecord&) = default;
  EndShapeRecord& operator=(const EndShapeRecord&) = default;
  size_t Write(SwfBitWriter& writer) const;
};

// The records of a shape in order, in one block of memory. Edge and end records are held by
// value; a style-change record is held as the object it was given as. Records are added
// either as values or as the objects of the earlier form of the list (a unique_ptr of a record
// class), which the list takes over. An element is seen through ShapeRecordList::Ref, which
// behaves as a pointer to the record (->, *, get()).
//
// A shape read from a movie keeps its records packed (a kind byte and variable-length deltas,
// about six bytes an edge) until something asks for them one by one: the first iteration,
// index or change unpacks the list into its slots of about twenty bytes. Writing and ForEach
// read the packed form as it is, so a movie loaded and written again never unpacks.
class ShapeRecordList {
 private:
  struct alignas(4) Slot {
    unsigned char bytes[20];
  };

 public:
  template <class R>
  class Ref {
   public:
    explicit Ref(R* record) : record_(record) {}
    R& operator*() const { return *record_; }
    R* operator->() const { return record_; }
    R* get() const { return record_; }
    explicit operator bool() const { return record_ != nullptr; }

   private:
    R* record_;
  };

  template <bool Const>
  class Iterator {
   public:
    using SlotType = std::conditional_t<Const, const Slot, Slot>;
    using Record = std::conditional_t<Const, const ShapeRecord, ShapeRecord>;
    using iterator_category = std::random_access_iterator_tag;
    using value_type = Ref<Record>;
    using difference_type = std::ptrdiff_t;
    using pointer = Ref<Record>;
    using reference = Ref<Record>;

    Iterator() = default;
    explicit Iterator(SlotType* slot) : slot_(slot) {}
    operator Iterator<true>() const requires(!Const) { return Iterator<true>(slot_); }

    Ref<Record> operator*() const { return Ref<Record>(ShapeRecordList::RecordAt(slot_)); }
    Ref<Record> operator->() const { return **this; }
    Ref<Record> operator[](difference_type n) const { return *(*this + n); }
    Iterator& operator++() {
      ++slot_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator old = *this;
      ++slot_;
      return old;
    }
    Iterator& operator--() {
      --slot_;
      return *this;
    }
    Iterator operator--(int) {
      Iterator old = *this;
      --slot_;
      return old;
    }
    Iterator& operator+=(difference_type n) {
      slot_ += n;
      return *this;
    }
    Iterator& operator-=(difference_type n) {
      slot_ -= n;
      return *this;
    }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) { return a.slot_ - b.slot_; }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.slot_ == b.slot_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.slot_ <=> b.slot_; }

   private:
    friend class ShapeRecordList;
    SlotType* slot_ = nullptr;
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;

  ShapeRecordList() = default;
  ShapeRecordList(const ShapeRecordList&) = delete;
  ShapeRecordList& operator=(const ShapeRecordList&) = delete;
  ShapeRecordList(ShapeRecordList&& other) noexcept;
  ShapeRecordList& operator=(ShapeRecordList&& other) noexcept;
  ~ShapeRecordList();

  size_t size() const { return packedCount_ != 0 ? packedCount_ : slots_.size(); }
  bool empty() const { return size() == 0; }
  void clear();
  void reserve(size_t count) {
    Unpack();
    slots_.reserve(count);
  }
  // Gives back room reserved beyond the records held.
  void shrink_to_fit() {
    slots_.shrink_to_fit();
    packed_.shrink_to_fit();
  }

  iterator begin() { return Unpack(), iterator(slots_.data()); }
  iterator end() { return Unpack(), iterator(slots_.data() + slots_.size()); }
  const_iterator begin() const { return Unpack(), const_iterator(slots_.data()); }
  const_iterator end() const { return Unpack(), const_iterator(slots_.data() + slots_.size()); }
  Ref<ShapeRecord> operator[](size_t i) { return Unpack(), Ref<ShapeRecord>(RecordAt(&slots_[i])); }
  Ref<const ShapeRecord> operator[](size_t i) const { return Unpack(), Ref<const ShapeRecord>(RecordAt(&slots_[i])); }
  Ref<ShapeRecord> back() { return (*this)[size() - 1]; }

  // Calls `visit` with every record in order, packed or not, without unpacking; a packed edge
  // is a copy made for the call, so changes to it are lost (style changes are the records).
  template <class F>
  void ForEach(F&& visit) const {
    if (packedCount_ == 0) {
      for (const Slot& slot : slots_) visit(*RecordAt(const_cast<Slot*>(&slot)));
      return;
    }
    const uint8_t* at = packed_.data();
    const uint8_t* end = at + packed_.size();
    Slot slot;
    while (at < end) {
      at = DecodePacked(at, slot);
      visit(*RecordAt(&slot));
    }
  }

  // Adds a record read from a movie at the end, in the packed form when the list is empty
  // or packed already.
  void AppendRead(const StraightEdgeRecord& record);
  void AppendRead(const CurvedEdgeRecord& record);
  void AppendRead(const EndShapeRecord& record);
  void AppendRead(std::unique_ptr<StyleChangeRecord> record);

  // Values, copied in.
  iterator insert(const_iterator at, const StraightEdgeRecord& record);
  iterator insert(const_iterator at, const CurvedEdgeRecord& record);
  iterator insert(const_iterator at, const EndShapeRecord& record);
  // Record objects: edge and end records are copied in and the objects freed; a style change
  // is kept as the object it is. A null record adds nothing.
  iterator insert(const_iterator at, std::unique_ptr<StraightEdgeRecord> record);
  iterator insert(const_iterator at, std::unique_ptr<CurvedEdgeRecord> record);
  iterator insert(const_iterator at, std::unique_ptr<EndShapeRecord> record);
  iterator insert(const_iterator at, std::unique_ptr<StyleChangeRecord> record);
  template <class R>
  void push_back(R&& record) {
    insert(end(), std::forward<R>(record));
  }
  // Removes the record at `at`.
  iterator erase(const_iterator at);

  // Deep copies of the other list's records, style changes bound to `owner`.
  void CopyFrom(const ShapeRecordList& other, Shape* owner);

 private:
  // What a slot holds for a style-change record: the kind and the record's address.
  class StyleChangeHandle : public ShapeRecord {
   public:
    explicit StyleChangeHandle(StyleChangeRecord* record);
    StyleChangeRecord* Get() const;

   private:
    unsigned char address_[sizeof(StyleChangeRecord*)];
  };

  static ShapeRecord* RecordAt(Slot* slot);
  static const ShapeRecord* RecordAt(const Slot* slot);
  template <class R>
  iterator Place(const_iterator at, const R& record);
  void DeleteOwned();
  // Turns the packed form into slots; nothing happens when the list is not packed.
  void Unpack() const;
  bool CanPack() const { return packedCount_ != 0 || slots_.empty(); }
  // Constructs the record packed at `at` in `slot` and gives the next one's start.
  static const uint8_t* DecodePacked(const uint8_t* at, Slot& slot);

  mutable std::vector<Slot> slots_;
  // The packed form: records, each a kind byte, then the edge's deltas as zigzag base-128
  // numbers or a style change's address. Empty when the list is held in slots.
  mutable std::vector<uint8_t> packed_;
  mutable size_t packedCount_ = 0;
};

class Shape : public SwfRecord {
 public:
  // The widest bit counts the 4-bit fields hold.
  static constexpr uint8_t kMaxIndexBits = 15;

  explicit Shape(bool alpha = false) : hasAlpha(alpha) {}
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape&) = delete;

  // Both the initial and the running copies.
  virtual void SetBitCounts(int fillBitCount, int lineBitCount);
  void SetNumFillBits(int bitCount);
  void SetNumLineBits(int bitCount);
  virtual void Clear();
  // Replaces the records by deep copies of the other shape's, bound to this shape, and takes
  // its has-alpha flag and bit counts.
  void CopyFrom(const Shape& other);

  // UB[4] fill bits, UB[4] line bits, then records up to the end record; an end record is
  // appended and the reader aligned to a byte.
  size_t Read(SwfReader& reader) override;
  // UB[4] initial fill bits, UB[4] initial line bits, the records. The last partial byte is
  // left pending; the enclosing writer flushes.
  size_t Write(SwfBitWriter& writer) override;

  // Bitmap fills of the new style arrays of the style-change records.
  void RelocateBitmaps(int idDelta);
  bool CanRelocateBitmaps(int idDelta) const;

  ShapeRecordList records;
  bool hasAlpha = false;
  uint8_t initialFillBits = 0;
  uint8_t initialLineBits = 0;
  uint8_t fillBits = 0;  // running
  uint8_t lineBits = 0;  // running

 protected:
  size_t ReadRecords(SwfReader& reader);
  void WriteRecords(SwfBitWriter& writer);
};

class ShapeWithStyle : public Shape {
 public:
  explicit ShapeWithStyle(bool alpha = false) : Shape(alpha) {}

  // Also deletes both style arrays.
  void Clear() override;
  // Deep copies of the other's style arrays (a missing array stays missing), then the records.
  void CopyFrom(const ShapeWithStyle& other);

  // The fill and line style arrays, then the shape records.
  size_t Read(SwfReader& reader) override;
  // The style arrays (a single 0 byte for a missing or empty one), with the index bit counts
  // computed from their counts, then the shape records.
  size_t Write(SwfBitWriter& writer) override;

  // Bitmap fills of the shape's styles and of the style-change records.
  void RelocateBitmaps(int idDelta);
  bool CanRelocateBitmaps(int idDelta) const;

  std::unique_ptr<FillStyleArray> fillStyles;
  std::unique_ptr<LineStyleArray> lineStyles;
};

// Bits of a style index for an array of `count` styles (1 needs 1, 2 or 3 need 2, ...), at
// most the 15 the shape header holds.
uint8_t StyleIndexBits(size_t count);
