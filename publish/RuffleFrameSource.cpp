#include "publish/RuffleFrameSource.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "host/ui/Application.h"
#include "host/web/MovieFrames.h"
#include "host/web/RuffleView.h"
#include "platform/FileSystem.h"
#include "swf/SwfFileInfo.h"

namespace {

constexpr uint32_t kUnitsPerFrame = 256;

class RuffleFrameSource : public FrameSource {
 public:
  RuffleFrameSource(std::unique_ptr<host::web::MovieFrames> frames, uint32_t width, uint32_t height,
                    uint32_t frameRate256, uint16_t frameCount, int frameTimeLimitMs,
                    std::shared_ptr<std::string> error)
      : frames_(std::move(frames)),
        width_(width),
        height_(height),
        timeScale_(frameRate256),
        duration_(uint32_t{frameCount} * kUnitsPerFrame),
        frameTimeLimitMs_(frameTimeLimitMs),
        error_(std::move(error)) {}

  uint32_t Width() const override { return width_; }
  uint32_t Height() const override { return height_; }
  uint32_t TimeScale() const override { return timeScale_; }
  uint32_t Duration() const override { return duration_; }

  bool Render(uint32_t time, uint8_t* rgba) override {
    const int count = static_cast<int>(time / kUnitsPerFrame) + 1;
    QImage picture;
    QString why;
    if (!frames_->Frame(count, frameTimeLimitMs_, picture, why)) {
      *error_ = why.toStdString();
      return false;
    }
    const size_t row = static_cast<size_t>(width_) * 4;
    for (uint32_t y = 0; y < height_; ++y) std::memcpy(rgba + row * y, picture.constScanLine(static_cast<int>(y)), row);
    return true;
  }

 private:
  std::unique_ptr<host::web::MovieFrames> frames_;
  uint32_t width_, height_, timeScale_, duration_;
  int frameTimeLimitMs_;
  std::shared_ptr<std::string> error_;
};

// The whole file, when it is no larger than `limit`.
bool ReadWholeFile(const std::string& path, uint64_t limit, QByteArray& bytes) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > limit) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.resize(static_cast<qsizetype>(size));
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size) && in.peek() == std::char_traits<char>::eof();
}

}  // namespace

RuffleFrameSourceFactory::RuffleFrameSourceFactory(WideString ruffleFolder)
    : ruffleFolder_(std::move(ruffleFolder)), error_(std::make_shared<std::string>()) {}

std::unique_ptr<FrameSource> RuffleFrameSourceFactory::Open(const WideString& moviePath, uint32_t width,
                                                            uint32_t height, bool alpha) {
  error_->clear();
  float frameRate = 0;
  uint16_t frameCount = 0;
  if (!ReadSwfFileInfo(moviePath, nullptr, nullptr, &frameRate, nullptr, &frameCount, nullptr)) {
    *error_ = "the file is not a movie";
    return nullptr;
  }
  // The header's rate is a fixed-point number with 8 bits of fraction.
  const uint32_t frameRate256 = static_cast<uint32_t>(frameRate * kUnitsPerFrame + 0.5f);
  if (frameRate256 == 0) {
    *error_ = "the movie's frame rate is 0";
    return nullptr;
  }
  if (frameCount == 0) {
    *error_ = "the movie has no frames";
    return nullptr;
  }
  if (width == 0 || height == 0 || width > 8192 || height > 8192) {
    *error_ = "the frame size is out of range";
    return nullptr;
  }
  const std::string path = WideToUtf8(moviePath);
  QByteArray movie;
  if (!ReadWholeFile(path, kMaxMovieBytes, movie)) {
    *error_ = "the movie can't be read whole";
    return nullptr;
  }
  WideString folder = ruffleFolder_;
  if (folder.empty()) {
    const QByteArray fromEnv = qgetenv("PLENWICK_RUFFLE_DIR");
    if (!fromEnv.isEmpty())
      folder = Utf8ToWide(fromEnv.toStdString());
    else if (!GetBundleResourcePath(folder, L"ruffle"))
      folder.clear();
  }
  if (folder.empty()) {
    *error_ = "the player's files are missing";
    return nullptr;
  }
  if (QCoreApplication::instance() == nullptr) {
    host::web::RegisterPlayerScheme();
    host::ui::EnsureApplication();
  }
  auto frames = std::make_unique<host::web::MovieFrames>(QString::fromStdString(WideToUtf8(folder)),
                                                         static_cast<int>(width), static_cast<int>(height), alpha);
  QString why;
  if (!frames->Open(movie, QFileInfo(QString::fromStdString(path)).absolutePath(), loadTimeLimitMs, why)) {
    *error_ = why.toStdString();
    return nullptr;
  }
  return std::make_unique<RuffleFrameSource>(std::move(frames), width, height, frameRate256, frameCount,
                                             frameTimeLimitMs, error_);
}
