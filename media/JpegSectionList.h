// The marker sections of a JPEG file, read so that its metadata can be dropped and a clean
// stream rebuilt around the untouched image data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class JpegSectionList {
 public:
  static constexpr size_t kMaxSections = 100;
  // Type of the section that holds everything after the SOS header.
  static constexpr int kImageData = 0x123;
  static constexpr size_t kMaxCommentBytes = 2000;

  struct Section {
    int type = 0;               // the marker code, or kImageData
    std::vector<uint8_t> data;  // the two length bytes and the rest (image data: all of it)
  };

  // Reads the sections up to the image data (SOS). Every length is checked against the bytes
  // that are left; a section that runs past the end, a frame header shorter than its fixed
  // fields, more than kMaxSections sections or seven 0xFF bytes in a row before a marker are
  // failures. With readImage everything after the SOS header becomes one kImageData section.
  // Exif APP1 sections are kept only with readMetadata. Other APP1s are dropped, and so is
  // every comment after the first.
  bool Read(const uint8_t* data, size_t size, bool readMetadata, bool readImage);
  void Clear();

  // Removes the first section of the type, the last section excepted; false when none.
  bool RemoveFirst(int type);
  // Removes every section, the last excepted, that a clean stream does not need: all but the
  // frame headers, Huffman, arithmetic and quantisation tables, restart intervals, APP0, APP1,
  // Adobe's APP14 (it says how the colours are coded) and comments.
  void RemoveUnneeded();
  // SOI, a JFIF APP0 when the stream needs one, every section but the last, then the last
  // (the image data). Empty without image data.
  std::vector<uint8_t> Write() const;

  const std::vector<Section>& Sections() const { return sections_; }
  bool HasImage() const { return imageRead_; }
  uint16_t Width() const { return width_; }
  uint16_t Height() const { return height_; }
  bool IsColor() const { return color_; }
  int Process() const { return process_; }
  // The first comment, with CR LF turned into LF and other control bytes but LF and TAB into '?'.
  const std::string& Comment() const { return comment_; }

 private:
  std::vector<Section> sections_;
  bool imageRead_ = false;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  bool color_ = false;
  int process_ = 0;
  bool haveComment_ = false;
  std::string comment_;
};

// The JPEG without its comment, Exif and other metadata: the sections are read, the first
// comment and the first APP1 removed and everything unneeded dropped; the rebuilt stream, or
// empty when the data can't be read as JPEG sections with image data.
std::vector<uint8_t> RebuildJpegWithoutMetadata(const uint8_t* data, size_t length);
