#include "app/MainWindow.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "app/AppPreferences.h"
#include "app/PictureWindows.h"
#include "app/PreferencesDialog.h"
#include "host/XmlTree.h"
#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "platform/FileSystem.h"
#include "platform/HelpBook.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "platform/XmlDocument.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/ProjectDocument.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

namespace {

using host::ui::FourCC;
namespace fs = std::filesystem;

constexpr int kFirstPane = 1000;
constexpr int kPaletteNumber = 2000;
constexpr int kPrefsNumber = 2003;

// Numbered texts.
constexpr int kErrorHeading = 10000;
constexpr int kNotXmlText = 101, kNoProjectText = 102, kSaveFailedText = 103, kMissingFileText = 112;
constexpr int kBuiltHeading = 151, kBuiltText = 152, kBuildFailedText = 153, kFlaFailedText = 154;
constexpr int kBuiltWithWarningsText = 167;

const wchar_t* const kTabLabels[] = {L"Document", L"Display", L"Progress", L"Message", L"Imports"};

std::wstring Wide(const std::string& text) { return Utf8ToWide(text); }

// The FLA writer is not part of the program: the export reports failure.
bool BuildPreloaderFla(PreloaderBuilder&, const WideString&, PreloaderData&, bool) { return false; }

// A name for the build's temporary file beside the output, unique to this process and call.
WideString TemporarySibling(const WideString& path) {
  static std::atomic<unsigned> counter{0};
  const fs::path target(WideToUtf8(path));
  const std::string name = "." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                           std::to_string(counter.fetch_add(1)) + ".part";
  return Utf8ToWide((target.parent_path() / name).string());
}

}  // namespace

MainWindow::MainWindow()
    : document_(*this, project_),
      display_(*this, project_),
      progress_(*this, project_),
      message_(*this, project_),
      imports_(*this, project_),
      palette_(*this) {}

MainWindow::~MainWindow() {
  if (!previewMoviePath_.empty()) DeleteFileAtPath(previewMoviePath_, false);
  undo_.Clear();
  palette_.Destroy();
  // The preview's plug-in may have a view inside the window: it goes before the window.
  display_.ReleasePreview();
  Destroy();
}

bool MainWindow::Create() { return CreateModeless(GetMainNib(), L"IDD_MAIN_DIALOG", nullptr, 0); }

bool MainWindow::OnInitDialog() {
  SetDocumentTitle(nullptr);

  // The tool bar: the icons in order, then the buttons (a button without its control in
  // the window is left out).
  toolBar_.AttachToWindow(GetWindowRef());
  toolBar_.Create();
  const struct {
    uint32_t command;
    int icon;
    uint32_t key;
    bool separatorAfter;
  } buttons[] = {{FourCC("new "), 1000, FourCC("iNew"), false}, {FourCC("open"), 1001, FourCC("iOpn"), false},
                 {FourCC("save"), 1002, FourCC("iSav"), true},  {FourCC("mPrl"), 1003, FourCC("iPrl"), true},
                 {FourCC("mPrv"), 1004, FourCC("iPva"), false}, {FourCC("mExs"), 1005, FourCC("iExs"), true},
                 {FourCC("help"), 1007, FourCC("iHlp"), false}};
  for (const auto& b : buttons) toolBar_.AddIcon(b.icon, b.key);
  int index = 0;
  for (const auto& b : buttons) {
    toolBar_.AddButton(L"", b.command, index++, 0, 0);
    if (b.separatorAfter) toolBar_.AddSeparator();
  }

  NibReference& nib = GetMainNib();
  if (AttachControl(FourCC("tbPl"), tabs_)) {
    DialogWindow* pages[] = {&document_, &display_, &progress_, &message_, &imports_};
    for (int i = 0; i < 5; ++i) {
      pages[i]->AttachToPane(nib, kFirstPane + i, GetWindowRef(), kFirstPane + i);
      tabs_.AddPane(this, kFirstPane + i);
    }
    tabs_.SelectTab(0, true);
  }
  (void)kTabLabels;  // the interface file carries the labels

  palette_.CreateModeless(nib, L"IDD_PRELOADERS", GetWindowRef(), kPaletteNumber);
  if (!GetTempFilePath(previewMoviePath_, L"preview.swf", true)) previewMoviePath_.clear();

  ShowMenuBarInWindow(GetWindowRef());
  AttachRecentMenus();
  editMenu_.Attach(menuBar_.GetMenu(kEditMenu));

  const AppPreferences& prefs = AppPreferences::Instance();
  MoveTo(prefs.mainWindowX, prefs.mainWindowY);
  palette_.MoveTo(prefs.paletteX, prefs.paletteY);
  palette_.SetSize(prefs.paletteWidth, prefs.paletteHeight);
  palette_.Show(prefs.paletteVisible);

  RefreshPages();
  project_.BeforeStageSizeChange().Connect(this, &MainWindow::OnProjectChanging);
  project_.AfterStageSizeChange().Connect(this, &MainWindow::OnProjectChanged);

  undo_.Clear();
  UpdateUndoMenu();
  TakeBaseline();
  return true;
}

bool MainWindow::AttachRecentMenus() {
  Menu file(menuBar_.GetMenu(kFileMenu));
  const AppPreferences& prefs = AppPreferences::Instance();
  if (!recentProjects_.AttachSubmenu(file, kRecentProjectsItem, kRecentProjectsMenu, kFirstRecentProject)) return false;
  recentProjects_.SetList(prefs.recentProjects);
  recentProjects_.Rebuild();
  if (!recentMovies_.AttachSubmenu(file, kRecentMoviesItem, kRecentMoviesMenu, kFirstRecentMovie)) return false;
  recentMovies_.SetList(prefs.recentMovies);
  recentMovies_.Rebuild();
  return true;
}

bool MainWindow::OnClose() {
  // The end of the event loop closes every window: the window then just goes.
  if (quitting_) return false;
  OnQuit();
  return true;
}

bool MainWindow::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (const WideString* path = recentProjects_.PathForCommand(command)) {
    const WideString chosen = *path;
    if (ConfirmClose()) OpenDocument(chosen);
    return true;
  }
  if (const WideString* path = recentMovies_.PathForCommand(command)) {
    const WideString chosen = *path;
    bool read = false;
    {
      EditTransaction edit(*this, project_);
      read = document_.ReadTargetInfo(chosen, true);
    }
    if (read) AddRecentMovie(chosen);
    return true;
  }
  if (command == FourCC("abou")) {
    ShowAbout();
  } else if (command == FourCC("copy") || command == FourCC("cut ") || command == FourCC("past")) {
    // Consumed: the edit fields handle their own clipboard keys.
  } else if (command == FourCC("help")) {
    ShowHelpPage();
  } else if (command == FourCC("mExf")) {
    OnExportFla();
  } else if (command == FourCC("mExs")) {
    OnBuildSwf();
  } else if (command == FourCC("mPrl")) {
    palette_.Show(true);
  } else if (command == FourCC("mPrv")) {
    OnPreview();
  } else if (command == FourCC("new ")) {
    OnNew();
  } else if (command == FourCC("open")) {
    OnOpen();
  } else if (command == FourCC("pref")) {
    ShowPreferences();
  } else if (command == FourCC("quit")) {
    OnQuit();
  } else if (command == FourCC("redV")) {
    OnRedo();
  } else if (command == FourCC("save")) {
    OnSave();
  } else if (command == FourCC("svas")) {
    OnSaveAs();
  } else if (command == FourCC("undV")) {
    OnUndo();
  } else {
    return false;
  }
  return true;
}

bool MainWindow::OnOpenDocument(const WideString& path) {
  if (ConfirmClose()) OpenDocument(path);
  return true;
}

// --- the project and its pages ---

bool MainWindow::CommitPages(bool requireTarget) {
  return document_.Commit(requireTarget) && display_.CommitToProject() && progress_.Commit() && message_.Commit() &&
         imports_.Commit();
}

void MainWindow::RefreshPages() {
  document_.Refresh();
  display_.RefreshFromProject();
  progress_.Refresh();
  message_.Refresh();
  imports_.Refresh();
}

void MainWindow::OnProjectChanging(PreloaderData*) {
  document_.Commit(true);
  display_.CommitToProject();
  progress_.Commit();
  message_.Commit();
  imports_.Commit();
}

void MainWindow::OnProjectChanged(PreloaderData*) { RefreshPages(); }

void MainWindow::ResetProject() {
  project_.Reset();
  palette_.SelectDisplayType(nullptr);
}

void MainWindow::ClearDocument() {
  ResetProject();
  display_.Reset();
  RefreshPages();
  SetDocumentTitle(nullptr);
  undo_.Clear();
  UpdateUndoMenu();
  Activate(true);
  BringToFront();
}

bool MainWindow::ProjectState(std::string& state) const {
  WideString path;
  if (!GetTempFilePath(path, L"_state.xml", true)) return false;
  const bool written = WriteProjectSnapshot(path, project_);
  if (written) {
    std::ifstream in(WideToUtf8(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    state = bytes.str();
  }
  DeleteFileAtPath(path, false);
  return written;
}

void MainWindow::TakeBaseline() { baselineValid_ = ProjectState(baseline_); }

bool MainWindow::IsModified() const {
  std::string now;
  // A project that can't be compared counts as changed: the question is asked.
  if (!baselineValid_ || !ProjectState(now)) return true;
  return now != baseline_;
}

// --- documents ---

bool MainWindow::ConfirmClose() {
  if (!IsModified()) return true;
  BringToFront();
  Activate(true);
  const ui::MessageResult answer = ui::ShowMessageSheet(GetWindowRef(), ui::kStyleCaution | ui::kStyleSaveChanges,
                                                        L"Save changes", L"Save changes before closing?");
  if (answer == ui::kResultOk) return OnSave();
  return answer != ui::kResultCancel;
}

bool MainWindow::OnNew() {
  if (!ConfirmClose()) return false;
  documentPath_.clear();
  ClearDocument();
  TakeBaseline();
  return true;
}

bool MainWindow::OnOpen() {
  if (!ConfirmClose()) return false;
  ui::FileTypeFilterList filters;
  filters.AddFileTypeFilter(kProjectFileType, nullptr, 0);
  filters.AddAllFilesFilter(1);
  ui::FileDialogOptions options;
  options.defaultExtension = L"plw";
  options.filters = &filters;
  ui::FileDialogResult reply;
  ui::OpenFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), &options) || !reply.chosen) return false;
  return OpenDocument(reply.path);
}

bool MainWindow::OpenDocument(const WideString& path) {
  if (!PathExists(path)) {
    ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, kMissingFileText, {std::wstring(path)});
    return false;
  }
  WaitCursor wait;
  // The file is read completely before anything changes: a file that fails leaves the open
  // project, its path and its history as they were.
  std::string why;
  if (!OpenProjectFile(path, project_, &why)) {
    XmlDocument xml(ProjectDocumentLimits());
    const int text = xml.Load(path) ? kNoProjectText : kNotXmlText;
    ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, text, {std::wstring(path), Wide(why)});
    return false;
  }
  palette_.SelectDisplayType(nullptr);
  display_.Reset();
  undo_.Clear();
  UpdateUndoMenu();
  palette_.SelectDisplayType(project_.GetDisplay());
  // The Display page shows the project's display (refreshing it is no edit).
  RefreshPages();
  undo_.Clear();
  UpdateUndoMenu();
  AddRecentProject(path);
  Activate(true);
  BringToFront();
  documentPath_ = MakeAbsolutePath(path);
  SetDocumentTitle(&documentPath_);
  TakeBaseline();
  return true;
}

bool MainWindow::ChooseProjectPath(const WideString& defaultName, WideString& path) {
  ui::FileTypeFilterList filters;
  filters.AddFileTypeFilter(kProjectFileType, nullptr, 0);
  filters.AddAllFilesFilter(1);
  ui::FileDialogOptions options;
  options.defaultExtension = L"plw";
  options.filters = &filters;
  options.defaultName = defaultName.c_str();
  ui::FileDialogResult reply;
  ui::SaveFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), &options) || !reply.chosen) return false;
  path = reply.path;
  return true;
}

bool MainWindow::SaveDocument(const WideString& path) {
  WaitCursor wait;
  std::string why;
  if (!SaveProjectFile(path, project_, &why)) {
    ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, kSaveFailedText, {std::wstring(path), Wide(why)});
    return false;
  }
  undo_.MarkSaved();
  AddRecentProject(path);
  documentPath_ = MakeAbsolutePath(path);
  SetDocumentTitle(&documentPath_);
  TakeBaseline();
  return true;
}

bool MainWindow::OnSaveAs() {
  if (!CommitPages(false)) return false;
  const WideString name =
      !documentPath_.empty() && PathExists(documentPath_) ? GetFileName(documentPath_) : WideString(L"Untitled.plw");
  WideString path;
  // A chooser left without a file saves nothing, so it is no success.
  return ChooseProjectPath(name, path) && SaveDocument(path);
}

bool MainWindow::OnSave() {
  if (!CommitPages(false)) return false;
  if (!documentPath_.empty() && PathExists(documentPath_)) return SaveDocument(documentPath_);
  WideString path;
  return ChooseProjectPath(L"Untitled.plw", path) && SaveDocument(path);
}

bool MainWindow::AddRecentProject(const WideString& path) {
  if (!recentProjects_.AddPath(path, true)) return false;
  const WideString absolute = MakeAbsolutePath(path);
  SetDocumentTitle(&absolute);
  return true;
}

bool MainWindow::AddRecentMovie(const WideString& path) {
  recentMovies_.AddPath(path, true);
  return true;
}

void MainWindow::SetDocumentTitle(const WideString* path) {
  SetTitle(L"Plenwick: " + (path != nullptr && !path->empty() ? *path : WideString(L"Untitled")));
}

// --- undo and redo ---

void MainWindow::UpdateUndoMenu() {
  editMenu_.EnableItem(static_cast<int>(FourCC("undV")), false, undo_.CanUndo());
  editMenu_.EnableItem(static_cast<int>(FourCC("redV")), false, undo_.CanRedo());
}

void MainWindow::PushUndoAction(std::unique_ptr<UndoAction> action) {
  undo_.Push(std::move(action));
  UpdateUndoMenu();
}

void MainWindow::ShowRestoredProject() {
  display_.Reset();
  palette_.SelectDisplayType(project_.GetDisplay());
  RefreshPages();
  UpdateUndoMenu();
}

bool MainWindow::OnUndo() {
  undo_.Undo();
  ShowRestoredProject();
  return true;
}

bool MainWindow::OnRedo() {
  undo_.Redo();
  ShowRestoredProject();
  return true;
}

bool MainWindow::SelectDisplayType(PreloaderDisplay* display) {
  display_.SelectDisplay(display);
  return true;
}

// --- building ---

bool MainWindow::BuildMovie(const WideString& path) {
  buildError_.clear();
  buildWarnings_.clear();
  project_.SetUseRelativeSwfPath(AppPreferences::Instance().useRelativePaths);
  std::error_code ec;
  const fs::path output(WideToUtf8(path));
  if (!project_.GetTargetUrl().empty() && fs::equivalent(output, fs::path(WideToUtf8(project_.GetTargetUrl())), ec)) {
    buildError_ = "The output file is the target movie itself, which the build would replace.";
    return false;
  }
  // The movie is written beside the output (so relative addresses come out the same) and
  // replaces it only once it is complete.
  const WideString temporary = TemporarySibling(path);
  PreloaderBuilder builder;
  if (!builder.Build(temporary, project_, true)) {
    buildError_ = builder.GetError();
    DeleteFileAtPath(temporary, false);
    return false;
  }
  fs::rename(fs::path(WideToUtf8(temporary)), output, ec);
  if (ec) {
    buildError_ = "The movie could not be put in place: " + ec.message() + ".";
    DeleteFileAtPath(temporary, false);
    return false;
  }
  buildWarnings_ = builder.GetWarnings();
  document_.ShowOutputSize(builder.GetWrittenSize());
  return true;
}

bool MainWindow::BuildCommand(bool fla) {
  if (!CommitPages(true)) return false;
  ui::FileTypeFilterList filters;
  filters.AddFileTypeFilter(fla ? MakeFourCC("SPA ") : MakeFourCC("SWFL"), nullptr, 0);
  filters.AddAllFilesFilter(1);
  ui::FileDialogOptions options;
  options.defaultExtension = fla ? L"fla" : L"swf";
  options.defaultName = fla ? L"Untitled.fla" : L"Untitled.swf";
  options.filters = &filters;
  ui::FileDialogResult reply;
  ui::SaveFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), &options) || !reply.chosen) return false;
  WaitCursor wait;
  project_.SetPreviewMode(false, false);
  if (fla) {
    PreloaderBuilder builder;
    if (!BuildPreloaderFla(builder, reply.path, project_, true)) {
      ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, kFlaFailedText);
      return false;
    }
  } else if (!BuildMovie(reply.path)) {
    ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, kBuildFailedText, {Wide(buildError_)});
    return false;
  }
  ui::ShowNoteBoxById(GetWindowRef(), kBuiltHeading, kBuiltText);
  if (!buildWarnings_.empty()) {
    std::wstring list;
    for (const std::string& warning : buildWarnings_) list += L"\n" + Wide(warning);
    ui::ShowNoteBoxById(GetWindowRef(), kBuiltHeading, kBuiltWithWarningsText, {list});
  }
  return true;
}

bool MainWindow::OnBuildSwf() { return BuildCommand(false); }

bool MainWindow::OnExportFla() { return BuildCommand(true); }

bool MainWindow::OnPreview() {
  if (!CommitPages(false)) return false;
  project_.SetPreviewMode(true, false);
  if (previewMoviePath_.empty() || !BuildMovie(previewMoviePath_)) return false;
  // Without a player the preview ends with the movie built.
  return launcher_ == nullptr || launcher_->Launch(previewMoviePath_);
}

// --- the rest ---

bool MainWindow::OnQuit() {
  if (quitting_) return true;
  if (!ConfirmClose()) return true;
  quitting_ = true;
  AppPreferences& prefs = AppPreferences::Instance();
  UiRect bounds;
  if (GetContentBounds(&bounds)) {
    prefs.mainWindowX = bounds.left;
    prefs.mainWindowY = bounds.top;
  }
  if (palette_.GetContentBounds(&bounds)) {
    prefs.paletteX = bounds.left;
    prefs.paletteY = bounds.top;
    prefs.paletteWidth = bounds.Width();
    prefs.paletteHeight = bounds.Height();
  }
  prefs.paletteVisible = palette_.IsVisible();
  recentProjects_.GetList(prefs.recentProjects);
  recentMovies_.GetList(prefs.recentMovies);
  host::ui::QuitEventLoop();
  return true;
}

bool MainWindow::ShowAbout() {
  AboutDialogInfo info;
  info.pictureId = 128;
  info.versionMajor = 1;
  info.versionMinor = 210;
  info.textX = 10;
  info.textY = 15;
  AboutDialog about(info);
  return about.DoModal(GetMainNib(), L"IDD_ABOUT", GetWindowRef(), 0) >= 0;
}

bool MainWindow::ShowPreferences() {
  AppPreferences& prefs = AppPreferences::Instance();
  PreferencesDialog dialog(prefs);
  if (dialog.DoModal(GetMainNib(), L"IDD_PREFS", GetWindowRef(), kPrefsNumber) != static_cast<int>(ui::kResultOk))
    return false;
  recentProjects_.SetCapacity(prefs.recentProjects.GetCapacity(), true);
  recentMovies_.SetCapacity(prefs.recentMovies.GetCapacity(), true);
  return true;
}
