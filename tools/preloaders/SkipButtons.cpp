// Skip-button movies for the tests: a button placed as "skip_btn" on the main timeline, the
// same button inside a sprite, a "skip_btn" clip without any button, and a movie without the
// instance. The button is a 60 x 30 pixel rectangle whose top left corner is its origin; its
// own release action traces "own action", which the generator replaces.
#include "swf/ActionPush.h"
#include "swf/ButtonTags.h"
#include "swf/SimpleActions.h"
#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

uint16_t DefineButton(LibraryMovie& movie) {
  ShapePen face(Rgba{200, 30, 30, 255});
  face.Rect(0, 0, 60, 30);
  const uint16_t shape = movie.DefineShape(face);
  auto button = std::make_unique<DefineButton2Tag>();
  auto record = std::make_unique<ButtonRecord>();
  record->stateFlags = ButtonRecord::kUp | ButtonRecord::kOver | ButtonRecord::kDown | ButtonRecord::kHitTest;
  record->characterId = shape;
  record->depth = 1;
  record->matrix = std::make_unique<SwfMatrix>();
  record->colorTransform = std::make_unique<SwfCxformWithAlpha>();
  button->records.push_back(std::move(record));
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionPush>(WideString(L"own action")));
  actions->AddAction(std::make_unique<ActionTrace>());
  button->AddConditionAction(DefineButton2Tag::kOverDownToOverUp, std::move(actions));
  return movie.Define(std::move(button));
}

// The instance on the main timeline (the generator places the button without its matrix).
bool WriteWithInstance(uint16_t (*define)(LibraryMovie&), const std::wstring& instance, const std::string& path,
                       std::string& why) {
  LibraryMovie movie(60, 30);
  const uint16_t id = define(movie);
  movie.PlaceAtCentre(id, instance);
  return movie.Write(path, why);
}

bool Button(const std::string& path, std::string& why) {
  return WriteWithInstance(DefineButton, L"skip_btn", path, why);
}

bool ButtonInSprite(const std::string& path, std::string& why) {
  return WriteWithInstance([](LibraryMovie& movie) { return movie.DefineSprite({{DefineButton(movie)}}); }, L"skip_btn",
                           path, why);
}

bool ClipWithoutButton(const std::string& path, std::string& why) {
  return WriteWithInstance(
      [](LibraryMovie& movie) {
        ShapePen face(Rgba{30, 30, 200, 255});
        face.Rect(0, 0, 60, 30);
        return movie.DefineClip(face);
      },
      L"skip_btn", path, why);
}

bool NoInstance(const std::string& path, std::string& why) {
  return WriteWithInstance(DefineButton, L"other", path, why);
}

}  // namespace

std::vector<CatalogueEntry> SkipButtonFixtureMovies() {
  return {{"skip/button.swf", Button},
          {"skip/button-in-sprite.swf", ButtonInSprite},
          {"skip/clip-without-button.swf", ClipWithoutButton},
          {"skip/no-instance.swf", NoInstance}};
}

}  // namespace preloaders
