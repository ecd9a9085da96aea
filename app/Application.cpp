#include "app/Application.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include <unistd.h>

#include "app/AppPreferences.h"
#include "app/MainWindow.h"
#include "app/PictureWindows.h"
#include "app/UndoHistory.h"
#include "app/UpdateCheck.h"
#include "host/Bundle.h"
#include "host/Locale.h"
#include "host/MediaFile.h"
#include "host/PrivateFolder.h"
#include "host/SingleInstance.h"
#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "platform/FileSystem.h"
#include "platform/HelpBook.h"
#include "platform/TempFolder.h"
#include "publish/PreviewProjector.h"
#include "ui/Menus.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

#ifndef PLENWICK_VERSION
#define PLENWICK_VERSION "unknown"
#endif

namespace {

using host::ui::FourCC;

constexpr uint32_t kClassApplication = FourCC("appl");
constexpr uint32_t kApplicationQuit = 3;
constexpr uint32_t kHotKeyPressed = 5;

// The start-up messages (heading 10000).
constexpr int kNoInterfaceText = 10015;
constexpr int kNoMediaLibrariesText = 10017;

Application* g_application = nullptr;
ExitFunction g_exit = nullptr;
LibraryCheck g_mediaCheck = nullptr;
std::unique_ptr<SplashWindow> g_splash;

void ExitToShell(int code) {
  if (g_exit != nullptr) {
    g_exit(code);
    return;
  }
  std::fflush(nullptr);
  std::_Exit(code);
}

// Shows a start-up failure and ends the process; false when a test's exit returns.
bool FailStartUp(int text) {
  host::ui::SetArrowCursor();
  ui::ShowErrorBoxById(nullptr, 10000, text);
  ExitToShell(1);
  return false;
}

std::vector<WideString> AbsolutePaths(int argc, char** argv) {
  std::vector<WideString> paths;
  std::string cwd;
  if (char* here = ::getcwd(nullptr, 0)) {
    cwd = here;
    std::free(here);
  }
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    if (path.empty()) continue;
    if (path[0] != '/' && !cwd.empty()) path = cwd + "/" + path;
    paths.push_back(Utf8ToWide(path));
  }
  return paths;
}

// Launches the full preview: the previous preview quits first (events keep flowing while it
// goes), then the movie plays in a projector of its own.
class ProjectorPreview : public PreviewLauncher {
 public:
  bool Launch(const WideString& moviePath) override {
    return projector_.Start(moviePath, [] { host::ui::ProcessPendingEvents(); });
  }

 private:
  PreviewProjector projector_;
};

}  // namespace

AppEventHandler::~AppEventHandler() { Remove(); }

bool AppEventHandler::Install() {
  if (handlerId_ != 0) return true;
  handlerId_ =
      host::ui::ApplicationTarget().InstallHandler({{host::ui::kClassCommand, host::ui::kCommandProcess},
                                                    {kClassApplication, kApplicationQuit},
                                                    {host::ui::kClassKeyboard, kHotKeyPressed}},
                                                   [this](host::ui::Event& event) {
                                                     if (event.eventClass == host::ui::kClassCommand)
                                                       return OnCommand(event.command) ? 0 : host::ui::kEventNotHandled;
                                                     if (event.eventClass == kClassApplication)
                                                       return OnQuit() ? 0 : host::ui::kEventNotHandled;
                                                     return host::ui::kEventNotHandled;
                                                   });
  return handlerId_ != 0;
}

bool AppEventHandler::Remove() {
  if (handlerId_ != 0) host::ui::ApplicationTarget().RemoveHandler(handlerId_);
  handlerId_ = 0;
  return true;
}

bool AppEventHandler::OnCommand(uint32_t command) {
  if (mainWindow_ == nullptr) return false;
  host::ui::Event event;
  event.eventClass = host::ui::kClassCommand;
  event.kind = host::ui::kCommandProcess;
  event.command = command;
  return mainWindow_->OnCommand(command, event);
}

bool AppEventHandler::OpenDocuments(const std::vector<WideString>& paths) {
  // One document window: the first document is opened, the others are not.
  if (mainWindow_ == nullptr || paths.empty()) return false;
  return mainWindow_->OnOpenDocument(paths.front());
}

Application::Application() = default;
Application::~Application() { handler_.Remove(); }

Application& Application::Instance() {
  if (g_application == nullptr) g_application = new Application();
  return *g_application;
}

void Application::DestroyInstance() {
  delete g_application;
  g_application = nullptr;
}

bool Application::InitToolbox() {
  host::ui::EnsureApplication();
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  if (installed_ == nullptr && handler_.Install()) installed_ = &handler_;
  return true;
}

void Application::SetSingleInstance(std::unique_ptr<host::SingleInstance> single) { single_ = std::move(single); }

void SetExitFunction(ExitFunction exit) { g_exit = exit; }
void SetMediaLibraryCheck(LibraryCheck check) { g_mediaCheck = check; }

bool AppInit() {
  // The result is not needed here: every user of the folder asks for it again.
  (void)CreateAppTempFolder(L"_plenwick");
  // Only the one running copy gets here: snapshots left by a run that ended abnormally go.
  DeleteUndoFiles();
  AppPreferences::Instance().Load();
  return true;
}

bool AppRun() {
  host::ui::SetWatchCursor();
  NibReference& nib = GetMainNib();

  SplashInfo info;
  info.versionMajor = UpdateCheck::kMajor;
  info.versionMinor = UpdateCheck::kMinor;
  info.textX = 10;
  info.textY = 20;
  info.statusX = 40;
  info.statusY = 190;
  g_splash = std::make_unique<SplashWindow>(info);
  if (g_splash->CreateModeless(nib, L"IDD_SPLASH", nullptr, 0)) {
    g_splash->Show(true);
    g_splash->OnPaint();
    host::ui::ProcessPendingEvents();
  }

  if (!(g_mediaCheck != nullptr ? g_mediaCheck() : host::av::LibrariesMatch()))
    return FailStartUp(kNoMediaLibrariesText);
  if (!InstallMenuBarFromNib()) return FailStartUp(kNoInterfaceText);

  WideString help;
  if (GetBundleResourcePath(help, L"PlenwickHelp.html")) RegisterHelpBook(help);

  UpdateCheck updates;
  if (AppPreferences::Instance().checkForUpdates) {
    // The answer comes while the program runs; only a newer version is worth a word.
    updates.QueryInBackground(UpdateCheck::kProduct, UpdateCheck::kMajor, UpdateCheck::kMinor,
                              [](bool ok, const UpdateCheck& answered) {
                                if (ok && answered.IsNewerAvailable())
                                  ui::ShowMessageBoxById(nullptr, ui::kStyleNote | ui::kStyleOk, 11007, 11008);
                              });
  }

  // The full preview plays in a projector of its own, a separate player process.
  ProjectorPreview preview;
  auto window = std::make_unique<MainWindow>();
  window->SetPreviewLauncher(&preview);
  if (!window->Create()) return FailStartUp(kNoInterfaceText);
  Application& app = Application::Instance();
  app.SetMainWindow(window.get());
  window->Show(true);
  if (host::SingleInstance* single = app.GetSingleInstance()) {
    single->Listen([](std::vector<std::string> paths) {
      std::vector<WideString> documents;
      for (const std::string& path : paths) documents.push_back(Utf8ToWide(path));
      Application::Instance().Handler().OpenDocuments(documents);
      if (MainWindow* main = Application::Instance().Handler().GetMainWindow()) main->BringToFront();
    });
  }
  app.Handler().OpenDocuments(app.StartDocuments());
  // Asked to end by the session or a terminal, the program ends as its Quit command does.
  host::ui::WatchTerminationSignals([] { Application::Instance().Handler().OnCommand(FourCC("quit")); });

  g_splash->Destroy();
  host::ui::SetArrowCursor();

  host::ui::RunEventLoop();

  app.SetMainWindow(nullptr);
  window.reset();
  g_splash.reset();
  return true;
}

bool AppExit() {
  AppPreferences& prefs = AppPreferences::Instance();
  prefs.Save();
  prefs.ClearRecentLists();
  DeleteUndoFiles();
  return true;
}

int RunPlenwick(int argc, char** argv) {
  host::locale::SetUpProcessLocale();
  RemoveStaleTempFiles();
  if (host::bundle::BundlePath().empty()) {
    std::fprintf(stderr, "Plenwick: the application bundle (its Resources folder) was not found\n");
    return 1;
  }
  if (argc > 1 && std::string(argv[1]) == "--version") {
    std::printf("Plenwick %s\nBundle: %s\n", PLENWICK_VERSION, host::bundle::BundlePath().c_str());
    if (std::fflush(stdout) != 0) {
      std::fprintf(stderr, "Plenwick: the output could not be written: %s\n", std::strerror(errno));
      return 1;
    }
    return 0;
  }
  Application& app = Application::Instance();
  app.SetStartDocuments(AbsolutePaths(argc, argv));

  // A second start hands its documents to the running program and ends.
  auto single = std::make_unique<host::SingleInstance>();
  const std::string folder = host::fs::PrivateTemporaryFolder();
  if (!folder.empty() && !single->Acquire(folder)) {
    std::vector<std::string> paths;
    for (const WideString& path : app.StartDocuments()) paths.push_back(WideToUtf8(path));
    // The first may still be starting: it listens once its window is shown.
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (single->Forward(paths, 5000)) {
        Application::DestroyInstance();
        return 0;
      }
      ::usleep(200 * 1000);
    }
    std::fprintf(stderr, "Plenwick is running already but did not answer\n");
    Application::DestroyInstance();
    return 1;
  }
  app.SetSingleInstance(std::move(single));

  if (app.InitToolbox() && AppInit()) AppRun();
  AppExit();
  Application::DestroyInstance();
  return 0;
}
