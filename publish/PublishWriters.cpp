#include "publish/PublishWriters.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "publish/HtmlPageWriter.h"

namespace {

// The installer's background colour (red in the low byte).
constexpr uint32_t kInstallerBackground = 0xCCBBAA;

}  // namespace

bool PublishWriters::WriteHtml(const WideString& path, const HtmlSettings& settings, bool replace) {
  error.clear();
  return WriteHtmlPage(path, settings, replace);
}

bool PublishWriters::WriteQuickTime(const QuickTimeJob& job, const QuickTimeSettings& settings,
                                    FrameExportSettings& frameExport, std::string& why) {
  error.clear();
  return PublishQuickTime(job, settings, frameExport, frameSources, why);
}

bool PublishWriters::WriteMacProjector(const WideString& movie, const WideString& path, bool replace) {
  error.clear();
  if (!::WriteMacProjector(movie, path, macProjector, replace, projectorStubs)) {
    error = ProjectorFailure(movie, path, replace, {kMacProjectorStubId, kMacProjectorForkStubId});
    return false;
  }
  return true;
}

bool PublishWriters::WriteWindowsProjector(const WideString& movie, const WideString& path, bool replace) {
  error.clear();
  if (!::WriteWindowsProjector(movie, path, windowsProjector, replace, projectorStubs)) {
    error = ProjectorFailure(movie, path, replace, {kWindowsProjectorStubId});
    return false;
  }
  return true;
}

std::string PublishWriters::ProjectorFailure(const WideString& movie, const WideString& path, bool replace,
                                             std::initializer_list<int> stubIds) const {
  if (!replace && PathExists(path)) return WideToUtf8(path) + " exists and is not to be replaced.";
  std::string bytes;
  for (int id : stubIds) {
    if (!projectorStubs || !projectorStubs(id, bytes))
      return "The player stub " + std::to_string(id) + " is missing from the program's resources.";
  }
  if (!PathExists(movie) || PathIsFolder(movie)) return "The movie " + WideToUtf8(movie) + " is missing.";
  return {};
}

bool PublishWriters::SetScreenSaverMovie(const WideString& movie) {
  error.clear();
  if (!screenSaver.SetMovie(movie)) {
    error = "The movie " + WideToUtf8(movie) + " is missing or is not a movie.";
    return false;
  }
  return true;
}

bool PublishWriters::FindTemplates(bool installerToo) {
  WideString saver = saverTemplate;
  WideString installer = installerTemplate;
  if (saver.empty() && !GetBundleResourcePath(saver, kSaverTemplateResource)) saver.clear();
  if (installer.empty() && !GetBundleResourcePath(installer, kInstallerTemplateResource)) installer.clear();
  auto missing = [&](const WideString& folder, const wchar_t* name) {
    if (!folder.empty() && PathIsFolder(folder)) return false;
    error = "The template folder \"" + WideToUtf8(folder.empty() ? WideString(name) : folder) + "\" is missing.";
    return true;
  };
  if (missing(saver, kSaverTemplateResource) || (installerToo && missing(installer, kInstallerTemplateResource)))
    return false;
  screenSaver.SetTemplateFolders(saver, installer);
  return true;
}

bool PublishWriters::BuildScreenSaver(const WideString& path, bool replace) {
  error.clear();
  if (!FindTemplates(false)) return false;
  if (!screenSaver.BuildSaver(path, SaverBuildOptions{replace, {}})) {
    error = screenSaver.Error();
    return false;
  }
  return true;
}

bool PublishWriters::BuildInstaller(const WideString& path, const WideString& saverName, bool replace) {
  error.clear();
  if (!FindTemplates(true)) return false;
  screenSaver.SetName(saverName);
  screenSaver.SetBackgroundColor(kInstallerBackground);
  if (!screenSaver.BuildInstaller(path, SaverBuildOptions{replace, {}})) {
    error = screenSaver.Error();
    return false;
  }
  return true;
}
