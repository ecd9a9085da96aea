// The artwork of a display, taken from its library movie into the movie being built: the
// sprite that the instance "Preloader" places, with everything it needs, moved past the ids
// the output uses already.
//
// Load collects the tags; a display type may then change them (recolour instances, stretch
// a mask, add copies) before Write moves and writes them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/WideString.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"

class DefineSpriteTag;
class PlaceObject2Tag;
class SwfFileWriter;

class DisplayArtwork {
 public:
  DisplayArtwork() = default;
  DisplayArtwork(const DisplayArtwork&) = delete;
  DisplayArtwork& operator=(const DisplayArtwork&) = delete;

  // Reads the movie and collects the sprite of its instance "Preloader" (or of another
  // instance named) with the definitions it needs, every definition before its users. False,
  // with `why`, when the movie cannot be read, has no such instance placing a sprite, or the
  // sprite needs a character that the movie does not define.
  bool Load(const WideString& path, std::string& why, const WideString& instance = L"Preloader");

  // The first PlaceObject2 of the movie with that name, sprites searched too; null when none.
  PlaceObject2Tag* FindPlacement(const WideString& name);
  // The first PlaceObject2 with that name among the sprite's own children; null when none.
  static PlaceObject2Tag* FindChildPlacement(const DefineSpriteTag& sprite, const WideString& name);
  // The sprite a placement places, when the movie defines it as a sprite.
  DefineSpriteTag* FindSprite(const PlaceObject2Tag& placement);
  // Gives the named instance a colour transform that multiplies by the colour (0x00BBGGRR),
  // replacing any it had; a missing instance is passed over.
  void Recolor(const WideString& name, uint32_t color);

  // Takes a new definition of the display, gives it an id past every id of the library
  // movie (it moves with the artwork) and writes it before the collected tags. Returns its
  // id as the artwork stands before it is written; 0 when no id is left.
  uint16_t AddDefinition(std::unique_ptr<SwfCharacterTag> tag);
  // Takes the child out of the sprite's tag list (its frames stay as they were); null when
  // the sprite does not hold it.
  static std::unique_ptr<SwfTag> TakeChild(DefineSpriteTag& sprite, const SwfTag* child);
  // Whether a script of the collected artwork (frame scripts, clip scripts, buttons) names
  // the variable, alone or as the last member of a path.
  bool ScriptsName(const std::string& variable);

  // Moves the collected tags past the ids up to `lastId`, writes them in order and returns
  // the id of the display sprite; `lastId` then lies at or above every id written. 0, with
  // `why` and nothing written, when the ids do not fit.
  uint16_t Write(SwfFileWriter& writer, uint16_t& lastId, std::string& why);

  DefineSpriteTag* GetSprite() const { return sprite_; }
  const SwfTagRefs& Tags() const { return tags_; }

 private:
  SwfReader reader_;
  DefineSpriteTag* sprite_ = nullptr;
  SwfTagRefs tags_;
  SwfTagList added_;
  uint16_t maxPlaced_ = 0;
};
