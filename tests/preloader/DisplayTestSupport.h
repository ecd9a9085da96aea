// Helpers of the display tests: where the library movies are, and a project that shows one.
#pragma once

#include <memory>
#include <string>

#include "platform/WideString.h"
#include "preloader/PreloaderData.h"
#include "preloader/PreloaderDisplay.h"

namespace displaytest {

// A movie of the shipped library ("Bars/classic-bar.swf").
inline std::string Shipped(const std::string& name) { return std::string(PLENWICK_PRELOADERS_DIR) + "/" + name; }
// A library movie of the tests ("malformed/no-format.swf").
inline std::string Fixture(const std::string& name) {
  return std::string(PLENWICK_PRELOADER_FIXTURES_DIR) + "/" + name;
}

// Puts the display of the movie into the project's library and shows it; null (with the
// reason in `why`) when the movie is refused.
inline PreloaderDisplay* ShowDisplay(PreloaderData& project, const std::string& path, std::string* why = nullptr) {
  std::unique_ptr<PreloaderDisplay> display = LoadPreloaderDisplay(Utf8ToWide(path), why);
  if (!display) return nullptr;
  PreloaderDisplay* raw = display.get();
  if (!project.GetPreloaderLibrary().Insert(display)) return nullptr;
  project.SetDisplay(raw);
  project.SetDisplayEnabled(true);
  return raw;
}

}  // namespace displaytest
