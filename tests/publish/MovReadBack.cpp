#include "tests/publish/MovReadBack.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include "tests/publish/Scratch.h"

namespace publishtest {

ReadMovie ReadWithFfmpeg(const std::filesystem::path& path) {
  ReadMovie movie;
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) != 0) {
    movie.error = "FFmpeg can't open " + path.string();
    return movie;
  }
  if (avformat_find_stream_info(context, nullptr) < 0) movie.error = "no stream info";
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVStream* s = context->streams[i];
    ReadStream r;
    const char* type = av_get_media_type_string(s->codecpar->codec_type);
    r.type = type != nullptr ? type : "unknown";
    r.codec = avcodec_get_name(s->codecpar->codec_id);
    r.codecTag = s->codecpar->codec_tag;
    if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      const char* format = av_get_pix_fmt_name(static_cast<AVPixelFormat>(s->codecpar->format));
      r.pixelFormat = format != nullptr ? format : "";
    }
    r.width = s->codecpar->width;
    r.height = s->codecpar->height;
    r.timeBaseNum = s->time_base.num;
    r.timeBaseDen = s->time_base.den;
    movie.streams.push_back(r);
  }
  AVPacket* packet = av_packet_alloc();
  int result = 0;
  while ((result = av_read_frame(context, packet)) >= 0) {
    if (packet->stream_index >= 0 && static_cast<size_t>(packet->stream_index) < movie.streams.size()) {
      ReadStream& r = movie.streams[static_cast<size_t>(packet->stream_index)];
      r.durations.push_back(packet->duration);
      r.sizes.push_back(packet->size);
      const std::string bytes(reinterpret_cast<const char*>(packet->data), static_cast<size_t>(packet->size));
      if (r.firstPackets.size() < 2) r.firstPackets.push_back(bytes);
      if (bytes.size() <= kSmallPacket) r.smallPackets.push_back(bytes);
    }
    av_packet_unref(packet);
  }
  if (result != AVERROR_EOF && movie.error.empty()) movie.error = "reading stopped before the end";
  av_packet_free(&packet);
  avformat_close_input(&context);
  return movie;
}

namespace {

uint64_t Be(const std::string& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}

struct Atom {
  std::string type;
  size_t body = 0;
  size_t end = 0;
};

std::vector<Atom> Children(const std::string& file, size_t from, size_t to) {
  std::vector<Atom> atoms;
  size_t at = from;
  while (at + 8 <= to) {
    uint64_t size = Be(file, at, 4);
    size_t header = 8;
    if (size == 1 && at + 16 <= to) {
      size = Be(file, at + 8, 8);
      header = 16;
    }
    if (size < header || size > to - at) break;
    atoms.push_back({file.substr(at + 4, 4), at + header, at + static_cast<size_t>(size)});
    at += static_cast<size_t>(size);
  }
  return atoms;
}

}  // namespace

std::vector<std::string> TopAtoms(const std::string& file) {
  std::vector<std::string> types;
  for (const Atom& a : Children(file, 0, file.size())) types.push_back(a.type);
  return types;
}

std::vector<std::string> UserDataItems(const std::string& file) {
  std::vector<std::string> items;
  for (const Atom& moov : Children(file, 0, file.size())) {
    if (moov.type != "moov") continue;
    for (const Atom& udta : Children(file, moov.body, moov.end)) {
      if (udta.type != "udta") continue;
      for (const Atom& item : Children(file, udta.body, udta.end)) {
        std::string text = item.type + "=";
        static const char kHex[] = "0123456789abcdef";
        for (size_t i = item.body; i < item.end; ++i) {
          const unsigned char c = static_cast<unsigned char>(file[i]);
          text += kHex[c >> 4];
          text += kHex[c & 15];
        }
        items.push_back(text);
      }
    }
  }
  return items;
}

}  // namespace publishtest
