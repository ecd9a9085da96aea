#include "host/CFString.h"

#include <atomic>
#include <new>

#include "host/Text.h"

namespace host::cf {

struct StringObject {
  explicit StringObject(std::u16string u) : units(std::move(u)) {}
  mutable std::atomic<long> count{1};
  const std::u16string units;
};

namespace {

StringRef Make(std::u16string units) { return new (std::nothrow) StringObject(std::move(units)); }

bool HasLoneSurrogate(std::u16string_view u) {
  for (size_t i = 0; i < u.size(); ++i) {
    if (u[i] >= 0xD800 && u[i] <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
      ++i;
    } else if (u[i] >= 0xD800 && u[i] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

}  // namespace

StringRef CreateWithUtf16(std::u16string_view units) { return Make(std::u16string(units)); }

StringRef CreateWithWide(std::wstring_view text) { return Make(text::WideToUtf16(text)); }

StringRef CreateWithBytes(std::string_view bytes, Encoding encoding) {
  switch (encoding) {
    case Encoding::kMacRoman: return CreateWithWide(text::MacRomanToWide(bytes));
    case Encoding::kUtf8: {
      const std::wstring wide = text::Utf8ToWide(bytes);
      // The lossless decoder keeps bad bytes as U+DC80..U+DCFF; a string is not made of them.
      for (wchar_t c : wide) {
        if (static_cast<char32_t>(c) >= text::kEscapedByteFirst && static_cast<char32_t>(c) <= text::kEscapedByteLast) {
          return nullptr;
        }
      }
      return CreateWithWide(wide);
    }
  }
  return nullptr;
}

StringRef Retain(StringRef string) {
  if (string != nullptr) string->count.fetch_add(1, std::memory_order_relaxed);
  return string;
}

void Release(StringRef string) {
  if (string != nullptr && string->count.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete string;
  }
}

long RetainCount(StringRef string) { return string == nullptr ? 0 : string->count.load(std::memory_order_relaxed); }

size_t GetLength(StringRef string) { return string == nullptr ? 0 : string->units.size(); }

std::u16string_view GetUnits(StringRef string) {
  return string == nullptr ? std::u16string_view() : std::u16string_view(string->units);
}

std::wstring GetWide(StringRef string) { return text::Utf16ToWide(GetUnits(string)); }

std::optional<std::string> GetBytes(StringRef string, Encoding encoding) {
  if (string == nullptr) return std::nullopt;
  const std::wstring wide = GetWide(string);
  switch (encoding) {
    case Encoding::kMacRoman: return text::WideToMacRoman(wide);
    case Encoding::kUtf8:
      // A lone surrogate unit has no UTF-8 form.
      if (HasLoneSurrogate(GetUnits(string))) return std::nullopt;
      return text::WideToUtf8(wide);
  }
  return std::nullopt;
}

bool Equal(StringRef a, StringRef b) { return GetUnits(a) == GetUnits(b); }

}  // namespace host::cf
