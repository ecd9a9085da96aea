#include "swf/SwfFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/FileTypes.h"
#include "platform/Paths.h"
#include "swf/SwfString.h"

namespace {

bool IsSoundTag(int code) {
  switch (code) {
    case kSwfTagDefineSound:
    case kSwfTagStartSound:
    case kSwfTagDefineButtonSound:
    case kSwfTagSoundStreamHead:
    case kSwfTagSoundStreamHead2:
    case kSwfTagSoundStreamBlock: return true;
    default: return false;
  }
}

// Body of a tag serialised with its record header.
std::pair<const uint8_t*, size_t> TagBody(const std::vector<uint8_t>& tag) {
  if (tag.size() < 2) return {tag.data(), 0};
  size_t start = 2;
  if ((tag[0] & 0x3F) == 0x3F) start = 6;
  if (start > tag.size()) start = tag.size();
  return {tag.data() + start, tag.size() - start};
}

}  // namespace

FileTypeCreator SwfFileTypeCreator() { return FileTypeCreator(MakeFourCC("SWF2"), MakeFourCC("SWFL")); }

bool IsStageBelowSwfMinimum(int32_t width, int32_t height) {
  return width < kSwfMinimumStageWidth || height < kSwfMinimumStageHeight;
}

SwfFileWriter::SwfFileWriter(bool minimumStage) : minimumStage_(minimumStage) {}

SwfFileWriter::~SwfFileWriter() {
  if (open_) file_.Abort();
}

void SwfFileWriter::SetMovieParameters(int32_t width, int32_t height, float frameRate, uint8_t version) {
  xmin_ = 0;
  ymin_ = 0;
  xmax_ = width;
  ymax_ = height;
  frameRate_ = frameRate;
  version_ = version;
  asRead_ = false;
  ForgetFile();
}

void SwfFileWriter::CopyHeader(const SwfHeader& header) {
  xmin_ = header.frameSize.xmin;
  xmax_ = header.frameSize.xmax;
  ymin_ = header.frameSize.ymin;
  ymax_ = header.frameSize.ymax;
  frameRate_ = header.frameRate;
  version_ = header.version;
  asRead_ = false;
  ForgetFile();
}

void SwfFileWriter::CopyReadMovie(const SwfHeader& header) {
  CopyHeader(header);
  asRead_ = true;
  readFrameCount_ = header.frameCount;
}

void SwfFileWriter::ForgetFile() {
  // A movie being written keeps the header it was opened with.
  if (open_) return;
  headerSize_ = 0;
  tagBytes_ = 0;
}

SwfHeader SwfFileWriter::MakeHeader() const {
  int32_t width = GetStageWidth();
  int32_t height = GetStageHeight();
  if (minimumStage_ && IsStageBelowSwfMinimum(width, height)) {
    width = kSwfMinimumStageWidth;
    height = kSwfMinimumStageHeight;
  }
  SwfHeader header;
  const auto end = [](int32_t origin, int32_t extent) {
    const int64_t v = int64_t{origin} + extent;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  header.Set(xmin_, ymin_, end(xmin_, width), end(ymin_, height), frameRate_, version_);
  header.fileLength = 32;
  header.frameCount = 1;
  return header;
}

void SwfFileWriter::Fail(int error) {
  if (!failed_) error_ = error != 0 ? error : EIO;
  failed_ = true;
}

bool SwfFileWriter::Open(const WideString& path, bool replaceExisting) {
  if (open_) file_.Abort();
  open_ = false;
  failed_ = false;
  error_ = 0;
  path_ = path;
  tagBytes_ = 0;
  labels_.clear();
  frameCount_ = 0;
  if (!replaceExisting && PathExists(path)) {
    Fail(EEXIST);
    return false;
  }
  if (!file_.Open(path)) {
    Fail(file_.LastError());
    return false;
  }
  // Best effort: a file system without extended attributes keeps the movie without them.
  SetFileTypeCreator(file_.TempPath(), SwfFileTypeCreator());
  SwfBitWriter header(4);
  headerSize_ = MakeHeader().Write(header);
  if (!file_.Write(header.GetBytes().data(), header.GetByteCount())) {
    Fail(file_.LastError());
    file_.Abort();
    return false;
  }
  open_ = true;
  return true;
}

size_t SwfFileWriter::AddTag(std::unique_ptr<SwfTag> tag) {
  if (!tag) return 0;
  return WriteTag(*tag);
}

size_t SwfFileWriter::AddTag(SwfTag& tag) { return WriteTag(tag); }

size_t SwfFileWriter::AddTag(SwfTag* tag, bool keep) {
  if (tag == nullptr) return 0;
  const size_t written = WriteTag(*tag);
  if (!keep) delete tag;
  return written;
}

size_t SwfFileWriter::WriteTag(SwfTag& tag) {
  if (!open_ || failed_) {
    if (!open_) Fail(EBADF);
    return 0;
  }
  const int code = tag.TagCode();
  if (noSound_ && IsSoundTag(code)) return 0;

  scratch_.Reset();
  scratch_.SetVersion(version_);
  scratch_.SetNoSound(noSound_);
  tag.Write(scratch_);
  const std::vector<uint8_t>& bytes = scratch_.GetBytes();
  const auto [body, bodySize] = TagBody(bytes);

  if (code == kSwfTagFrameLabel) {
    size_t textSize = 0;
    while (textSize < bodySize && body[textSize] != 0) ++textSize;
    const WideString label = DecodeSwfString(std::string_view(reinterpret_cast<const char*>(body), textSize), version_);
    if (!labels_.insert(label).second && !asRead_) return 0;
  }
  if (code == kSwfTagShowFrame) {
    Emit(frameCount_);
    if (frameCount_ < std::numeric_limits<int>::max()) ++frameCount_;
  }
  if (code == kSwfTagSetBackgroundColor && bodySize >= 3) {
    backgroundColor_ = uint32_t{body[0]} | (uint32_t{body[1]} << 8) | (uint32_t{body[2]} << 16);
  }

  if (headerSize_ + tagBytes_ + bytes.size() > std::numeric_limits<uint32_t>::max()) {
    Fail(EFBIG);  // the length field cannot say more
    return 0;
  }
  if (!file_.Write(bytes.data(), bytes.size())) {
    Fail(file_.LastError());
    return 0;
  }
  tagBytes_ += bytes.size();
  return bytes.size();
}

uint32_t SwfFileWriter::Close() {
  labels_.clear();
  if (!open_) return 0;
  open_ = false;
  if (failed_) {
    file_.Abort();
    return 0;
  }
  const uint32_t length = static_cast<uint32_t>(headerSize_ + tagBytes_);
  const uint16_t frames = asRead_ ? readFrameCount_ : static_cast<uint16_t>(std::min(frameCount_, 0xFFFF));
  const uint8_t lengthBytes[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                  static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  const uint8_t frameBytes[2] = {static_cast<uint8_t>(frames), static_cast<uint8_t>(frames >> 8)};
  if (!file_.WriteAt(kSwfLengthOffset, lengthBytes, 4) || !file_.WriteAt(headerSize_ - 2, frameBytes, 2) ||
      !file_.Commit()) {
    Fail(file_.LastError());
    file_.Abort();
    return 0;
  }
  return length;
}
