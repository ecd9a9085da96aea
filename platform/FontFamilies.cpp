#include "platform/FontFamilies.h"

#include "host/FontFaces.h"
#include "host/Text.h"
#include "platform/PlatformFont.h"

std::vector<FontFamilyEntry> ListFontFamilies() {
  std::vector<FontFamilyEntry> out;
  for (const host::fonts::FamilyListing& listed : host::fonts::ListFamilies()) {
    FontFamilyEntry family;
    family.name = host::text::Utf8ToWide(listed.name);
    const bool onlyRegular = listed.styles.size() == 1 && listed.styles[0] == 0;
    if (!onlyRegular) {
      for (int bits : listed.styles) {
        PlatformFont words;
        words.SetStyleBits(static_cast<uint16_t>(bits));
        family.typefaces.push_back({words.GetStyleName(), static_cast<uint16_t>(bits)});
      }
    }
    out.push_back(std::move(family));
  }
  return out;
}
