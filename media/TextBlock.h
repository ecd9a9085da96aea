// A text with its font and layout: the common part of the texts a preloader shows.
#pragma once

#include <cstdint>

#include "platform/PlatformFont.h"
#include "platform/WideString.h"

// A font as a movie uses it: the system font and the colour its glyphs are drawn in.
class FontSpec : public PlatformFont {
 public:
  FontSpec() = default;
  uint32_t GetColor() const { return color_; }  // 0x00BBGGRR
  void SetColor(uint32_t color) { color_ = color; }

 private:
  uint32_t color_ = 0;
};

class TextBlock {
 public:
  enum Alignment : int32_t { kLeft = 0, kCenter = 1, kRight = 2, kJustify = 3 };

  TextBlock() = default;

  // Plain setters: no checks.
  void SetText(const WideString& text) { text_ = text; }
  void SetFont(const FontSpec& font) { font_ = font; }
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
