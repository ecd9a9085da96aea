#include "media/TextBlock.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "swf/SwfFileWriter.h"

namespace {

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

std::unique_ptr<SwfRgba> Opaque(uint32_t color) {
  return std::make_unique<SwfRgba>(static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                                   static_cast<uint8_t>(color >> 16), 255);
}

// The advance of a character in twips at the font's size: the em advance over
// k = 1024 / (size x 20), truncated toward zero.
int32_t AdvanceTwips(const PlatformFont& font, wchar_t c) {
  const int32_t size = font.GetSize();
  if (size <= 0) return 0;
  const double k = 1024.0 / (static_cast<double>(size) * 20.0);
  return static_cast<int32_t>(std::trunc(font.GetCharAdvanceEm(static_cast<char32_t>(c)) / k));
}

uint16_t Twips16(int64_t pixels) { return static_cast<uint16_t>(std::clamp<int64_t>(pixels * 20, 0, 0xFFFF)); }

int32_t Saturate32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

bool FitsInt16(int64_t v) {
  return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max();
}

}  // namespace

std::unique_ptr<DefineEditTextTag> TextBlock::MakeEditText(FontCollection& collection, SwfFileWriter& writer) const {
  FontSpec spec;
  static_cast<PlatformFont&>(spec) = font_;
  spec.SetColor(color_);
  const uint16_t fontId = collection.WriteFontTag(spec, writer);

  const int64_t h = static_cast<int64_t>(font_.GetSize()) * 20;
  const int64_t lineStep = static_cast<int64_t>(leading_) * 20 + h;
  int64_t widest = 0;
  int64_t width = 0;
  int64_t height = lineStep;
  for (wchar_t c : text_) {
    if (IsLineEnd(c)) {
      widest = std::max(widest, width);
      width = 0;
      height += lineStep;
    } else {
      width += AdvanceTwips(font_, c) + static_cast<int64_t>(tracking_) * 20;
    }
  }
  widest = std::max(widest, width);

  auto tag = std::make_unique<DefineEditTextTag>();
  tag->Init(0, Opaque(color_), L"");
  tag->fontHeight = static_cast<uint16_t>(std::clamp<int64_t>(h, 0, 0xFFFF));
  tag->SetFlag(DefineEditTextTag::kHasLayout, true);
  tag->initialText = text_;
  tag->SetFlag(DefineEditTextTag::kHasText, true);
  tag->leftMargin = 0;
  tag->rightMargin = 0;
  tag->indent = 0;
  tag->leading = static_cast<uint16_t>(
      static_cast<int16_t>(std::clamp<int64_t>(static_cast<int64_t>(leading_) * 20, -32768, 32767)));

  auto rect = [](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return std::make_unique<SwfRect>(clamp(x0), clamp(y0), clamp(x1), clamp(y1));
  };
  // The player draws a field's text 2 pixels in from each side: the bounds take both gutters,
  // so that the text starts where the block stands and its last character is not cut off.
  const int64_t g = kEditTextGutter;
  switch (alignment_) {
    case kLeft:
      tag->alignment = DefineEditTextTag::kAlignLeft;
      tag->bounds = rect(-g, -h, widest + g, h + height);
      break;
    case kCenter:
      tag->alignment = DefineEditTextTag::kAlignCenter;
      tag->bounds = rect(-widest / 2 - g, -h, widest / 2 + g, h + height);
      break;
    case kRight:
      tag->alignment = DefineEditTextTag::kAlignRight;
      tag->bounds = rect(-widest - g, -h, g, h + height);
      break;
    case kJustify:
      tag->alignment = DefineEditTextTag::kAlignJustify;
      tag->bounds = rect(-g, -h, widest + g, h + height);
      break;
    default: tag->bounds = rect(0, 0, 0, 0); break;
  }
  tag->fontId = fontId;
  tag->SetFlag(DefineEditTextTag::kHasFont, true);
  tag->SetReadOnly(true);
  tag->SetNoSelect(true);
  tag->SetUseOutlines(true);
  return tag;
}

bool StaticTextBlock::IsBlank(wchar_t c) {
  const uint32_t u = static_cast<uint32_t>(c);
  return u == 0x20 || u == 0x09 || u == 0x0B || u == 0x0C || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A && u != 0x2007) || u == 0x205F || u == 0x3000;
}

void StaticTextBlock::BreakLines() {
  lines_.assign(1, Line{});
  const int32_t available = static_cast<int32_t>(box_.right) - box_.left;
  struct Run {
    int64_t width = 0;
    int32_t count = 0;
    bool blank = false;
    bool present = false;
  } last;
  auto breakLine = [&]() {
    Line& line = lines_.back();
    if (last.present && last.blank) {
      line.width = Saturate32(line.width - last.width);
      line.spaceCount -= last.count;
    }
    lines_.emplace_back();
    last = Run{};
  };
  const size_t n = text_.size();
  size_t i = 0;
  while (i < n) {
    const wchar_t c = text_[i];
    if (IsLineEnd(c)) {
      lines_.back().characterCount += 1;
      lines_.emplace_back();
      last = Run{};
      ++i;
      continue;
    }
    size_t j = i;
    int64_t width = 0;
    if (IsBlank(c)) {
      while (j < n && IsBlank(text_[j])) width += font_.GetCharAdvance(static_cast<char32_t>(text_[j++]));
      Line& line = lines_.back();
      const int32_t count = static_cast<int32_t>(j - i);
      line.characterCount += count;
      line.spaceCount += count;
      line.runWidths.push_back(Saturate32(width));
      line.width = Saturate32(line.width + width);
      last = Run{width, count, true, true};
      i = j;
      continue;
    }
    if (wordWrap_ && lines_.back().width > available) breakLine();
    while (j < n && !IsBlank(text_[j]) && !IsLineEnd(text_[j]))
      width += font_.GetCharAdvance(static_cast<char32_t>(text_[j++]));
    if (wordWrap_ && lines_.back().width + width > available && !lines_.back().runWidths.empty()) breakLine();
    Line& line = lines_.back();
    const int32_t count = static_cast<int32_t>(j - i);
    line.characterCount += count;
    line.width = Saturate32(line.width + width);
    line.runWidths.push_back(Saturate32(width));
    last = Run{width, count, false, true};
    i = j;
  }
}

std::unique_ptr<DefineText2Tag> StaticTextBlock::MakeText(FontCollection& collection, SwfFileWriter& writer,
                                                          uint16_t& nextId) {
  BreakLines();
  FontSpec spec;
  static_cast<PlatformFont&>(spec) = font_;
  spec.SetColor(color_);
  const uint16_t fontId = collection.WriteFontTag(spec, writer);
  const int32_t s = font_.GetSize();
  if (nextId == 0xFFFF) return nullptr;
  const int32_t boxWidth = static_cast<int32_t>(box_.right) - box_.left;
  const int32_t boxHeight = static_cast<int32_t>(box_.bottom) - box_.top;

  auto tag = std::make_unique<DefineText2Tag>();
  tag->Init(nextId + 1, std::make_unique<SwfRect>(0, 0, boxWidth * 20, boxHeight * 20), std::make_unique<SwfMatrix>(),
            0, 0);

  const int64_t lineCount = static_cast<int64_t>(lines_.size());
  int64_t y = s;
  if (verticalAlign_ == kMiddle) y += (boxHeight >> 1) - (lineCount * s) / 2;
  if (verticalAlign_ == kBottom) y += boxHeight - lineCount * s;

  const size_t n = text_.size();
  size_t pos = 0;
  size_t lineIndex = 0;
  // Line ends at the start of the text are empty lines.
  while (pos < n && IsLineEnd(text_[pos])) {
    ++pos;
    ++lineIndex;
    y += s;
  }
  bool haveStyle = false;
  uint16_t lastFontId = 0;
  for (; lineIndex < lines_.size(); ++lineIndex) {
    const Line& line = lines_[lineIndex];
    if (line.characterCount == 0) {
      y += s;
      continue;
    }
    auto style = std::make_unique<TextStyleRecord>(TextStyleRecord::kRecordType, false);
    if (!haveStyle || fontId != lastFontId) {
      style->SetFontId(fontId);
      style->SetColor(Opaque(color_));
      style->SetTextHeight(Twips16(s));
      haveStyle = true;
      lastFontId = fontId;
    }
    int64_t x = 0;
    int64_t extra = 0;
    switch (horizontalAlign_) {
      case kCenter: x = (boxWidth >> 1) - (line.width >> 1); break;
      case kRight: x = static_cast<int64_t>(boxWidth) - line.width; break;
      case kJustify:
        extra = line.spaceCount > 0 ? (static_cast<int64_t>(boxWidth) - line.width) / line.spaceCount : boxWidth;
        break;
      default: break;
    }
    // Offsets are 16-bit twips: a line that would stand beyond them is refused, not wrapped.
    if (!FitsInt16(x * 20) || !FitsInt16(y * 20)) return nullptr;
    style->SetOffsets(static_cast<int16_t>(x * 20), static_cast<int16_t>(y * 20));
    tag->AddRecord(std::move(style));

    auto glyphs = std::make_unique<TextGlyphRecord>(0, false);
    const size_t end = std::min(n, pos + static_cast<size_t>(line.characterCount));
    for (; pos < end; ++pos) {
      const wchar_t c = text_[pos];
      if (IsLineEnd(c)) continue;
      GlyphEntry entry;
      entry.glyphIndex = static_cast<uint32_t>(collection.GetGlyphIndex(static_cast<char32_t>(c), font_));
      entry.advance = Saturate32(AdvanceTwips(font_, c) + (IsBlank(c) ? extra * 20 : 0));
      glyphs->entries.push_back(entry);
    }
    tag->AddRecord(std::move(glyphs));
    // The line ends that follow are empty lines.
    int32_t skipped = 0;
    while (pos < n && IsLineEnd(text_[pos]) && lineIndex + 1 < lines_.size() &&
           lines_[lineIndex + 1].characterCount == 1) {
      ++pos;
      ++lineIndex;
      ++skipped;
    }
    y += static_cast<int64_t>(s) * (1 + skipped);
  }
  ++nextId;
  return tag;
}
