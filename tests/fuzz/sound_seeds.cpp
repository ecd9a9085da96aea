// Writes the seeds of fuzz_sound into a folder: a short tone in each of several sound files,
// made by FFmpeg's own muxers and encoders. Usage: sound_seeds FOLDER
#include <cmath>
#include <cstdio>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace {

bool Write(const std::string& path, const char* format, AVCodecID codecId, int rate, int channels) {
  const AVCodec* codec = avcodec_find_encoder(codecId);
  if (codec == nullptr) return false;
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, format, path.c_str()) < 0) return false;
  AVStream* st = avformat_new_stream(out, nullptr);
  AVCodecContext* enc = avcodec_alloc_context3(codec);
  enc->sample_rate = rate;
  av_channel_layout_default(&enc->ch_layout, channels);
  enc->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  enc->time_base = AVRational{1, rate};
  enc->bit_rate = 64000;
  if (out->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  bool ok = avcodec_open2(enc, codec, nullptr) >= 0 && avcodec_parameters_from_context(st->codecpar, enc) >= 0;
  st->time_base = enc->time_base;
  ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  const int frameSize = enc->frame_size > 0 ? enc->frame_size : 512;
  int64_t pts = 0;
  for (int i = 0; ok && i <= rate / 10 / frameSize + 1; ++i) {
    frame->nb_samples = frameSize;
    frame->format = enc->sample_fmt;
    frame->sample_rate = rate;
    av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
    ok = av_frame_get_buffer(frame, 0) >= 0;
    for (int s = 0; ok && s < frameSize; ++s) {
      const double v = 0.3 * std::sin(2 * M_PI * 440 * static_cast<double>(pts + s) / rate);
      for (int c = 0; c < channels; ++c) {
        const bool planar = av_sample_fmt_is_planar(enc->sample_fmt) != 0;
        const int index = planar ? s : s * channels + c;
        uint8_t* plane = frame->extended_data[planar ? c : 0];
        switch (enc->sample_fmt) {
          case AV_SAMPLE_FMT_S16:
          case AV_SAMPLE_FMT_S16P: reinterpret_cast<int16_t*>(plane)[index] = static_cast<int16_t>(v * 32767); break;
          case AV_SAMPLE_FMT_S32:
          case AV_SAMPLE_FMT_S32P:
            reinterpret_cast<int32_t*>(plane)[index] = static_cast<int32_t>(v * 2147483647.0);
            break;
          case AV_SAMPLE_FMT_FLT:
          case AV_SAMPLE_FMT_FLTP: reinterpret_cast<float*>(plane)[index] = static_cast<float>(v); break;
          default: ok = false;
        }
      }
    }
    frame->pts = pts;
    pts += frameSize;
    ok = ok && avcodec_send_frame(enc, frame) >= 0;
    av_frame_unref(frame);
    while (ok && avcodec_receive_packet(enc, packet) >= 0) {
      av_packet_rescale_ts(packet, enc->time_base, st->time_base);
      packet->stream_index = st->index;
      ok = av_interleaved_write_frame(out, packet) >= 0;
    }
  }
  if (ok) {
    avcodec_send_frame(enc, nullptr);
    while (avcodec_receive_packet(enc, packet) >= 0) {
      av_packet_rescale_ts(packet, enc->time_base, st->time_base);
      packet->stream_index = st->index;
      av_interleaved_write_frame(out, packet);
    }
    ok = av_write_trailer(out) >= 0;
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&enc);
  if (out->pb != nullptr) avio_closep(&out->pb);
  avformat_free_context(out);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  struct Seed {
    const char* name;
    const char* format;
    AVCodecID codec;
    int rate, channels;
  } seeds[] = {
      {"tone.wav", "wav", AV_CODEC_ID_PCM_S16LE, 8000, 1},
      {"adpcm.wav", "wav", AV_CODEC_ID_ADPCM_IMA_WAV, 11025, 2},
      {"tone.aiff", "aiff", AV_CODEC_ID_PCM_S16BE, 11025, 2},
      {"sowt.aifc", "aiff", AV_CODEC_ID_PCM_S16LE, 22050, 2},
      {"tone.mp3", "mp3", AV_CODEC_ID_MP3, 22050, 1},
      {"tone.au", "au", AV_CODEC_ID_PCM_S16BE, 8000, 1},
      {"tone.flac", "flac", AV_CODEC_ID_FLAC, 8000, 1},
      {"tone.mp2", "mp2", AV_CODEC_ID_MP2, 22050, 1},
      {"tone.ac3", "ac3", AV_CODEC_ID_AC3, 32000, 2},
      {"tone.caf", "caf", AV_CODEC_ID_PCM_S16LE, 8000, 1},
      {"tone.mka", "matroska", AV_CODEC_ID_PCM_S16LE, 8000, 2},
  };
  int failed = 0;
  for (const Seed& s : seeds) {
    if (!Write(folder + "/" + s.name, s.format, s.codec, s.rate, s.channels)) {
      std::fprintf(stderr, "sound_seeds: %s not written\n", s.name);
      ++failed;
    }
  }
  return failed == 0 ? 0 : 1;
}
