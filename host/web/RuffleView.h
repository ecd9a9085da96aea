// A movie player widget: Ruffle's web build in a Qt WebEngine view.
//
// Everything the page asks for comes through the "plenwick" URL scheme, answered from memory
// and from disk by the view itself; nothing listens on a network port. The page is
// "plenwick://player/index.html"; Ruffle's files lie under "/ruffle/", the movie is
// "/movie.swf", and the files the movie loads by relative address come from its folder under
// "/files/" (and only from inside that folder).
//
// The page reports back through its console: the movie's trace output, the player commands
// it sends ("FSCommand:" addresses), its stage size once known, and errors.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>

class QWebEngineView;
class QWebEngineProfile;

namespace host::web {

// Registers the scheme (once); must run before the first web view is made, and best before
// the QApplication, when it also asks Qt to share GL contexts as WebEngine wants.
void RegisterPlayerScheme();

class RuffleView : public QWidget {
 public:
  // `ruffleFolder` holds Ruffle's web build (ruffle.js and its chunks and wasm files).
  explicit RuffleView(const QString& ruffleFolder, QWidget* parent = nullptr);
  ~RuffleView() override;

  // Starts playing the movie. Relative addresses in it resolve inside `folder` (none when empty).
  void Play(const QByteArray& movie, const QString& folder);

  // Frame mode, chosen before Play, for taking pictures of a movie: the movie is drawn at
  // exactly width x height pixels (its stage scaled to fit), on a transparent stage when asked,
  // and its clock stands still. The page's function plenwickFrame(count) runs the movie on
  // until `count` of its frames have run (1: the first) and answers that picture as a PNG data
  // address, "E:" and the reason it can't, or "W" when the player has not started yet.
  void SetFrameMode(int width, int height, bool transparent);
  // The page the view serves.
  QByteArray Page() const;
  // Runs a script in the page; `done` gets its value.
  void RunScript(const QString& script, std::function<void(const QVariant&)> done);

  // Whether the movie is drawn scaled to the view or at its stage size (once known); whether
  // the player's menu opens on a right click.
  void SetScaling(bool scale);
  bool IsScaling() const { return scaling_; }
  void SetMenu(bool show);

  const QByteArray& Movie() const { return movie_; }
  const QString& Folder() const { return folder_; }
  const QString& RuffleFolder() const { return ruffleFolder_; }

  // What the page reports, called on the GUI thread in the order the page sent it.
  std::function<void(const QString& line)> onTrace;
  std::function<void(const QString& command, const QString& argument)> onCommand;
  std::function<void(int width, int height)> onStageSize;
  std::function<void(const QString& message)> onFailure;

  // Called by the page with each console message.
  void OnConsole(const QString& message);

 private:
  void RunScript(const QString& script);

  void ApplyScaling();

  QString ruffleFolder_;
  bool frameMode_ = false;
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  bool transparent_ = false;
  bool scaling_ = true;
  int stageWidth_ = 0;
  int stageHeight_ = 0;
  QByteArray movie_;
  QString folder_;
  QWebEngineProfile* profile_ = nullptr;
  QWebEngineView* view_ = nullptr;
};

}  // namespace host::web
