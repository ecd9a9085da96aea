#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "media/PngBitmap.h"
#include "media/QuickTimeMovie.h"
#include "tests/media/ImageFixtures.h"
#include "tests/media/MediaFixtures.h"

using mediatest::Bytes;
using mediatest::Encoding;
using mediatest::Rgba;

namespace {

constexpr Rgba kRed{220, 30, 30, 255}, kGreen{30, 200, 40, 255}, kBlue{20, 40, 210, 255}, kYellow{230, 220, 20, 255};

class QuickTimeMovieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/plenwick-movie-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::string Make(const std::string& name, const Encoding& e, int width, int height,
                   const std::vector<Bytes>& pictures) {
    const std::string path = Path(name);
    EXPECT_TRUE(mediatest::WriteMedia(path, e, width, height, pictures)) << name;
    return path;
  }

  std::string WriteBytes(const std::string& name, const Bytes& bytes) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

// The R G B of a pixel of packed rows.
Rgba At(const Bytes& px, int width, int x, int y, int bytesPerPixel) {
  const uint8_t* p = px.data() + (size_t(y) * width + x) * bytesPerPixel;
  return {p[0], p[1], p[2], bytesPerPixel == 4 ? p[3] : uint8_t{255}};
}

::testing::AssertionResult Near(Rgba got, Rgba want, int tolerance, bool alpha = false) {
  const int d[4] = {got.r - want.r, got.g - want.g, got.b - want.b, alpha ? got.a - want.a : 0};
  for (int v : d) {
    if (v > tolerance || v < -tolerance) {
      return ::testing::AssertionFailure()
             << "got " << int(got.r) << "," << int(got.g) << "," << int(got.b) << "," << int(got.a) << " want "
             << int(want.r) << "," << int(want.g) << "," << int(want.b) << "," << int(want.a);
    }
  }
  return ::testing::AssertionSuccess();
}

Bytes Render(QuickTimeMovie& movie, TimeValue time, int bits, const PixelRect* dest = nullptr,
             const PixelRect* src = nullptr) {
  const size_t size = movie.RenderFrame(time, nullptr, 0, dest, src, bits);
  Bytes px(size, 0xAB);
  if (size == 0 || movie.RenderFrame(time, px.data(), px.size(), dest, src, bits) != size) return {};
  return px;
}

// The colour at the centre of each quadrant of a width x height render.
void ExpectQuadrants(const Bytes& px, int width, int height, int bytesPerPixel, int tolerance,
                     const std::string& what) {
  ASSERT_EQ(px.size(), size_t(width) * height * bytesPerPixel) << what;
  const int l = width / 4, r = width * 3 / 4, t = height / 4, b = height * 3 / 4;
  EXPECT_TRUE(Near(At(px, width, l, t, bytesPerPixel), kRed, tolerance)) << what << " top-left";
  EXPECT_TRUE(Near(At(px, width, r, t, bytesPerPixel), kGreen, tolerance)) << what << " top-right";
  EXPECT_TRUE(Near(At(px, width, l, b, bytesPerPixel), kBlue, tolerance)) << what << " bottom-left";
  EXPECT_TRUE(Near(At(px, width, r, b, bytesPerPixel), kYellow, tolerance)) << what << " bottom-right";
}

struct Still {
  const char* name;
  Encoding encoding;
  int width, height;
  int tolerance;
};

const Still kStills[] = {
    {"odd.png", {"image2pipe", "png", AV_PIX_FMT_RGB24}, 37, 23, 0},
    {"alpha.png", {"image2pipe", "png", AV_PIX_FMT_RGBA}, 16, 16, 0},
    {"photo.jpg", {"image2pipe", "mjpeg", AV_PIX_FMT_YUVJ420P}, 41, 29, 24},
    {"grey-ish.bmp", {"image2pipe", "bmp", AV_PIX_FMT_BGR24}, 9, 7, 0},
    {"deep.tiff", {"image2pipe", "tiff", AV_PIX_FMT_RGB48LE}, 12, 10, 1},
    {"still.gif", {"gif", "gif", AV_PIX_FMT_PAL8}, 15, 11, 0},
    {"still.webp", {"webp", "libwebp", AV_PIX_FMT_YUV420P, 10, 0, {{"lossless", "0"}, {"quality", "95"}}}, 32, 20, 24},
    {"lossless.webp", {"webp", "libwebp", AV_PIX_FMT_BGRA, 10, 0, {{"lossless", "1"}}}, 13, 9, 0},
    {"one.mkv", {"matroska", "ffv1", AV_PIX_FMT_BGR0}, 21, 13, 0},
};

TEST_F(QuickTimeMovieTest, EveryFormatOpensWithItsSizeAndRendersItsPixels) {
  for (const Still& s : kStills) {
    const std::string path = Make(s.name, s.encoding, s.width, s.height,
                                  {mediatest::Quadrants(s.width, s.height, kRed, kGreen, kBlue, kYellow)});
    QuickTimeMovie movie;
    ASSERT_TRUE(movie.Open(Utf8ToWide(path))) << s.name;
    EXPECT_TRUE(movie.HasVisualTrack()) << s.name;
    const std::string muxer = s.encoding.muxer;
    if (muxer == "image2pipe" || muxer == "webp") {
      EXPECT_EQ(movie.GetDuration(), 0) << s.name;  // a still image
    }
    int w = 0, h = 0;
    movie.GetSize(w, h);
    EXPECT_EQ(w, s.width) << s.name;
    EXPECT_EQ(h, s.height) << s.name;
    EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 24), size_t(s.width) * s.height * 3) << s.name;
    EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 32), size_t(s.width) * s.height * 4) << s.name;
    ExpectQuadrants(Render(movie, 0, 24), s.width, s.height, 3, s.tolerance, s.name);
    const Bytes rgba = Render(movie, 0, 32);
    ExpectQuadrants(rgba, s.width, s.height, 4, s.tolerance, std::string(s.name) + " 32");
    if (!rgba.empty()) {
      EXPECT_EQ(rgba[3], 255) << s.name;
    }
  }
}

TEST_F(QuickTimeMovieTest, SetSizeScalesTheRenderAndRectanglesPickTheOutput) {
  const std::string path = Make("q.png", {"image2pipe", "png", AV_PIX_FMT_RGB24}, 40, 30,
                                {mediatest::Quadrants(40, 30, kRed, kGreen, kBlue, kYellow)});
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(path)));
  struct Size {
    int w, h;
  };
  for (Size s : {Size{80, 60}, Size{20, 15}, Size{7, 61}, Size{1, 1}, Size{400, 3}}) {
    ASSERT_TRUE(movie.SetSize(s.w, s.h));
    int w = 0, h = 0;
    movie.GetSize(w, h);
    EXPECT_EQ(w, s.w);
    EXPECT_EQ(h, s.h);
    const Bytes px = Render(movie, 0, 24);
    ASSERT_EQ(px.size(), size_t(s.w) * s.h * 3) << s.w << "x" << s.h;
    if (s.w >= 7 && s.h >= 7) ExpectQuadrants(px, s.w, s.h, 3, 8, std::to_string(s.w) + "x" + std::to_string(s.h));
  }
  // The destination (0, 0, height, width) gives the picture at that size, whatever the box.
  ASSERT_TRUE(movie.SetSize(40, 30));
  const PixelRect dest{0, 0, 100, 50};
  ExpectQuadrants(Render(movie, 0, 24, &dest), 100, 50, 3, 8, "destination");
  // A source rectangle of the box: its part alone fills the destination.
  const PixelRect bottomRight{20, 15, 40, 30};
  const Bytes part = Render(movie, 0, 24, &dest, &bottomRight);
  ASSERT_EQ(part.size(), 100u * 50 * 3);
  for (int x : {0, 50, 99}) {
    for (int y : {0, 25, 49}) EXPECT_TRUE(Near(At(part, 100, x, y, 3), kYellow, 8)) << x << "," << y;
  }
  // Without a destination the source rectangle's size is the output's.
  EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, &bottomRight, 24), 20u * 15 * 3);
  EXPECT_TRUE(Near(At(Render(movie, 0, 24, nullptr, &bottomRight), 20, 10, 7, 3), kYellow, 8));
  // A source rectangle reaching outside the box renders nothing.
  const PixelRect outside{30, 20, 41, 30};
  Bytes px(100 * 50 * 3, 0xAB);
  EXPECT_EQ(movie.RenderFrame(0, px.data(), px.size(), &dest, &outside, 24), 0u);
  EXPECT_EQ(px, Bytes(100 * 50 * 3, 0xAB));
}

TEST_F(QuickTimeMovieTest, TinyPicturesRenderAtTheirSizeAndScaled) {
  struct Size {
    int w, h;
  };
  for (Size s : {Size{1, 1}, Size{2, 1}, Size{1, 3}, Size{3, 2}}) {
    for (const Encoding& e :
         {Encoding{"image2pipe", "png", AV_PIX_FMT_RGB24}, Encoding{"image2pipe", "mjpeg", AV_PIX_FMT_YUVJ444P}}) {
      const std::string what = std::string(e.encoder) + " " + std::to_string(s.w) + "x" + std::to_string(s.h);
      const std::string path = Make("tiny", e, s.w, s.h, {mediatest::Solid(s.w, s.h, kGreen)});
      QuickTimeMovie movie;
      ASSERT_TRUE(movie.Open(Utf8ToWide(path))) << what;
      for (Size out : {s, Size{64, 48}}) {
        ASSERT_TRUE(movie.SetSize(out.w, out.h));
        const Bytes px = Render(movie, 0, 24);
        ASSERT_EQ(px.size(), size_t(out.w) * out.h * 3) << what;
        EXPECT_TRUE(Near(At(px, out.w, out.w - 1, out.h - 1, 3), kGreen, 6)) << what << " at " << out.w << "x" << out.h;
      }
    }
  }
}

TEST_F(QuickTimeMovieTest, WidePixelsWidenTheBox) {
  // 20 x 10 stored pixels, each twice as wide as high: shown 40 x 10.
  const std::string path = Make("wide.mkv", {"matroska", "ffv1", AV_PIX_FMT_BGR0, 10, 0, {{"aspect", "2:1"}}}, 20, 10,
                                {mediatest::Quadrants(20, 10, kRed, kGreen, kBlue, kYellow)});
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(path)));
  int w = 0, h = 0;
  movie.GetSize(w, h);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(h, 10);
  ExpectQuadrants(Render(movie, 0, 24), 40, 10, 3, 8, "wide pixels");
}

TEST_F(QuickTimeMovieTest, SizesAndBuffersAreCheckedBeforeAnythingIsWritten) {
  const std::string path =
      Make("s.png", {"image2pipe", "png", AV_PIX_FMT_RGB24}, 10, 10, {mediatest::Solid(10, 10, kRed)});
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(path)));
  Bytes px(299, 0xAB);
  // One byte short of 10 x 10 x 3: nothing is written.
  EXPECT_EQ(movie.RenderFrame(0, px.data(), px.size(), nullptr, nullptr, 24), 0u);
  EXPECT_EQ(px, Bytes(299, 0xAB));
  EXPECT_EQ(movie.CopyFramePixels(0, px.data(), px.size(), nullptr), 0u);
  EXPECT_EQ(px, Bytes(299, 0xAB));
  for (int bits : {0, 8, 16, 31, 64}) EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, bits), 0u) << bits;
  // Sizes whose byte count would pass 32 bits, or beyond the bitmap limits, are refused.
  EXPECT_FALSE(movie.SetSize(-1, 10));
  EXPECT_FALSE(movie.SetSize(70000, 10));
  EXPECT_TRUE(movie.SetSize(65535, 65535));                               // a box may be set ...
  EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 32), 0u);  // ... but not rendered past the limit
  const PixelRect huge{0, 0, 65535, 65535};
  EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, &huge, nullptr, 24), 0u);
  const PixelRect inverted{10, 10, 0, 0};
  EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, &inverted, nullptr, 24), 0u);
  ASSERT_TRUE(movie.SetSize(0, 0));
  EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 24), 0u);
}

TEST_F(QuickTimeMovieTest, TransparencyIsCompositedOverWhiteAtTwentyFourBitsAndKeptAtThirtyTwo) {
  const Rgba clear{0, 0, 0, 0}, half{200, 0, 0, 128}, opaque{0, 0, 200, 255}, hidden{0, 255, 0, 0};
  struct Case {
    const char* name;
    Encoding encoding;
  };
  const Case cases[] = {
      {"a.png", {"image2pipe", "png", AV_PIX_FMT_RGBA}},
      {"a.webp", {"webp", "libwebp", AV_PIX_FMT_BGRA, 10, 0, {{"lossless", "1"}, {"exact", "1"}}}},
      {"a.tiff", {"image2pipe", "tiff", AV_PIX_FMT_RGBA}},
  };
  for (const Case& c : cases) {
    // Left column: fully transparent black; then half-transparent red, opaque blue, and
    // transparent green (a colour that must not show).
    const std::string path =
        Make(c.name, c.encoding, 16, 16, {mediatest::Quadrants(16, 16, clear, half, opaque, hidden)});
    QuickTimeMovie movie;
    ASSERT_TRUE(movie.Open(Utf8ToWide(path))) << c.name;
    const Bytes rgb = Render(movie, 0, 24);
    ASSERT_EQ(rgb.size(), 16u * 16 * 3) << c.name;
    EXPECT_TRUE(Near(At(rgb, 16, 3, 3, 3), {255, 255, 255, 255}, 1)) << c.name;
    EXPECT_TRUE(Near(At(rgb, 16, 12, 3, 3), {227, 127, 127, 255}, 2)) << c.name;
    EXPECT_TRUE(Near(At(rgb, 16, 3, 12, 3), {0, 0, 200, 255}, 1)) << c.name;
    EXPECT_TRUE(Near(At(rgb, 16, 12, 12, 3), {255, 255, 255, 255}, 1)) << c.name;
    const Bytes rgba = Render(movie, 0, 32);
    ASSERT_EQ(rgba.size(), 16u * 16 * 4) << c.name;
    EXPECT_EQ(At(rgba, 16, 3, 3, 4).a, 0) << c.name;
    EXPECT_TRUE(Near(At(rgba, 16, 12, 3, 4), half, 1, true)) << c.name;
    EXPECT_TRUE(Near(At(rgba, 16, 3, 12, 4), opaque, 1, true)) << c.name;
    // Scaled down, the transparent green stays hidden: its edge with the blue is blue on white.
    ASSERT_TRUE(movie.SetSize(5, 5));
    const Bytes small = Render(movie, 0, 24);
    ASSERT_EQ(small.size(), 5u * 5 * 3);
    for (int x = 0; x < 5; ++x) {
      const Rgba p = At(small, 5, x, 4, 3);
      EXPECT_LE(std::abs(int(p.r) - int(p.g)), 2) << c.name << " x " << x;  // grey to blue, never green
    }
  }
}

TEST_F(QuickTimeMovieTest, AMovieRendersTheFrameShownAtEachTime) {
  // Ten frames a second, each its own colour; key frames every 4 frames.
  const Rgba colours[] = {kRed,
                          kGreen,
                          kBlue,
                          kYellow,
                          {240, 240, 240, 255},
                          {20, 20, 20, 255},
                          {200, 40, 200, 255},
                          {40, 200, 200, 255},
                          {128, 128, 128, 255},
                          {250, 130, 10, 255}};
  std::vector<Bytes> frames;
  for (const Rgba& c : colours) frames.push_back(mediatest::Solid(32, 24, c));
  struct Case {
    const char* name;
    Encoding encoding;
    int tolerance;
  };
  const Case cases[] = {
      {"clip.mp4", {"mp4", "mpeg4", AV_PIX_FMT_YUV420P, 10, 4}, 20},
      {"clip.mkv", {"matroska", "ffv1", AV_PIX_FMT_BGR0, 10, 4}, 0},
      {"clip.avi", {"avi", "mjpeg", AV_PIX_FMT_YUVJ420P, 10, 4}, 20},
      {"anim.gif", {"gif", "gif", AV_PIX_FMT_PAL8, 10}, 0},
      {"anim.png", {"apng", "apng", AV_PIX_FMT_RGBA, 10}, 0},
  };
  for (const Case& c : cases) {
    const std::string path = Make(c.name, c.encoding, 32, 24, frames);
    QuickTimeMovie movie;
    ASSERT_TRUE(movie.Open(Utf8ToWide(path))) << c.name;
    EXPECT_TRUE(movie.HasVisualTrack()) << c.name;
    EXPECT_EQ(movie.GetTimeScale(), 600);
    EXPECT_NEAR(movie.GetDuration(), 600, 61) << c.name;  // one second
    // Forward, backward past key frames, the same time twice, back to the start.
    for (int frame : {0, 1, 5, 9, 2, 2, 7, 0, 6, 3}) {
      const TimeValue time = static_cast<TimeValue>(frame * 60 + 30);  // mid-frame
      const Bytes px = Render(movie, time, 24);
      ASSERT_EQ(px.size(), 32u * 24 * 3) << c.name;
      EXPECT_TRUE(Near(At(px, 32, 16, 12, 3), colours[frame], c.tolerance)) << c.name << " frame " << frame;
    }
    // Past the end the last frame stays.
    EXPECT_TRUE(Near(At(Render(movie, 6000, 24), 32, 5, 5, 3), colours[9], c.tolerance)) << c.name;
  }
}

TEST_F(QuickTimeMovieTest, AnImageHasNoDurationAndSoundAloneHasNoVisualTrack) {
  QuickTimeMovie image;
  ASSERT_TRUE(image.Open(
      Utf8ToWide(Make("i.png", {"image2pipe", "png", AV_PIX_FMT_RGB24}, 4, 4, {mediatest::Solid(4, 4, kRed)}))));
  EXPECT_EQ(image.GetDuration(), 0);
  EXPECT_TRUE(Near(At(Render(image, 1200, 24), 4, 1, 1, 3), kRed, 0));  // any time shows the image

  // Sound in a movie container opens, with no pictures to render.
  const std::string sound = Path("sound.mkv");
  ASSERT_TRUE(mediatest::WriteSound(sound, "matroska", "pcm_s16le"));
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(sound)));
  EXPECT_FALSE(movie.HasVisualTrack());
  EXPECT_NEAR(movie.GetDuration(), 600, 30);
  int w = -1, h = -1;
  movie.GetSize(w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 24), 0u);
  ASSERT_TRUE(movie.SetSize(4, 4));
  Bytes px(48, 0xAB);
  EXPECT_EQ(movie.RenderFrame(0, px.data(), px.size(), nullptr, nullptr, 24), 0u);
  OffscreenGWorld* world = nullptr;
  ASSERT_TRUE(CreateOffscreenGWorld(&world, 4, 4, 32));
  EXPECT_FALSE(movie.DrawIntoGWorld(world, nullptr, nullptr));
  DisposeOffscreenGWorld(&world);

  // Sound with its cover picture (as music files carry them) has no visual track either.
  const Bytes cover = imagetest::EncodePng(imagetest::Ramp(8, 8), 8, 8);
  const std::string music = Path("music.m4a");
  ASSERT_TRUE(mediatest::WriteSound(music, "ipod", "aac", &cover));
  QuickTimeMovie withCover;
  ASSERT_TRUE(withCover.Open(Utf8ToWide(music)));
  EXPECT_FALSE(withCover.HasVisualTrack());
  withCover.GetSize(w, h);
  EXPECT_EQ(w, 0);

  // A sound file of a sound format is not a movie here.
  const std::string wav = Path("sound.wav");
  ASSERT_TRUE(mediatest::WriteSound(wav, "wav", "pcm_s16le"));
  EXPECT_FALSE(QuickTimeMovie().Open(Utf8ToWide(wav)));
}

[[gnu::noinline]] Bytes PngWithSize(const Bytes& png, uint32_t width, uint32_t height) {
  Bytes out(png);
  if (out.size() > 40) imagetest::SetPngSize(out, width, height);
  return out;
}

TEST_F(QuickTimeMovieTest, HostileAndForeignFilesAreRefused) {
  const Bytes png = imagetest::EncodePng(imagetest::Ramp(8, 8), 8, 8);
  ASSERT_GT(png.size(), 40u);
  ASSERT_TRUE(QuickTimeMovie().Open(Utf8ToWide(WriteBytes("good.png", png))));
  const Bytes huge = PngWithSize(png, 70000, 4);      // wider than any bitmap
  const Bytes vast = PngWithSize(png, 30000, 30000);  // sides allowed, pixels not
  Bytes cut(png.begin(), png.begin() + 33);           // the header chunk alone
  Bytes jpeg = imagetest::EncodeJpeg(imagetest::Ramp(16, 16).data(), 16, 16);
  ASSERT_TRUE(imagetest::SetJpegSize(jpeg, 65535, 65535));
  const std::string local = WriteBytes("local.png", png);
  const std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + local + "\n#EXT-X-ENDLIST\n";
  const std::string concat = "ffconcat version 1.0\nfile '" + local + "'\n";
  const std::string svg =
      "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><image href='" + local + "'/></svg>";
  // A PNG whose pixel data is damaged (its checksums put right): its header is sound, its
  // picture can't be decoded.
  Bytes damaged = imagetest::EncodePng(imagetest::Ramp(64, 64), 64, 64);
  for (size_t i = 45; i + 20 < damaged.size(); i += 7) damaged[i] ^= 0x5A;
  imagetest::FixPngCrcs(damaged);
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty.png", {}},
      {"text.png", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
      {"wide.png", huge},
      {"vast.png", vast},
      {"cut.png", cut},
      {"huge.jpg", jpeg},
      {"list.m3u8", Bytes(text.begin(), text.end())},
      {"list.ffconcat", Bytes(concat.begin(), concat.end())},
      {"picture.svg", Bytes(svg.begin(), svg.end())},
      {"damaged.png", damaged},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(QuickTimeMovie().Open(Utf8ToWide(WriteBytes(c.name, c.bytes)))) << c.name;
  }
  // What is not a regular file is refused before anything reads it: a FIFO would block.
  const std::string fifo = Path("pipe.png");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(Path("folder.png"));
  for (const std::string& path :
       {fifo, Path("folder.png"), std::string("/dev/zero"), std::string("/dev/null"), Path("missing.png")}) {
    EXPECT_FALSE(QuickTimeMovie().Open(Utf8ToWide(path))) << path;
  }
  // A link to an image is the image.
  const std::string link = Path("link.png");
  ASSERT_EQ(symlink(local.c_str(), link.c_str()), 0);
  EXPECT_TRUE(QuickTimeMovie().Open(Utf8ToWide(link)));
}

TEST_F(QuickTimeMovieTest, APictureLimitRefusesLargerPictures) {
  const std::string path =
      Make("l.png", {"image2pipe", "png", AV_PIX_FMT_RGB24}, 100, 50, {mediatest::Solid(100, 50, kRed)});
  EXPECT_TRUE(QuickTimeMovie(5000).Open(Utf8ToWide(path)));
  EXPECT_FALSE(QuickTimeMovie(4999).Open(Utf8ToWide(path)));
}

TEST_F(QuickTimeMovieTest, DrawIntoGWorldDrawsTheCurrentFrameAtTheBoxAndMasksWhite) {
  const Rgba clear{0, 0, 0, 0}, white{255, 255, 255, 255};
  const std::string path = Make("d.png", {"image2pipe", "png", AV_PIX_FMT_RGBA}, 16, 16,
                                {mediatest::Quadrants(16, 16, kRed, clear, white, kBlue)});
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(path)));
  OffscreenGWorld* world = nullptr;
  OffscreenGWorld* mask = nullptr;
  ASSERT_TRUE(CreateOffscreenGWorld(&world, 20, 12, 32));
  ASSERT_TRUE(CreateOffscreenGWorld(&mask, 18, 12, 32));
  constexpr uint32_t kBack = 0xFF102030, kRedArgb = 0xFFDC1E1E, kBlueArgb = 0xFF1428D2;
  // Without a box: the movie's box, at (0, 0).
  world->FillRect(0, 0, 20, 12, kBack);
  ASSERT_TRUE(movie.DrawIntoGWorld(world, nullptr, nullptr));
  EXPECT_EQ(world->GetPixel(1, 1), kRedArgb);
  EXPECT_EQ(world->GetPixel(9, 1), kBack);   // transparent: what was there
  EXPECT_EQ(world->GetPixel(17, 1), kBack);  // outside the box
  // At (6, 2), clipped by the surface on the right and below.
  world->FillRect(0, 0, 20, 12, kBack);
  const PixelRect box{6, 2, 22, 18};
  ASSERT_TRUE(movie.DrawIntoGWorld(world, &box, mask));
  EXPECT_EQ(world->GetPixel(5, 2), kBack);
  EXPECT_EQ(world->GetPixel(6, 2), kRedArgb);
  EXPECT_EQ(world->GetPixel(15, 3), kBack);
  EXPECT_EQ(world->GetPixel(7, 11), 0xFFFFFFFFu);
  EXPECT_EQ(world->GetPixel(19, 11), kBlueArgb);
  // The mask: black where the surface is opaque white, white elsewhere, within both.
  EXPECT_EQ(mask->GetPixel(7, 11), 0xFF000000u);
  EXPECT_EQ(mask->GetPixel(6, 2), 0xFFFFFFFFu);
  EXPECT_EQ(mask->GetPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(mask->GetPixel(17, 11), 0xFFFFFFFFu);
  EXPECT_FALSE(movie.DrawIntoGWorld(nullptr, nullptr, nullptr));
  DisposeOffscreenGWorld(&world);
  DisposeOffscreenGWorld(&mask);
}

TEST_F(QuickTimeMovieTest, CopyFramePixelsCopiesRgbaRowsFromTheTopLeft) {
  std::vector<Bytes> frames = {mediatest::Quadrants(8, 6, kRed, kGreen, kBlue, kYellow), mediatest::Solid(8, 6, kBlue)};
  const std::string path = Make("c.mkv", {"matroska", "ffv1", AV_PIX_FMT_BGR0, 10}, 8, 6, frames);
  QuickTimeMovie movie;
  ASSERT_TRUE(movie.Open(Utf8ToWide(path)));
  EXPECT_EQ(movie.CopyFramePixels(0, nullptr, 0, nullptr), 8u * 6 * 4);
  const PixelRect part{5, 5, 8, 7};  // 3 x 2, taken from the top-left whatever its place
  EXPECT_EQ(movie.CopyFramePixels(0, nullptr, 0, &part), 3u * 2 * 4);
  Bytes px(3 * 2 * 4);
  ASSERT_EQ(movie.CopyFramePixels(0, px.data(), px.size(), &part), px.size());
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(Near(At(px, 3, i % 3, i / 3, 4), kRed, 0, true)) << i;
  ASSERT_EQ(movie.CopyFramePixels(90, px.data(), px.size(), &part), px.size());
  EXPECT_TRUE(Near(At(px, 3, 0, 0, 4), kBlue, 0, true));
  // That frame is now the current one, which DrawIntoGWorld draws.
  OffscreenGWorld* world = nullptr;
  ASSERT_TRUE(CreateOffscreenGWorld(&world, 8, 6, 32));
  ASSERT_TRUE(movie.DrawIntoGWorld(world, nullptr, nullptr));
  EXPECT_EQ(world->GetPixel(0, 0), 0xFF1428D2u);
  DisposeOffscreenGWorld(&world);
  const PixelRect larger{0, 0, 9, 6};
  Bytes big(9 * 6 * 4, 0xAB);
  EXPECT_EQ(movie.CopyFramePixels(0, big.data(), big.size(), &larger), 0u);
  EXPECT_EQ(big, Bytes(9 * 6 * 4, 0xAB));
}

TEST(QuickTimeVersionTest, TheReaderAnswersAsARecentToolboxUnlessATestSaysOtherwise) {
  EXPECT_TRUE(IsQuickTimeInstalled());
  EXPECT_GE(GetQuickTimeVersion(), 0x0400);
  SetQuickTimeVersionForTesting(0x0300);
  EXPECT_EQ(GetQuickTimeVersion(), 0x0300);
  SetQuickTimeVersionForTesting(std::nullopt);
  EXPECT_GE(GetQuickTimeVersion(), 0x0400);
}

}  // namespace
