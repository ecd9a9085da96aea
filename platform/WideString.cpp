#include "platform/WideString.h"

#include "host/Text.h"

std::string WideToUtf8(const std::wstring& text) { return host::text::WideToUtf8(text); }

WideString Utf8ToWide(const std::string& bytes) { return WideString(host::text::Utf8ToWide(bytes)); }
