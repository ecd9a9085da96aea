#include "host/web/MovieFrames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <functional>

#include "host/web/RuffleView.h"

namespace host::web {

namespace {

// Runs the event loop until `done` answers true or the time limit has passed; true when done.
bool WaitUntil(const std::function<bool()>& done, int timeLimitMs) {
  if (done()) return true;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(2);
  bool finished = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    finished = done();
    if (finished || clock.elapsed() >= timeLimitMs) loop.quit();
  });
  poll.start();
  loop.exec();
  return finished;
}

// What the page reported while the movie loads; shared with the view's callbacks.
struct LoadState {
  bool loaded = false;
  QString failure;
};

// The answer of a script, shared with its callback (which may come after the wait gave up).
struct ScriptAnswer {
  bool answered = false;
  QString text;
};

constexpr char kDataPrefix[] = "data:image/png;base64,";

}  // namespace

MovieFrames::MovieFrames(const QString& ruffleFolder, int width, int height, bool transparent)
    : ruffleFolder_(ruffleFolder), width_(width), height_(height), transparent_(transparent) {}

MovieFrames::~MovieFrames() = default;

bool MovieFrames::Open(const QByteArray& movie, const QString& folder, int timeLimitMs, QString& error) {
  movie_ = movie;
  folder_ = folder;
  loadTimeLimitMs_ = timeLimitMs;
  return Load(timeLimitMs, error);
}

bool MovieFrames::Load(int timeLimitMs, QString& error) {
  view_.reset();
  framesRun_ = 0;
  if (width_ <= 0 || height_ <= 0) {
    error = "the pictures have no size";
    return false;
  }
  if (QCoreApplication::instance() == nullptr) {
    error = "there is no application to play the movie in";
    return false;
  }
  view_ = std::make_unique<RuffleView>(ruffleFolder_);
  view_->setAttribute(Qt::WA_DontShowOnScreen);
  view_->resize(width_, height_);
  view_->SetFrameMode(width_, height_, transparent_);
  auto state = std::make_shared<LoadState>();
  view_->onStageSize = [state](int, int) { state->loaded = true; };
  view_->onFailure = [state](const QString& message) { state->failure = message; };
  view_->show();
  view_->Play(movie_, folder_);
  const bool settled = WaitUntil([&] { return state->loaded || !state->failure.isEmpty(); }, timeLimitMs);
  if (!state->failure.isEmpty()) {
    error = "the player refused the movie: " + state->failure;
  } else if (!settled) {
    error = QString("the player did not load the movie within %1 ms").arg(timeLimitMs);
  } else {
    return true;
  }
  view_.reset();
  return false;
}

bool MovieFrames::Frame(int count, int timeLimitMs, QImage& picture, QString& error) {
  if (count < 1) {
    error = "no frame has run before the first";
    return false;
  }
  if (view_ == nullptr || count < framesRun_) {
    if (!Load(loadTimeLimitMs_, error)) return false;
  }
  QElapsedTimer clock;
  clock.start();
  std::shared_ptr<ScriptAnswer> answer;
  for (;;) {
    answer = std::make_shared<ScriptAnswer>();
    view_->RunScript(QString("plenwickFrame(%1)").arg(count), [answer](const QVariant& value) {
      answer->answered = true;
      answer->text = value.toString();
    });
    const int left = timeLimitMs - static_cast<int>(clock.elapsed());
    if (left <= 0 || !WaitUntil([&] { return answer->answered; }, left)) {
      error = QString("the player did not draw frame %1 within %2 ms").arg(count).arg(timeLimitMs);
      view_.reset();  // its clock may have moved on: a later picture starts again
      return false;
    }
    if (answer->text != "W") break;
    // Not started yet: ask again once the page has had a moment.
    QElapsedTimer pause;
    pause.start();
    WaitUntil([&] { return pause.elapsed() >= 5; }, 1000);
  }
  if (answer->text.startsWith("E:")) {
    error = answer->text.mid(2);
    view_.reset();  // the page may have run some of the frames: a later picture starts again
    return false;
  }
  if (!answer->text.startsWith(kDataPrefix)) {
    error = "the player answered no picture";
    return false;
  }
  framesRun_ = count;
  const QByteArray png =
      QByteArray::fromBase64(answer->text.mid(static_cast<qsizetype>(sizeof kDataPrefix) - 1).toLatin1());
  QImage image;
  if (!image.loadFromData(png, "PNG") || image.isNull()) {
    error = "the player's picture could not be read";
    return false;
  }
  if (image.width() != width_ || image.height() != height_)
    image = image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  picture = image.convertToFormat(QImage::Format_RGBA8888);
  return true;
}

}  // namespace host::web
