// Operations over tag lists: moving ids, depths and frames, finding definitions and placed
// instances, the largest ids and depths in use, and whether a list can be moved safely.
//
// A movie's tag list owns its tags (SwfTagList); lists built from it point into it
// (SwfTagRefs) and own nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "swf/SwfRecord.h"

class DefineMorphShapeTag;
class DefineShapeTag;
class PlaceObjectTag;
class PlaceObject2Tag;
class SetBackgroundColorTag;

using SwfTagList = std::vector<std::unique_ptr<SwfTag>>;
using SwfTagRefs = std::vector<SwfTag*>;

// Codes of the tags that define a character: shapes, bitmaps, buttons, fonts, texts (DefineText2
// included), sounds, sprites, morph shapes and video streams. Stream-sound heads carry no id
// in the file and are not among them.
bool IsCharacterDefinitionCode(int code);
// Codes of tags the model keeps only as bytes although they name characters, depths or frames
// (the tags of SWF 8 and later such as DefineShape4, PlaceObject3, DefineFont3,
// DefineMorphShape2, DefineBitsJPEG4, SymbolClass and the ActionScript 3 code tags).
bool IsOpaqueReferencingCode(int code);

// The id a tag defines: a modelled definition's character id, or the leading u16 of a
// definition kept as bytes (its own code or a later definition tag such as DefineShape4).
// False for tags that define nothing.
bool GetDefinedCharacterId(const SwfTag& tag, uint16_t& id);

// Calls Relocate on every tag of the list.
void RelocateTagList(const SwfTagList& tags, int idDelta, int depthDelta, int frameDelta);
void RelocateTagList(const SwfTagRefs& tags, int idDelta, int depthDelta, int frameDelta);

// Whether RelocateTagList with these deltas is safe: no id, depth or frame number of any tag
// (sprite children included) would leave its field, and no tag kept as bytes (one the model
// does not know, or a known one whose body could not be read) names ids, depths or frames
// that the deltas would move. When it is not, `reason` (when given) says why.
bool CanRelocateTagList(const SwfTagList& tags, int idDelta, int depthDelta, int frameDelta,
                        std::string* reason = nullptr);
bool CanRelocateTagList(const SwfTagRefs& tags, int idDelta, int depthDelta, int frameDelta,
                        std::string* reason = nullptr);

// The first definition with that id (definitions kept as bytes included); a DefineSprite
// matches by its own id, otherwise its children are searched before the search goes on. Null
// when none.
SwfTag* FindTagByCharacterId(uint16_t id, const SwfTagList& tags);

// The largest character id among the top-level definitions (sprites and definitions kept as
// bytes included, children not searched), PlaceObject2 ids and DoInitAction sprite ids, and
// the largest PlaceObject2 depth other than 0xFFFF; 0 when none.
void GetMaxCharacterIdAndDepth(const SwfTagList& tags, int& maxId, int& maxDepth);

// The largest character id that appears anywhere in the list: definitions (those kept as bytes
// included), placements, removals, sounds started, bitmaps filled with, button records and
// their sounds, fonts named by texts and font infos, assets exported and imported, DoInitAction
// sprites, the ids that tags kept as bytes are known to name, and the same inside every
// sprite. 0 when none. Ids handed out above it cannot collide with anything in the list.
uint16_t GetLargestCharacterIdPresent(const SwfTagList& tags);
uint16_t GetLargestCharacterIdPresent(const SwfTagRefs& tags);

// The bitmap ids a shape fills with: its initial fill styles and the new fill styles of its
// style-change records, bitmap fill types 0x40 to 0x43, in order of first appearance.
std::vector<uint16_t> GetShapeBitmapIds(const DefineShapeTag& shape);
// The same for a morph shape's fills and the new styles of its edges.
std::vector<uint16_t> GetMorphShapeBitmapIds(const DefineMorphShapeTag& morph);

// The first PlaceObject2 with a name equal to `name` (case-sensitive), sprites searched in
// place. Null when none.
PlaceObject2Tag* FindPlaceObject2ByName(const WideString& name, const SwfTagList& tags);

// The first SetBackgroundColor tag, or null.
SetBackgroundColorTag* FindBackgroundColorTag(const SwfTagList& tags);

// From the definition's position in the list on, the first PlaceObject or PlaceObject2 that
// places its id. Null when none (or when the definition is not in the list).
PlaceObjectTag* FindFirstPlacementAfter(const SwfTag* definition, const SwfTagList& tags);

// For each id: the first DefineBits with that id together with the last JPEGTables seen before
// it, or a DefineFont, DefineBitsLossless, DefineBitsJPEG2, DefineBitsJPEG3, DefineBitsLossless2
// or DefineFont2 with that id, appended to `out` unless already there.
void CollectBitmapAndFontTags(SwfTagRefs& out, const std::vector<uint16_t>& ids, const SwfTagList& tags);
