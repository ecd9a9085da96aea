// Small image and movie files made for the tests with FFmpeg's own encoders and muxers from
// generated pixels: one picture or several, each given as R G B A rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

namespace mediatest {

using Bytes = std::vector<uint8_t>;

struct Rgba {
  uint8_t r, g, b, a;
};

// A picture of four quadrants: top-left, top-right, bottom-left, bottom-right.
inline Bytes Quadrants(int width, int height, Rgba tl, Rgba tr, Rgba bl, Rgba br) {
  Bytes px;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgba c = y < height / 2 ? (x < width / 2 ? tl : tr) : (x < width / 2 ? bl : br);
      px.insert(px.end(), {c.r, c.g, c.b, c.a});
    }
  }
  return px;
}

inline Bytes Solid(int width, int height, Rgba c) { return Quadrants(width, height, c, c, c, c); }

struct Encoding {
  Encoding(const char* muxer, const char* encoder, AVPixelFormat format, int fps = 10, int gop = 0,
           std::map<std::string, std::string> options = {})
      : muxer(muxer), encoder(encoder), format(format), fps(fps), gop(gop), options(std::move(options)) {}
  const char* muxer;    // "image2pipe", "gif", "apng", "mp4", "matroska", ...
  const char* encoder;  // "png", "mjpeg", ...
  AVPixelFormat format;
  int fps;
  int gop;  // key frame interval, 0: the encoder's own
  std::map<std::string, std::string> options;
};

// Makes a PAL8 picture (palette from the colours used, at most 256) from R G B A rows.
inline bool FillPalette(AVFrame* frame, const Bytes& rgba, int width, int height) {
  std::vector<uint32_t> palette;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = rgba.data() + (size_t(y) * width + x) * 4;
      const uint32_t argb = uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
      size_t i = 0;
      while (i < palette.size() && palette[i] != argb) ++i;
      if (i == palette.size()) {
        if (palette.size() == 256) return false;
        palette.push_back(argb);
      }
      frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(i);
    }
  }
  std::memset(frame->data[1], 0, 1024);
  std::memcpy(frame->data[1], palette.data(), palette.size() * 4);
  return true;
}

// Writes the pictures (R G B A rows of width x height) as a file; false on any failure.
inline bool WriteMedia(const std::string& path, const Encoding& e, int width, int height,
                       const std::vector<Bytes>& pictures) {
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, e.muxer, path.c_str()) < 0) return false;
  const AVCodec* codec = avcodec_find_encoder_by_name(e.encoder);
  AVCodecContext* enc = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
  AVStream* stream = avformat_new_stream(out, nullptr);
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  SwsContext* sws = nullptr;
  bool ok = enc != nullptr && stream != nullptr && frame != nullptr && packet != nullptr;
  if (ok) {
    enc->width = width;
    enc->height = height;
    enc->pix_fmt = e.format;
    enc->time_base = AVRational{1, e.fps};
    enc->framerate = AVRational{e.fps, 1};
    if (e.gop > 0) enc->gop_size = e.gop;
    enc->bit_rate = 4000000;
    enc->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (e.format == AV_PIX_FMT_YUVJ420P) enc->color_range = AVCOL_RANGE_JPEG;
    if (std::string(e.encoder) == "mjpeg" || std::string(e.encoder) == "mpeg4") {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = FF_QP2LAMBDA * 2;
    }
    if (out->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    for (const auto& [k, v] : e.options) av_dict_set(&options, k.c_str(), v.c_str(), 0);
    ok = avcodec_open2(enc, codec, &options) >= 0;
    av_dict_free(&options);
  }
  if (ok) {
    ok = avcodec_parameters_from_context(stream->codecpar, enc) >= 0;
    stream->time_base = enc->time_base;
    stream->sample_aspect_ratio = enc->sample_aspect_ratio;
  }
  if (ok && !(out->oformat->flags & AVFMT_NOFILE)) ok = avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
  if (ok) ok = avformat_write_header(out, nullptr) >= 0;
  auto drain = [&]() {
    while (ok) {
      const int r = avcodec_receive_packet(enc, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
      if (r < 0) {
        ok = false;
        break;
      }
      if (packet->duration == 0) packet->duration = 1;  // one frame: the last one's length too
      av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
      packet->stream_index = stream->index;
      ok = av_interleaved_write_frame(out, packet) >= 0;
    }
  };
  for (size_t i = 0; ok && i < pictures.size(); ++i) {
    av_frame_unref(frame);
    frame->format = e.format;
    frame->width = width;
    frame->height = height;
    ok = av_frame_get_buffer(frame, 0) >= 0;
    if (!ok) break;
    if (e.format == AV_PIX_FMT_PAL8) {
      ok = FillPalette(frame, pictures[i], width, height);
    } else {
      sws = sws_getCachedContext(sws, width, height, AV_PIX_FMT_RGBA, width, height, e.format,
                                 SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
      const uint8_t* planes[4] = {pictures[i].data(), nullptr, nullptr, nullptr};
      const int strides[4] = {width * 4, 0, 0, 0};
      ok = sws != nullptr && sws_scale(sws, planes, strides, 0, height, frame->data, frame->linesize) == height;
    }
    frame->pts = static_cast<int64_t>(i);
    if (ok) ok = avcodec_send_frame(enc, frame) >= 0;
    drain();
  }
  if (ok) {
    avcodec_send_frame(enc, nullptr);
    drain();
  }
  if (ok) ok = av_write_trailer(out) >= 0;
  sws_freeContext(sws);
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&enc);
  if (!(out->oformat->flags & AVFMT_NOFILE)) avio_closep(&out->pb);
  avformat_free_context(out);
  return ok;
}

// Writes a second of silent mono sound in the muxer's container, with the PNG bytes as its cover
// picture when given (a stream that holds one attached picture).
inline bool WriteSound(const std::string& path, const char* muxer, const char* encoder,
                       const Bytes* coverPng = nullptr) {
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, muxer, path.c_str()) < 0) return false;
  const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
  AVCodecContext* enc = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
  AVStream* stream = avformat_new_stream(out, nullptr);
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  bool ok = enc != nullptr && stream != nullptr && frame != nullptr && packet != nullptr;
  const int rate = 8000;
  if (ok) {
    enc->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    enc->sample_rate = rate;
    enc->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    enc->time_base = AVRational{1, rate};
    if (out->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ok = avcodec_open2(enc, codec, nullptr) >= 0;
  }
  if (ok) {
    ok = avcodec_parameters_from_context(stream->codecpar, enc) >= 0;
    stream->time_base = enc->time_base;
  }
  AVStream* cover = nullptr;
  if (ok && coverPng != nullptr) {
    cover = avformat_new_stream(out, nullptr);
    ok = cover != nullptr;
    if (ok) {
      cover->disposition = AV_DISPOSITION_ATTACHED_PIC;
      cover->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
      cover->codecpar->codec_id = AV_CODEC_ID_PNG;
      cover->codecpar->width = 8;
      cover->codecpar->height = 8;
    }
  }
  if (ok) ok = avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
  if (ok) ok = avformat_write_header(out, nullptr) >= 0;
  if (ok && cover != nullptr) {
    ok = av_new_packet(packet, static_cast<int>(coverPng->size())) >= 0;
    if (ok) {
      std::memcpy(packet->data, coverPng->data(), coverPng->size());
      packet->stream_index = cover->index;
      packet->flags |= AV_PKT_FLAG_KEY;
      ok = av_write_frame(out, packet) >= 0;
    }
  }
  const int chunk = enc != nullptr && enc->frame_size > 0 ? enc->frame_size : 1024;
  auto drain = [&]() {
    while (ok) {
      const int r = avcodec_receive_packet(enc, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
      if (r < 0) {
        ok = false;
        break;
      }
      av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
      packet->stream_index = stream->index;
      ok = av_interleaved_write_frame(out, packet) >= 0;
    }
  };
  for (int at = 0; ok && at < rate; at += chunk) {
    av_frame_unref(frame);
    frame->format = enc->sample_fmt;
    frame->nb_samples = chunk;
    frame->sample_rate = rate;
    av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
    ok = av_frame_get_buffer(frame, 0) >= 0;
    if (!ok) break;
    av_samples_set_silence(frame->data, 0, chunk, 1, enc->sample_fmt);
    frame->pts = at;
    ok = avcodec_send_frame(enc, frame) >= 0;
    drain();
  }
  if (ok) {
    avcodec_send_frame(enc, nullptr);
    drain();
  }
  if (ok) ok = av_write_trailer(out) >= 0;
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&enc);
  avio_closep(&out->pb);
  avformat_free_context(out);
  return ok;
}

}  // namespace mediatest
