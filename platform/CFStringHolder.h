// Owner of one platform string (host::cf), made from a wide, narrow or numbered text, and the
// free conversions between platform strings and wide texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/CFString.h"

// A file-system Unicode name: a length, then up to 255 UTF-16 units.
struct HfsUniName {
  std::uint16_t length = 0;
  char16_t unicode[255] = {};
};

class CFStringHolder {
 public:
  CFStringHolder() = default;
  // Adopts the reference: the holder releases it, without retaining it first.
  explicit CFStringHolder(host::cf::StringRef adopted) : string_(adopted) {}
  // From a NUL-terminated text in the narrow encoding (Mac Roman); null gives an empty holder.
  explicit CFStringHolder(const char* narrow);
  // From a NUL-terminated wide text; null gives an empty holder.
  explicit CFStringHolder(const wchar_t* wide);
  ~CFStringHolder() { Release(); }
  CFStringHolder(CFStringHolder&& other) noexcept : string_(other.string_) { other.string_ = nullptr; }
  CFStringHolder& operator=(CFStringHolder&& other) noexcept;
  CFStringHolder(const CFStringHolder&) = delete;
  CFStringHolder& operator=(const CFStringHolder&) = delete;

  // Releases the held string, then holds one made from the wide text; true when it was made.
  bool AssignWide(const wchar_t* wide);
  // Holds the bundle's text for the number; false (and an empty holder) when the table has
  // no entry for it.
  bool LoadLocalized(int number);

  // Number of UTF-16 units; 0 for an empty holder.
  size_t GetLength() const { return host::cf::GetLength(string_); }
  // Length byte and up to 255 Mac Roman bytes into a 256-byte buffer; false for an empty
  // holder, a character without a Mac Roman byte, or a text longer than 255.
  bool GetPascalString(unsigned char* destination) const;
  // The first min(length, 255) units; false when there is nothing to convert.
  bool GetHFSUniName(HfsUniName* name) const;
  // The text in an encoding; empty for an empty holder or when it can't be converted.
  std::string GetStdString(host::cf::Encoding encoding) const;
  // The UTF-16 units plus a 0 terminator; null for an empty holder.
  std::unique_ptr<char16_t[]> CopyUniChars() const;
  // The text as UTF-32 (surrogate pairs combined, a lone surrogate becomes U+FFFD).
  std::wstring GetWideString() const { return host::cf::GetWide(string_); }

  host::cf::StringRef Get() const { return string_; }
  bool IsEmpty() const { return string_ == nullptr; }
  // Releases the held string and empties the holder.
  void Release();

 private:
  host::cf::StringRef string_ = nullptr;
};

// New platform strings (the caller releases them); null for a null text.
host::cf::StringRef WideToCFString(const wchar_t* wide);
host::cf::StringRef CStringToCFString(const char* narrow);

// Copies the string into a buffer of maxCount wide characters, terminator included:
// at most maxCount - 1 characters (surrogate pairs combined), then a NUL. False (nothing
// written) for a null string, a null destination or maxCount 0.
bool CFStringToWideBuffer(host::cf::StringRef string, wchar_t* destination, size_t maxCount);
