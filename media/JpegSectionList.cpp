#include "media/JpegSectionList.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsFrameHeader(int marker) {
  return (marker >= 0xC0 && marker <= 0xC3) || (marker >= 0xC5 && marker <= 0xC7) ||
         (marker >= 0xC9 && marker <= 0xCB) || (marker >= 0xCD && marker <= 0xCF);
}

bool IsNeeded(int type) {
  return (type >= 0xC0 && type <= 0xC7) || (type >= 0xC9 && type <= 0xCB) || (type >= 0xCD && type <= 0xCF) ||
         (type >= 0xD8 && type <= 0xDB) || type == 0xDD || type == 0xE0 || type == 0xE1 || type == 0xEE || type == 0xFE;
}

// APP0 "JFIF" 1.01, dots per inch, 300 x 300, no thumbnail.
constexpr uint8_t kJfifHeader[18] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                     0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};

}  // namespace

void JpegSectionList::Clear() {
  sections_.clear();
  imageRead_ = false;
  width_ = height_ = 0;
  color_ = false;
  process_ = 0;
  haveComment_ = false;
  comment_.clear();
}

bool JpegSectionList::Read(const uint8_t* data, size_t size, bool readMetadata, bool readImage) {
  if (data == nullptr || size < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
  size_t at = 2;
  for (;;) {
    if (sections_.size() >= kMaxSections) return false;
    int marker = -1;
    for (int padding = 0; at < size; ++padding) {
      const uint8_t byte = data[at++];
      if (byte != 0xFF) {
        marker = byte;
        break;
      }
      if (padding >= 6) return false;
    }
    if (marker < 0 || size - at < 2) return false;
    const size_t length = size_t{data[at]} << 8 | data[at + 1];
    if (length < 2 || length > size - at) return false;
    Section section;
    section.type = marker;
    section.data.assign(data + at, data + at + length);
    at += length;
    const uint8_t* body = section.data.data();

    if (IsFrameHeader(marker)) {
      if (length < 8) return false;
      height_ = static_cast<uint16_t>(body[3] << 8 | body[4]);
      width_ = static_cast<uint16_t>(body[5] << 8 | body[6]);
      color_ = body[7] == 3;
      process_ = marker;
      sections_.push_back(std::move(section));
    } else if (marker == 0xD9) {
      return false;  // the end of the image before any scan
    } else if (marker == 0xDA) {
      sections_.push_back(std::move(section));
      if (readImage) {
        if (at >= size) return false;
        Section image;
        image.type = kImageData;
        image.data.assign(data + at, data + size);
        sections_.push_back(std::move(image));
        imageRead_ = true;
      }
      return true;
    } else if (marker == 0xE1) {
      if (readMetadata && length >= 6 && std::memcmp(body + 2, "Exif", 4) == 0) sections_.push_back(std::move(section));
    } else if (marker == 0xFE) {
      if (!haveComment_) {
        haveComment_ = true;
        const size_t n = std::min(length - 2, kMaxCommentBytes);
        for (size_t i = 0; i < n; ++i) {
          const uint8_t c = body[2 + i];
          if (c == '\r' && i + 1 < n && body[3 + i] == '\n') continue;
          comment_.push_back(c < 0x20 && c != '\n' && c != '\t' ? '?' : static_cast<char>(c));
        }
        sections_.push_back(std::move(section));
      }
    } else {
      sections_.push_back(std::move(section));
    }
  }
}

bool JpegSectionList::RemoveFirst(int type) {
  if (sections_.empty()) return false;
  for (size_t i = 0; i + 1 < sections_.size(); ++i) {
    if (sections_[i].type == type) {
      sections_.erase(sections_.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

void JpegSectionList::RemoveUnneeded() {
  if (sections_.empty()) return;
  Section last = std::move(sections_.back());
  sections_.pop_back();
  std::erase_if(sections_, [](const Section& s) { return !IsNeeded(s.type); });
  sections_.push_back(std::move(last));
}

std::vector<uint8_t> JpegSectionList::Write() const {
  std::vector<uint8_t> out;
  if (!imageRead_ || sections_.empty()) return out;
  // A JFIF header says the colours are YCbCr, overriding an Adobe APP14 that may say RGB, so
  // a stream that has APP14 gets none.
  const int first = sections_.front().type;
  const bool adobe = std::any_of(sections_.begin(), sections_.end(), [](const Section& s) { return s.type == 0xEE; });
  const bool jfif = first != 0xE0 && first != 0xE1 && !adobe;
  size_t total = 2 + (jfif ? sizeof kJfifHeader : 0);
  for (const Section& s : sections_) total += s.data.size() + 2;
  out.reserve(total);
  out.push_back(0xFF);
  out.push_back(0xD8);
  if (jfif) out.insert(out.end(), kJfifHeader, kJfifHeader + sizeof kJfifHeader);
  for (size_t i = 0; i + 1 < sections_.size(); ++i) {
    out.push_back(0xFF);
    out.push_back(static_cast<uint8_t>(sections_[i].type));
    out.insert(out.end(), sections_[i].data.begin(), sections_[i].data.end());
  }
  out.insert(out.end(), sections_.back().data.begin(), sections_.back().data.end());
  return out;
}

std::vector<uint8_t> RebuildJpegWithoutMetadata(const uint8_t* data, size_t length) {
  JpegSectionList list;
  if (!list.Read(data, length, true, true)) return {};
  list.RemoveFirst(0xFE);
  list.RemoveFirst(0xE1);
  list.RemoveUnneeded();
  return list.Write();
}
