#include "publish/HtmlSettings.h"

#include <array>

#include "platform/XmlWriter.h"

namespace htmlwords {
namespace {

template <size_t N>
std::wstring_view Pick(const std::array<std::wstring_view, N>& words, int32_t value) {
  if (value < 0 || static_cast<size_t>(value) >= N) return {};
  return words[static_cast<size_t>(value)];
}

}  // namespace

std::wstring_view Quality(int32_t value) {
  static constexpr std::array<std::wstring_view, 6> kWords{L"low",    L"autolow", L"autohigh",
                                                           L"medium", L"high",    L"best"};
  return Pick(kWords, value);
}

std::wstring_view PageScale(int32_t value) {
  static constexpr std::array<std::wstring_view, 3> kWords{L"", L"noborder", L"exactfit"};
  return Pick(kWords, value);
}

std::wstring_view PageHtmlAlign(int32_t value) {
  static constexpr std::array<std::wstring_view, 5> kWords{L"", L"l", L"r", L"t", L"b"};
  return Pick(kWords, value);
}

std::wstring_view PageFlashAlign(int32_t value) {
  static constexpr std::array<std::wstring_view, 9> kWords{L"", L"l", L"r", L"t", L"b", L"tl", L"tr", L"bl", L"br"};
  return Pick(kWords, value);
}

std::wstring_view PageWindowMode(int32_t value) {
  static constexpr std::array<std::wstring_view, 3> kWords{L"", L"opaque", L"transparent"};
  return Pick(kWords, value);
}

std::wstring_view XmlDimensionType(int32_t value) {
  static constexpr std::array<std::wstring_view, 3> kWords{L"matchmovie", L"pixels", L"percent"};
  return Pick(kWords, value);
}

std::wstring_view XmlWindowMode(int32_t value) {
  static constexpr std::array<std::wstring_view, 3> kWords{L"window", L"opaque", L"transparent"};
  return Pick(kWords, value);
}

std::wstring_view XmlHtmlAlign(int32_t value) {
  static constexpr std::array<std::wstring_view, 5> kWords{L"default", L"left", L"right", L"top", L"bottom"};
  return Pick(kWords, value);
}

std::wstring_view XmlScale(int32_t value) {
  static constexpr std::array<std::wstring_view, 3> kWords{L"showall", L"noborder", L"exactfit"};
  return Pick(kWords, value);
}

std::wstring_view XmlFlashAlign(int32_t value) {
  static constexpr std::array<std::wstring_view, 9> kWords{
      L"default", L"left", L"right", L"top", L"bottom", L"topleft", L"topright", L"bottomleft", L"bottomright"};
  return Pick(kWords, value);
}

}  // namespace htmlwords

bool HtmlSettings::WriteXml(XmlWriter& writer) const {
  writer.WriteRaw(L"<html_swf swf=\"").WriteEscaped(movieName);
  writer.WriteRaw(L"\" orig_width=\"").WriteLong(sourceWidth);
  writer.WriteRaw(L"\" orig_height=\"").WriteLong(sourceHeight);
  writer.WriteRaw(L"\" width=\"").WriteLong(width);
  writer.WriteRaw(L"\" height=\"").WriteLong(height);
  writer.WriteRaw(L"\" bgcolor=\"").WriteULong(backgroundColor);
  writer.WriteRaw(L"\" auto_play=\"").WriteBool(autoPlay);
  writer.WriteRaw(L"\" loop=\"").WriteBool(loop);
  writer.WriteRaw(L"\" display_menu=\"").WriteBool(displayMenu);
  writer.WriteRaw(L"\" device_font=\"").WriteBool(deviceFont);
  writer.WriteRaw(L"\" popup_function=\"").WriteBool(popupFunction);
  writer.WriteRaw(L"\" dimension_type=\"").WriteRaw(htmlwords::XmlDimensionType(dimensionType));
  writer.WriteRaw(L"\" quality=\"").WriteRaw(htmlwords::Quality(quality));
  writer.WriteRaw(L"\" window_mode=\"").WriteRaw(htmlwords::XmlWindowMode(windowMode));
  writer.WriteRaw(L"\" html_align=\"").WriteRaw(htmlwords::XmlHtmlAlign(htmlAlign));
  writer.WriteRaw(L"\" scale=\"").WriteRaw(htmlwords::XmlScale(scale));
  writer.WriteRaw(L"\" flash_align=\"").WriteRaw(htmlwords::XmlFlashAlign(flashAlign));
  writer.WriteRaw(L"\" />\n");
  return true;
}
