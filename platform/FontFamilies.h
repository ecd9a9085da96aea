// The installed font families a user picks from, each with its typefaces, as the font
// chooser lists them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/WideString.h"

struct FontStyleEntry {
  WideString name;     // the style words of the bits ("Regular", "Bold", "Italic", "Bold Italic")
  uint16_t style = 0;  // PlatformFont's style bits
};

struct FontFamilyEntry {
  WideString name;
  // Empty for a family that has only its regular face.
  std::vector<FontStyleEntry> typefaces;
};

// Every installed family with outlines, sorted by name; empty when none can be listed.
std::vector<FontFamilyEntry> ListFontFamilies();
