#include "publish/PublishWriters.h"

#include "publish/HtmlPageWriter.h"

bool PublishWriters::WriteHtml(const WideString& path, const HtmlSettings& settings, bool replace) {
  return WriteHtmlPage(path, settings, replace);
}

bool PublishWriters::WriteQuickTime(const QuickTimeJob& job, const QuickTimeSettings& settings,
                                    FrameExportSettings& frameExport, std::string& error) {
  return PublishQuickTime(job, settings, frameExport, frameSources, error);
}

bool PublishWriters::WriteMacProjector(const WideString&, const WideString&, bool) { return false; }

bool PublishWriters::WriteWindowsProjector(const WideString&, const WideString&, bool) { return false; }

bool PublishWriters::SetScreenSaverMovie(const WideString&) { return false; }

bool PublishWriters::BuildScreenSaver(const WideString&, bool) { return false; }

bool PublishWriters::BuildInstaller(const WideString&, const WideString&, bool) { return false; }
