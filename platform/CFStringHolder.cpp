#include "platform/CFStringHolder.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "host/StringTable.h"

CFStringHolder::CFStringHolder(const char* narrow) : string_(CStringToCFString(narrow)) {}

CFStringHolder::CFStringHolder(const wchar_t* wide) : string_(WideToCFString(wide)) {}

CFStringHolder& CFStringHolder::operator=(CFStringHolder&& other) noexcept {
  if (this != &other) {
    Release();
    string_ = other.string_;
    other.string_ = nullptr;
  }
  return *this;
}

bool CFStringHolder::AssignWide(const wchar_t* wide) {
  Release();
  string_ = WideToCFString(wide);
  return string_ != nullptr;
}

bool CFStringHolder::LoadLocalized(int number) {
  Release();
  const std::wstring* text = host::strings::MainStringTable().Find(number);
  if (text == nullptr) return false;
  string_ = host::cf::CreateWithWide(*text);
  return string_ != nullptr;
}

bool CFStringHolder::GetPascalString(unsigned char* destination) const {
  if (string_ == nullptr || destination == nullptr) return false;
  const auto bytes = host::cf::GetBytes(string_, host::cf::Encoding::kMacRoman);
  if (!bytes || bytes->size() > 255) return false;
  destination[0] = static_cast<unsigned char>(bytes->size());
  std::memcpy(destination + 1, bytes->data(), bytes->size());
  return true;
}

bool CFStringHolder::GetHFSUniName(HfsUniName* name) const {
  const std::u16string_view units = host::cf::GetUnits(string_);
  if (name == nullptr || units.empty()) return false;
  const size_t n = std::min<size_t>(units.size(), 255);
  name->length = static_cast<std::uint16_t>(n);
  std::copy_n(units.begin(), n, name->unicode);
  return true;
}

std::string CFStringHolder::GetStdString(host::cf::Encoding encoding) const {
  if (GetLength() == 0) return {};
  return host::cf::GetBytes(string_, encoding).value_or(std::string());
}

std::unique_ptr<char16_t[]> CFStringHolder::CopyUniChars() const {
  if (string_ == nullptr) return nullptr;
  const std::u16string_view units = host::cf::GetUnits(string_);
  std::unique_ptr<char16_t[]> copy(new char16_t[units.size() + 1]);
  std::copy(units.begin(), units.end(), copy.get());
  copy[units.size()] = u'\0';
  return copy;
}

void CFStringHolder::Release() {
  host::cf::Release(string_);
  string_ = nullptr;
}

host::cf::StringRef WideToCFString(const wchar_t* wide) {
  if (wide == nullptr) return nullptr;
  return host::cf::CreateWithWide(std::wstring_view(wide));
}

host::cf::StringRef CStringToCFString(const char* narrow) {
  if (narrow == nullptr) return nullptr;
  return host::cf::CreateWithBytes(std::string_view(narrow), host::cf::Encoding::kMacRoman);
}

bool CFStringToWideBuffer(host::cf::StringRef string, wchar_t* destination, size_t maxCount) {
  if (string == nullptr || destination == nullptr || maxCount == 0) return false;
  const std::wstring wide = host::cf::GetWide(string);
  const size_t n = std::min(wide.size(), maxCount - 1);
  std::wmemcpy(destination, wide.data(), n);
  destination[n] = L'\0';
  return true;
}
