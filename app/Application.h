// The program's outermost frame: the application object with its three hooks (init, run,
// exit), the handler that routes commands and documents to the main window, the start-up
// checks, the splash phase, the event loop and the shut-down.
//
// One process runs per user: a later start hands the documents of its command line to the
// running one and ends (host/SingleInstance.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"

class MainWindow;
class SplashWindow;
namespace host {
class SingleInstance;
}

// Routes the commands that no window handled and the documents handed to the program to the
// main window.
class AppEventHandler {
 public:
  ~AppEventHandler();
  bool Install();
  bool Remove();
  // A command: the main window's; false with no main window or when it does not know it.
  bool OnCommand(uint32_t command);
  // The system's quit is never consumed here.
  bool OnQuit() { return false; }
  // Opens the first document with the main window; false before the window exists.
  bool OpenDocuments(const std::vector<WideString>& paths);
  void SetMainWindow(MainWindow* window) { mainWindow_ = window; }
  MainWindow* GetMainWindow() const { return mainWindow_; }

 private:
  MainWindow* mainWindow_ = nullptr;
  int handlerId_ = 0;
};

class Application {
 public:
  static Application& Instance();
  static void DestroyInstance();

  // The widget layer and the application-level handler; true.
  bool InitToolbox();
  void SetMainWindow(MainWindow* window) { handler_.SetMainWindow(window); }
  AppEventHandler& Handler() { return handler_; }
  bool IsHandlerInstalled() const { return installed_ != nullptr; }

  // The documents named on the command line (absolute paths), opened once the main window
  // is shown.
  void SetStartDocuments(std::vector<WideString> paths) { startDocuments_ = std::move(paths); }
  const std::vector<WideString>& StartDocuments() const { return startDocuments_; }

  // The lock and socket of the one running program (null before the entry took them).
  host::SingleInstance* GetSingleInstance() const { return single_.get(); }
  void SetSingleInstance(std::unique_ptr<host::SingleInstance> single);

  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

 private:
  AppEventHandler handler_;
  AppEventHandler* installed_ = nullptr;
  std::vector<WideString> startDocuments_;
  std::unique_ptr<host::SingleInstance> single_;
};

// The hooks. AppInit: the temporary folder, the start-up checks, the preferences. AppRun:
// splash, menu bar, help, the update check, the main window and the event loop. AppExit:
// the preferences written, the recent lists emptied.
bool AppInit();
bool AppRun();
bool AppExit();

// What a failing start-up check does after its message: ends the process at once with the
// code (never returning). Tests replace it with a function that returns, and the hook then
// answers false.
using ExitFunction = void (*)(int code);
void SetExitFunction(ExitFunction exit);

// The start-up check of the media libraries: true when those the program runs with are the
// ones it was built for. Tests replace it (null: the real check).
using LibraryCheck = bool (*)();
void SetMediaLibraryCheck(LibraryCheck check);

// The entry: arguments are document paths. Returns the process's exit code.
int RunPlenwick(int argc, char** argv);
