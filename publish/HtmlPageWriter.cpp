#include "publish/HtmlPageWriter.h"

#include <cstdio>
#include <string>

#include "platform/FileTypes.h"
#include "platform/XmlText.h"

namespace {

WideString Escaped(const WideString& text) { return Utf8ToWide(XmlEscaped(text)); }

}  // namespace

HtmlPageWriter::~HtmlPageWriter() = default;

void HtmlPageWriter::WriteColor(uint32_t color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(color & 0xFF),
                static_cast<unsigned>((color >> 8) & 0xFF), static_cast<unsigned>((color >> 16) & 0xFF));
  WriteText(Utf8ToWide(text));
}

void HtmlPageWriter::WriteObjectEmbed(const HtmlSettings& s) {
  const WideString suffix = s.dimensionType == 2 ? L"%" : L"";
  const WideString name = Escaped(s.movieName);
  const WideString quality(std::wstring(htmlwords::Quality(s.quality)));
  const WideString scale(std::wstring(htmlwords::PageScale(s.scale)));
  const WideString align(std::wstring(htmlwords::PageHtmlAlign(s.htmlAlign)));
  const WideString salign(std::wstring(htmlwords::PageFlashAlign(s.flashAlign)));
  const WideString wmode(std::wstring(htmlwords::PageWindowMode(s.windowMode)));

  WriteText(L"<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" ");
  WriteText(L"codebase=\"").WriteText(kHtmlPluginDownloadHost);
  WriteText(L"/pub/shockwave/cabs/flash/swflash.cab#version=5,0,0,0\" ");
  WriteText(L"WIDTH=\"").WriteNumber(s.width).WriteText(suffix).WriteText(L"\"");
  WriteText(L" HEIGHT=\"").WriteNumber(s.height).WriteText(suffix).WriteText(L"\">\n");
  WriteText(L"<PARAM NAME=movie VALUE=\"").WriteText(name).WriteText(L"\">\n");
  if (!s.autoPlay) WriteText(L"<PARAM NAME=play VALUE=false>\n");
  if (!s.loop) WriteText(L"<PARAM NAME=loop VALUE=false>\n");
  if (!s.displayMenu) WriteText(L"<PARAM NAME=menu VALUE=false>\n");
  WriteText(L"<PARAM NAME=quality VALUE=\"").WriteText(quality).WriteText(L"\">\n");
  if (s.scale != 0) WriteText(L"<PARAM NAME=scale VALUE=").WriteText(scale).WriteText(L">\n");
  if (s.htmlAlign != 0) WriteText(L"<PARAM NAME=align VALUE=").WriteText(align).WriteText(L">\n");
  if (s.flashAlign != 0) WriteText(L"<PARAM NAME=salign VALUE=").WriteText(salign).WriteText(L">\n");
  if (s.windowMode != 0) WriteText(L"<PARAM NAME=wmode VALUE=").WriteText(wmode).WriteText(L">\n");
  if (s.deviceFont) WriteText(L"<PARAM NAME=devicefont VALUE=true>\n");

  WriteText(L"<EMBED src=\"").WriteText(name).WriteText(L"\"");
  if (!s.autoPlay) WriteText(L" play=false");
  if (!s.loop) WriteText(L" loop=false");
  if (!s.displayMenu) WriteText(L" menu=false");
  WriteText(L" quality=\"").WriteText(quality).WriteText(L"\"");
  if (s.scale != 0) WriteText(L" scale=").WriteText(scale);
  if (s.htmlAlign != 0) WriteText(L" align=").WriteText(align);
  if (s.flashAlign != 0) WriteText(L" salign=").WriteText(salign);
  if (s.windowMode != 0) WriteText(L" wmode=").WriteText(wmode);
  if (s.deviceFont) WriteText(L" devicefont=true");
  WriteText(L" WIDTH=\"").WriteNumber(s.width).WriteText(suffix).WriteText(L"\"");
  WriteText(L" HEIGHT=\"").WriteNumber(s.height).WriteText(suffix).WriteText(L"\"");
  WriteText(L" TYPE=\"application/x-shockwave-flash\"");
  WriteText(L" PLUGINSPAGE=\"").WriteText(kHtmlPluginWebHost);
  WriteText(L"/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\">\n");
  WriteText(L"</EMBED>\n");
  WriteText(L"</OBJECT>\n");
}

bool WriteHtmlPage(const WideString& path, const HtmlSettings& settings, bool replace) {
  HtmlPageWriter page;
  const FileTypeCreator record(MakeFourCC("MSIE"), MakeFourCC("TEXT"));
  if (!page.Create(path, &record, replace)) return false;
  page.WriteText(L"<HTML>\n<HEAD>\n<SCRIPT language=\"JavaScript\">\n");
  page.WriteText(L"function QX_Popup(theURL, winName, winFeatures) {");
  page.WriteText(L"newWin=window.open(theURL, winName, winFeatures); }\n");
  page.WriteText(L"</SCRIPT>\n<TITLE></TITLE>\n</HEAD>\n<BODY bgcolor=\"");
  page.WriteColor(settings.backgroundColor);
  page.WriteText(L"\">\n");
  page.WriteObjectEmbed(settings);
  page.WriteText(L"</BODY>\n</HTML>");
  return page.Close();
}
