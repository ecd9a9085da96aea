// Writing and reading single tags in tests, the way the movie reader frames them.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "swf/SwfBasicRecords.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"

namespace tagtest {

using Bytes = std::vector<uint8_t>;

// The tag written by a writer of the given version, header included.
inline Bytes WriteTag(SwfTag& tag, uint8_t version) {
  SwfBitWriter writer(version);
  const size_t written = tag.Write(writer);
  Bytes bytes = writer.GetBytes();
  if (written != bytes.size()) bytes.push_back(0xEE);  // a wrong byte count shows as a mismatch
  return bytes;
}

// The body of a written tag (its header stripped).
inline Bytes BodyOf(const Bytes& tag) {
  if (tag.size() < 2) return {};
  const size_t headerSize = (tag[0] & 0x3F) == 0x3F ? 6 : 2;
  return Bytes(tag.begin() + static_cast<long>(std::min(headerSize, tag.size())), tag.end());
}

struct ReadResult {
  int code = -1;
  size_t consumed = 0;    // what the tag's Read reported
  size_t bodyLength = 0;  // what its header declared
  size_t nextTag = 0;     // where the reader went on after the body
  bool overrun = false;   // the body read past its end
};

// Reads the tag at `offset` of `bytes` into `tag`: the header, then the body inside its own
// range, as the movie's tag loop does.
inline ReadResult ReadTagAt(SwfReader& reader, size_t offset, SwfTag& tag) {
  ReadResult result;
  reader.Seek(offset);
  SwfTagHeader header;
  if (!ReadTagHeader(reader, header)) return result;
  result.code = header.code;
  result.bodyLength = header.length;
  reader.SetCurrentTagLength(header.length);
  {
    SwfReaderRange body(reader, header.length, SwfReaderRange::Overrun::Contain);
    result.consumed = tag.Read(reader);
    body.Close();
    result.overrun = body.Overran();
  }
  result.nextTag = reader.GetPosition();
  return result;
}

inline ReadResult ReadTag(const Bytes& bytes, SwfTag& tag, uint8_t version) {
  SwfReader reader(bytes, version);
  return ReadTagAt(reader, 0, tag);
}

// Reads the written form of `tag` into a new tag of the same class and writes that again:
// the second writing must equal the first.
template <typename T>
std::unique_ptr<T> RoundTrip(T& tag, uint8_t version, Bytes* firstBytes = nullptr, Bytes* secondBytes = nullptr) {
  const Bytes first = WriteTag(tag, version);
  auto copy = std::make_unique<T>();
  const ReadResult result = ReadTag(first, *copy, version);
  if (result.code != tag.TagCode() || result.overrun || result.nextTag != first.size()) return nullptr;
  const Bytes second = WriteTag(*copy, version);
  if (firstBytes) *firstBytes = first;
  if (secondBytes) *secondBytes = second;
  if (first != second) return nullptr;
  return copy;
}

inline Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// input.bytes of a single-tag case of the corpus, e.g. "define-shape/shape1-squares".
inline Bytes CorpusTag(const std::string& name) {
  return ReadFileBytes(std::string(PLENWICK_CORPUS_DIR) + "/swf-tags/" + name + "/input.bytes");
}

// A movie of the corpus of small authoring-tool movies, e.g. "DefineShape3.swf".
inline Bytes CorpusMovie(const std::string& name) {
  return ReadFileBytes(std::string(PLENWICK_CORPUS_DIR) + "/ruffle-swf-tags/" + name);
}

// Offsets of the tags of an uncompressed movie whose code is `code` (top-level tags only).
inline std::vector<size_t> FindTags(SwfReader& reader, int code) {
  std::vector<size_t> found;
  reader.Seek(8);
  SwfRect frame;
  frame.Read(reader);
  reader.ByteAlign();
  reader.Skip(4);
  while (reader.GetRemaining() >= 2) {
    const size_t offset = reader.GetPosition();
    SwfTagHeader header;
    if (!ReadTagHeader(reader, header)) break;
    if (header.code == code) found.push_back(offset);
    if (header.code == 0) break;
    reader.Skip(header.length);
  }
  return found;
}

// The bytes of the tag at `offset`, header included.
inline Bytes TagBytesAt(const Bytes& movie, size_t offset) {
  const size_t shortLength = (movie[offset] | movie[offset + 1] << 8) & 0x3F;
  size_t headerSize = 2;
  size_t length = shortLength;
  if (shortLength == 0x3F) {
    headerSize = 6;
    length = movie[offset + 2] | movie[offset + 3] << 8 | movie[offset + 4] << 16 | size_t(movie[offset + 5]) << 24;
  }
  return Bytes(movie.begin() + long(offset), movie.begin() + long(offset + headerSize + length));
}

}  // namespace tagtest
