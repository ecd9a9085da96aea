// The HTML page that embeds a published movie: an OBJECT element for the ActiveX control with
// an EMBED element for browser plug-ins inside it, on a body of the movie's background
// colour, with a small script function for opening popup windows.
//
// The page goes to a temporary file beside the destination and is renamed into place only
// when all of it was written; the movie name is escaped wherever it stands in an attribute.
#pragma once

#include "platform/TextFileWriter.h"
#include "platform/WideString.h"
#include "publish/HtmlSettings.h"

// Where the OBJECT's codebase and the EMBED's plug-in page point (scheme and host).
inline constexpr wchar_t kHtmlPluginDownloadHost[] = L"http://download.flashplayer.example";
inline constexpr wchar_t kHtmlPluginWebHost[] = L"http://www.flashplayer.example";

class HtmlPageWriter : public TextFileWriter {
 public:
  HtmlPageWriter() = default;
  ~HtmlPageWriter() override;

  void WriteObjectEmbed(const HtmlSettings& settings);
  // "#rrggbb" of a colour stored with red in the low byte.
  void WriteColor(uint32_t color);
};

// Writes the page. False when the file can't be created (an existing file and no `replace`,
// a folder at the path) or anything of it failed to be written; the old file then stays.
bool WriteHtmlPage(const WideString& path, const HtmlSettings& settings, bool replace);
