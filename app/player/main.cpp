// plenwick-player: plays the movie of a projector in a window of the movie's stage size.
//
//   plenwick-player [PROJECTOR]
//   plenwick-player --screen-saver FOLDER
//
// Without an argument the player reads the movie appended to its own program file. The movie's
// trace output goes to the standard output, a line per trace. The movie's player commands are
// carried out: fullscreen, allowscale and showmenu (true or false), and quit; "exec" and
// "trapallkeys" are refused. The player ends on quit, on SIGTERM or when its window closes.
//
// In screen-saver mode the player plays a screen saver's movie: "ssaver.swf" of the saver's
// Resources folder, full screen, with the files beside it for the movie to load. The saver's
// settings "ssc0.dat" there say whether a key press, a mouse click or a move of the mouse
// ends it (each does when there are no settings) and whether the mouse pointer is hidden.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "host/web/PlayerCommands.h"
#include "host/web/RuffleView.h"
#include "host/web/ScreenSaverInput.h"
#include "publish/ProjectorReader.h"
#include "publish/ScreenSaverSettings.h"

#if defined(__SANITIZE_ADDRESS__)
// Qt WebEngine frees some of its own objects with a smaller size than it made them with; the
// address checker would stop the player for it at the end of every run.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}
#endif

namespace {

int gTermPipe[2] = {-1, -1};

void OnTerm(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gTermPipe[1], &byte, 1);
}

QString RuffleFolder() {
  const QByteArray fromEnv = qgetenv("PLENWICK_RUFFLE_DIR");
  if (!fromEnv.isEmpty()) return QString::fromUtf8(fromEnv);
  return QDir(QCoreApplication::applicationDirPath()).filePath("../Resources/ruffle");
}

}  // namespace

int main(int argc, char** argv) {
  const bool saverMode = argc > 1 && std::strcmp(argv[1], "--screen-saver") == 0;
  if (saverMode && argc != 3) {
    std::fprintf(stderr, "usage: plenwick-player --screen-saver FOLDER\n");
    return 2;
  }
  std::string movie;
  std::string error;
  std::optional<SaverConfig> saver;
  // The projector, or the saver's Resources folder.
  const std::string source = saverMode ? std::string(argv[2]) : argc > 1 ? std::string(argv[1]) : "/proc/self/exe";
  if (saverMode) {
    SaverConfig config;
    if (!ReadSaverResources(source, movie, config, error)) {
      std::fprintf(stderr, "plenwick-player: %s\n", error.c_str());
      return 2;
    }
    saver = config;
  } else {
    if (!ReadProjectorMovie(source, movie, error)) {
      std::fprintf(stderr, "plenwick-player: %s\n", error.c_str());
      return 2;
    }
  }

  host::web::RegisterPlayerScheme();
  QApplication app(argc, argv);
  // The movie's files: those beside the projector, or the saver's Resources folder.
  const QString where = QFileInfo(QString::fromUtf8(source.c_str())).canonicalFilePath();
  const QString folder = saver ? where : QFileInfo(where).absolutePath();
  // A saver is named by its bundle, <name>.saver/Contents/Resources.
  const QString title = QFileInfo(saver ? QDir(where + "/../..").canonicalPath() : where).completeBaseName();

  if (::pipe2(gTermPipe, O_CLOEXEC) != 0) return 2;
  QSocketNotifier term(gTermPipe[0], QSocketNotifier::Read);
  QObject::connect(&term, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
  struct sigaction action {};
  action.sa_handler = OnTerm;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);

  host::web::RuffleView view(RuffleFolder());
  view.setWindowTitle(title);
  view.resize(550, 400);
  std::optional<host::web::ScreenSaverInput> input;
  if (saver) {
    input.emplace(
        host::web::ScreenSaverInput::Exits{saver->exitOnMouseMove, saver->exitOnMouseClick, saver->exitOnKeyPress},
        [] { QCoreApplication::exit(0); });
    app.installEventFilter(&*input);
    if (saver->hideMouseCursor) QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  }
  host::web::PlayerCommands commands(view, [] { QCoreApplication::exit(0); });
  view.onTrace = [](const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
  };
  view.onStageSize = [&view](int width, int height) {
    if (width > 0 && height > 0 && !view.isFullScreen()) view.resize(width, height);
  };
  view.onCommand = [&commands](const QString& command, const QString& argument) { commands.Carry(command, argument); };
  view.onFailure = [](const QString& message) {
    std::fprintf(stderr, "plenwick-player: %s\n", message.toUtf8().constData());
    QCoreApplication::exit(1);
  };
  if (saver) {
    view.showFullScreen();
  } else {
    view.show();
  }
  view.Play(QByteArray(movie.data(), static_cast<qsizetype>(movie.size())), folder);
  const int status = app.exec();
  if (input) app.removeEventFilter(&*input);
  return status;
}
