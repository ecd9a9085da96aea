// An owned, growable buffer of wide characters, always NUL-terminated, for texts that are
// formatted or handed to interfaces that take NUL-terminated wide texts.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <memory>

#include "host/CFString.h"

class WideTextBuffer {
 public:
  // Format fails for a result of this many characters or more (and for a bad format).
  static constexpr size_t kMaxFormatLength = size_t{1} << 20;

  // Capacity 1, empty text.
  WideTextBuffer();
  // Holds the numbered text (see LoadLocalizedString); empty when loading fails.
  explicit WideTextBuffer(int number);
  ~WideTextBuffer();
  WideTextBuffer(WideTextBuffer&& other) noexcept;
  WideTextBuffer& operator=(WideTextBuffer&& other) noexcept;
  WideTextBuffer(const WideTextBuffer&) = delete;
  WideTextBuffer& operator=(const WideTextBuffer&) = delete;

  // Nothing happens when the capacity is at least n; otherwise the old text is discarded and
  // room for max(n, 1) characters is made, holding an empty text. False when memory runs out
  // (the buffer is then left as it was).
  bool Reserve(size_t n);
  // Copies a NUL-terminated text (which may point into this buffer); false for null.
  bool Set(const wchar_t* text);
  // Copies a platform string, pairs of UTF-16 surrogates combined into one character and a
  // lone surrogate replaced by U+FFFD; false for null.
  bool SetFromCFString(host::cf::StringRef string);

  const wchar_t* GetText() const { return chars_.get(); }
  const wchar_t* GetData() const { return chars_.get(); }
  wchar_t* GetData() { return chars_.get(); }
  size_t GetCapacity() const { return capacity_; }
  // Characters before the NUL.
  size_t GetLength() const;

  // The text as a decimal integer or a real number, read in the C locale (see
  // ParseDecimalInt and ParseReal).
  int ToInt() const;
  double ToReal() const;

  // The bundle's text for the number, or the number's digits when the table has none.
  // Always true unless memory runs out.
  bool LoadLocalizedString(int number);

  // printf-style wide formatting ("%ls" for wide texts), numbers in the C locale. An empty
  // result leaves an empty text and is a success. A bad format or a result longer than
  // kMaxFormatLength gives false and an empty text.
  bool Format(const wchar_t* format, ...);
  bool FormatV(const wchar_t* format, va_list args);

 private:
  std::unique_ptr<wchar_t[]> chars_;
  size_t capacity_ = 0;
};
