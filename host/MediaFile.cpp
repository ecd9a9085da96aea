#include "host/MediaFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace host::av {

namespace {

// Still images: read through their pipe demuxers, which probe the bytes rather than the name.
constexpr const char* kStillFormats =
    "bmp_pipe,jpeg_pipe,jpegls_pipe,png_pipe,tiff_pipe,webp_pipe,qdraw_pipe,psd_pipe,sgi_pipe,pcx_pipe,"
    "qoi_pipe,pam_pipe,pbm_pipe,pgm_pipe,ppm_pipe,sunrast_pipe,j2k_pipe,ico";
// Animated images: their pictures build on the ones before, so they are decoded from the start.
constexpr const char* kAnimatedFormats = "gif,gif_pipe,apng";
// Movie containers and raw video streams.
constexpr const char* kMovieFormats =
    "mov,matroska,avi,flv,mpeg,mpegts,asf,ogg,nut,dv,mjpeg,m4v,h264,hevc,mpegvideo,ivf";

// A picture's packets before a frame comes out, and frames decoded to reach a time.
constexpr int kMaxPacketsPerFrame = 1 << 14;
constexpr int kMaxFramesPerSeek = 1 << 17;
constexpr int kReadBufferSize = 1 << 16;
// The largest block FFmpeg may allocate at once: a picture at the pixel limit, 4 bytes a pixel,
// with room for padding.
constexpr size_t kMaxAllocation = (size_t{1} << 28) + (size_t{1} << 24);

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Damaged files are ordinary input here; FFmpeg's complaints about them are no news.
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxAllocation);
  });
}

// Times in files are untrusted: sums stop at the ends of the range.
int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

bool InList(const char* name, const char* list) { return name != nullptr && av_match_list(name, list, ',') > 0; }

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// The file as FFmpeg reads it: positioned reads of our open descriptor.
struct FileSource {
  int fd = -1;
  int64_t size = 0;
  int64_t position = 0;
};

int ReadFile(void* opaque, uint8_t* buffer, int wanted) {
  auto* source = static_cast<FileSource*>(opaque);
  if (wanted <= 0) return 0;
  if (source->position >= source->size) return AVERROR_EOF;
  const size_t count = static_cast<size_t>(std::min<int64_t>(wanted, source->size - source->position));
  for (;;) {
    const ssize_t got = pread(source->fd, buffer, count, static_cast<off_t>(source->position));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return AVERROR(errno);
    if (got == 0) return AVERROR_EOF;
    source->position += got;
    return static_cast<int>(got);
  }
}

int64_t SeekFile(void* opaque, int64_t offset, int whence) {
  auto* source = static_cast<FileSource*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return source->size;
  int64_t to = 0;
  if (whence == SEEK_SET) {
    to = offset;
  } else if (whence == SEEK_CUR) {
    if (__builtin_add_overflow(source->position, offset, &to)) return AVERROR(EINVAL);
  } else if (whence == SEEK_END) {
    if (__builtin_add_overflow(source->size, offset, &to)) return AVERROR(EINVAL);
  } else {
    return AVERROR(EINVAL);
  }
  if (to < 0) return AVERROR(EINVAL);
  source->position = to;
  return to;
}

// A demuxer that wants to open another file or address (a playlist entry, a reference, the
// next image of a sequence) is refused.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

bool WithinLimits(int64_t width, int64_t height, const Limits& limits) {
  return width > 0 && height > 0 && width <= limits.maxSide && height <= limits.maxSide &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= limits.maxPixels;
}

// The decoders count the pixels of their buffers, whose rows are rounded up to 64 pixels at most;
// the pictures that come out are held to the exact limit.
int64_t DecoderPixelLimit(const Limits& limits) {
  return static_cast<int64_t>(std::min<uint64_t>(limits.maxPixels + uint64_t{64} * limits.maxSide, INT_MAX));
}

bool RowFits(PixelLayout layout, uint32_t width, size_t stride) {
  const size_t bytes = layout == PixelLayout::kRgb24 ? 3 : 4;
  return stride >= size_t{width} * bytes && stride <= static_cast<size_t>(INT_MAX);
}

AVPixelFormat OutputFormat(PixelLayout layout) {
  return layout == PixelLayout::kRgb24 ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_RGBA;
}

// The scaler takes the old full-range "J" formats as their plain forms with the full range set.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
  }
}

// Bicubic, with chroma at full resolution on both sides. (Accurate rounding would cost six times
// the time of the conversion for at most a step of 1 or 2 in a colour.)
constexpr int kScaleFlags = SWS_BICUBIC | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;

// One scale of a picture; the context is cached between calls of equal sizes and formats.
bool Scale(SwsContext*& context, const uint8_t* const planes[], const int strides[], int width, int height,
           AVPixelFormat format, bool fullRange, AVColorSpace space, uint8_t* out, size_t outStride, int outWidth,
           int outHeight, AVPixelFormat outFormat) {
  if (sws_isSupportedInput(format) <= 0) return false;
  context = sws_getCachedContext(context, width, height, format, outWidth, outHeight, outFormat, kScaleFlags, nullptr,
                                 nullptr, nullptr);
  if (context == nullptr) return false;
  const int* sourceTable = sws_getCoefficients(space == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
  sws_setColorspaceDetails(context, sourceTable, fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                           1 << 16);
  uint8_t* outPlanes[4] = {out, nullptr, nullptr, nullptr};
  const int outStrides[4] = {static_cast<int>(outStride), 0, 0, 0};
  return sws_scale(context, planes, strides, 0, height, outPlanes, outStrides) == outHeight;
}

}  // namespace

struct MediaFile::State {
  FileSource source;
  AVFormatContext* format = nullptr;
  AVCodecContext* decoder = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* current = nullptr;  // the picture kept
  AVFrame* pending = nullptr;  // the one after it, decoded while looking for the time
  bool haveCurrent = false;
  bool havePending = false;
  bool decoderDone = false;  // every picture has come out
  bool demuxerDone = false;  // the end of the stream was sent to the decoder
  int64_t currentPts = 0;
  int64_t pendingPts = 0;
  int64_t lastPts = -1;
  int stream = -1;
  bool keyframeSeek = false;
  bool still = false;
  bool animated = false;
  int64_t formatDuration = 0;  // as the demuxer states it
  uint32_t width = 0;
  uint32_t height = 0;
  int64_t duration = 0;
  SwsContext* scaler = nullptr;

  ~State() {
    CloseStreams();
    av_frame_free(&current);
    av_frame_free(&pending);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    if (source.fd >= 0) ::close(source.fd);
  }

  void CloseStreams() {
    avcodec_free_context(&decoder);
    if (format != nullptr) {
      AVIOContext* io = format->pb;
      avformat_close_input(&format);
      if (io != nullptr) {
        av_freep(&io->buffer);
        avio_context_free(&io);
      }
    }
    stream = -1;
    ForgetFrames();
  }

  void ForgetFrames() {
    if (current != nullptr) av_frame_unref(current);
    if (pending != nullptr) av_frame_unref(pending);
    haveCurrent = havePending = decoderDone = demuxerDone = false;
    lastPts = -1;
  }
};

MediaFile::MediaFile(Limits limits) : limits_(limits) { InitOnce(); }

MediaFile::~MediaFile() = default;

void MediaFile::Close() { state_.reset(); }

bool MediaFile::IsOpen() const { return state_ != nullptr; }

bool MediaFile::HasVideo() const { return state_ != nullptr && state_->stream >= 0; }

uint32_t MediaFile::Width() const { return HasVideo() ? state_->width : 0; }

uint32_t MediaFile::Height() const { return HasVideo() ? state_->height : 0; }

int64_t MediaFile::DurationMicroseconds() const { return state_ != nullptr ? state_->duration : 0; }

namespace {

// Opens the demuxer and the picture's decoder over the state's open file. Returns "" or why not.
std::string OpenStreams(MediaFile::State& s, const Limits& limits);
int64_t ScanDuration(MediaFile::State& s);

}  // namespace

bool MediaFile::Open(const std::string& path) {
  Close();
  error_.clear();
  auto state = std::make_unique<State>();
  // O_NONBLOCK: opening a FIFO must not wait for a writer before we can see what it is.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  state->source.fd = fd;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error_ = "not a regular file";
    return false;
  }
  state->source.size = st.st_size;
  state->packet = av_packet_alloc();
  state->current = av_frame_alloc();
  state->pending = av_frame_alloc();
  if (state->packet == nullptr || state->current == nullptr || state->pending == nullptr) {
    error_ = "out of memory";
    return false;
  }
  error_ = OpenStreams(*state, limits_);
  if (!error_.empty()) return false;
  state->duration = state->formatDuration;
  if (state->duration == 0 && state->animated && state->stream >= 0) {
    // Animated images need not state their length: the packets' times tell it.
    state->duration = ScanDuration(*state);
    error_ = OpenStreams(*state, limits_);
    if (!error_.empty()) return false;
  }
  state_ = std::move(state);
  // A picture that can't be decoded makes the file unusable: better known now than at the first
  // render. The first picture is kept for it.
  if (HasVideo() && !SeekFrame(0)) {
    state_.reset();
    return false;
  }
  return true;
}

namespace {

std::string OpenStreams(MediaFile::State& s, const Limits& limits) {
  s.CloseStreams();
  s.source.position = 0;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kReadBufferSize));
  if (buffer == nullptr) return "out of memory";
  AVIOContext* io = avio_alloc_context(buffer, kReadBufferSize, 0, &s.source, ReadFile, nullptr, SeekFile);
  if (io == nullptr) {
    av_free(buffer);
    return "out of memory";
  }
  AVFormatContext* format = avformat_alloc_context();
  if (format == nullptr) {
    av_freep(&io->buffer);
    avio_context_free(&io);
    return "out of memory";
  }
  format->pb = io;
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  format->io_open = RefuseOpen;
  const std::string allowed = std::string(kStillFormats) + "," + kAnimatedFormats + "," + kMovieFormats;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "format_whitelist", allowed.c_str(), 0);
  av_dict_set(&options, "protocol_whitelist", "none", 0);
  // No name: formats are told by their bytes alone, never by a file name's extension.
  int result = avformat_open_input(&format, "", nullptr, &options);
  av_dict_free(&options);
  if (result < 0) {
    // avformat_open_input freed the context but leaves our reader to us.
    av_freep(&io->buffer);
    avio_context_free(&io);
    return "not an image or movie: " + AvError(result);
  }
  s.format = format;

  // The decoders that look at each stream's first packets keep to the pixel limit too.
  const unsigned streams = format->nb_streams;
  std::vector<AVDictionary*> streamOptions(streams, nullptr);
  const std::string maxPixels = std::to_string(DecoderPixelLimit(limits));
  for (AVDictionary*& o : streamOptions) av_dict_set(&o, "max_pixels", maxPixels.c_str(), 0);
  result = avformat_find_stream_info(format, streams > 0 ? streamOptions.data() : nullptr);
  for (AVDictionary*& o : streamOptions) av_dict_free(&o);
  if (result < 0) return "damaged file: " + AvError(result);

  int best = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (best >= 0 && (format->streams[best]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) best = -1;
  if (best < 0) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVStream* st = format->streams[i];
      if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && (st->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
        best = static_cast<int>(i);
        break;
      }
    }
  }
  const char* name = format->iformat->name;
  s.still = InList(name, kStillFormats);
  s.animated = InList(name, kAnimatedFormats);
  s.formatDuration = !s.still && format->duration != AV_NOPTS_VALUE && format->duration > 0 ? format->duration : 0;
  if (best < 0) return "";  // sound alone: open, without a picture

  AVStream* st = format->streams[best];
  const AVCodecParameters* par = st->codecpar;
  if (!WithinLimits(par->width, par->height, limits)) return "picture size missing or beyond the limits";
  int64_t width = par->width;
  const AVRational aspect = av_guess_sample_aspect_ratio(format, st, nullptr);
  if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den) {
    width = av_rescale(par->width, aspect.num, aspect.den);
  }
  if (!WithinLimits(width, par->height, limits)) return "display size beyond the limits";
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (codec == nullptr) return "no decoder for the picture";
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  if (decoder == nullptr) return "out of memory";
  s.decoder = decoder;
  if (avcodec_parameters_to_context(decoder, par) < 0) return "bad picture parameters";
  decoder->max_pixels = DecoderPixelLimit(limits);
  decoder->thread_count = 1;
  decoder->pkt_timebase = st->time_base;
  result = avcodec_open2(decoder, codec, nullptr);
  if (result < 0) return "picture decoder refused: " + AvError(result);
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (static_cast<int>(i) != best) format->streams[i]->discard = AVDISCARD_ALL;
  }
  s.stream = best;
  s.width = static_cast<uint32_t>(width);
  s.height = static_cast<uint32_t>(par->height);
  // Movie pictures can be reached from the key frame before them; animated images are drawn
  // over the pictures before, so they are decoded from their start.
  s.keyframeSeek = InList(name, kMovieFormats) && par->codec_id != AV_CODEC_ID_GIF && par->codec_id != AV_CODEC_ID_APNG;
  return "";
}

// The end of the last packet of the picture stream, from the start, in microseconds; the
// demuxer is left at the end.
int64_t ScanDuration(MediaFile::State& s) {
  const AVStream* st = s.format->streams[s.stream];
  int64_t first = AV_NOPTS_VALUE, end = AV_NOPTS_VALUE;
  for (int packets = 0; packets < kMaxFramesPerSeek && av_read_frame(s.format, s.packet) >= 0; ++packets) {
    if (s.packet->stream_index == s.stream && s.packet->pts != AV_NOPTS_VALUE) {
      if (first == AV_NOPTS_VALUE) first = s.packet->pts;
      const int64_t packetEnd = SaturatingAdd(s.packet->pts, std::max<int64_t>(s.packet->duration, 0));
      end = end == AV_NOPTS_VALUE ? packetEnd : std::max(end, packetEnd);
    }
    av_packet_unref(s.packet);
  }
  int64_t length = 0;
  if (first == AV_NOPTS_VALUE || end <= first || __builtin_sub_overflow(end, first, &length)) return 0;
  return std::max<int64_t>(av_rescale_q(length, st->time_base, AV_TIME_BASE_Q), 0);
}

// The next picture out of the decoder: 1, 0 at the end, or an error.
int DecodeNext(MediaFile::State& s, AVFrame* frame, const Limits& limits) {
  if (s.decoderDone) return 0;
  int packets = 0;
  for (;;) {
    int result = avcodec_receive_frame(s.decoder, frame);
    if (result == 0) {
      if (!WithinLimits(frame->width, frame->height, limits)) {
        av_frame_unref(frame);
        return AVERROR_INVALIDDATA;
      }
      return 1;
    }
    if (result == AVERROR_EOF) {
      s.decoderDone = true;
      return 0;
    }
    if (result != AVERROR(EAGAIN)) return result;
    if (s.demuxerDone) {
      s.decoderDone = true;  // a decoder that wants input after the end has nothing more
      return 0;
    }
    if (++packets > kMaxPacketsPerFrame) return AVERROR_INVALIDDATA;
    result = av_read_frame(s.format, s.packet);
    if (result < 0) {
      avcodec_send_packet(s.decoder, nullptr);
      s.demuxerDone = true;
      continue;
    }
    if (s.packet->stream_index == s.stream) {
      // A damaged packet of a movie loses a picture, not the movie; a still with nothing else
      // ends without a picture.
      avcodec_send_packet(s.decoder, s.packet);
    }
    av_packet_unref(s.packet);
  }
}

int64_t FramePts(MediaFile::State& s, const AVFrame* frame) {
  int64_t pts = frame->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) pts = SaturatingAdd(s.lastPts, 1);
  s.lastPts = pts;
  return pts;
}

}  // namespace

bool MediaFile::SeekFrame(int64_t microseconds) {
  if (!HasVideo()) return false;
  State& s = *state_;
  const AVStream* st = s.format->streams[s.stream];
  const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  // The picture shown at a time is the last one that starts at or before it.
  const int64_t target =
      SaturatingAdd(start, av_rescale_q_rnd(std::max<int64_t>(microseconds, 0), AV_TIME_BASE_Q, st->time_base,
                                            static_cast<AVRounding>(AV_ROUND_DOWN | AV_ROUND_PASS_MINMAX)));
  if (s.haveCurrent && target < s.currentPts) {
    bool placed = false;
    if (s.keyframeSeek && av_seek_frame(s.format, s.stream, target, AVSEEK_FLAG_BACKWARD) >= 0) {
      avcodec_flush_buffers(s.decoder);
      s.ForgetFrames();
      placed = true;
    }
    if (!placed) {
      error_ = OpenStreams(s, limits_);
      if (!error_.empty() || s.stream < 0) {
        state_.reset();
        return false;
      }
    }
  }
  for (int frames = 0; frames < kMaxFramesPerSeek; ++frames) {
    if (!s.havePending) {
      const int result = DecodeNext(s, s.pending, limits_);
      if (result <= 0) {
        if (result < 0 && !s.haveCurrent) error_ = "damaged picture: " + AvError(result);
        break;
      }
      s.havePending = true;
      s.pendingPts = FramePts(s, s.pending);
    }
    if (s.haveCurrent && s.pendingPts > target) break;
    std::swap(s.current, s.pending);
    s.currentPts = s.pendingPts;
    s.haveCurrent = true;
    s.havePending = false;
    av_frame_unref(s.pending);
  }
  if (!s.haveCurrent && error_.empty()) error_ = "no picture";
  return s.haveCurrent;
}

uint32_t MediaFile::FrameWidth() const {
  return state_ != nullptr && state_->haveCurrent ? static_cast<uint32_t>(state_->current->width) : 0;
}

uint32_t MediaFile::FrameHeight() const {
  return state_ != nullptr && state_->haveCurrent ? static_cast<uint32_t>(state_->current->height) : 0;
}

bool MediaFile::FrameHasAlpha() const {
  if (state_ == nullptr || !state_->haveCurrent) return false;
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(state_->current->format));
  return d != nullptr && (d->flags & (AV_PIX_FMT_FLAG_ALPHA | AV_PIX_FMT_FLAG_PAL)) != 0;
}

bool MediaFile::ScaleFrame(PixelLayout layout, uint32_t width, uint32_t height, uint8_t* out, size_t stride) {
  if (state_ == nullptr || !state_->haveCurrent || out == nullptr) return false;
  if (!WithinLimits(width, height, limits_) || !RowFits(layout, width, stride)) return false;
  const AVFrame* frame = state_->current;
  bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat format = PlainFormat(static_cast<AVPixelFormat>(frame->format), fullRange);
  return Scale(state_->scaler, frame->data, frame->linesize, frame->width, frame->height, format, fullRange,
               frame->colorspace, out, stride, static_cast<int>(width), static_cast<int>(height), OutputFormat(layout));
}

bool ScalePacked(PixelLayout layout, const uint8_t* source, size_t sourceStride, uint32_t sourceWidth,
                 uint32_t sourceHeight, uint8_t* out, size_t outStride, uint32_t width, uint32_t height,
                 const Limits& limits) {
  InitOnce();
  if (source == nullptr || out == nullptr) return false;
  if (!WithinLimits(sourceWidth, sourceHeight, limits) || !WithinLimits(width, height, limits)) return false;
  if (!RowFits(layout, sourceWidth, sourceStride) || !RowFits(layout, width, outStride)) return false;
  const uint8_t* planes[4] = {source, nullptr, nullptr, nullptr};
  const int strides[4] = {static_cast<int>(sourceStride), 0, 0, 0};
  SwsContext* context = nullptr;
  const AVPixelFormat format = OutputFormat(layout);
  const bool ok = Scale(context, planes, strides, static_cast<int>(sourceWidth), static_cast<int>(sourceHeight), format,
                        true, AVCOL_SPC_RGB, out, outStride, static_cast<int>(width), static_cast<int>(height), format);
  sws_freeContext(context);
  return ok;
}

namespace {

// Sound files; sound is also read from the movie containers.
constexpr const char* kSoundFormats =
    "wav,w64,aiff,au,caf,voc,mp3,aac,ac3,eac3,flac,ogg,wv,ape,tta,mpc,mpc8,amr,ircam,nistsphere,"
    "mov,matroska,avi,flv,asf,mpeg,mpegts,nut";
// Packets read while no sound comes out, before the file counts as damaged.
constexpr int kMaxPacketsWithoutSound = 1 << 16;

// The FFmpeg objects of one sound decoding, freed in every case.
struct SoundState {
  FileSource source;
  AVFormatContext* format = nullptr;
  AVIOContext* io = nullptr;
  AVCodecContext* decoder = nullptr;
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  // The input the resampler was made for.
  int inFormat = -1;
  int inRate = 0;
  AVChannelLayout inLayout{};

  ~SoundState() {
    av_channel_layout_uninit(&inLayout);
    swr_free(&resampler);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    if (io != nullptr) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    if (source.fd >= 0) ::close(source.fd);
  }
};

std::string OpenSound(SoundState& s, const std::string& path, const SoundLimits& limits, int& stream) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::strerror(errno);
  s.source.fd = fd;
  struct stat st {};
  if (fstat(fd, &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  s.source.size = st.st_size;
  s.packet = av_packet_alloc();
  s.frame = av_frame_alloc();
  auto* buffer = static_cast<uint8_t*>(av_malloc(kReadBufferSize));
  if (s.packet == nullptr || s.frame == nullptr || buffer == nullptr) {
    av_free(buffer);
    return "out of memory";
  }
  s.io = avio_alloc_context(buffer, kReadBufferSize, 0, &s.source, ReadFile, nullptr, SeekFile);
  if (s.io == nullptr) {
    av_free(buffer);
    return "out of memory";
  }
  AVFormatContext* format = avformat_alloc_context();
  if (format == nullptr) return "out of memory";
  format->pb = s.io;
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  format->io_open = RefuseOpen;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "format_whitelist", kSoundFormats, 0);
  av_dict_set(&options, "protocol_whitelist", "none", 0);
  int result = avformat_open_input(&format, "", nullptr, &options);
  av_dict_free(&options);
  if (result < 0) return "not a sound file: " + AvError(result);
  s.format = format;
  result = avformat_find_stream_info(format, nullptr);
  if (result < 0) return "damaged file: " + AvError(result);
  stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (stream < 0) return "no sound in the file";
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (static_cast<int>(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
  }
  const AVCodecParameters* par = format->streams[stream]->codecpar;
  if (par->ch_layout.nb_channels < 1 || par->ch_layout.nb_channels > limits.maxSourceChannels) {
    return "sound channels missing or beyond the limits";
  }
  if (par->sample_rate < 1 || par->sample_rate > limits.maxSourceRate)
    return "sample rate missing or beyond the limits";
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (codec == nullptr) return "no decoder for the sound";
  s.decoder = avcodec_alloc_context3(codec);
  if (s.decoder == nullptr) return "out of memory";
  if (avcodec_parameters_to_context(s.decoder, par) < 0) return "bad sound parameters";
  s.decoder->thread_count = 1;
  s.decoder->pkt_timebase = format->streams[stream]->time_base;
  result = avcodec_open2(s.decoder, codec, nullptr);
  if (result < 0) return "sound decoder refused: " + AvError(result);
  return "";
}

// Converts the frame (null: the resampler's remainder) and appends it, keeping to `wanted` frames.
// Returns "" or why not.
std::string AppendConverted(SoundState& s, const AVFrame* frame, uint64_t wanted, DecodedSound& out) {
  const int inSamples = frame != nullptr ? frame->nb_samples : 0;
  const int room = swr_get_out_samples(s.resampler, inSamples);
  if (room < 0) return "sound conversion failed";
  if (room == 0) return "";
  const uint64_t have = out.Frames();
  const size_t oldSize = out.samples.size();
  out.samples.resize(oldSize + static_cast<size_t>(room) * out.channels);
  uint8_t* target = reinterpret_cast<uint8_t*>(out.samples.data() + oldSize);
  const int made =
      swr_convert(s.resampler, &target, room,
                  frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
  if (made < 0) {
    out.samples.resize(oldSize);
    return "sound conversion failed: " + AvError(made);
  }
  const uint64_t keep = std::min<uint64_t>(static_cast<uint64_t>(made), wanted > have ? wanted - have : 0);
  out.samples.resize(oldSize + static_cast<size_t>(keep) * out.channels);
  return "";
}

}  // namespace

namespace {

bool DecodeSoundInto(const std::string& path, uint32_t rate, uint32_t channels, int64_t limitMilliseconds,
                     DecodedSound& out, std::string& error, const SoundLimits& limits) {
  error.clear();
  if (rate < 1 || rate > 192000 || channels < 1 || channels > 2) {
    error = "unsupported output rate or channel count";
    return false;
  }
  SoundState s;
  int stream = -1;
  error = OpenSound(s, path, limits, stream);
  if (!error.empty()) return false;
  const AVCodecParameters* par = s.format->streams[stream]->codecpar;
  out.rate = rate;
  out.channels = channels;
  out.sourceRate = static_cast<uint32_t>(par->sample_rate);
  out.sourceChannels = static_cast<uint32_t>(par->ch_layout.nb_channels);

  // The frames wanted: all up to the limit, or the first `limitMilliseconds`.
  uint64_t wanted = limits.maxFrames;
  if (limitMilliseconds > 0) {
    wanted = std::min<uint64_t>(wanted, static_cast<uint64_t>(av_rescale(limitMilliseconds, rate, 1000)));
  }
  int withoutSound = 0;
  bool demuxerDone = false;
  for (;;) {
    int result = avcodec_receive_frame(s.decoder, s.frame);
    if (result == 0) {
      withoutSound = 0;
      if (s.frame->ch_layout.nb_channels < 1 || s.frame->ch_layout.nb_channels > limits.maxSourceChannels ||
          s.frame->sample_rate < 1 || s.frame->sample_rate > limits.maxSourceRate) {
        error = "damaged sound: channels or rate beyond the limits";
        return false;
      }
      if (s.frame->nb_samples <= 0) {
        av_frame_unref(s.frame);
        continue;
      }
      if (s.resampler != nullptr && (s.frame->format != s.inFormat || s.frame->sample_rate != s.inRate ||
                                     av_channel_layout_compare(&s.frame->ch_layout, &s.inLayout) != 0)) {
        // The resampler reads the planes of the format it was made for.
        error = "the sound changes its format part way";
        return false;
      }
      if (s.resampler == nullptr) {
        // Set up from the first decoded frame, which tells the true layout and sample format.
        s.inFormat = s.frame->format;
        s.inRate = s.frame->sample_rate;
        if (av_channel_layout_copy(&s.inLayout, &s.frame->ch_layout) < 0) {
          error = "out of memory";
          return false;
        }
        AVChannelLayout outLayout{};
        av_channel_layout_default(&outLayout, static_cast<int>(channels));
        AVChannelLayout inLayout{};
        if (s.frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
          av_channel_layout_default(&inLayout, s.frame->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&inLayout, &s.frame->ch_layout) < 0) {
          error = "out of memory";
          return false;
        }
        result = swr_alloc_set_opts2(&s.resampler, &outLayout, AV_SAMPLE_FMT_S16, static_cast<int>(rate), &inLayout,
                                     static_cast<AVSampleFormat>(s.frame->format), s.frame->sample_rate, 0, nullptr);
        // Mono is put on both sides at its own level, and stereo made mono as the mean of its
        // sides; the resampler's own mixes would lower the level by a half or a quarter.
        const int inChannels = inLayout.nb_channels;
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        if (result >= 0 && inChannels == 1 && channels == 2) {
          const double both[2] = {1.0, 1.0};
          result = swr_set_matrix(s.resampler, both, 1);
        } else if (result >= 0 && inChannels == 2 && channels == 1) {
          const double mean[2] = {0.5, 0.5};
          result = swr_set_matrix(s.resampler, mean, 2);
        }
        if (result < 0 || swr_init(s.resampler) < 0) {
          error = "sound conversion refused";
          return false;
        }
      }
      error = AppendConverted(s, s.frame, wanted, out);
      av_frame_unref(s.frame);
      if (!error.empty()) return false;
      if (out.Frames() >= wanted) break;
      continue;
    }
    if (result == AVERROR_EOF) break;
    if (result != AVERROR(EAGAIN)) {
      error = "damaged sound: " + AvError(result);
      return false;
    }
    if (demuxerDone) break;
    if (++withoutSound > kMaxPacketsWithoutSound) {
      error = "damaged sound: no samples come out";
      return false;
    }
    result = av_read_frame(s.format, s.packet);
    if (result < 0) {
      avcodec_send_packet(s.decoder, nullptr);
      demuxerDone = true;
      continue;
    }
    // A damaged packet loses its samples, not the sound.
    if (s.packet->stream_index == stream) avcodec_send_packet(s.decoder, s.packet);
    av_packet_unref(s.packet);
  }
  if (s.resampler == nullptr) {
    error = "no samples in the sound";
    return false;
  }
  if (out.Frames() < wanted) {
    error = AppendConverted(s, nullptr, wanted, out);
    if (!error.empty()) return false;
  }
  if (limitMilliseconds <= 0 && out.Frames() >= limits.maxFrames) {
    // The whole sound was wanted and it would be cut.
    error = "sound longer than the limit";
    return false;
  }
  if (out.samples.empty()) {
    error = "no samples in the sound";
    return false;
  }
  return true;
}

}  // namespace

bool DecodeSound(const std::string& path, uint32_t rate, uint32_t channels, int64_t limitMilliseconds,
                 DecodedSound& out, std::string& error, const SoundLimits& limits) {
  InitOnce();
  out = DecodedSound{};
  if (DecodeSoundInto(path, rate, channels, limitMilliseconds, out, error, limits)) return true;
  // A sound that fails part way keeps none of its samples.
  out = DecodedSound{};
  if (error.empty()) error = "damaged sound";
  return false;
}

bool DescribeSound(const std::string& path, SoundDescription& out, std::string& error, const SoundLimits& limits) {
  InitOnce();
  out = SoundDescription{};
  SoundState s;
  int stream = -1;
  error = OpenSound(s, path, limits, stream);
  if (!error.empty()) return false;
  const AVStream* st = s.format->streams[stream];
  const AVCodecParameters* par = st->codecpar;
  out.channels = static_cast<uint32_t>(par->ch_layout.nb_channels);
  out.rate = static_cast<uint32_t>(par->sample_rate);
  int bits = par->bits_per_raw_sample;
  if (bits <= 0) bits = av_get_bytes_per_sample(static_cast<AVSampleFormat>(par->format)) * 8;
  if (bits <= 0) bits = av_get_bytes_per_sample(s.decoder->sample_fmt) * 8;
  out.bitsPerSample = bits > 0 ? static_cast<uint32_t>(bits) : 16;
  if (st->duration > 0 && st->time_base.num > 0 && st->time_base.den > 0) {
    out.durationMicroseconds = av_rescale_q(st->duration, st->time_base, AVRational{1, AV_TIME_BASE});
  } else if (s.format->duration > 0) {
    out.durationMicroseconds = s.format->duration;
  }
  return true;
}

bool LibrariesMatch() {
  return AV_VERSION_MAJOR(avformat_version()) == LIBAVFORMAT_VERSION_MAJOR &&
         AV_VERSION_MAJOR(avcodec_version()) == LIBAVCODEC_VERSION_MAJOR &&
         AV_VERSION_MAJOR(avutil_version()) == LIBAVUTIL_VERSION_MAJOR &&
         AV_VERSION_MAJOR(swscale_version()) == LIBSWSCALE_VERSION_MAJOR;
}

}  // namespace host::av
