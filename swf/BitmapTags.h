// The bitmap definition tags: DefineBits, JPEGTables, DefineBitsJPEG2, DefineBitsJPEG3,
// DefineBitsLossless and DefineBitsLossless2.
//
// Image data is carried as opaque bytes: JPEG streams stay exactly as read or given, and the
// zlib-compressed pixels of the lossless tags are stored compressed and never inflated here.
// Data read from a movie shares the reader's storage.
//
// A body too short for its fixed fields is a format error (the reader's overrun flag is set),
// never a negative length.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/SwfBytes.h"
#include "swf/SwfRecord.h"

// DefineBits (6): a JPEG image stream that uses the movie's JPEGTables.
class DefineBitsTag : public SwfCharacterTag {
 public:
  // The tag reader passes the length of the tag body; 0 means unknown, and the JPEG data
  // then ends after the first end-of-image marker (0xFF 0xD9) inside the body.
  explicit DefineBitsTag(int32_t bodyLength = 0);

  // Takes the other tag's character id and a copy of its data.
  virtual void CopyFrom(const DefineBitsTag& other);
  virtual void SetData(int characterId, std::vector<uint8_t> data);
  virtual void ClearData();

  const SwfBytes& GetData() const { return data_; }

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineBits; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

 protected:
  SwfBytes data_;
  int32_t bodyLength_;
};

// JPEGTables (8): the encoding tables shared by every DefineBits of a movie.
class JpegTablesTag : public SwfTag {
 public:
  explicit JpegTablesTag(int32_t bodyLength = 0);

  void SetData(std::vector<uint8_t> data) { data_ = std::move(data); }
  const SwfBytes& GetData() const { return data_; }

  // Exactly the body length's bytes.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagJpegTables; }

 private:
  SwfBytes data_;
  int32_t bodyLength_;
};

// DefineBitsJPEG2 (21): a complete JPEG (its own tables included), or a PNG or GIF image.
class DefineBitsJpeg2Tag : public SwfCharacterTag {
 public:
  // Body length 0 (unknown): the tag reader sets it through SetTagLength.
  DefineBitsJpeg2Tag();
  DefineBitsJpeg2Tag(int characterId, const uint8_t* bytes, size_t count);

  virtual void SetTagLength(int32_t bodyLength);
  // Sets the id and replaces the image data (for a DefineBitsJPEG3 the alpha plane stays and
  // its offset follows the new data).
  virtual void SetData(int characterId, std::vector<uint8_t> data);

  const SwfBytes& GetData() const { return data_; }

  // With an unknown body length the data runs to the second end-of-image marker (a tables
  // stream and an image stream, each ending with 0xFF 0xD9).
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineBitsJpeg2; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

 protected:
  SwfBytes data_;
  int32_t bodyLength_ = 0;
};

// DefineBitsJPEG3 (35): a DefineBitsJPEG2 image with a zlib-compressed alpha plane.
class DefineBitsJpeg3Tag : public DefineBitsJpeg2Tag {
 public:
  DefineBitsJpeg3Tag() = default;

  void SetData(int characterId, std::vector<uint8_t> data) override;
  void SetAlphaData(std::vector<uint8_t> alpha) { alpha_ = std::move(alpha); }
  const SwfBytes& GetAlphaData() const { return alpha_; }
  uint32_t GetAlphaDataOffset() const { return alphaDataOffset_; }

  // UI16 id, UI32 alpha offset, that many bytes of image data, the rest of the body as
  // alpha. An offset beyond the body is a format error.
  size_t Read(SwfReader& reader) override;
  // The alpha offset written is the image data's size.
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineBitsJpeg3; }

 private:
  uint32_t alphaDataOffset_ = 0;
  SwfBytes alpha_;
};

// DefineBitsLossless (20) and DefineBitsLossless2 (36): zlib-compressed pixel data.
class DefineBitsLosslessTag : public SwfCharacterTag {
 public:
  enum Format : uint8_t { kColorMapped = 3, kRgb15 = 4, kRgb32 = 5 };

  explicit DefineBitsLosslessTag(uint8_t format = kRgb32);

  virtual uint16_t GetWidth() const { return width_; }
  virtual void SetWidth(uint16_t width) { width_ = width; }
  virtual uint16_t GetHeight() const { return height_; }
  virtual void SetHeight(uint16_t height) { height_ = height; }
  virtual uint8_t GetFormat() const { return format_; }
  // Empties the data and sets the colour-table size to 0.
  virtual void Clear();

  void SetFormat(uint8_t format) { format_ = format; }
  // Replaces the stored (already compressed) data by a copy.
  void SetData(const uint8_t* bytes, size_t count);
  const SwfBytes& GetData() const { return data_; }
  // Number of colour-table entries minus one (colour-mapped format only).
  void SetColorTableSize(uint8_t size) { colorTableSize_ = size; }
  uint8_t GetColorTableSize() const { return colorTableSize_; }

  size_t Read(SwfReader& reader) override;
  // Always with the long header, whatever the body size.
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineBitsLossless; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

 private:
  uint8_t format_;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  uint8_t colorTableSize_ = 0;
  SwfBytes data_;
};

class DefineBitsLossless2Tag : public DefineBitsLosslessTag {
 public:
  explicit DefineBitsLossless2Tag(uint8_t format = kRgb32) : DefineBitsLosslessTag(format) {}
  int TagCode() const override { return kSwfTagDefineBitsLossless2; }
};
