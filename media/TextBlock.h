// Texts with their font and layout, built into SWF text tags with the movie's embedded fonts:
// TextBlock gives a read-only DefineEditText (the messages of a preloader), StaticTextBlock lays
// a text out in a box, with word wrap and alignment, as a DefineText2 of glyph runs.
//
// Positions, leading and tracking are pixels; the tags get twips (pixels x 20). A character's
// advance is PlatformFont::GetCharAdvanceEm at the font's size (points taken as pixels), in
// twips: advanceEm / (1024 / (size x 20)), truncated toward zero.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "media/FontCollection.h"
#include "platform/PlatformFont.h"
#include "platform/WideString.h"
#include "swf/TextTags.h"

class SwfFileWriter;

class TextBlock {
 public:
  enum Alignment : int32_t { kLeft = 0, kCenter = 1, kRight = 2, kJustify = 3 };
  // The margin, in twips, the player keeps between a field's bounds and its text on each side.
  static constexpr int32_t kEditTextGutter = 40;

  // The system font at 12 points; colour, position, leading, tracking and alignment 0.
  TextBlock() { font_.SetSize(12); }

  // Plain setters: no checks. SetFont copies the family, size and style of any font.
  void SetText(const WideString& text) { text_ = text; }
  void SetFont(const PlatformFont& font) { static_cast<PlatformFont&>(font_) = font; }
  void SetColor(uint32_t color) { color_ = color; }
  void SetX(int32_t x) { x_ = x; }
  void SetY(int32_t y) { y_ = y; }
  void SetTracking(int32_t tracking) { tracking_ = tracking; }
  void SetLeading(int32_t leading) { leading_ = leading; }
  void SetAlignment(int32_t alignment) { alignment_ = alignment; }

  const WideString& GetText() const { return text_; }
  const FontSpec& GetFont() const { return font_; }
  FontSpec& Font() { return font_; }
  uint32_t GetColor() const { return color_; }
  int32_t GetX() const { return x_; }
  int32_t GetY() const { return y_; }
  int32_t GetTracking() const { return tracking_; }
  int32_t GetLeading() const { return leading_; }
  int32_t GetAlignment() const { return alignment_; }

  // A read-only DefineEditText with character id 0 (the caller gives it its id) that shows the
  // text in the embedded font: bounds from the widest line (widened by the player's gutters)
  // and the line count, the block's alignment, colour and leading. The font's DefineFont2 is written on its first use.
  std::unique_ptr<DefineEditTextTag> MakeEditText(FontCollection& collection, SwfFileWriter& writer) const;

 private:
  WideString text_;
  FontSpec font_;
  uint32_t color_ = 0;
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t leading_ = 0;
  int32_t tracking_ = 0;
  int32_t alignment_ = kLeft;
};

// A box in pixels.
struct TextBox {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 10;
  int16_t right = 10;
};

class StaticTextBlock {
 public:
  enum HorizontalAlign : int32_t { kLeft = 0, kCenter = 1, kRight = 2, kJustify = 3 };
  enum VerticalAlign : int32_t { kTop = 0, kMiddle = 1, kBottom = 2 };

  struct Line {
    std::vector<int32_t> runWidths;  // pixels, one per word or run of blanks
    int32_t width = 0;               // pixels
    int32_t characterCount = 0;      // every character the line takes, its CR or LF included
    int32_t spaceCount = 0;          // blanks that justification widens
  };

  StaticTextBlock() { font_.SetSize(12); }

  void SetText(const WideString& text) { text_ = text; }
  void SetFont(const PlatformFont& font) { font_ = font; }
  void SetColor(uint32_t color) { color_ = color; }
  void SetBounds(const TextBox& box) { box_ = box; }
  void SetHorizontalAlign(int32_t align) { horizontalAlign_ = align; }
  void SetVAlign(int32_t align) { verticalAlign_ = align; }
  void SetWordWrap(bool on) { wordWrap_ = on; }

  // Breaks the text into lines at CR and LF and, with word wrap, before a word that would make
  // the line wider than the box. A blank run that ends a wrapped line stays on it but out of
  // its width; a word wider than the box stays whole on a line of its own.
  void BreakLines();
  const std::vector<Line>& GetLines() const { return lines_; }

  // Lays the text out and returns a DefineText2 with character id ++nextId (null when the ids
  // would pass 65535). The font's DefineFont2 is written on its first use. A character the
  // font's entry does not hold gets glyph index -1 (every bit set).
  std::unique_ptr<DefineText2Tag> MakeText(FontCollection& collection, SwfFileWriter& writer, uint16_t& nextId);

  // The blanks of the layout: ASCII space, tab, vertical tab and form feed, and the Unicode
  // spaces that allow a break.
  static bool IsBlank(wchar_t c);

 private:
  std::vector<Line> lines_;
  WideString text_;
  PlatformFont font_;
  uint32_t color_ = 0;
  int32_t horizontalAlign_ = kLeft;
  int32_t verticalAlign_ = kTop;
  TextBox box_;
  bool wordWrap_ = true;
};
