// SwfReader's loading of whole movies: files and memory blocks, the header, and the tag loop
// that turns a movie's tags into objects through the tag factory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "swf/ControlTags.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfCompression.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"
#include "swf/SwfTagFactory.h"

namespace {

// Reads a regular file, at most `limit` bytes, into storage of its own that nothing fills
// first. The file is opened without blocking, so a pipe or a device named by the path is
// refused instead of waited on.
int ReadRegularFile(const WideString& path, uint64_t limit, SwfBytes& out) {
  out.clear();
  const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return kSwfReadCannotOpen;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return kSwfReadCannotOpen;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  const size_t want = static_cast<size_t>(size < limit ? size : limit);
  uint8_t* storage = nullptr;
  SwfBytes file = SwfBytes::Allocate(want, storage);
  if (want != 0 && storage == nullptr) {
    ::close(fd);
    return kSwfReadOutOfMemory;
  }
  size_t done = 0;
  while (done < want) {
    const ssize_t n = ::read(fd, storage + done, want - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return kSwfReadCannotOpen;
    }
    if (n == 0) break;  // the file shrank meanwhile
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  out = file.Slice(0, done);
  return kSwfReadNoError;
}

uint32_t U32At(const SwfBytes& bytes, size_t at) {
  return uint32_t{bytes[at]} | (uint32_t{bytes[at + 1]} << 8) | (uint32_t{bytes[at + 2]} << 16) |
         (uint32_t{bytes[at + 3]} << 24);
}

std::unique_ptr<SwfTag> CreateLightTag(int code, uint32_t bodyLength) {
  if (code == kSwfTagSetBackgroundColor) return std::make_unique<SetBackgroundColorTag>(0, 0, 0);
  if (code == kSwfTagFrameLabel) return std::make_unique<FrameLabelTag>();
  return std::make_unique<RawTag>(code, bodyLength);
}

// Reads the tag at the cursor of `in`: its header, then its body inside its declared length.
// Facts are recorded in `facts` unless the light rules apply. Null when no header is left.
std::unique_ptr<SwfTag> ReadTagAtCursor(SwfReader& in, SwfReader* facts) {
  in.ByteAlign();
  if (in.GetRemaining() < 2 || !in.CountTag()) {
    in.Skip(in.GetRemaining());
    return nullptr;
  }
  const bool overrunBefore = in.HasOverrun();
  SwfTagHeader header;
  if (!ReadTagHeader(in, header)) {
    in.SetOverrun(overrunBefore);
    in.Skip(in.GetRemaining());
    return nullptr;
  }
  std::unique_ptr<SwfTag> tag =
      facts != nullptr ? facts->CreateTag(header.code, header.length) : CreateLightTag(header.code, header.length);
  in.SetCurrentTagLength(header.length);
  SwfReaderRange body(in, header.length, SwfReaderRange::Overrun::Contain);
  tag->Read(in);
  body.Close();
  if (body.Truncated()) in.SetCutTag(true);
  if (body.Overran()) {
    // A body the class cannot read travels as the bytes it is.
    tag = std::make_unique<RawTag>(header.code, in.ShareBytes(body.Begin(), body.End() - body.Begin()));
  }
  return tag;
}

const SwfHeader& DefaultHeader() {
  static const SwfHeader header;
  return header;
}

}  // namespace

void SwfReader::Reset() {
  SetData(std::vector<uint8_t>());
  tags_.clear();
  header_.reset();
  loadedSize_ = 0;
  frameCount_ = 0;
  spriteNesting_ = 0;
  nestedTooDeep_ = false;
  tagCount_ = 0;
  tooManyTags_ = false;
  compressed_ = false;
  privateTag_ = false;
  protected_ = false;
  debugger_ = false;
  hasSound_ = false;
  cutTag_ = false;
  absolutePaths_ = false;
}

bool SwfReader::LoadFileWithOptions(const WideString& path, bool checkSignature, uint32_t forcedLength, bool parseNow) {
  Reset();
  SwfBytes file;
  // A movie never needs more than its declared length (at most 4 GiB), and we take no more
  // than the inflation ceiling in memory.
  const int error = ReadRegularFile(path, kSwfMaxInflatedSize, file);
  if (error != kSwfReadNoError) {
    error_ = error;
    return false;
  }
  if (checkSignature && !file.empty() && file[0] == 'C') {
    std::vector<uint8_t> plain;
    if (file.size() < 3 || file[1] != 'W' || file[2] != 'S') {
      error_ = kSwfReadNotSwf;
      return false;
    }
    const SwfInflateResult result = InflateSwf(file.data(), file.size(), plain);
    file.clear();
    if (result == SwfInflateResult::kTooLarge) {
      error_ = kSwfReadOutOfMemory;
      return false;
    }
    if (result != SwfInflateResult::kOk) {
      error_ = kSwfReadNotSwf;
      return false;
    }
    const bool ok = LoadBytes(SwfBytes(std::move(plain)), true, forcedLength, parseNow);
    compressed_ = true;
    return ok;
  }
  dropParsed_ = parseNow;
  const bool ok = LoadBytes(std::move(file), checkSignature, forcedLength, parseNow);
  if (dropParsed_) {
    dropParsed_ = false;
    dropped_ = 0;
    shared_.clear();
    loadedSize_ = GetSize();
    SetData(SwfBytes());
  }
  return ok;
}

bool SwfReader::LoadFile(const WideString& path) {
  if (!LoadFileWithOptions(path, true, 0, false)) return false;
  ParseTagsLight();
  if (tooManyTags_) {
    tags_.clear();
    error_ = kSwfReadOutOfMemory;
    return false;
  }
  return true;
}

bool SwfReader::LoadFromMemory(const uint8_t* bytes, size_t size, bool checkSignature, uint32_t forcedLength,
                               bool parseNow) {
  Reset();
  if (checkSignature && size >= 1 && bytes[0] == 'C') {
    compressed_ = true;
    error_ = kSwfReadNotSwf;
    return false;
  }
  return LoadBytes(SwfBytes::Copy(bytes, size), checkSignature, forcedLength, parseNow);
}

bool SwfReader::LoadFromWriter(SwfBitWriter& writer) {
  Reset();
  SetData(writer.GetBytes());
  return true;
}

bool SwfReader::LoadBytes(SwfBytes bytes, bool checkSignature, uint32_t forcedLength, bool parseNow) {
  if (checkSignature) {
    if (bytes.size() < 8 || bytes[0] != 'F' || bytes[1] != 'W' || bytes[2] != 'S') {
      error_ = kSwfReadNotSwf;
      return false;
    }
    const uint32_t length = forcedLength != 0 ? forcedLength : U32At(bytes, 4);
    if (length < bytes.size()) bytes = bytes.Slice(0, length);
    version_ = bytes.size() > 3 ? bytes[3] : version_;
  } else {
    // The data starts at the length field; the absent signature and version still count.
    if (bytes.size() < 4) {
      error_ = kSwfReadNotSwf;
      return false;
    }
    const uint32_t length = forcedLength != 0 ? forcedLength : U32At(bytes, 0);
    const uint32_t keep = length >= 4 ? length - 4 : 0;
    if (keep < bytes.size()) bytes = bytes.Slice(0, keep);
  }
  SetData(std::move(bytes));
  header_ = std::make_unique<SwfHeader>();
  header_->version = version_;
  if (header_->ReadFrom(*this, checkSignature) == 0) {
    header_.reset();
    error_ = kSwfReadNotSwf;
    return false;
  }
  version_ = header_->version;
  overrun_ = false;
  return FinishLoad(parseNow);
}

bool SwfReader::FinishLoad(bool parseNow) {
  if (!parseNow) return true;
  ParseTags(nullptr, 0);
  if (nestedTooDeep_) {
    tags_.clear();
    error_ = kSwfReadNestedTooDeep;
    return false;
  }
  if (tooManyTags_) {
    tags_.clear();
    error_ = kSwfReadOutOfMemory;
    return false;
  }
  return true;
}

void SwfReader::ParseTags(SwfReader* source, int stopAfterFrames) {
  SwfReader& in = source != nullptr ? *source : *this;
  tags_.clear();
  int frames = 0;
  for (;;) {
    std::unique_ptr<SwfTag> tag = ReadTagAtCursor(in, this);
    if (!tag) {
      // The data ended without an End tag: the list ends as if it had one.
      auto end = std::make_unique<EndTag>();
      end->addedAtEndOfData = true;
      tags_.push_back(std::move(end));
      break;
    }
    const int code = tag->TagCode();
    tags_.push_back(std::move(tag));
    if (source == nullptr) DropParsedPages();
    if (code == kSwfTagEnd) break;
    if (code == kSwfTagShowFrame && stopAfterFrames > 0 && ++frames >= stopAfterFrames) break;
  }
}

void SwfReader::ParseTagsLight() {
  tags_.clear();
  for (;;) {
    std::unique_ptr<SwfTag> tag = ReadTagAtCursor(*this, nullptr);
    if (!tag) {
      tags_.push_back(std::make_unique<RawTag>(kSwfTagEnd, SwfBytes()));
      break;
    }
    const int code = tag->TagCode();
    tags_.push_back(std::move(tag));
    if (code == kSwfTagEnd) break;
  }
}

std::unique_ptr<SwfTag> SwfReader::ReadNextTag() { return ReadTagAtCursor(*this, this); }

std::unique_ptr<SwfTag> SwfReader::CreateTag(int code, uint32_t bodyLength) {
  switch (code) {
    case kSwfTagShowFrame:
      if (frameCount_ != std::numeric_limits<uint16_t>::max()) ++frameCount_;
      break;
    case kSwfTagDefineSound:
    case kSwfTagStartSound:
    case kSwfTagSoundStreamBlock: hasSound_ = true; break;
    case kSwfTagProtect: protected_ = true; break;
    case kSwfTagEnableDebugger:
    case kSwfTagEnableDebugger2: debugger_ = true; break;
    case kSwfTagPrivate: privateTag_ = true; break;
    default: break;
  }
  return CreateSwfTag(code, bodyLength);
}

std::vector<std::unique_ptr<SwfTag>> SwfReader::TakeTags() {
  std::vector<std::unique_ptr<SwfTag>> taken;
  taken.swap(tags_);
  return taken;
}

void SwfReader::FreeTags(bool deleteTags) {
  if (deleteTags) tags_.clear();
}

const SwfHeader& SwfReader::GetHeader() const { return header_ ? *header_ : DefaultHeader(); }

int32_t SwfReader::GetFrameWidth() const { return GetHeader().GetFrameWidth(); }

int32_t SwfReader::GetFrameHeight() const { return GetHeader().GetFrameHeight(); }

bool SwfReader::EnterSpriteNesting() {
  if (spriteNesting_ >= kSwfMaxSpriteNesting) {
    nestedTooDeep_ = true;
    return false;
  }
  ++spriteNesting_;
  return true;
}

void SwfReader::LeaveSpriteNesting() {
  if (spriteNesting_ > 0) --spriteNesting_;
}

bool SwfReader::CountTag() {
  if (tagCount_ >= kSwfMaxTagCount) {
    tooManyTags_ = true;
    return false;
  }
  ++tagCount_;
  return true;
}
