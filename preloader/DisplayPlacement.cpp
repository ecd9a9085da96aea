// The display inside the loader: its definitions, the one-frame wrapper sprite that holds it
// with its clip scripts, and the wrapper's placement in the loader's frame 3.
#include <memory>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/PreloaderDisplay.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"

void PreloaderBuilder::PlaceDisplay(SwfFileWriter& writer, DefineSpriteTag& loader, uint16_t& loaderDepth) {
  PreloaderDisplay* display = project_->GetDisplay();
  if (!project_->IsDisplayEnabled() || display == nullptr) return;
  // The loader waits for a display that declares anm.
  anmDisplay_ = display->HasAnmVariable();

  // The display preview centres the display on its own stage (its size and 20 pixels); the
  // display itself keeps its place.
  int32_t x = display->GetX();
  int32_t y = display->GetY();
  if (project_->IsDisplayOnlyPreview()) {
    x = (display->GetWidth() + 20) / 2 - display->GetWidth() / 2;
    y = (display->GetHeight() + 20) / 2 - display->GetHeight() / 2;
  }

  const uint16_t spriteId = display->BuildDefinitions(writer, *this);
  if (spriteId == 0) {
    Fail("The display \"" + WideToUtf8(display->GetName()) + "\" cannot be built: " + display->GetBuildError() + ".");
    return;
  }
  for (const std::string& warning : display->GetBuildWarnings())
    warnings_.push_back("The display \"" + WideToUtf8(display->GetName()) + "\" " + warning);
  auto inner = std::make_unique<PlaceObject2Tag>();
  inner->SetCharacterId(spriteId);
  inner->depth = ++loaderDepth;
  display->AttachScript(*inner);

  displaySpriteId_ = ++*characterIds_;
  auto wrapper = std::make_unique<DefineSpriteTag>(displaySpriteId_, 0);
  wrapper->AddTag(std::move(inner));
  wrapper->AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::move(wrapper));

  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(displaySpriteId_);
  place->depth = ++loaderDepth;
  place->SetMatrix(SwfMatrix::Make(20 * (x + display->GetWidth() / 2), 20 * (y + display->GetHeight() / 2),
                                   static_cast<float>(display->GetXScale()), static_cast<float>(display->GetYScale()),
                                   static_cast<float>(display->GetSkew0()), static_cast<float>(display->GetSkew1())));
  loader.AddTag(std::move(place));
}
