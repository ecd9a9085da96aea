#include "publish/QuickTimeMovieWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "platform/AtomicFile.h"
#include "platform/TempFolder.h"
#include "swf/SwfFileInfo.h"

namespace {

// Big-endian fields and atoms (a 32-bit size, a type, the contents) built in memory.
class AtomBuffer {
 public:
  void U8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v >> 16));
    U16(static_cast<uint16_t>(v));
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v >> 32));
    U32(static_cast<uint32_t>(v));
  }
  void Type(const char (&code)[5]) { bytes_.append(code, 4); }
  void Zeros(size_t count) { bytes_.append(count, '\0'); }
  void Bytes(const std::string& data) { bytes_ += data; }
  // The identity matrix of the movie and track headers.
  void Matrix() {
    const uint32_t m[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (uint32_t v : m) U32(v);
  }
  // Starts an atom; End fills in its size.
  size_t Begin(const char (&code)[5]) {
    const size_t at = bytes_.size();
    U32(0);
    Type(code);
    return at;
  }
  void End(size_t at) {
    const uint32_t size = static_cast<uint32_t>(bytes_.size() - at);
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>(size >> (24 - 8 * i));
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

uint32_t Clamp32(uint64_t v) {
  return v > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(v);
}

// A duration in one time scale expressed in another, rounded up.
uint64_t Rescale(uint64_t value, uint32_t from, uint32_t to) {
  if (from == 0) return 0;
  const long double scaled = std::ceil(static_cast<long double>(value) * to / from);
  return static_cast<uint64_t>(scaled);
}

}  // namespace

uint64_t QuickTimeMovieWriter::Track::Duration() const {
  uint64_t total = 0;
  for (uint32_t d : durations) total += d;
  return total;
}

QuickTimeMovieWriter::~QuickTimeMovieWriter() { Close(); }

void QuickTimeMovieWriter::Close() {
  if (data_ != nullptr) std::fclose(data_);
  data_ = nullptr;
  if (!dataPath_.empty()) std::remove(dataPath_.c_str());
  dataPath_.clear();
  tracks_.clear();
  videoTrack_ = -1;
  frame_.clear();
  frame_.shrink_to_fit();
}

bool QuickTimeMovieWriter::Create(const WideString& path, uint32_t width, uint32_t height, double frameRate,
                                  uint32_t flags) {
  Close();
  failed_ = false;
  framesAdded_ = 0;
  dataSize_ = 0;
  if (path.empty() || width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF) return false;
  if (!(frameRate >= 1.0) || frameRate >= 429496729.0) return false;  // also refuses NaN
  width_ = width;
  height_ = height;
  frameRate_ = static_cast<uint32_t>(frameRate);
  timeScale_ = frameRate_ * 10;
  frameDuration_ = 10;
  flags_ = flags;
  WideString temp;
  if (!GetTempFilePath(temp, L"__qtphat.mov", true)) return false;
  dataPath_ = WideToUtf8(temp);
  data_ = std::fopen(dataPath_.c_str(), "w+bx");
  if (data_ == nullptr) {
    dataPath_.clear();
    return false;
  }
  path_ = path;
  return true;
}

bool QuickTimeMovieWriter::BeginVideoTrack() {
  if (data_ == nullptr || videoTrack_ >= 0) return false;
  Track track;
  track.video = true;
  track.timeScale = timeScale_;
  tracks_.push_back(track);
  videoTrack_ = static_cast<int>(tracks_.size()) - 1;
  frame_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
  return true;
}

bool QuickTimeMovieWriter::AppendSample(Track& track, const void* data, size_t size, uint32_t duration) {
  if (data_ == nullptr || failed_) return false;
  if (std::fwrite(data, 1, size, data_) != size) {
    failed_ = true;
    return false;
  }
  track.offsets.push_back(dataSize_);
  track.sizes.push_back(static_cast<uint32_t>(size));
  track.durations.push_back(duration);
  dataSize_ += size;
  return true;
}

bool QuickTimeMovieWriter::AddFrame(const uint8_t* rgba) {
  if (videoTrack_ < 0 || rgba == nullptr) return false;
  const size_t pixels = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* s = rgba + i * 4;
    uint8_t* d = frame_.data() + i * 4;
    d[0] = s[3];
    d[1] = s[0];
    d[2] = s[1];
    d[3] = s[2];
  }
  if (!AppendSample(tracks_[static_cast<size_t>(videoTrack_)], frame_.data(), frame_.size(), frameDuration_))
    return false;
  ++framesAdded_;
  return true;
}

bool QuickTimeMovieWriter::AddFlashTrack(const WideString& swfPath, uint16_t graphicsMode, uint32_t opColor) {
  if (data_ == nullptr) return false;
  float rate = 0;
  uint16_t frames = 0;
  bool compressed = false;
  if (!ReadSwfFileInfo(swfPath, nullptr, nullptr, &rate, nullptr, &frames, &compressed)) return false;
  // The media counts in 1/256 frame: the header's frame rate is a fixed-point number with
  // eight bits of fraction, so every frame is 256 units long whatever the rate.
  const long rateUnits = std::lround(static_cast<double>(rate) * 256.0);
  if (rateUnits <= 0 || frames == 0) return false;
  std::ifstream in(WideToUtf8(swfPath), std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size <= 0 || static_cast<uint64_t>(size) > kMaxFlashSampleSize) return false;
  std::string movie(static_cast<size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(movie.data(), size)) return false;
  Track track;
  track.timeScale = static_cast<uint32_t>(rateUnits);
  track.graphicsMode = graphicsMode;
  track.opColor = opColor;
  if (!AppendSample(track, movie.data(), movie.size(), static_cast<uint32_t>(frames) * 256u)) return false;
  tracks_.push_back(std::move(track));
  return true;
}

uint64_t QuickTimeMovieWriter::MovieDuration() const {
  uint64_t longest = 0;
  for (const Track& t : tracks_) longest = std::max(longest, Rescale(t.Duration(), t.timeScale, timeScale_));
  return longest;
}

std::string QuickTimeMovieWriter::TrackAtom(const Track& t, uint32_t id, uint64_t dataStart, bool wideOffsets) const {
  AtomBuffer a;
  const uint32_t mediaDuration = Clamp32(t.Duration());
  const uint32_t trackDuration = Clamp32(Rescale(t.Duration(), t.timeScale, timeScale_));
  const size_t trak = a.Begin("trak");

  const size_t tkhd = a.Begin("tkhd");
  a.U32(0x0000000F);  // version 0; enabled, in movie, in preview, in poster
  a.U32(0);
  a.U32(0);
  a.U32(id);
  a.U32(0);
  a.U32(trackDuration);
  a.Zeros(8);
  a.U16(0);                     // layer
  a.U16(0);                     // alternate group
  a.U16(t.video ? 0 : 0x0100);  // volume: 0 for the frames, 1.0 for the Flash track
  a.U16(0);
  a.Matrix();
  a.U32(width_ << 16);
  a.U32(height_ << 16);
  a.End(tkhd);

  // The whole media at time 0, at rate 1.0.
  const size_t edts = a.Begin("edts");
  const size_t elst = a.Begin("elst");
  a.U32(0);
  a.U32(1);
  a.U32(trackDuration);
  a.U32(0);
  a.U32(0x00010000);
  a.End(elst);
  a.End(edts);

  const size_t mdia = a.Begin("mdia");
  const size_t mdhd = a.Begin("mdhd");
  a.U32(0);
  a.U32(0);
  a.U32(0);
  a.U32(t.timeScale);
  a.U32(mediaDuration);
  a.U16(0);  // language
  a.U16(0);  // quality
  a.End(mdhd);

  const size_t hdlr = a.Begin("hdlr");
  a.U32(0);
  a.Type("mhlr");
  if (t.video)
    a.Type("vide");
  else
    a.Type("flsh");
  a.Zeros(12);
  a.U8(0);  // empty name
  a.End(hdlr);

  const size_t minf = a.Begin("minf");
  if (t.video) {
    const size_t vmhd = a.Begin("vmhd");
    a.U32(0x00000001);
    a.U16(t.graphicsMode);
    a.Zeros(6);
    a.End(vmhd);
  } else {
    const size_t gmhd = a.Begin("gmhd");
    const size_t gmin = a.Begin("gmin");
    a.U32(0);
    a.U16(t.graphicsMode);
    a.U16(static_cast<uint16_t>((t.opColor & 0xFF) * 257));
    a.U16(static_cast<uint16_t>(((t.opColor >> 8) & 0xFF) * 257));
    a.U16(static_cast<uint16_t>(((t.opColor >> 16) & 0xFF) * 257));
    a.U16(0);  // balance
    a.U16(0);
    a.End(gmin);
    a.End(gmhd);
  }
  const size_t dhlr = a.Begin("hdlr");
  a.U32(0);
  a.Type("dhlr");
  a.Type("alis");
  a.Zeros(12);
  a.U8(0);
  a.End(dhlr);
  const size_t dinf = a.Begin("dinf");
  const size_t dref = a.Begin("dref");
  a.U32(0);
  a.U32(1);
  a.U32(12);
  a.Type("alis");
  a.U32(1);  // the data is in this file
  a.End(dref);
  a.End(dinf);

  const size_t stbl = a.Begin("stbl");
  const size_t stsd = a.Begin("stsd");
  a.U32(0);
  a.U32(1);
  if (t.video) {
    const size_t raw = a.Begin("raw ");
    a.Zeros(6);
    a.U16(1);     // data reference
    a.U16(0);     // version
    a.U16(0);     // revision
    a.U32(0);     // vendor
    a.U32(0);     // temporal quality
    a.U32(1023);  // spatial quality: lossless
    a.U16(static_cast<uint16_t>(width_));
    a.U16(static_cast<uint16_t>(height_));
    a.U32(72u << 16);
    a.U32(72u << 16);
    a.U32(0);
    a.U16(1);  // frames a sample
    std::string name(32, '\0');
    name[0] = 4;
    std::memcpy(name.data() + 1, "None", 4);
    a.Bytes(name);
    a.U16(32);      // depth
    a.U16(0xFFFF);  // no colour table
    a.End(raw);
  } else {
    // The Flash media's description: 28 bytes, all zero but its size and data reference.
    a.U32(28);
    a.U32(0);
    a.Zeros(6);
    a.U16(1);
    a.Zeros(12);
  }
  a.End(stsd);

  // Time to sample: runs of equal durations.
  std::vector<std::pair<uint32_t, uint32_t>> runs;
  for (uint32_t d : t.durations) {
    if (!runs.empty() && runs.back().second == d)
      ++runs.back().first;
    else
      runs.emplace_back(1, d);
  }
  const size_t stts = a.Begin("stts");
  a.U32(0);
  a.U32(static_cast<uint32_t>(runs.size()));
  for (const auto& [count, duration] : runs) {
    a.U32(count);
    a.U32(duration);
  }
  a.End(stts);

  // Every sample in a chunk of its own.
  const size_t stsc = a.Begin("stsc");
  a.U32(0);
  a.U32(1);
  a.U32(1);
  a.U32(1);
  a.U32(1);
  a.End(stsc);

  const size_t stsz = a.Begin("stsz");
  a.U32(0);
  const bool uniform =
      !t.sizes.empty() && std::all_of(t.sizes.begin(), t.sizes.end(), [&](uint32_t s) { return s == t.sizes.front(); });
  a.U32(uniform ? t.sizes.front() : 0);
  a.U32(static_cast<uint32_t>(t.sizes.size()));
  if (!uniform)
    for (uint32_t s : t.sizes) a.U32(s);
  a.End(stsz);

  const size_t stco = wideOffsets ? a.Begin("co64") : a.Begin("stco");
  a.U32(0);
  a.U32(static_cast<uint32_t>(t.offsets.size()));
  for (uint64_t o : t.offsets) {
    if (wideOffsets)
      a.U64(dataStart + o);
    else
      a.U32(static_cast<uint32_t>(dataStart + o));
  }
  a.End(stco);
  a.End(stbl);
  a.End(minf);
  a.End(mdia);
  a.End(trak);
  return a.Bytes();
}

std::string QuickTimeMovieWriter::MovieResource(uint64_t dataStart, bool wideOffsets) const {
  AtomBuffer a;
  const size_t moov = a.Begin("moov");
  const size_t mvhd = a.Begin("mvhd");
  a.U32(0);
  a.U32(0);
  a.U32(0);
  a.U32(timeScale_);
  a.U32(Clamp32(MovieDuration()));
  a.U32(0x00010000);  // rate 1.0
  a.U16(0x0100);      // volume 1.0
  a.Zeros(10);
  a.Matrix();
  a.Zeros(24);  // preview, poster, selection and current times
  a.U32(static_cast<uint32_t>(tracks_.size()) + 1);
  a.End(mvhd);
  for (size_t i = 0; i < tracks_.size(); ++i)
    a.Bytes(TrackAtom(tracks_[i], static_cast<uint32_t>(i) + 1, dataStart, wideOffsets));
  const bool controller = (flags_ & kController) != 0;
  if (!controller || (flags_ & (kLoop | kAutoPlay)) != 0) {
    const size_t udta = a.Begin("udta");
    if (!controller) {
      const size_t item = a.Begin("ctyp");
      a.Type("none");
      a.End(item);
    }
    if ((flags_ & kLoop) != 0) {
      const size_t item = a.Begin("LOOP");
      a.U32(0);
      a.End(item);
    }
    if ((flags_ & kAutoPlay) != 0) {
      const size_t item = a.Begin("play");
      a.U8(1);
      a.End(item);
    }
    a.End(udta);
  }
  a.End(moov);
  return a.Bytes();
}

bool QuickTimeMovieWriter::Finish() {
  if (data_ == nullptr) return false;
  bool ok = !failed_ && std::fflush(data_) == 0;
  // The sample data's atom: a 64-bit size when it does not fit in 32 bits.
  const bool wideData = dataSize_ + 8 > std::numeric_limits<uint32_t>::max();
  const uint64_t dataHeader = wideData ? 16 : 8;
  const bool flatten = (flags_ & kFlatten) != 0;
  const uint64_t movieSize = MovieResource(0, false).size();
  const bool wideOffsets = movieSize + dataHeader + dataSize_ > std::numeric_limits<uint32_t>::max();
  const uint64_t dataStart = (flatten ? MovieResource(0, wideOffsets).size() : 0) + dataHeader;
  const std::string movie = MovieResource(dataStart, wideOffsets);

  AtomBuffer header;
  if (wideData) {
    header.U32(1);
    header.Type("mdat");
    header.U64(dataSize_ + 16);
  } else {
    header.U32(static_cast<uint32_t>(dataSize_ + 8));
    header.Type("mdat");
  }
  AtomicFileWriter out;
  ok = ok && out.Open(path_);
  if (ok && flatten) ok = out.Write(movie);
  ok = ok && out.Write(header.Bytes());
  if (ok && std::fseek(data_, 0, SEEK_SET) != 0) ok = false;
  std::vector<char> buffer(1 << 20);
  uint64_t left = dataSize_;
  while (ok && left > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
    if (std::fread(buffer.data(), 1, want, data_) != want) ok = false;
    ok = ok && out.Write(buffer.data(), want);
    left -= want;
  }
  if (ok && !flatten) ok = out.Write(movie);
  ok = ok && out.Commit();
  if (!ok) out.Abort();
  Close();
  return ok;
}
