// plenwick-player: plays the movie of a projector in a window of the movie's stage size.
//
//   plenwick-player [PROJECTOR]
//
// Without an argument the player reads the movie appended to its own program file. The movie's
// trace output goes to the standard output, a line per trace. The movie's player commands are
// carried out: fullscreen, allowscale and showmenu (true or false), and quit; "exec" and
// "trapallkeys" are refused. The player ends on quit, on SIGTERM or when its window closes.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>
#include <string>

#include "host/web/PlayerCommands.h"
#include "host/web/RuffleView.h"
#include "publish/ProjectorReader.h"

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
  const std::string projector = argc > 1 ? std::string(argv[1]) : std::string("/proc/self/exe");
  std::string movie;
  std::string error;
  if (!ReadProjectorMovie(projector, movie, error)) {
    std::fprintf(stderr, "plenwick-player: %s\n", error.c_str());
    return 2;
  }

  host::web::RegisterPlayerScheme();
  QApplication app(argc, argv);
  const QFileInfo file(QString::fromUtf8(projector.c_str()));
  const QString where = file.canonicalFilePath();

  if (::pipe2(gTermPipe, O_CLOEXEC) != 0) return 2;
  QSocketNotifier term(gTermPipe[0], QSocketNotifier::Read);
  QObject::connect(&term, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
  struct sigaction action {};
  action.sa_handler = OnTerm;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);

  host::web::RuffleView view(RuffleFolder());
  view.setWindowTitle(QFileInfo(where).completeBaseName());
  view.resize(550, 400);
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
  view.show();
  view.Play(QByteArray(movie.data(), static_cast<qsizetype>(movie.size())), QFileInfo(where).absolutePath());
  return app.exec();
}
