#include "platform/XmlText.h"

#include <charconv>
#include <cstdio>

#include "host/Text.h"

bool IsXmlChar(wchar_t c) {
  const uint32_t u = static_cast<uint32_t>(c);
  if (u < 0x20) return u == 0x09 || u == 0x0A || u == 0x0D;
  if (u >= 0xD800 && u <= 0xDFFF) return false;
  if (u == 0xFFFE || u == 0xFFFF) return false;
  return u <= 0x10FFFF;
}

void AppendXmlEscaped(std::string& out, std::wstring_view text) {
  for (wchar_t c : text) {
    uint32_t u = static_cast<uint32_t>(c);
    if (!IsXmlChar(c)) u = 0xFFFD;
    switch (u) {
      case '"': out += "&quot;"; continue;
      case '\'': out += "&apos;"; continue;
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case 0x0A: out += "&#x0a;"; continue;
      case 0x0D: out += "&#x0d;"; continue;
      case 0x09: out += "&#x09;"; continue;  // a raw tab in an attribute reads back as a blank
      default: break;
    }
    if (u & 0x80) {
      char buf[16];
      const int n = std::snprintf(buf, sizeof buf, "&#x%02x;", static_cast<unsigned>(u));
      out.append(buf, static_cast<size_t>(n));
    } else {
      const wchar_t one = static_cast<wchar_t>(u);
      out += host::text::WideToUtf8(std::wstring_view(&one, 1));
    }
  }
}

std::string XmlEscaped(std::wstring_view text) {
  std::string out;
  AppendXmlEscaped(out, text);
  return out;
}

namespace {

template <typename T>
std::string Integer(T value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string XmlFormatLong(int32_t value) { return Integer(value); }
std::string XmlFormatULong(uint32_t value) { return Integer(value); }
std::string XmlFormatUShort(uint16_t value) { return Integer(static_cast<unsigned>(value)); }

std::string XmlFormatDouble(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  return std::string(buf, r.ptr);
}
