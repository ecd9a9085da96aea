#include "publish/HtmlPageWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/XmlWriter.h"
#include "publish/HtmlSettings.h"
#include "tests/publish/Scratch.h"

namespace {

using publishtest::ReadBytes;
using publishtest::ScratchFolder;

WideString W(const std::filesystem::path& path) { return Utf8ToWide(path.string()); }

// The page's OBJECT and EMBED markup for the settings, as written to a file.
std::string PageFor(const HtmlSettings& settings) {
  ScratchFolder dir;
  const auto path = dir / "page.html";
  EXPECT_TRUE(WriteHtmlPage(W(path), settings, false));
  return ReadBytes(path);
}

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t start = text.find(from);
  if (start == std::string::npos) return "<no " + from + ">";
  const size_t end = text.find(to, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

HtmlSettings Plain() {
  HtmlSettings s;
  s.width = 550;
  s.height = 400;
  s.movieName = L"movie.swf";
  return s;
}

TEST(HtmlPageWriter, PlainSettingsWriteTheWholePage) {
  HtmlSettings s = Plain();
  s.backgroundColor = 0x563412;
  const std::string expected =
      "<HTML>\n<HEAD>\n<SCRIPT language=\"JavaScript\">\n"
      "function QX_Popup(theURL, winName, winFeatures) {newWin=window.open(theURL, winName, winFeatures); }\n"
      "</SCRIPT>\n<TITLE></TITLE>\n</HEAD>\n<BODY bgcolor=\"#123456\">\n"
      "<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"" +
      WideToUtf8(kHtmlPluginDownloadHost) +
      "/pub/shockwave/cabs/flash/swflash.cab#version=5,0,0,0\" WIDTH=\"550\" HEIGHT=\"400\">\n"
      "<PARAM NAME=movie VALUE=\"movie.swf\">\n"
      "<PARAM NAME=quality VALUE=\"low\">\n"
      "<EMBED src=\"movie.swf\" quality=\"low\" WIDTH=\"550\" HEIGHT=\"400\""
      " TYPE=\"application/x-shockwave-flash\" PLUGINSPAGE=\"" +
      WideToUtf8(kHtmlPluginWebHost) +
      "/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\">\n"
      "</EMBED>\n</OBJECT>\n</BODY>\n</HTML>";
  EXPECT_EQ(PageFor(s), expected);
}

TEST(HtmlPageWriter, BackgroundColourIsWrittenRedFirst) {
  struct Row {
    uint32_t stored;
    const char* written;
  };
  const Row rows[] = {{0, "#000000"}, {0x563412, "#123456"}, {0xFFFFFF, "#ffffff"}, {0xFF0000FF, "#ff0000"}};
  for (const Row& row : rows) {
    HtmlSettings s = Plain();
    s.backgroundColor = row.stored;
    EXPECT_EQ(Between(PageFor(s), "<BODY", ">"), std::string("<BODY bgcolor=\"") + row.written + "\"")
        << std::hex << row.stored;
  }
}

// Each row changes a few settings from the plain page and lists the PARAMs the OBJECT then
// has after its movie PARAM, and the EMBED's attributes between src and WIDTH.
TEST(HtmlPageWriter, SettingsTable) {
  struct Row {
    const char* what;
    void (*change)(HtmlSettings&);
    const char* params;
    const char* embed;
  };
  const Row rows[] = {
      {"plain", [](HtmlSettings&) {}, "<PARAM NAME=quality VALUE=\"low\">\n", " quality=\"low\""},
      {"auto play, loop and menu off", [](HtmlSettings& s) { s.autoPlay = s.loop = s.displayMenu = false; },
       "<PARAM NAME=play VALUE=false>\n<PARAM NAME=loop VALUE=false>\n<PARAM NAME=menu VALUE=false>\n"
       "<PARAM NAME=quality VALUE=\"low\">\n",
       " play=false loop=false menu=false quality=\"low\""},
      {"only loop off", [](HtmlSettings& s) { s.loop = false; },
       "<PARAM NAME=loop VALUE=false>\n<PARAM NAME=quality VALUE=\"low\">\n", " loop=false quality=\"low\""},
      {"best quality", [](HtmlSettings& s) { s.quality = 5; }, "<PARAM NAME=quality VALUE=\"best\">\n",
       " quality=\"best\""},
      {"quality out of range", [](HtmlSettings& s) { s.quality = 6; }, "<PARAM NAME=quality VALUE=\"\">\n",
       " quality=\"\""},
      {"every option",
       [](HtmlSettings& s) {
         s.quality = 4;
         s.scale = 1;
         s.htmlAlign = 2;
         s.flashAlign = 8;
         s.windowMode = 2;
         s.deviceFont = true;
       },
       "<PARAM NAME=quality VALUE=\"high\">\n<PARAM NAME=scale VALUE=noborder>\n<PARAM NAME=align VALUE=r>\n"
       "<PARAM NAME=salign VALUE=br>\n<PARAM NAME=wmode VALUE=transparent>\n<PARAM NAME=devicefont VALUE=true>\n",
       " quality=\"high\" scale=noborder align=r salign=br wmode=transparent devicefont=true"},
      {"exact fit, top, top left, opaque",
       [](HtmlSettings& s) {
         s.quality = 2;
         s.scale = 2;
         s.htmlAlign = 3;
         s.flashAlign = 5;
         s.windowMode = 1;
       },
       "<PARAM NAME=quality VALUE=\"autohigh\">\n<PARAM NAME=scale VALUE=exactfit>\n<PARAM NAME=align VALUE=t>\n"
       "<PARAM NAME=salign VALUE=tl>\n<PARAM NAME=wmode VALUE=opaque>\n",
       " quality=\"autohigh\" scale=exactfit align=t salign=tl wmode=opaque"},
      {"values past the ends write no word",
       [](HtmlSettings& s) {
         s.scale = 3;
         s.htmlAlign = 5;
         s.flashAlign = 9;
         s.windowMode = 3;
       },
       "<PARAM NAME=quality VALUE=\"low\">\n<PARAM NAME=scale VALUE=>\n<PARAM NAME=align VALUE=>\n"
       "<PARAM NAME=salign VALUE=>\n<PARAM NAME=wmode VALUE=>\n",
       " quality=\"low\" scale= align= salign= wmode="},
      {"left, bottom and bottom left",
       [](HtmlSettings& s) {
         s.htmlAlign = 4;
         s.flashAlign = 7;
       },
       "<PARAM NAME=quality VALUE=\"low\">\n<PARAM NAME=align VALUE=b>\n<PARAM NAME=salign VALUE=bl>\n",
       " quality=\"low\" align=b salign=bl"},
  };
  for (const Row& row : rows) {
    HtmlSettings s = Plain();
    row.change(s);
    const std::string page = PageFor(s);
    EXPECT_EQ(Between(page, "<PARAM NAME=movie VALUE=\"movie.swf\">\n", "<EMBED"),
              std::string("<PARAM NAME=movie VALUE=\"movie.swf\">\n") + row.params)
        << row.what;
    EXPECT_EQ(Between(page, "<EMBED src=\"movie.swf\"", " WIDTH="), std::string("<EMBED src=\"movie.swf\"") + row.embed)
        << row.what;
  }
}

TEST(HtmlPageWriter, SizesCarryAPercentSignOnlyForPercentDimensions) {
  for (int type : {0, 1, 2}) {
    HtmlSettings s = Plain();
    s.dimensionType = type;
    s.width = 100;
    s.height = 80;
    const std::string page = PageFor(s);
    const std::string sign = type == 2 ? "%" : "";
    const std::string size = "WIDTH=\"100" + sign + "\" HEIGHT=\"80" + sign + "\"";
    EXPECT_NE(Between(page, "<OBJECT", ">\n").find(size), std::string::npos) << type;
    EXPECT_NE(Between(page, "<EMBED", ">\n").find(size), std::string::npos) << type;
  }
}

TEST(HtmlPageWriter, MarkupCharactersOfTheMovieNameAreEscaped) {
  struct Row {
    const wchar_t* name;
    const char* written;
  };
  const Row rows[] = {
      {L"intro 2.swf", "intro 2.swf"},
      {L"a\"b.swf", "a&quot;b.swf"},
      {L"<x>&y.swf", "&lt;x&gt;&amp;y.swf"},
      {L"caf\u00e9.swf", "caf&#xe9;.swf"},
  };
  for (const Row& row : rows) {
    HtmlSettings s = Plain();
    s.movieName = row.name;
    const std::string page = PageFor(s);
    EXPECT_NE(page.find(std::string("<PARAM NAME=movie VALUE=\"") + row.written + "\">\n"), std::string::npos)
        << row.written;
    EXPECT_NE(page.find(std::string("<EMBED src=\"") + row.written + "\""), std::string::npos) << row.written;
  }
}

TEST(HtmlPageWriter, AnExistingFileIsReplacedOnlyWhenAsked) {
  ScratchFolder dir;
  const auto path = dir / "page.html";
  ASSERT_TRUE(publishtest::WriteBytes(path, "old page"));
  EXPECT_FALSE(WriteHtmlPage(W(path), Plain(), false));
  EXPECT_EQ(ReadBytes(path), "old page");
  EXPECT_TRUE(WriteHtmlPage(W(path), Plain(), true));
  EXPECT_EQ(ReadBytes(path).rfind("<HTML>\n", 0), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1)
      << "no temporary file is left beside the page";
}

TEST(HtmlPageWriter, APageThatCannotBeCreatedIsAFailure) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir / "folder.html");
  EXPECT_FALSE(WriteHtmlPage(W(dir / "folder.html"), Plain(), true));
  EXPECT_FALSE(WriteHtmlPage(W(dir / "missing" / "page.html"), Plain(), true));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(HtmlSettings, XmlFormListsEveryAttributeInOrder) {
  ScratchFolder dir;
  const auto path = dir / "settings.xml";
  XmlWriterOptions options;
  options.writeHeader = false;
  HtmlSettings s;
  s.movieName = L"a<b>.swf";
  s.sourceWidth = 550;
  s.sourceHeight = 400;
  s.width = -1;
  s.height = 100;
  s.backgroundColor = 0xFFFFFFFF;
  s.autoPlay = false;
  s.loop = true;
  s.displayMenu = false;
  s.deviceFont = true;
  s.popupFunction = true;
  s.dimensionType = 2;
  s.quality = 3;
  s.windowMode = 1;
  s.htmlAlign = 4;
  s.scale = 2;
  s.flashAlign = 6;
  {
    XmlWriter w;
    ASSERT_TRUE(w.Open(W(path), options, true));
    EXPECT_TRUE(s.WriteXml(w));
    ASSERT_TRUE(w.Close());
  }
  EXPECT_EQ(ReadBytes(path),
            "<html_swf swf=\"a&lt;b&gt;.swf\" orig_width=\"550\" orig_height=\"400\" width=\"-1\" height=\"100\""
            " bgcolor=\"4294967295\" auto_play=\"false\" loop=\"true\" display_menu=\"false\" device_font=\"true\""
            " popup_function=\"true\" dimension_type=\"percent\" quality=\"medium\" window_mode=\"opaque\""
            " html_align=\"bottom\" scale=\"exactfit\" flash_align=\"topright\" />\n\n");
}

TEST(HtmlSettings, XmlWordsOfEveryValueAndEmptyOutsideTheRange) {
  using namespace htmlwords;
  struct Row {
    std::wstring_view (*words)(int32_t);
    std::vector<std::wstring_view> expected;
  };
  const Row rows[] = {
      {XmlDimensionType, {L"matchmovie", L"pixels", L"percent"}},
      {Quality, {L"low", L"autolow", L"autohigh", L"medium", L"high", L"best"}},
      {XmlWindowMode, {L"window", L"opaque", L"transparent"}},
      {XmlHtmlAlign, {L"default", L"left", L"right", L"top", L"bottom"}},
      {XmlScale, {L"showall", L"noborder", L"exactfit"}},
      {XmlFlashAlign,
       {L"default", L"left", L"right", L"top", L"bottom", L"topleft", L"topright", L"bottomleft", L"bottomright"}},
  };
  for (const Row& row : rows) {
    const std::string first = WideToUtf8(std::wstring(row.expected[0]));
    for (size_t i = 0; i < row.expected.size(); ++i)
      EXPECT_TRUE(row.words(static_cast<int32_t>(i)) == row.expected[i]) << first << " " << i;
    EXPECT_TRUE(row.words(-1).empty()) << first;
    EXPECT_TRUE(row.words(static_cast<int32_t>(row.expected.size())).empty()) << first;
  }
}

}  // namespace
