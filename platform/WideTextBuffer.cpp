#include "platform/WideTextBuffer.h"

#include <cwchar>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "host/Locale.h"
#include "host/StringTable.h"
#include "platform/TextConversions.h"

WideTextBuffer::WideTextBuffer() { Reserve(1); }

WideTextBuffer::WideTextBuffer(int number) {
  Reserve(1);
  LoadLocalizedString(number);
}

WideTextBuffer::~WideTextBuffer() = default;

WideTextBuffer::WideTextBuffer(WideTextBuffer&& other) noexcept
    : chars_(std::move(other.chars_)), capacity_(other.capacity_) {
  other.capacity_ = 0;
  other.Reserve(1);
}

WideTextBuffer& WideTextBuffer::operator=(WideTextBuffer&& other) noexcept {
  if (this != &other) {
    chars_ = std::move(other.chars_);
    capacity_ = other.capacity_;
    other.capacity_ = 0;
    other.Reserve(1);
  }
  return *this;
}

bool WideTextBuffer::Reserve(size_t n) {
  if (chars_ && capacity_ >= n) return true;
  const size_t size = n < 1 ? 1 : n;
  std::unique_ptr<wchar_t[]> fresh(new (std::nothrow) wchar_t[size]);
  if (!fresh) return false;
  fresh[0] = L'\0';
  chars_ = std::move(fresh);
  capacity_ = size;
  return true;
}

bool WideTextBuffer::Set(const wchar_t* text) {
  if (text == nullptr) return false;
  const size_t length = std::wcslen(text);
  const std::less<const wchar_t*> before;
  const bool inside = chars_ && !before(text, chars_.get()) && before(text, chars_.get() + capacity_);
  if (inside) {
    // The text already lies in this buffer, so it fits: move it to the front.
    std::wmemmove(chars_.get(), text, length + 1);
    return true;
  }
  if (!Reserve(length + 1)) return false;
  std::wmemcpy(chars_.get(), text, length + 1);
  return true;
}

bool WideTextBuffer::SetFromCFString(host::cf::StringRef string) {
  if (string == nullptr) return false;
  const std::wstring wide = host::cf::GetWide(string);
  return Set(wide.c_str());
}

size_t WideTextBuffer::GetLength() const { return chars_ ? std::wcslen(chars_.get()) : 0; }

int WideTextBuffer::ToInt() const {
  int value = 0;
  return ParseDecimalInt(GetText(), value);
}

double WideTextBuffer::ToReal() const {
  double value = 0;
  return ParseReal(GetText(), value);
}

bool WideTextBuffer::LoadLocalizedString(int number) {
  if (const std::wstring* text = host::strings::MainStringTable().Find(number)) {
    return Set(text->c_str());
  }
  wchar_t digits[kDecimalIntBufferSize];
  FormatDecimalInt(number, digits);
  return Set(digits);
}

bool WideTextBuffer::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const bool ok = FormatV(format, args);
  va_end(args);
  return ok;
}

bool WideTextBuffer::FormatV(const wchar_t* format, va_list args) {
  if (format == nullptr) return false;
  host::locale::ScopedClassicLocale classic;
  // vswprintf gives -1 both when the text does not fit and when the format (or an argument)
  // is bad, so the scratch text grows only up to the limit.
  std::vector<wchar_t> scratch;
  for (size_t size = 256; size <= kMaxFormatLength + 1; size *= 2) {
    try {
      scratch.resize(size);
    } catch (const std::bad_alloc&) {
      break;
    }
    va_list copy;
    va_copy(copy, args);
    const int n = std::vswprintf(scratch.data(), size, format, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < size) return Set(scratch.data());
  }
  Set(L"");
  return false;
}
