// The process locale and the fixed locale that every number conversion uses.
//
// Numbers in files, fields and movies are always written and read with '.' as the decimal
// point, whatever the user's locale. The program calls SetUpProcessLocale once at start-up
// (again after any library that calls setlocale(LC_ALL, "") itself, such as a GUI toolkit):
// character classes follow the user's UTF-8 locale, LC_NUMERIC stays "C". Conversions of
// the program also format and parse inside ScopedClassicLocale, so they hold even when
// something changes the process locale later.
#pragma once

#include <locale.h>

#include <string>

namespace host::locale {

// Takes the user's locale from the environment, falls back to C.UTF-8 for LC_CTYPE when that
// is not a UTF-8 locale, and sets LC_NUMERIC to "C". Returns the name of the LC_CTYPE locale.
std::string SetUpProcessLocale();

// "C" numbers with UTF-8 character classes (C.UTF-8; plain "C" where that is missing). Made
// once, never freed.
locale_t ClassicLocale();

// Makes ClassicLocale the calling thread's locale for the scope's lifetime.
class ScopedClassicLocale {
 public:
  ScopedClassicLocale();
  ~ScopedClassicLocale();
  ScopedClassicLocale(const ScopedClassicLocale&) = delete;
  ScopedClassicLocale& operator=(const ScopedClassicLocale&) = delete;

 private:
  locale_t previous_;
};

}  // namespace host::locale
