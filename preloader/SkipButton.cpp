#include "preloader/SkipButton.h"

#include <algorithm>
#include <set>
#include <utility>

#include "swf/ButtonTags.h"
#include "swf/CharacterDependencies.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"

namespace {

// How many sprites lie between the placed character and the button: 0 when the character is
// the button, 1 when a sprite places it, and so on (the nearest placement counts); -1 when
// none does.
int NestingOf(SwfTag* definition, const SwfTag* button, const SwfTagList& tags) {
  std::vector<std::pair<SwfTag*, int>> queue = {{definition, 0}};
  std::set<SwfTag*> seen = {definition};
  for (size_t next = 0; next < queue.size(); ++next) {
    const auto [tag, level] = queue[next];
    if (tag == button) return level;
    if (tag->TagCode() != kSwfTagDefineSprite) continue;
    for (const auto& child : static_cast<DefineSpriteTag*>(tag)->Children()) {
      if (child->TagCode() != kSwfTagPlaceObject && child->TagCode() != kSwfTagPlaceObject2) continue;
      const auto* place = static_cast<const PlaceObjectTag*>(child.get());
      if (child->TagCode() == kSwfTagPlaceObject2 && !static_cast<const PlaceObject2Tag*>(place)->hasCharacter)
        continue;
      SwfTag* placed = FindTagByCharacterId(place->characterId, tags);
      if (placed != nullptr && seen.insert(placed).second) queue.emplace_back(placed, level + 1);
    }
  }
  return -1;
}

}  // namespace

uint16_t SkipButton::BuildDefinitions(SwfFileWriter& writer, uint16_t& lastId, std::string& why) const {
  const std::string name = WideToUtf8(path_);
  ResetCharacterIdRange();
  SwfReader reader;
  if (path_.empty() || !reader.LoadFileWithOptions(path_, true, 0, true)) {
    why = "the skip button movie " + name + " cannot be read as a SWF movie";
    return 0;
  }
  const uint16_t maxRead = GetMaxCharacterIdRead();
  const SwfTagList& tags = reader.GetTags();
  PlaceObject2Tag* placement = FindPlaceObject2ByName(L"skip_btn", tags);
  SwfTag* definition =
      placement != nullptr && placement->hasCharacter ? FindTagByCharacterId(placement->characterId, tags) : nullptr;
  if (definition == nullptr) {
    why = "the skip button movie " + name + " places no character as \"skip_btn\"";
    reader.FreeTags(true);
    return 0;
  }
  MovieDefinitionIndex index;
  index.Build(tags);
  SwfTagRefs collected;
  index.CollectDependencies(definition, collected);
  collected.push_back(definition);
  uint16_t definitionId = 0;
  if (GetDefinedCharacterId(*definition, definitionId))
    for (SwfTag* extra : index.ButtonExtrasOf(definitionId)) collected.push_back(extra);

  const int delta = lastId + 1;
  std::string reason;
  if (!CanRelocateTagList(collected, delta, 0, 0, &reason) || placement->characterId + delta > 0xFFFF) {
    why = "the button of the skip button movie " + name + " cannot be given ids of its own" +
          (reason.empty() ? std::string() : ": " + reason);
    reader.FreeTags(true);
    return 0;
  }
  // The release ends the loader as a completed load does: it sends the loader to its last
  // frame, which plays the main timeline on through the removal effect to "loaderdone". A
  // button's actions address the timeline that holds it: the loader itself, or a sprite of the
  // skip button's inside the loader, from which the path climbs to the loader.
  for (SwfTag* tag : collected) {
    if (tag->TagCode() != kSwfTagDefineButton2) continue;
    auto* button = static_cast<DefineButton2Tag*>(tag);
    const int nesting = std::max(0, NestingOf(definition, button, tags));
    std::wstring loader;
    for (int i = 0; i < nesting; ++i) loader += i == 0 ? L".." : L"/..";
    button->ClearConditionActions();
    auto actions = std::make_unique<DoActionTag>();
    if (!loader.empty()) actions->AddAction(std::make_unique<ActionSetTarget>(WideString(loader)));
    actions->AddAction(std::make_unique<ActionGotoFrame>(4));
    actions->AddAction(std::make_unique<ActionPlay>());
    if (!loader.empty()) actions->AddAction(std::make_unique<ActionSetTarget>(WideString(L"")));
    button->AddConditionAction(DefineButton2Tag::kOverDownToOverUp, std::move(actions));
    break;
  }
  const uint16_t id = static_cast<uint16_t>(placement->characterId + delta);
  RelocateTagList(collected, delta, 0, 0);
  for (SwfTag* tag : collected) writer.AddTag(tag, true);
  const int advanced = std::min<int>(0xFFFF, lastId + maxRead + 1);
  lastId = static_cast<uint16_t>(std::max<int>(advanced, GetLargestCharacterIdPresent(collected)));
  reader.FreeTags(true);
  return id;
}
