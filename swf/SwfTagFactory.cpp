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
    case kSwfTagEnd: return std::make_unique<EndTag>();
    case kSwfTagShowFrame: return std::make_unique<ShowFrameTag>();
    case kSwfTagDefineShape: return std::make_unique<DefineShapeTag>();
    case kSwfTagFreeCharacter: return std::make_unique<FreeCharacterTag>(1);
    case kSwfTagPlaceObject: return std::make_unique<PlaceObjectTag>();
    case kSwfTagRemoveObject: return std::make_unique<RemoveObjectTag>(1, 1);
    case kSwfTagDefineBits: return std::make_unique<DefineBitsTag>(length);
    case kSwfTagDefineButton: return std::make_unique<DefineButtonTag>();
    case kSwfTagJpegTables: return std::make_unique<JpegTablesTag>(length);
    case kSwfTagSetBackgroundColor: return std::make_unique<SetBackgroundColorTag>(0, 0, 0);
    case kSwfTagDefineFont: return std::make_unique<DefineFontTag>();
    case kSwfTagDefineText: return std::make_unique<DefineTextTag>();
    case kSwfTagDoAction: return std::make_unique<DoActionTag>();
    case kSwfTagDefineFontInfo: return std::make_unique<DefineFontInfoTag>();
    case kSwfTagDefineSound: return std::make_unique<DefineSoundTag>();
    case kSwfTagStartSound: return std::make_unique<StartSoundTag>();
    case kSwfTagDefineButtonSound: return std::make_unique<DefineButtonSoundTag>();
    case kSwfTagSoundStreamHead: return std::make_unique<SoundStreamHeadTag>();
    case kSwfTagSoundStreamBlock: return std::make_unique<SoundStreamBlockTag>();
    case kSwfTagDefineBitsLossless: return std::make_unique<DefineBitsLosslessTag>(DefineBitsLosslessTag::kRgb32);
    case kSwfTagDefineBitsJpeg2: {
      auto tag = std::make_unique<DefineBitsJpeg2Tag>();
      tag->SetTagLength(length);
      return tag;
    }
    case kSwfTagDefineShape2: return std::make_unique<DefineShape2Tag>();
    case kSwfTagDefineButtonCxform: return std::make_unique<DefineButtonCxformTag>();
    case kSwfTagProtect: return std::make_unique<ProtectTag>();
    case kSwfTagPlaceObject2: return std::make_unique<PlaceObject2Tag>();
    case kSwfTagRemoveObject2: return std::make_unique<RemoveObject2Tag>(1);
    case kSwfTagDefineShape3: return std::make_unique<DefineShape3Tag>();
    case kSwfTagDefineText2: return std::make_unique<DefineText2Tag>();
    case kSwfTagDefineButton2: return std::make_unique<DefineButton2Tag>();
    case kSwfTagDefineBitsJpeg3: return std::make_unique<DefineBitsJpeg3Tag>();
    case kSwfTagDefineBitsLossless2: return std::make_unique<DefineBitsLossless2Tag>(DefineBitsLosslessTag::kRgb32);
    case kSwfTagDefineEditText: return std::make_unique<DefineEditTextTag>();
    case kSwfTagDefineSprite: return std::make_unique<DefineSpriteTag>(1, 0);
    case kSwfTagFrameLabel: return std::make_unique<FrameLabelTag>();
    case kSwfTagSoundStreamHead2: return std::make_unique<SoundStreamHead2Tag>();
    case kSwfTagDefineMorphShape: return std::make_unique<DefineMorphShapeTag>();
    case kSwfTagDefineFont2: return std::make_unique<DefineFont2Tag>();
    case kSwfTagExportAssets: return std::make_unique<ExportAssetsTag>();
    case kSwfTagImportAssets: return std::make_unique<ImportAssetsTag>();
    case kSwfTagEnableDebugger: return std::make_unique<EnableDebuggerTag>();
    case kSwfTagDoInitAction: return std::make_unique<DoInitActionTag>();
    case kSwfTagDefineVideoStream: return std::make_unique<DefineVideoStreamTag>();
    case kSwfTagVideoFrame: return std::make_unique<VideoFrameTag>(length);
    case kSwfTagDefineFontInfo2: return std::make_unique<DefineFontInfo2Tag>();
    case kSwfTagEnableDebugger2: return std::make_unique<EnableDebugger2Tag>();
    default: return std::make_unique<RawTag>(code, bodyLength);
  }
}

bool IsModelledSwfTagCode(int code) {
  switch (code) {
    // Codes that no tag up to SWF 6 has.
    case 16:
    case 25:
    case 27:
    case 29:
    case 30:
    case 31:
    case 38:
    case 40:
    case 41:
    case 42:
    case 44:
    case 47:
    case 49:
    case 50:
    case 51:
    case 52:
    case 53:
    case 54:
    case 55:
    case 63: return false;
    default: return code >= kSwfTagEnd && code <= kSwfTagEnableDebugger2;
  }
}
