#include "swf/SwfString.h"

#include "host/Text.h"

namespace {

std::wstring_view UpToNul(std::wstring_view text) {
  const size_t nul = text.find(L'\0');
  return nul == std::wstring_view::npos ? text : text.substr(0, nul);
}

char SingleByteOf(wchar_t ch) {
  const char32_t c = static_cast<char32_t>(ch);
  if (c <= 0xFF) return static_cast<char>(c);
  if (c >= host::text::kEscapedByteFirst && c <= host::text::kEscapedByteLast) {
    return static_cast<char>(0x80 + (c - host::text::kEscapedByteFirst));
  }
  return '?';
}

}  // namespace

std::string EncodeSwfString(std::wstring_view text, uint8_t version) {
  text = UpToNul(text);
  if (version >= kSwfFirstUtf8Version) return host::text::WideToUtf8(text);
  std::string out;
  out.reserve(text.size());
  for (wchar_t ch : text) out.push_back(SingleByteOf(ch));
  return out;
}

WideString DecodeSwfString(std::string_view bytes, uint8_t version) {
  if (version >= kSwfFirstUtf8Version) return WideString(host::text::Utf8ToWide(bytes));
  WideString out;
  out.reserve(bytes.size());
  for (char b : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(b)));
  return out;
}

size_t SwfStringByteLength(std::wstring_view text, uint8_t version) {
  text = UpToNul(text);
  if (version < kSwfFirstUtf8Version) return text.size();
  return host::text::WideToUtf8(text).size();
}
