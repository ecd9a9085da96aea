#include "swf/SwfTagFactory.h"

#include "swf/AssetTags.h"
#include "swf/BitmapTags.h"
#include "swf/ButtonTags.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/FontTags.h"
#include "swf/MorphShape.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SoundTags.h"
#include "swf/TextTags.h"
#include "swf/VideoTags.h"

std::unique_ptr<SwfTag> CreateSwfTag(int code, uint32_t bodyLength) {
  // Lengths beyond the int32 range are clamped: no body can be that long in memory anyway.
  const auto length = static_cast<int32_t>(bodyLength > 0x7FFFFFFFu ? 0x7FFFFFFFu : bodyLength);
  switch (code) {
    case 0: return std::make_unique<EndTag>();
    case 1: return std::make_unique<ShowFrameTag>();
    case 2: return std::make_unique<DefineShapeTag>();
    case 3: return std::make_unique<FreeCharacterTag>(1);
    case 4: return std::make_unique<PlaceObjectTag>();
    case 5: return std::make_unique<RemoveObjectTag>(1, 1);
    case 6: return std::make_unique<DefineBitsTag>(length);
    case 7: return std::make_unique<DefineButtonTag>();
    case 8: return std::make_unique<JpegTablesTag>(length);
    case 9: return std::make_unique<SetBackgroundColorTag>(0, 0, 0);
    case 10: return std::make_unique<DefineFontTag>();
    case 11: return std::make_unique<DefineTextTag>();
    case 12: return std::make_unique<DoActionTag>();
    case 13: return std::make_unique<DefineFontInfoTag>();
    case 14: return std::make_unique<DefineSoundTag>();
    case 15: return std::make_unique<StartSoundTag>();
    case 17: return std::make_unique<DefineButtonSoundTag>();
    case 18: return std::make_unique<SoundStreamHeadTag>();
    case 19: return std::make_unique<SoundStreamBlockTag>();
    case 20: return std::make_unique<DefineBitsLosslessTag>(DefineBitsLosslessTag::kRgb32);
    case 21: {
      auto tag = std::make_unique<DefineBitsJpeg2Tag>();
      tag->SetTagLength(length);
      return tag;
    }
    case 22: return std::make_unique<DefineShape2Tag>();
    case 23: return std::make_unique<DefineButtonCxformTag>();
    case 24: return std::make_unique<ProtectTag>();
    case 26: return std::make_unique<PlaceObject2Tag>();
    case 28: return std::make_unique<RemoveObject2Tag>(1);
    case 32: return std::make_unique<DefineShape3Tag>();
    case 33: return std::make_unique<DefineText2Tag>();
    case 34: return std::make_unique<DefineButton2Tag>();
    case 35: return std::make_unique<DefineBitsJpeg3Tag>();
    case 36: return std::make_unique<DefineBitsLossless2Tag>(DefineBitsLosslessTag::kRgb32);
    case 37: return std::make_unique<DefineEditTextTag>();
    case 39: return std::make_unique<DefineSpriteTag>(1, 0);
    case 43: return std::make_unique<FrameLabelTag>();
    case 45: return std::make_unique<SoundStreamHead2Tag>();
    case 46: return std::make_unique<DefineMorphShapeTag>();
    case 48: return std::make_unique<DefineFont2Tag>();
    case 56: return std::make_unique<ExportAssetsTag>();
    case 57: return std::make_unique<ImportAssetsTag>();
    case 58: return std::make_unique<EnableDebuggerTag>();
    case 59: return std::make_unique<DoInitActionTag>();
    case 60: return std::make_unique<DefineVideoStreamTag>();
    case 61: return std::make_unique<VideoFrameTag>(length);
    case 62: return std::make_unique<DefineFontInfo2Tag>();
    case 64: return std::make_unique<EnableDebugger2Tag>();
    default: return std::make_unique<RawTag>(code, bodyLength);
  }
}

bool IsModelledSwfTagCode(int code) {
  switch (code) {
    case 16: case 25: case 27: case 29: case 30: case 31: case 38: case 40: case 41: case 42:
    case 44: case 47: case 49: case 50: case 51: case 52: case 53: case 54: case 55: case 63:
      return false;
    default:
      return code >= 0 && code <= 64;
  }
}
