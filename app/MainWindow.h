// The program's document window, "IDD_MAIN_DIALOG": the open project and the five tab pages
// that edit it, the tool bar, the recent-project and recent-movie submenus, the preloaders
// palette and the undo history. It carries out every menu, tool-bar and key command (the
// application hands them over, Application::SetMainWindow).
//
// "Modified" means the project differs from what was last opened, saved or started: the
// serialised project is compared with that baseline, so no sequence of edits, undos and
// saves can give up a changed project without asking.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/PreloadersPalette.h"
#include "app/TabPages.h"
#include "app/UndoHistory.h"
#include "platform/WideString.h"
#include "preloader/PreloaderData.h"
#include "ui/DialogWindow.h"
#include "ui/Menus.h"
#include "ui/RecentFiles.h"
#include "ui/TabControl.h"
#include "ui/ToolBar.h"

// Starts a separate player on a built preview movie; the preview command builds the movie
// and hands it over.
class PreviewLauncher {
 public:
  virtual ~PreviewLauncher() = default;
  virtual bool Launch(const WideString& moviePath) = 0;
};

class MainWindow : public DialogWindow, public UndoSink {
 public:
  // Submenus of the File menu (0-based items) and their first command numbers.
  static constexpr int kFileMenu = 1000, kEditMenu = 1001;
  static constexpr int kRecentProjectsItem = 7, kRecentMoviesItem = 8;
  static constexpr int kRecentProjectsMenu = 3000, kRecentMoviesMenu = 3001;
  static constexpr uint32_t kFirstRecentProject = 5000, kFirstRecentMovie = 5500;

  MainWindow();
  ~MainWindow() override;

  // Makes the window from the bundle's interface files (hidden); false when it can't be made.
  bool Create();

  bool OnInitDialog() override;
  bool OnClose() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // A document handed to the program: the close question, then the open.
  bool OnOpenDocument(const WideString& path) override;

  bool OnNew();
  bool OnOpen();
  // False, with a message and the open project untouched, when the file is missing, is no
  // XML or holds no project.
  bool OpenDocument(const WideString& path);
  bool OnSave();
  bool OnSaveAs();
  // False, with a message, when the file could not be written; the old file then stays.
  bool SaveDocument(const WideString& path);
  // Whether the open project may be given up: true without a question when it is not
  // modified; otherwise Save (true when saved), Cancel (false) or Don't Save (true).
  bool ConfirmClose();
  bool IsModified() const;

  bool OnUndo();
  bool OnRedo();
  void PushUndoAction(std::unique_ptr<UndoAction> action) override;

  bool OnBuildSwf();
  bool OnExportFla();
  bool OnPreview();
  // Builds the project into a temporary file beside the path and puts it in place when the
  // build succeeded; false (the path untouched) otherwise, the reason in GetBuildError.
  bool BuildMovie(const WideString& path);

  // The close question, then the window's place and the recent lists into the preferences
  // and the end of the event loop. True.
  bool OnQuit();
  // Once the quit was agreed to: the windows then close without further questions.
  bool IsQuitting() const { return quitting_; }
  bool ShowAbout();
  bool ShowPreferences();

  // From the palette: the type (null for none) goes to the Display page.
  bool SelectDisplayType(PreloaderDisplay* display);
  bool AddRecentMovie(const WideString& path);
  bool AddRecentProject(const WideString& path);
  // "Plenwick: <path>", or "Plenwick: Untitled" without one.
  void SetDocumentTitle(const WideString* path);

  // Every page's controls into the project; stops at the first page that refuses.
  bool CommitPages(bool requireTarget);
  void RefreshPages();

  // The player the preview command starts (not owned); null: the preview only builds.
  void SetPreviewLauncher(PreviewLauncher* launcher) { launcher_ = launcher; }

  PreloaderData& GetProject() { return project_; }
  UndoHistory& GetUndoHistory() { return undo_; }
  PreloadersPalette& GetPalette() { return palette_; }
  DocumentPage& GetDocumentPage() { return document_; }
  DisplayPage& GetDisplayPage() { return display_; }
  MessagePage& GetMessagePage() { return message_; }
  const WideString& GetDocumentPath() const { return documentPath_; }
  const WideString& GetPreviewMoviePath() const { return previewMoviePath_; }
  RecentFilesMenu& GetRecentProjects() { return recentProjects_; }
  RecentFilesMenu& GetRecentMovies() { return recentMovies_; }
  const ToolBar& GetToolBar() const { return toolBar_; }
  const std::string& GetBuildError() const { return buildError_; }
  const std::vector<std::string>& GetBuildWarnings() const { return buildWarnings_; }

 private:
  bool AttachRecentMenus();
  void ClearDocument();
  // The project forgets everything but its libraries; the palette its selection.
  void ResetProject();
  void UpdateUndoMenu();
  // The project after an undo or redo, in the pages and the palette.
  void ShowRestoredProject();
  void OnProjectChanging(PreloaderData* project);
  void OnProjectChanged(PreloaderData* project);
  // The serialised project: false when it could not be written.
  bool ProjectState(std::string& state) const;
  void TakeBaseline();
  // Runs a save chooser for the project; false when nothing was chosen.
  bool ChooseProjectPath(const WideString& defaultName, WideString& path);
  bool BuildCommand(bool fla);

  PreloaderData project_;
  ToolBar toolBar_;
  TabControl tabs_;
  DocumentPage document_;
  DisplayPage display_;
  ProgressPage progress_;
  MessagePage message_;
  ImportsPage imports_;
  MenuBar menuBar_;
  Menu editMenu_;
  RecentFilesMenu recentProjects_;
  RecentFilesMenu recentMovies_;
  PreloadersPalette palette_;
  WideString previewMoviePath_;
  WideString documentPath_;
  UndoHistory undo_;
  std::string baseline_;
  bool baselineValid_ = false;
  PreviewLauncher* launcher_ = nullptr;
  bool quitting_ = false;
  std::string buildError_;
  std::vector<std::string> buildWarnings_;
};
