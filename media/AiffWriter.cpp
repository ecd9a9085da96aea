#include "media/AiffWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void PutBig(std::string& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::array<uint8_t, 4> Big32(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value)};
}

// What the chunk sizes can hold: the FORM size counts the whole file less its first 8 bytes.
constexpr uint64_t kMaxFileBytes = uint64_t{0xFFFFFFFF} + 8;

}  // namespace

std::array<uint8_t, 10> AiffWriter::ExtendedRate(uint32_t rate) {
  std::array<uint8_t, 10> bytes{};
  if (rate == 0) return bytes;
  int top = 31;
  while ((rate >> top) == 0) --top;
  const uint32_t exponent = 16383 + static_cast<uint32_t>(top);
  const uint64_t mantissa = uint64_t{rate} << (63 - top);  // the integer bit explicit, as the format keeps it
  bytes[0] = static_cast<uint8_t>(exponent >> 8);
  bytes[1] = static_cast<uint8_t>(exponent);
  for (int i = 0; i < 8; ++i) bytes[2 + i] = static_cast<uint8_t>(mantissa >> (8 * (7 - i)));
  return bytes;
}

bool AiffWriter::Fail(const std::string& why) {
  if (error_.empty()) error_ = why;
  out_.Abort();
  return false;
}

bool AiffWriter::Open(const WideString& path, AiffSampleFormat format, uint32_t channels, uint32_t rate) {
  Abort();
  error_.clear();
  frames_ = 0;
  if (channels < 1 || channels > 16) return Fail("the sound has no channel count AIFF takes");
  if (rate == 0) return Fail("the sound has no sample rate");
  if (!out_.Open(path)) return Fail(std::string("can't create the file: ") + std::strerror(out_.LastError()));
  format_ = format;
  channels_ = channels;
  const bool aifc = format == AiffSampleFormat::kLittleEndian;
  std::string head = "FORM";
  PutBig(head, 0, 4);  // put in place by Finish
  head += aifc ? "AIFC" : "AIFF";
  if (aifc) {
    head += "FVER";
    PutBig(head, 4, 4);
    PutBig(head, 0xA2805140, 4);  // the AIFC version of May 1990
  }
  head += "COMM";
  PutBig(head, aifc ? 24 : 18, 4);
  PutBig(head, channels, 2);
  commOffset_ = head.size();
  PutBig(head, 0, 4);  // sample frames, put in place by Finish
  PutBig(head, 16, 2);
  const auto extended = ExtendedRate(rate);
  head.append(reinterpret_cast<const char*>(extended.data()), extended.size());
  if (aifc) {
    head += "sowt";
    PutBig(head, 0, 2);  // an empty name, padded to an even length
  }
  head += "SSND";
  ssndOffset_ = head.size();
  PutBig(head, 0, 4);  // put in place by Finish
  PutBig(head, 0, 4);  // offset
  PutBig(head, 0, 4);  // block size
  if (!out_.Write(head)) return Fail(std::string("can't write the file: ") + std::strerror(out_.LastError()));
  return true;
}

bool AiffWriter::Write(const int16_t* samples, size_t count) {
  if (!out_.IsOpen()) return Fail(error_.empty() ? "the file is not open" : error_);
  if (count % channels_ != 0) return Fail("samples of part of a sample frame");
  const uint64_t frames = count / channels_;
  const uint64_t bytes = (frames_ + frames) * channels_ * 2;
  if (bytes + ssndOffset_ + 12 + 1 > kMaxFileBytes) return Fail("the sound is too long for an AIFF file");
  const bool little = format_ == AiffSampleFormat::kLittleEndian;
  std::vector<uint8_t> block;
  constexpr size_t kBlock = 1 << 15;
  for (size_t at = 0; at < count; at += kBlock) {
    const size_t n = std::min(kBlock, count - at);
    block.resize(n * 2);
    for (size_t i = 0; i < n; ++i) {
      const auto v = static_cast<uint16_t>(samples[at + i]);
      block[2 * i + (little ? 0 : 1)] = static_cast<uint8_t>(v);
      block[2 * i + (little ? 1 : 0)] = static_cast<uint8_t>(v >> 8);
    }
    if (!out_.Write(block.data(), block.size())) {
      return Fail(std::string("can't write the file: ") + std::strerror(out_.LastError()));
    }
  }
  frames_ += frames;
  return true;
}

bool AiffWriter::Finish() {
  if (!out_.IsOpen()) return Fail(error_.empty() ? "the file is not open" : error_);
  const uint64_t dataBytes = frames_ * channels_ * 2;
  const uint64_t end = ssndOffset_ + 12 + dataBytes;
  // The sample data needs no pad byte: its length is even.
  const auto formSize = Big32(static_cast<uint32_t>(end - 8));
  const auto frames = Big32(static_cast<uint32_t>(frames_));
  const auto ssndSize = Big32(static_cast<uint32_t>(8 + dataBytes));
  if (!out_.WriteAt(4, formSize.data(), 4) || !out_.WriteAt(commOffset_, frames.data(), 4) ||
      !out_.WriteAt(ssndOffset_, ssndSize.data(), 4)) {
    return Fail(std::string("can't write the file: ") + std::strerror(out_.LastError()));
  }
  if (!out_.Commit()) return Fail(std::string("can't save the file: ") + std::strerror(out_.LastError()));
  return true;
}

void AiffWriter::Abort() { out_.Abort(); }
