// Every movie of the corpora read into objects and written back: each loads; the written
// movie reads back to the same tags; writing that again gives the same bytes. The tests print
// how many movies came back byte for byte on the first writing.
//
// And the first copy compared with the original, tag by tag (sprites child by child): a tag
// may differ only when its kind is listed below with the reason, and then only as another
// encoding of the same values (read by the model, both write the same bytes). Header form
// (short or long) never counts; the movie header may differ in the width of its frame-size
// fields only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

#include "swf/ControlTags.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfTagFactory.h"
#include "tests/swf/MovieTestSupport.h"
#include "tests/swf/SwfTestSupport.h"
#include "tests/swf/TagTestSupport.h"

namespace {

using movietest::Bytes;
namespace fs = std::filesystem;

std::vector<fs::path> MoviesIn(const std::string& folder) {
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / folder;
  std::vector<fs::path> movies;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".swf") movies.push_back(entry.path());
  }
  std::sort(movies.begin(), movies.end());
  return movies;
}

struct Tally {
  int movies = 0;
  int identical = 0;
  int lzma = 0;
  std::vector<std::string> failures;
};

void CheckMovie(const fs::path& path, Tally& tally) {
  const Bytes file = tagtest::ReadFileBytes(path.string());
  const std::string name = path.parent_path().filename().string() + "/" + path.filename().string();
  SwfReader reader;
  const bool loaded = reader.LoadFileWithOptions(Utf8ToWide(path.string()), true, 0, true);
  if (file.size() >= 3 && file[0] == 'Z' && file[1] == 'W' && file[2] == 'S') {
    // LZMA-compressed movies (SWF 13 and later) are not a form this reader takes.
    ++tally.lzma;
    if (loaded || reader.GetError() != kSwfReadNotSwf) tally.failures.push_back(name + ": LZMA movie not refused");
    return;
  }
  ++tally.movies;
  if (!loaded) {
    tally.failures.push_back(name + ": does not load, error " + std::to_string(reader.GetError()));
    return;
  }
  const SwfHeader header = reader.GetHeader();
  const uint8_t version = header.version;
  movietest::TagList first = reader.TakeTags();
  const Bytes written = movietest::WriteMovie(header, first);

  Bytes original = file;
  // A movie that does not inflate whole is not identical (the inflater leaves nothing).
  if (file[0] == 'C' && InflateSwf(file.data(), file.size(), original) != SwfInflateResult::kOk) original.clear();
  if (written == original) ++tally.identical;

  SwfReader again;
  if (!again.LoadFromMemory(written.data(), written.size(), true, 0, true)) {
    tally.failures.push_back(name + ": written movie does not load");
    return;
  }
  if (again.GetHeader().frameCount != header.frameCount || !(again.GetHeader().frameSize == header.frameSize) ||
      again.GetHeader().version != version) {
    tally.failures.push_back(name + ": header differs after writing");
  }
  movietest::TagList second = again.TakeTags();
  const std::string difference = movietest::CompareTags(first, second, version);
  if (!difference.empty()) tally.failures.push_back(name + ": " + difference);
  const Bytes rewritten = movietest::WriteMovie(again.GetHeader(), second);
  if (rewritten != written) tally.failures.push_back(name + ": second writing differs");
}

void CheckFolder(const std::string& folder, int minimumMovies) {
  ASSERT_TRUE(fs::is_directory(fs::path(PLENWICK_CORPUS_DIR) / folder)) << PLENWICK_CORPUS_DIR;
  Tally tally;
  for (const fs::path& path : MoviesIn(folder)) CheckMovie(path, tally);
  std::cout << "[ corpus   ] " << folder << ": " << tally.identical << " of " << tally.movies
            << " movies byte-identical after one reading and writing (" << tally.lzma << " LZMA movies refused)\n";
  EXPECT_GE(tally.movies, minimumMovies);
  std::string report;
  for (size_t i = 0; i < tally.failures.size() && i < 30; ++i) report += tally.failures[i] + "\n";
  EXPECT_TRUE(tally.failures.empty()) << tally.failures.size() << " problems:\n" << report;
}

TEST(MovieCorpus, ScriptMoviesLoadAndRewriteToAFixedPoint) { CheckFolder("ruffle-avm1", 300); }

TEST(MovieCorpus, TagMoviesLoadAndRewriteToAFixedPoint) { CheckFolder("ruffle-swf-tags", 50); }

// --- The first copy against the original ------------------------------------------------

// Kinds of tag whose copy may differ from the original, and why. Every difference must still
// decode to the same values; an entry that no movie needs any more fails the test.
const std::map<int, std::string>& AllowedDifferences() {
  static const std::map<int, std::string> allowed = {
      {2, "DefineShape: bounds, style and edge fields are written in the fewest bits"},
      {12,
       "DoAction: a list read without its End byte is written with it (the player stops at the body's end either way)"},
      {22, "DefineShape2: bounds, style and edge fields are written in the fewest bits"},
      {23, "DefineButtonCxform: bytes after the colour transform, which nothing reads, are not kept"},
      {26, "PlaceObject2: MATRIX and CXFORMWITHALPHA fields are written in the fewest bits"},
      {33, "DefineText2: bounds and MATRIX in the fewest bits; advance fields at least 1 bit wide"},
      {34,
       "DefineButton2: button records' MATRIX and CXFORMWITHALPHA in the fewest bits (a transform without terms gains "
       "multiply terms of 1.0)"},
      {37, "DefineEditText: bounds in the fewest bits (an empty RECT takes 1-bit fields)"},
      {39,
       "DefineSprite: bytes after the sprite's End tag (a second End), which the player does not read, are not kept"},
      {43,
       "FrameLabel: a label of SWF 6 or later read without its anchor byte is written with anchor 0 (not an anchor)"},
      {46, "DefineMorphShape: bounds and edge fields are written in the fewest bits"},
      {48,
       "DefineFont2: the font name's length without a terminating 0 byte; a font without glyphs gains its code-table "
       "offset; bytes after the kerning table, which nothing reads, are not kept"},
  };
  return allowed;
}

// A tag as it stands in a movie: code and body.
struct FileTag {
  int code = 0;
  Bytes body;
};

// The tags from `pos` up to and including an End tag, or to `end`; `after` gets the bytes
// that follow the End.
std::vector<FileTag> SplitTags(const Bytes& data, size_t pos, size_t end, Bytes& after) {
  std::vector<FileTag> tags;
  while (pos + 2 <= end) {
    const unsigned header = data[pos] | data[pos + 1] << 8;
    pos += 2;
    size_t length = header & 0x3F;
    if (length == 0x3F) {
      if (pos + 4 > end) break;
      length = data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16 | size_t{data[pos + 3]} << 24;
      pos += 4;
    }
    const size_t bodyEnd = std::min(end, pos + length);
    tags.push_back({static_cast<int>(header >> 6), Bytes(data.begin() + long(pos), data.begin() + long(bodyEnd))});
    pos = bodyEnd;
    if (tags.back().code == 0) break;
  }
  after.assign(data.begin() + long(std::min(pos, end)), data.begin() + long(end));
  return tags;
}

// Where the tags of an uncompressed movie start (after its frame-size RECT, rate and count).
size_t TagsStart(const Bytes& movie) {
  const int bits = movie.size() > 8 ? movie[8] >> 3 : 0;
  return std::min(movie.size(), size_t{8} + (5 + 4 * bits + 7) / 8 + 4);
}

// An independent reader of the bit-packed records whose field widths a writer chooses (RECT,
// MATRIX, CXFORM), so that a re-encoding is judged without the model's own readers.
class FieldReader {
 public:
  FieldReader(const Bytes& data, size_t pos) : data_(data), pos_(pos) {}
  uint32_t U(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      if (pos_ >= data_.size()) {
        ok_ = false;
        return 0;
      }
      v = v << 1 | ((data_[pos_] >> (7 - bit_)) & 1u);
      if (++bit_ == 8) {
        bit_ = 0;
        ++pos_;
      }
    }
    return v;
  }
  int64_t S(int n) {
    const uint32_t v = U(n);
    return n > 0 && (v >> (n - 1)) & 1u ? int64_t{v} - (int64_t{1} << n) : int64_t{v};
  }
  void Align() {
    if (bit_ != 0) {
      bit_ = 0;
      ++pos_;
    }
  }
  std::vector<int64_t> Rect() {
    const int n = static_cast<int>(U(5));
    return {S(n), S(n), S(n), S(n)};
  }
  // Scale (1.0 when absent), rotate-skew (0 when absent), translation.
  std::vector<int64_t> Matrix() {
    std::vector<int64_t> m = {65536, 65536, 0, 0};
    if (U(1)) {
      const int n = static_cast<int>(U(5));
      m[0] = S(n);
      m[1] = S(n);
    }
    if (U(1)) {
      const int n = static_cast<int>(U(5));
      m[2] = S(n);
      m[3] = S(n);
    }
    const int n = static_cast<int>(U(5));
    m.push_back(S(n));
    m.push_back(S(n));
    return m;
  }
  // Multiply terms (256 when absent), then add terms (0 when absent).
  std::vector<int64_t> Cxform(bool withAlpha) {
    const int terms = withAlpha ? 4 : 3;
    const bool add = U(1) != 0;
    const bool mult = U(1) != 0;
    const int n = static_cast<int>(U(4));
    std::vector<int64_t> c(size_t(2 * terms), 0);
    for (int i = 0; i < terms; ++i) c[size_t(i)] = mult ? S(n) : 256;
    for (int i = 0; i < terms; ++i) c[size_t(terms + i)] = add ? S(n) : 0;
    return c;
  }
  uint32_t U8() { return U(8); }
  uint32_t U16() { return U(8) | U(8) << 8; }
  size_t Position() const { return pos_; }
  Bytes Rest() const { return Bytes(data_.begin() + long(std::min(pos_, data_.size())), data_.end()); }
  bool Ok() const { return ok_; }

 private:
  const Bytes& data_;
  size_t pos_;
  int bit_ = 0;
  bool ok_ = true;
};

// PlaceObject2: everything but the MATRIX and CXFORMWITHALPHA encodings is the same.
bool SamePlacement(const Bytes& a, const Bytes& b) {
  FieldReader ra(a, 0);
  FieldReader rb(b, 0);
  const uint32_t flags = ra.U8();
  if (flags != rb.U8() || ra.U16() != rb.U16()) return false;
  if ((flags & 0x02) && ra.U16() != rb.U16()) return false;
  if ((flags & 0x04) && ra.Matrix() != rb.Matrix()) return false;
  ra.Align();
  rb.Align();
  if ((flags & 0x08) && ra.Cxform(true) != rb.Cxform(true)) return false;
  ra.Align();
  rb.Align();
  return ra.Ok() && rb.Ok() && ra.Rest() == rb.Rest();
}

// The bytes of a button record's filter list (count, then filters of the SWF 8 kinds).
size_t FilterListSize(const Bytes& data, size_t pos) {
  const size_t start = pos;
  if (pos >= data.size()) return 0;
  const int count = data[pos++];
  for (int i = 0; i < count && pos < data.size(); ++i) {
    const int type = data[pos++];
    switch (type) {
      case 0: pos += 23; break;  // drop shadow
      case 1: pos += 9; break;   // blur
      case 2: pos += 15; break;  // glow
      case 3: pos += 27; break;  // bevel
      case 4:                    // gradient glow
      case 7:                    // gradient bevel
        pos += pos < data.size() ? 1 + size_t{data[pos]} * 5 + 19 : 1;
        break;
      case 5:  // convolution: a matrix of x by y floats
        pos += pos + 1 < data.size() ? 2 + 8 + size_t{data[pos]} * data[pos + 1] * 4 + 5 : 2;
        break;
      case 6: pos += 80; break;  // colour matrix
      default: return data.size() - start;
    }
  }
  return std::min(pos, data.size()) - start;
}

// DefineButton2: everything but its records' MATRIX and CXFORMWITHALPHA encodings (and the
// action offset, which follows their length) is the same.
bool SameButton(const Bytes& a, const Bytes& b) {
  FieldReader ra(a, 0);
  FieldReader rb(b, 0);
  if (ra.U16() != rb.U16() || ra.U8() != rb.U8()) return false;
  const bool actions = ra.U16() != 0;
  if (actions != (rb.U16() != 0)) return false;
  for (;;) {
    const uint32_t flags = ra.U8();
    if (flags != rb.U8() || !ra.Ok() || !rb.Ok()) return false;
    if (flags == 0) break;
    if (ra.U16() != rb.U16() || ra.U16() != rb.U16() || ra.Matrix() != rb.Matrix()) return false;
    ra.Align();
    rb.Align();
    if (ra.Cxform(true) != rb.Cxform(true)) return false;
    ra.Align();
    rb.Align();
    // Filters and blend mode travel as they are.
    size_t extra = 0;
    if (flags & 0x10) extra += FilterListSize(a, ra.Position());
    if (flags & 0x20) ++extra;
    for (size_t i = 0; i < extra; ++i) {
      if (ra.U8() != rb.U8()) return false;
    }
  }
  return ra.Rest() == rb.Rest();
}

// DefineEditText: everything but the bounds' encoding is the same.
bool SameTextField(const Bytes& a, const Bytes& b) {
  FieldReader ra(a, 0);
  FieldReader rb(b, 0);
  if (ra.U16() != rb.U16() || ra.Rect() != rb.Rect()) return false;
  ra.Align();
  rb.Align();
  return ra.Ok() && rb.Ok() && ra.Rest() == rb.Rest();
}

bool WithZeroAdded(const Bytes& a, const Bytes& b) {
  Bytes longer = a;
  longer.push_back(0);
  return b == longer;
}

// The values of a tag as the model reads them, in its own encoding.
Bytes Decoded(const FileTag& tag, uint8_t version) {
  Bytes bytes = SwfTag::MakeTagHeader(tag.code, tag.body.size(), false);
  bytes.insert(bytes.end(), tag.body.begin(), tag.body.end());
  SwfReader reader(bytes, version);
  std::unique_ptr<SwfTag> read = reader.ReadNextTag();
  return read ? movietest::WriteOne(*read, version) : Bytes{};
}

// A DoAction that runs nothing (no body, or End alone) is left out when written.
bool RunsNothing(const FileTag& tag) { return tag.code == 12 && (tag.body.empty() || tag.body == Bytes{0}); }

struct OriginalComparison {
  int movies = 0;
  int identical = 0;
  int headersReencoded = 0;
  int emptyScriptsLeftOut = 0;
  int cut = 0;                   // movies with a tag cut by the end of the data, which are not written back
  std::map<int, int> differing;  // tag code -> tags that differ (re-encoded)
  std::vector<std::string> problems;
};

void CompareTagLists(const std::vector<FileTag>& allOriginal, const std::vector<FileTag>& copy, uint8_t version,
                     const std::string& where, OriginalComparison& out) {
  std::vector<const FileTag*> original;
  for (const FileTag& tag : allOriginal) {
    if (RunsNothing(tag)) {
      ++out.emptyScriptsLeftOut;
    } else {
      original.push_back(&tag);
    }
  }
  if (original.size() != copy.size()) {
    out.problems.push_back(where + "tag count " + std::to_string(original.size()) + " vs " +
                           std::to_string(copy.size()));
    return;
  }
  for (size_t i = 0; i < copy.size(); ++i) {
    const FileTag& a = *original[i];
    const FileTag& b = copy[i];
    const std::string at = where + "tag " + std::to_string(i) + " (code " + std::to_string(a.code) + ")";
    if (a.code != b.code) {
      out.problems.push_back(at + ": code " + std::to_string(b.code) + " in the copy");
      return;
    }
    if (a.body == b.body) continue;
    if (a.code == kSwfTagDefineSprite && a.body.size() >= 4 && b.body.size() >= 4) {
      if (!std::equal(a.body.begin(), a.body.begin() + 4, b.body.begin()))
        out.problems.push_back(at + ": sprite id or frame count");
      Bytes afterA;
      Bytes afterB;
      const auto childrenA = SplitTags(a.body, 4, a.body.size(), afterA);
      const auto childrenB = SplitTags(b.body, 4, b.body.size(), afterB);
      if (afterA != afterB) {
        ++out.differing[a.code];
        if (!afterB.empty()) out.problems.push_back(at + ": the copy holds bytes after the sprite's End");
      }
      CompareTagLists(childrenA, childrenB, version, at + " > ", out);
      continue;
    }
    ++out.differing[a.code];
    if (AllowedDifferences().count(a.code) == 0) {
      out.problems.push_back(at + ": differs, and its kind is not one allowed to");
      continue;
    }
    // Kinds judged field by field; the others by the model's reading of both, which must
    // take in the original's whole body (nothing dropped).
    bool same = true;
    switch (a.code) {
      case 12: same = WithZeroAdded(a.body, b.body); break;
      case 43: same = version >= 6 && WithZeroAdded(a.body, b.body); break;
      case 26: same = SamePlacement(a.body, b.body); break;
      case 34: same = SameButton(a.body, b.body); break;
      case 37: same = SameTextField(a.body, b.body); break;
      default: {
        Bytes bytes = SwfTag::MakeTagHeader(a.code, a.body.size(), false);
        bytes.insert(bytes.end(), a.body.begin(), a.body.end());
        SwfReader reader(bytes, version);
        std::unique_ptr<SwfTag> read = CreateSwfTag(a.code, static_cast<uint32_t>(a.body.size()));
        const tagtest::ReadResult result = tagtest::ReadTagAt(reader, 0, *read);
        // Only the kinds whose reason says so may leave bytes at the end of the body unread.
        const bool dropsTrailingBytes = a.code == 23 || a.code == 48;
        same = !result.overrun && (result.consumed == a.body.size() || dropsTrailingBytes) &&
               Decoded(a, version) == Decoded(b, version);
        break;
      }
    }
    if (!same) out.problems.push_back(at + ": the copy is not the same values in another encoding");
  }
}

void CompareWithOriginal(const fs::path& path, const swftest::ScratchDir& scratch, OriginalComparison& out) {
  const Bytes file = tagtest::ReadFileBytes(path.string());
  if (file.size() < 8 || file[0] == 'Z') return;  // LZMA movies are not read
  const std::string name = path.parent_path().filename().string() + "/" + path.filename().string();
  SwfReader reader;
  if (!reader.LoadFileWithOptions(Utf8ToWide(path.string()), true, 0, true)) return;  // the fixed-point tests say why
  ++out.movies;
  if (reader.HasCutTag()) {
    // rewrite-movie refuses it: a tag runs past the end of the data.
    ++out.cut;
    return;
  }
  Bytes original = file;
  if (file[0] == 'C' && InflateSwf(file.data(), file.size(), original) != SwfInflateResult::kOk) return;
  // Written as rewrite-movie writes it: through the movie writer copying a read movie, every
  // tag read but the End the reader adds where the data ends without one.
  const uint8_t version = reader.GetHeader().version;
  SwfFileWriter writer;
  writer.CopyReadMovie(reader.GetHeader());
  if (!writer.Open(scratch.Path("copy.swf"), true)) {
    out.problems.push_back(name + ": the copy cannot be written");
    return;
  }
  for (const auto& tag : reader.GetTags()) {
    const auto* end = dynamic_cast<const EndTag*>(tag.get());
    if (end == nullptr || !end->addedAtEndOfData) writer.AddTag(*tag);
  }
  if (writer.Close() == 0) {
    out.problems.push_back(name + ": the copy cannot be written");
    return;
  }
  const Bytes copy = swftest::ReadFile(scratch.Native("copy.swf"));
  if (copy == original) {
    ++out.identical;
    return;
  }
  SwfHeader headerA;
  SwfHeader headerB;
  SwfReader readA(original, version);
  SwfReader readB(copy, version);
  if (headerA.ReadFrom(readA, true) == 0 || headerB.ReadFrom(readB, true) == 0 || headerA.version != headerB.version ||
      !(headerA.frameSize == headerB.frameSize) || headerA.frameRate != headerB.frameRate ||
      headerA.frameCount != headerB.frameCount) {
    out.problems.push_back(name + ": header values differ");
    return;
  }
  const size_t startA = TagsStart(original);
  const size_t startB = TagsStart(copy);
  if (!std::equal(original.begin() + 8, original.begin() + long(startA), copy.begin() + 8, copy.begin() + long(startB)))
    ++out.headersReencoded;
  Bytes afterA;
  Bytes afterB;
  const auto tagsA = SplitTags(original, startA, original.size(), afterA);
  const auto tagsB = SplitTags(copy, startB, copy.size(), afterB);
  if (!afterB.empty()) out.problems.push_back(name + ": the copy holds bytes after its End");
  CompareTagLists(tagsA, tagsB, version, name + ": ", out);
}

TEST(MovieCorpus, FirstCopiesDifferFromTheOriginalsOnlyByListedReencodings) {
  OriginalComparison out;
  swftest::ScratchDir scratch;
  for (const std::string folder : {"ruffle-avm1", "ruffle-swf-tags"}) {
    ASSERT_TRUE(fs::is_directory(fs::path(PLENWICK_CORPUS_DIR) / folder)) << PLENWICK_CORPUS_DIR;
    for (const fs::path& path : MoviesIn(folder)) CompareWithOriginal(path, scratch, out);
  }
  std::cout << "[ corpus   ] " << out.identical << " of " << out.movies
            << " movies byte-identical to the original; headers with other frame-size widths: " << out.headersReencoded
            << "; scripts that run nothing left out: " << out.emptyScriptsLeftOut
            << "; movies ending inside a tag (not written back): " << out.cut << "\n";
  for (const auto& [code, count] : out.differing) {
    const auto reason = AllowedDifferences().find(code);
    std::cout << "[ corpus   ]   code " << code << ": " << count << " tags differ ("
              << (reason == AllowedDifferences().end() ? "not allowed" : reason->second) << ")\n";
  }
  EXPECT_GE(out.movies, 350);
  std::string report;
  for (size_t i = 0; i < out.problems.size() && i < 30; ++i) report += out.problems[i] + "\n";
  EXPECT_TRUE(out.problems.empty()) << out.problems.size() << " problems:\n" << report;
  for (const auto& [code, reason] : AllowedDifferences()) {
    EXPECT_GT(out.differing[code], 0) << "code " << code
                                      << " is allowed to differ but no copy differs any more: " << reason;
  }
}

// The single-tag cases: every tag reads through the factory (a body its class cannot read
// stays raw with its bytes), and what it writes reads back and writes the same bytes.
TEST(MovieCorpus, SingleTagCasesReadThroughTheFactory) {
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / "swf-tags";
  ASSERT_TRUE(fs::is_directory(root));
  int cases = 0;
  int modelled = 0;
  int identical = 0;
  std::vector<std::string> failures;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().filename() != "input.bytes") continue;
    const std::string name = fs::relative(entry.path().parent_path(), root).string();
    const Bytes input = tagtest::ReadFileBytes(entry.path().string());
    ++cases;
    constexpr uint8_t kVersion = 10;
    SwfReader reader(input, kVersion);
    std::unique_ptr<SwfTag> tag = reader.ReadNextTag();
    if (!tag) {
      failures.push_back(name + ": no tag");
      continue;
    }
    const bool raw = dynamic_cast<RawTag*>(tag.get()) != nullptr;
    if (!raw) ++modelled;
    if (raw && IsModelledSwfTagCode(tag->TagCode())) {
      // Refused by its class: the bytes must be kept exactly.
      if (movietest::WriteOne(*tag, kVersion).size() < 2 ||
          tagtest::BodyOf(movietest::WriteOne(*tag, kVersion)) != tagtest::BodyOf(input)) {
        failures.push_back(name + ": refused body not kept");
      }
    }
    const Bytes first = movietest::WriteOne(*tag, kVersion);
    if (first == input) ++identical;
    if (first.empty()) continue;  // an empty script is left out when written
    SwfReader back(first, kVersion);
    std::unique_ptr<SwfTag> again = back.ReadNextTag();
    if (!again || movietest::WriteOne(*again, kVersion) != first) failures.push_back(name + ": second writing differs");
  }
  std::cout << "[ corpus   ] swf-tags: " << cases << " tags, " << modelled << " read by their classes, " << identical
            << " written byte-identical\n";
  EXPECT_GE(cases, 60);
  std::string report;
  for (const auto& f : failures) report += f + "\n";
  EXPECT_TRUE(failures.empty()) << report;
}

}  // namespace
