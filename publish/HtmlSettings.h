// The options of the HTML page that embeds a published movie, and the words they are
// written as in the page's OBJECT/EMBED markup and in the project's XML form.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/WideString.h"

class XmlWriter;

struct HtmlSettings {
  int32_t dimensionType = 0;  // 0 match movie, 1 pixels, 2 percent
  int32_t quality = 0;        // 0 low, 1 autolow, 2 autohigh, 3 medium, 4 high, 5 best
  int32_t windowMode = 0;     // 0 window, 1 opaque, 2 transparent
  int32_t htmlAlign = 0;      // 0 default, 1 left, 2 right, 3 top, 4 bottom
  int32_t scale = 0;          // 0 show all, 1 no border, 2 exact fit
  int32_t flashAlign = 0;     // 0 default, 1..8 left, right, top, bottom, the four corners
  int32_t sourceWidth = 0;    // the movie's own size in pixels
  int32_t sourceHeight = 0;
  int32_t width = 0;  // the size written into the page (percent with dimension type 2)
  int32_t height = 0;
  uint32_t backgroundColor = 0;  // red in the low byte, then green, then blue
  bool autoPlay = true;
  bool loop = true;
  bool displayMenu = true;
  bool deviceFont = false;
  bool popupFunction = false;
  WideString movieName;  // the movie's file name, as the page refers to it

  // Writes the settings as one <html_swf .../> element. True.
  bool WriteXml(XmlWriter& writer) const;
};

// Words of the enumerated settings; empty for a value outside the range.
namespace htmlwords {
// The quality word, the same in the page and the XML form.
std::wstring_view Quality(int32_t value);
// In the page (nothing for 0, which the page leaves out).
std::wstring_view PageScale(int32_t value);
std::wstring_view PageHtmlAlign(int32_t value);
std::wstring_view PageFlashAlign(int32_t value);
std::wstring_view PageWindowMode(int32_t value);
// In the XML form.
std::wstring_view XmlDimensionType(int32_t value);
std::wstring_view XmlWindowMode(int32_t value);
std::wstring_view XmlHtmlAlign(int32_t value);
std::wstring_view XmlScale(int32_t value);
std::wstring_view XmlFlashAlign(int32_t value);
}  // namespace htmlwords
