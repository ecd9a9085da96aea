// The fonts the tests use: only those of the Debian packages fonts-dejavu-core,
// fonts-dejavu-extra (the oblique faces, DejaVu Math TeX Gyre) and fonts-freefont-otf (CFF
// outlines), all in tools/debian-packages.txt; never whatever else the machine has.
// "sans-serif" (and "Sans") is DejaVu Sans, "serif" DejaVu Serif, "monospace" DejaVu Sans Mono.
#pragma once

#include <string>

#include "host/FontFaces.h"

namespace testfonts {

inline constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu";
inline constexpr const char* kFreeFontFolder = "/usr/share/fonts/opentype/freefont";

// Makes the process see only the test fonts; true when they were found. Call it first in every
// test that measures or embeds text (it does the work once).
inline bool UseTestFonts() {
  static const bool ok = [] {
    auto alias = [](const char* generic, const char* family) {
      return std::string("<alias><family>") + generic + "</family><prefer><family>" + family +
             "</family></prefer></alias>\n";
    };
    const std::string xml =
        std::string("<?xml version=\"1.0\"?>\n<fontconfig>\n<dir>") + kDejaVuFolder + "</dir>\n<dir>" +
        kFreeFontFolder + "</dir>\n<cachedir prefix=\"xdg\">fontconfig</cachedir>\n" +
        alias("sans-serif", "DejaVu Sans") + alias("Sans", "DejaVu Sans") + alias("serif", "DejaVu Serif") +
        alias("Serif", "DejaVu Serif") + alias("monospace", "DejaVu Sans Mono") +
        alias("Monospace", "DejaVu Sans Mono") + "</fontconfig>\n";
    return host::fonts::UseFontConfiguration(xml) && host::fonts::FamilyExists("DejaVu Sans") &&
           host::fonts::FamilyExists("FreeSerif");
  }();
  return ok;
}

}  // namespace testfonts
