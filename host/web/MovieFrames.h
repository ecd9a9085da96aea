// Pictures of a movie frame by frame: the movie plays in a player view in frame mode (see
// RuffleView::SetFrameMode), whose clock moves only when a picture is asked for, so the picture
// after n frames is the same however busy the machine is. Everything runs on the GUI thread;
// the calls wait for the page in a local event loop. Needs a QApplication made after the
// player scheme was registered (RegisterPlayerScheme).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

namespace host::web {

class RuffleView;

class MovieFrames {
 public:
  // Pictures of width x height pixels; with `transparent` the stage's background is left
  // transparent. `ruffleFolder` holds Ruffle's web build.
  MovieFrames(const QString& ruffleFolder, int width, int height, bool transparent);
  ~MovieFrames();
  MovieFrames(const MovieFrames&) = delete;
  MovieFrames& operator=(const MovieFrames&) = delete;

  // Loads the movie (its relative addresses resolve inside `folder`). False, with `error`
  // saying why, when the player fails or has not loaded it within the time limit.
  bool Open(const QByteArray& movie, const QString& folder, int timeLimitMs, QString& error);

  // The picture once `count` frames of the movie have run (1: the first frame), width x
  // height pixels in QImage::Format_RGBA8888. A count below that of the last picture starts
  // the movie again. False, with `error`, when the player fails or does not answer within
  // the time limit.
  bool Frame(int count, int timeLimitMs, QImage& picture, QString& error);

 private:
  bool Load(int timeLimitMs, QString& error);

  QString ruffleFolder_;
  int width_;
  int height_;
  bool transparent_;
  QByteArray movie_;
  QString folder_;
  int loadTimeLimitMs_ = 0;
  int framesRun_ = 0;
  std::unique_ptr<RuffleView> view_;
};

}  // namespace host::web
