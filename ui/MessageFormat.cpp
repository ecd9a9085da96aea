#include "ui/MessageFormat.h"

#include <cstdio>

namespace ui {
namespace {

struct Conversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  wchar_t letter = 0;
};

// Reads one conversion after the '%' at format[i]; i ends past it.
bool ReadConversion(std::wstring_view format, size_t& i, Conversion& c) {
  ++i;
  while (i < format.size() && std::wstring_view(L"-+ 0#").find(format[i]) != std::wstring_view::npos) {
    c.flags.push_back(char(format[i]));
    ++i;
  }
  auto number = [&](int& value) {
    value = 0;
    bool any = false;
    while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') {
      value = value * 10 + int(format[i] - L'0');
      if (value > kMaxMessageFieldWidth) return false;
      any = true;
      ++i;
    }
    return any;
  };
  if (i < format.size() && format[i] >= L'0' && format[i] <= L'9' && !number(c.width)) return false;
  if (i < format.size() && format[i] == L'.') {
    ++i;
    if (!number(c.precision)) c.precision = 0;
    if (c.precision > kMaxMessageFieldWidth) return false;
  }
  while (i < format.size() && std::wstring_view(L"hlLqjzt").find(format[i]) != std::wstring_view::npos) ++i;
  if (i >= format.size()) return false;
  c.letter = format[i++];
  // '#' has no meaning for whole decimal numbers, characters and texts.
  if (c.flags.find('#') != std::string::npos && std::wstring_view(L"diucsS").find(c.letter) != std::wstring_view::npos)
    return false;
  return true;
}

bool KindOf(wchar_t letter, MessageArgKind& kind) {
  switch (letter) {
    case L'd':
    case L'i':
    case L'u':
    case L'x':
    case L'X':
    case L'c': kind = MessageArgKind::kWhole; return true;
    case L'f':
    case L'F':
    case L'e':
    case L'E':
    case L'g':
    case L'G': kind = MessageArgKind::kReal; return true;
    case L's':
    case L'S': kind = MessageArgKind::kText; return true;
    default: return false;
  }
}

std::wstring Widen(const char* s) {
  std::wstring w;
  for (; *s != 0; ++s) w.push_back(wchar_t(static_cast<unsigned char>(*s)));
  return w;
}

std::string Spec(const Conversion& c, const char* length, char letter) {
  std::string s = "%" + c.flags;
  if (c.width >= 0) s += std::to_string(c.width);
  if (c.precision >= 0) {
    // Two appends: GCC 12 at -O3 reads "." + string as an overlapping copy and warns.
    s += '.';
    s += std::to_string(c.precision);
  }
  s += length;
  s.push_back(letter);
  return s;
}

// Numbers through the C library in the C locale, which the program keeps for numbers.
bool FormatNumber(const Conversion& c, const MessageArg& arg, std::wstring& out) {
  char buffer[2 * kMaxMessageFieldWidth + 400];
  int n = -1;
  MessageArgKind kind{};
  KindOf(c.letter, kind);
  if (kind == MessageArgKind::kWhole) {
    const long long* v = std::get_if<long long>(&arg);
    if (v == nullptr) return false;
    if (c.letter == L'c') {
      if (*v <= 0 || *v > 0x10FFFF) return false;
      std::wstring one(1, wchar_t(*v));
      const size_t pad = c.width > 1 ? size_t(c.width - 1) : 0;
      out += c.flags.find('-') != std::string::npos ? one + std::wstring(pad, L' ') : std::wstring(pad, L' ') + one;
      return true;
    }
    n = std::snprintf(buffer, sizeof buffer, Spec(c, "ll", char(c.letter)).c_str(), *v);
  } else {
    double value = 0;
    if (const double* d = std::get_if<double>(&arg))
      value = *d;
    else if (const long long* w = std::get_if<long long>(&arg))
      value = double(*w);
    else
      return false;
    n = std::snprintf(buffer, sizeof buffer, Spec(c, "", char(c.letter)).c_str(), value);
  }
  if (n < 0 || size_t(n) >= sizeof buffer) return false;
  out += Widen(buffer);
  return true;
}

bool FormatText(const Conversion& c, const MessageArg& arg, std::wstring& out) {
  const std::wstring* text = std::get_if<std::wstring>(&arg);
  if (text == nullptr) return false;
  std::wstring_view t = *text;
  if (c.precision >= 0 && t.size() > size_t(c.precision)) t = t.substr(0, size_t(c.precision));
  const size_t pad = c.width > 0 && size_t(c.width) > t.size() ? size_t(c.width) - t.size() : 0;
  if (c.flags.find('-') != std::string::npos) {
    out += t;
    out.append(pad, L' ');
  } else {
    out.append(pad, L' ');
    out += t;
  }
  return true;
}

}  // namespace

bool MessageFormatKinds(std::wstring_view format, std::vector<MessageArgKind>& kinds) {
  kinds.clear();
  for (size_t i = 0; i < format.size();) {
    if (format[i] != L'%') {
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      i += 2;
      continue;
    }
    Conversion c;
    MessageArgKind kind{};
    if (!ReadConversion(format, i, c) || !KindOf(c.letter, kind)) return false;
    kinds.push_back(kind);
  }
  return true;
}

bool FormatMessage(std::wstring_view format, std::span<const MessageArg> args, std::wstring& out) {
  out.clear();
  size_t next = 0;
  for (size_t i = 0; i < format.size();) {
    if (format[i] != L'%') {
      out.push_back(format[i++]);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      out.push_back(L'%');
      i += 2;
      continue;
    }
    Conversion c;
    MessageArgKind kind{};
    if (!ReadConversion(format, i, c) || !KindOf(c.letter, kind)) return false;
    if (next >= args.size()) return false;
    const MessageArg& arg = args[next++];
    const bool ok = kind == MessageArgKind::kText ? FormatText(c, arg, out) : FormatNumber(c, arg, out);
    if (!ok) return false;
  }
  return next == args.size();
}

}  // namespace ui
