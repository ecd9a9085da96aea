// Helpers of the media tests: a scratch folder, a movie written there and read back, and
// FreeType's own view of a glyph, taken independently of the code under test.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/Text.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"
#include "tests/support/TestFonts.h"

namespace mediatest {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-media-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A movie (550 x 400 pixels, 12 fps, version 8) written into a scratch folder.
struct Movie {
  ScratchDir dir;
  SwfFileWriter writer;
  std::string path;
  bool open = false;  // the writer opened the file
  explicit Movie(const char* name = "movie.swf", uint8_t version = 8) : path(dir.Path(name)) {
    writer.SetMovieParameters(11000, 8000, 12.0f, version);
    open = writer.Open(host::text::Utf8ToWide(path), true);
  }
  // Closes the movie and reads its tags back; empty when it can't be read.
  std::vector<std::unique_ptr<SwfTag>> Close() {
    if (!open || writer.Close() == 0) return {};
    SwfReader reader;
    if (!reader.LoadFileWithOptions(host::text::Utf8ToWide(path), true, 0, true)) return {};
    return reader.TakeTags();
  }
};

inline std::string FontFile(const char* name) {
  const std::string folder =
      std::string(name).find("Free") == 0 ? testfonts::kFreeFontFolder : testfonts::kDejaVuFolder;
  return folder + "/" + name;
}

// One face opened with FreeType itself at 1024 pixels per em (unhinted).
struct FreeTypeFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  explicit FreeTypeFace(const std::string& file) {
    if (FT_Init_FreeType(&library) != 0) return;
    if (FT_New_Face(library, file.c_str(), 0, &face) != 0) {
      face = nullptr;
      return;
    }
    FT_Set_Char_Size(face, 0, 1024 * 64, 72, 72);
  }
  ~FreeTypeFace() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;
  bool Load(char32_t c) { return FT_Load_Char(face, c, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0; }
};

}  // namespace mediatest
