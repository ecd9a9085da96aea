#include "host/Locale.h"

#include <langinfo.h>

#include <cstring>

namespace host::locale {

namespace {

bool CtypeIsUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

std::string SetUpProcessLocale() {
  if (setlocale(LC_ALL, "") == nullptr) {
    // The environment names a locale that is not installed: keep C, then try for UTF-8.
    setlocale(LC_ALL, "C");
  }
  if (!CtypeIsUtf8()) {
    if (setlocale(LC_CTYPE, "C.UTF-8") == nullptr) setlocale(LC_CTYPE, "C.utf8");
  }
  setlocale(LC_NUMERIC, "C");
  const char* ctype = setlocale(LC_CTYPE, nullptr);
  return ctype != nullptr ? std::string(ctype) : std::string();
}

locale_t ClassicLocale() {
  static const locale_t classic = [] {
    locale_t loc = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) loc = newlocale(LC_ALL_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
  }();
  return classic;
}

ScopedClassicLocale::ScopedClassicLocale() : previous_(uselocale(ClassicLocale())) {}

ScopedClassicLocale::~ScopedClassicLocale() { uselocale(previous_); }

}  // namespace host::locale
