// Displays from library movies: which movies serve as displays and why others do not, the
// library read from its folders, and a display built into a preloader (its artwork moved past
// the ids in use, recoloured, wrapped and placed; the bar types' own changes and scripts).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "preloader/AnimatedDisplays.h"
#include "preloader/BarDisplays.h"
#include "preloader/DisplayArtwork.h"
#include "preloader/PieDisplay.h"
#include "preloader/PoleAndRotateDisplays.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/PreloaderDisplay.h"
#include "preloader/PreloaderFolders.h"
#include "preloader/ProjectDocument.h"
#include "preloader/SegmentsDisplay.h"
#include "swf/ActionConstantPool.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/ActionChecker.h"

namespace {

namespace fs = std::filesystem;
using displaytest::Fixture;
using displaytest::Shipped;

template <typename T>
bool IsA(PreloaderDisplay* display) {
  return dynamic_cast<T*>(display) != nullptr;
}

TEST(PreloaderDisplayTest, EveryShippedMovieIsAccepted) {
  struct Case {
    const char* file;
    const wchar_t* name;
    bool (*isType)(PreloaderDisplay*);
    int width, height;
    bool anm;
    int storedWidth = 0;  // when the display starts wider than its natural size
  };
  const Case cases[] = {{"Bars/classic-bar.swf", L"Classic Bar", IsA<HBarDisplay>, 200, 16, false},
                        {"Bars/slim-bar.swf", L"Slim Bar", IsA<HBarDisplay>, 300, 4, false},
                        {"Bars/segment-bar.swf", L"Segment Bar", IsA<BarSegDisplay>, 200, 16, false},
                        {"Animations/orbit.swf", L"Orbit", IsA<AnimationDisplay>, 64, 64, true},
                        {"Frames/battery.swf", L"Battery", IsA<FrameBasedDisplay>, 96, 44, false},
                        {"Frames/dot-ring.swf", L"Dot Ring", IsA<FrameBasedDisplay>, 64, 64, false},
                        {"Pies/pie.swf", L"Pie", IsA<PieDisplay>, 120, 120, false},
                        {"Poles/barber-pole.swf", L"Barber Pole", IsA<PoleDisplay>, 200, 16, false},
                        {"Dials/dial.swf", L"Dial", IsA<RotateDisplay>, 80, 80, false},
                        // A row of five: 12-pixel segments 2 apart, then the natural size's rest.
                        {"Segments/led-row.swf", L"LED Row", IsA<SegmentsDisplay>, 14, 20, false, 70},
                        {"Segments/pop-segments.swf", L"Pop Segments", IsA<SegmentsDisplay>, 14, 20, true, 70}};
  for (const Case& c : cases) {
    std::string why;
    std::unique_ptr<PreloaderDisplay> display = LoadPreloaderDisplay(Utf8ToWide(Shipped(c.file)), &why);
    ASSERT_NE(display, nullptr) << c.file << ": " << why;
    EXPECT_EQ(display->GetName(), c.name);
    EXPECT_TRUE(c.isType(display.get())) << c.file;
    EXPECT_EQ(display->GetBaseWidth(), c.width) << c.file;
    EXPECT_EQ(display->GetBaseHeight(), c.height) << c.file;
    EXPECT_EQ(display->GetStoredWidth(), c.storedWidth != 0 ? c.storedWidth : c.width) << c.file;
    EXPECT_EQ(display->HasAnmVariable(), c.anm) << c.file;
  }
  // Every movie of the shipped library is one of those above.
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(PLENWICK_PRELOADERS_DIR)) count += entry.is_regular_file();
  EXPECT_EQ(count, static_cast<int>(std::size(cases)));
}

TEST(PreloaderDisplayTest, EveryMalformedMovieIsRefusedWithItsReason) {
  const std::map<std::string, std::string> cases = {
      {"not-a-movie.swf", "cannot be read as a SWF movie"},
      {"no-format.swf", "does not declare the format \"plenwick\""},
      {"foreign-format.swf", "does not declare the format \"plenwick\""},
      {"no-type.swf", "declares no display type"},
      {"unknown-type.swf", "display type \"spiral\" is not one"},
      {"zero-base-width.swf", "base_width and base_height must lie within 1 to 5000"},
      {"negative-seg-width.swf", "seg_width must lie within 1 to 5000"},
      {"no-preloader.swf", "has no instance named \"Preloader\""},
      {"preloader-is-a-shape.swf", "places no sprite"},
      {"missing-character.swf", "uses characters the movie does not define"}};
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(Fixture("malformed"))) {
    const std::string file = entry.path().filename().string();
    ASSERT_EQ(cases.count(file), 1u) << "no expectation for " << file;
    std::string why;
    EXPECT_EQ(LoadPreloaderDisplay(Utf8ToWide(entry.path().string()), &why), nullptr) << file;
    EXPECT_NE(why.find(cases.at(file)), std::string::npos) << file << ": " << why;
    ++seen;
  }
  EXPECT_EQ(seen, static_cast<int>(cases.size()));
}

TEST(PreloaderDisplayTest, DescriptionOfAMovieInOtherLetterCases) {
  std::string why;
  std::unique_ptr<PreloaderDisplay> display = LoadPreloaderDisplay(Utf8ToWide(Fixture("valid/letter-case.swf")), &why);
  ASSERT_NE(display, nullptr) << why;
  auto* bar = dynamic_cast<HBarDisplay*>(display.get());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetName(), L"Letter Case");
  // Colours are taken as written: red in the low byte, the preview background included.
  EXPECT_TRUE(bar->IsFgRecolored());
  EXPECT_TRUE(bar->IsBgRecolored());
  EXPECT_EQ(bar->GetFgColor(), 0x0000FFu);
  EXPECT_EQ(bar->GetBgColor(), 0x00FF00u);
  EXPECT_EQ(bar->GetBackgroundColor(), 0x332211u);
  // The slim bar declares only its foreground.
  display = LoadPreloaderDisplay(Utf8ToWide(Shipped("Bars/slim-bar.swf")), &why);
  bar = dynamic_cast<HBarDisplay*>(display.get());
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsFgRecolored());
  EXPECT_FALSE(bar->IsBgRecolored());
  EXPECT_EQ(bar->GetBgColor(), 0x555555u);
}

TEST(PreloaderDisplayTest, SetSkewChangesBothAnglesAsOneChange) {
  PreloaderDisplay display;
  display.SetSkew1(10.0);
  display.SetChanged(false);
  ResetModificationCount();
  display.SetSkew(10.0);  // the first angle differs
  EXPECT_EQ(PeekModificationCount(), 1);
  EXPECT_TRUE(display.IsChanged());
  EXPECT_EQ(display.GetSkew0(), 10.0);
  EXPECT_EQ(display.GetSkew1(), 10.0);
  display.SetChanged(false);
  display.SetSkew(10.0);
  EXPECT_EQ(PeekModificationCount(), 1);
  EXPECT_FALSE(display.IsChanged());
}

TEST(PreloaderDisplayTest, CompareWideNoCaseFoldsOnlyLetters) {
  EXPECT_EQ(CompareWideNoCase(L"PlenWick", L"plenwick"), 0);
  EXPECT_EQ(CompareWideNoCase(L"hbar", L"hbars"), -1);
  EXPECT_EQ(CompareWideNoCase(L"bar_seg", L"BAR_SEG"), 0);
  EXPECT_EQ(CompareWideNoCase(L"b", L"A"), 1);
}

// The library of a folder tree: files before sub-folders, names in byte order; a display name
// met twice keeps the first; links to folders and files without ".swf" are passed over.
TEST(PreloaderDisplayTest, LibraryReadFromAFolderTree) {
  projecttest::ScratchDir dir;
  const fs::path root = dir.Native("Preloaders");
  fs::create_directories(root / "Bars");
  fs::create_directories(root / "Zed");
  fs::create_directories(dir.Native("elsewhere"));
  fs::copy_file(Shipped("Bars/classic-bar.swf"), root / "Bars/classic-bar.swf");
  fs::copy_file(Shipped("Bars/slim-bar.swf"), root / "Bars/slim-bar.swf");
  fs::copy_file(Shipped("Bars/segment-bar.swf"), root / "Zed/segment-bar.swf");
  fs::copy_file(Fixture("valid/duplicate-name.swf"), root / "b.swf");
  fs::copy_file(Fixture("malformed/no-format.swf"), root / "Zed/broken.swf");
  fs::copy_file(Fixture("valid/letter-case.swf"), fs::path(dir.Native("elsewhere")) / "letter-case.swf");
  fs::create_directory_symlink(dir.Native("elsewhere"), root / "Linked");
  projecttest::WriteText((root / "readme.txt").string(), "not a movie");

  PreloaderLibrary library;
  PreloaderScan scan;
  ScanPreloaderFolder(Utf8ToWide(root.string()), library, scan);
  std::vector<std::wstring> names;
  for (int i = 0; i < library.GetCount(); ++i) names.push_back(library.Get(i)->GetName());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Classic Bar", L"Segment Bar", L"Slim Bar"}));
  // The first "Classic Bar" read is the one in the top folder.
  EXPECT_EQ(library.FindByName(L"Classic Bar")->GetPath(), Utf8ToWide((root / "b.swf").string()));

  std::vector<std::wstring> folders;
  for (const PreloaderFolder& f : scan.folders) folders.push_back(f.GetName());
  EXPECT_EQ(folders, (std::vector<std::wstring>{L"Preloaders", L"Bars", L"Zed"}));
  ASSERT_EQ(scan.folders[1].displayNames.size(), 1u);
  EXPECT_EQ(scan.folders[1].displayNames[0], L"Slim Bar");

  std::map<std::string, std::string> refused;
  for (const RefusedPreloader& r : scan.refused) refused[fs::path(WideToUtf8(r.path)).filename().string()] = r.reason;
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_NE(refused["classic-bar.swf"].find("named \"Classic Bar\" already"), std::string::npos);
  EXPECT_NE(refused["broken.swf"].find("plenwick"), std::string::npos);
}

TEST(PreloaderDisplayTest, TheUsersLibraryFolderFollowsTheDataFolder) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  std::vector<WideString> paths = GetPreloaderFolderPaths();
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.back(), L"/data/home/Plenwick/Preloaders");
  ::unsetenv("XDG_DATA_HOME");
  paths = GetPreloaderFolderPaths();
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(paths.back(), Utf8ToWide(std::string(home) + "/.local/share/Plenwick/Preloaders"));
  }
  if (old != nullptr) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

// --- built into a preloader ------------------------------------------------------------------

class DisplayBuildTest : public ::testing::Test {
 protected:
  // Builds the project; the movie's tags, or empty with a test failure.
  SwfTagList Build(const char* name = "out.swf") {
    PreloaderBuilder builder;
    const bool ok = builder.Build(dir.Path(name), project, true);
    EXPECT_TRUE(ok) << builder.GetError();
    if (!ok) return {};
    EXPECT_TRUE(reader.LoadFileWithOptions(dir.Path(name), true, 0, true));
    return reader.TakeTags();
  }
  projecttest::ScratchDir dir;
  PreloaderData project;
  SwfReader reader;
};

// Each id is defined once, and every placement and bitmap fill names a defined character.
void ExpectIdsDefinedOnce(const SwfTagList& tags) {
  std::set<uint16_t> defined;
  for (const auto& tag : tags) {
    uint16_t id = 0;
    if (GetDefinedCharacterId(*tag, id)) {
      EXPECT_TRUE(defined.insert(id).second) << "id " << id << " defined twice";
    }
  }
  for (const auto& tag : tags) {
    if (auto* shape = dynamic_cast<DefineShapeTag*>(tag.get())) {
      for (uint16_t bitmap : GetShapeBitmapIds(*shape)) EXPECT_EQ(defined.count(bitmap), 1u) << bitmap;
    }
    if (auto* sprite = dynamic_cast<DefineSpriteTag*>(tag.get())) {
      for (const auto& child : sprite->Children()) {
        auto* place = dynamic_cast<PlaceObject2Tag*>(child.get());
        if (place != nullptr && place->hasCharacter) {
          EXPECT_EQ(defined.count(place->characterId), 1u) << place->characterId;
        }
      }
    }
  }
}

TEST_F(DisplayBuildTest, TheDisplayIsWrappedAndPlacedInTheLoader) {
  PreloaderDisplay* display = displaytest::ShowDisplay(project, Fixture("valid/letter-case.swf"));
  ASSERT_NE(display, nullptr);
  ASSERT_TRUE(display->SetX(30));
  ASSERT_TRUE(display->SetY(40));
  ASSERT_TRUE(display->SetWidth(150));
  const SwfTagList tags = Build();
  ASSERT_FALSE(tags.empty());
  ExpectIdsDefinedOnce(tags);

  // The loader's frame 3 places the wrapper at the display's centre, unscaled: an hbar sizes
  // itself.
  PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
  ASSERT_NE(ldr, nullptr);
  auto* loader = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, tags));
  ASSERT_NE(loader, nullptr);
  std::vector<PlaceObject2Tag*> placed;
  int frame = 0;
  for (const auto& child : loader->Children()) {
    if (child->TagCode() == 1) ++frame;
    if (auto* p = dynamic_cast<PlaceObject2Tag*>(child.get())) {
      EXPECT_EQ(frame, 2) << "placed outside frame 3";
      placed.push_back(p);
    }
  }
  ASSERT_EQ(placed.size(), 1u);
  ASSERT_NE(placed[0]->matrix, nullptr);
  EXPECT_EQ(placed[0]->matrix->translateX, (30 + 75) * 20);
  EXPECT_EQ(placed[0]->matrix->translateY, (40 + 5) * 20);
  EXPECT_FALSE(placed[0]->matrix->hasScale && placed[0]->matrix->scaleX != 65536);
  auto* wrapper = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(placed[0]->characterId, tags));
  ASSERT_NE(wrapper, nullptr);
  auto* inner = dynamic_cast<PlaceObject2Tag*>(wrapper->Children().at(0).get());
  ASSERT_NE(inner, nullptr);
  ASSERT_EQ(inner->clipActions.size(), 2u);
  EXPECT_EQ(inner->clipActions[0]->eventFlags, 1u);
  EXPECT_EQ(inner->clipActions[1]->eventFlags, 2u);
  EXPECT_NE(dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(inner->characterId, tags)), nullptr);

  // The colours multiply the white artwork: blue 0x0000FF is red 256 (red in the low byte).
  struct Expect {
    const wchar_t* name;
    int red, green, blue;
  };
  for (const Expect& e : {Expect{L"ldrfg", 256, 0, 0}, Expect{L"ldrbg", 0, 256, 0}}) {
    PlaceObject2Tag* part = FindPlaceObject2ByName(e.name, tags);
    ASSERT_NE(part, nullptr);
    ASSERT_NE(part->colorTransformAlpha, nullptr) << e.name;
    EXPECT_TRUE(part->colorTransformAlpha->hasMult);
    EXPECT_FALSE(part->colorTransformAlpha->hasAdd);
    EXPECT_EQ(part->colorTransformAlpha->redMult, e.red) << e.name;
    EXPECT_EQ(part->colorTransformAlpha->greenMult, e.green) << e.name;
    EXPECT_EQ(part->colorTransformAlpha->blueMult, e.blue) << e.name;
    EXPECT_EQ(part->colorTransformAlpha->alphaMult, 256);
  }
}

// The display preview centres the display on a stage 20 pixels larger than itself, without
// moving the display or counting a change of the project.
TEST_F(DisplayBuildTest, TheDisplayPreviewCentresTheDisplayWithoutMovingIt) {
  PreloaderDisplay* display = displaytest::ShowDisplay(project, Shipped("Bars/classic-bar.swf"));
  ASSERT_NE(display, nullptr);
  ASSERT_TRUE(display->SetWidth(100));
  ASSERT_TRUE(display->SetHeight(50));
  ASSERT_TRUE(display->SetX(-300));
  ASSERT_TRUE(display->SetY(700));
  project.SetPreviewMode(true, true);
  display->SetChanged(false);
  ResetModificationCount();
  const SwfTagList tags = Build();
  ASSERT_FALSE(tags.empty());
  EXPECT_EQ(reader.GetFrameWidth(), 120 * 20);
  EXPECT_EQ(reader.GetFrameHeight(), 70 * 20);
  PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
  auto* loader = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, tags));
  ASSERT_NE(loader, nullptr);
  const PlaceObject2Tag* wrapper = nullptr;
  for (const auto& child : loader->Children()) {
    if (auto* p = dynamic_cast<PlaceObject2Tag*>(child.get())) wrapper = p;
  }
  ASSERT_TRUE(wrapper != nullptr && wrapper->matrix != nullptr);
  EXPECT_EQ(wrapper->matrix->translateX, 60 * 20);
  EXPECT_EQ(wrapper->matrix->translateY, 35 * 20);
  EXPECT_EQ(display->GetX(), -300);
  EXPECT_EQ(display->GetY(), 700);
  EXPECT_EQ(PeekModificationCount(), 0);
  EXPECT_FALSE(display->IsChanged());
}

// The bitmap of this artwork has an id above every id its movie places: the ids handed out
// after the artwork still lie above it.
TEST_F(DisplayBuildTest, IdsOfTheArtworkNeverCollideWithLaterOnes) {
  ASSERT_NE(displaytest::ShowDisplay(project, Fixture("valid/unplaced-bitmap.swf")), nullptr);
  const SwfTagList tags = Build();
  ASSERT_FALSE(tags.empty());
  ExpectIdsDefinedOnce(tags);
}

TEST_F(DisplayBuildTest, ALibraryMovieThatIsGoneFailsTheBuild) {
  fs::copy_file(Fixture("valid/letter-case.swf"), dir.Native("bar.swf"));
  ASSERT_NE(displaytest::ShowDisplay(project, dir.Native("bar.swf")), nullptr);
  fs::remove(dir.Native("bar.swf"));
  PreloaderBuilder builder;
  EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
  EXPECT_NE(builder.GetError().find("The display \"Letter Case\" cannot be built"), std::string::npos)
      << builder.GetError();
  EXPECT_NE(builder.GetError().find("bar.swf cannot be read"), std::string::npos) << builder.GetError();
  EXPECT_FALSE(fs::exists(dir.Native("out.swf")));
  // Shown no more, the display is not needed.
  project.SetDisplayEnabled(false);
  EXPECT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
}

// A shown display that declares "var_anm" makes the loader's end test wait for anm; the same
// display not shown does not.
TEST_F(DisplayBuildTest, TheLoaderWaitsForAnmOnlyWhenAShownDisplayDeclaresIt) {
  PreloaderDisplay* display = displaytest::ShowDisplay(project, Fixture("valid/anm-bar.swf"));
  ASSERT_NE(display, nullptr);
  EXPECT_TRUE(display->HasAnmVariable());
  auto frame3Pool = [](const SwfTagList& tags) {
    std::vector<WideString> strings;
    PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
    auto* loader = ldr ? dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, tags)) : nullptr;
    if (loader == nullptr) return strings;
    int frame = 0;
    for (const auto& child : loader->Children()) {
      if (child->TagCode() == 1) ++frame;
      auto* actions = dynamic_cast<DoActionTag*>(child.get());
      if (frame != 2 || actions == nullptr || actions->ActionCount() == 0) continue;
      if (auto* pool = dynamic_cast<ActionConstantPool*>(actions->ActionAt(0))) strings = pool->strings;
    }
    return strings;
  };
  for (bool shown : {true, false}) {
    project.SetDisplayEnabled(shown);
    const std::vector<WideString> pool = frame3Pool(Build());
    ASSERT_FALSE(pool.empty());
    EXPECT_EQ(std::count(pool.begin(), pool.end(), L"anm"), shown ? 1 : 0) << shown;
  }
}

TEST_F(DisplayBuildTest, SegmentsFillTheWidthChosen) {
  PreloaderDisplay* display = displaytest::ShowDisplay(project, Shipped("Bars/segment-bar.swf"));
  ASSERT_NE(display, nullptr);
  auto* segments = dynamic_cast<BarSegDisplay*>(display);
  ASSERT_NE(segments, nullptr);
  struct Case {
    int width, count;
  };
  // Segments of 8 pixels, 10 apart; a width below the pitch still shows one.
  for (const Case c : {Case{100, 10}, Case{101, 11}, Case{200, 20}, Case{5, 1}, Case{333, 34}}) {
    ASSERT_TRUE(display->SetWidth(c.width));
    const SwfTagList tags = Build();
    ASSERT_FALSE(tags.empty());
    EXPECT_EQ(segments->GetSegCount(), c.count) << c.width;
    PlaceObject2Tag* segsPlace = FindPlaceObject2ByName(L"segs", tags);
    ASSERT_NE(segsPlace, nullptr);
    auto* segs = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(segsPlace->characterId, tags));
    ASSERT_NE(segs, nullptr);
    std::map<std::wstring, PlaceObject2Tag*> byName;
    std::set<uint16_t> depths;
    for (const auto& child : segs->Children()) {
      if (auto* p = dynamic_cast<PlaceObject2Tag*>(child.get())) {
        byName[p->name] = p;
        EXPECT_TRUE(depths.insert(p->depth).second) << c.width << ": depth " << p->depth << " twice";
      }
    }
    ASSERT_EQ(byName.size(), static_cast<size_t>(c.count)) << c.width;
    const PlaceObject2Tag* first = byName.at(L"seg1");
    for (int m = 1; m < c.count; ++m) {
      const PlaceObject2Tag* copy = byName.at(L"seg" + std::to_wstring(m + 1));
      EXPECT_EQ(copy->depth, 200 + m);
      EXPECT_EQ(copy->characterId, first->characterId);
      EXPECT_EQ(copy->matrix->translateX, first->matrix->translateX + m * 200);
      EXPECT_EQ(copy->matrix->translateY, first->matrix->translateY);
    }
    // The mask, the first placement with a clip depth in "progress", spans the width.
    PlaceObject2Tag* progressPlace = FindPlaceObject2ByName(L"progress", tags);
    auto* progress = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(progressPlace->characterId, tags));
    ASSERT_NE(progress, nullptr);
    auto* mask = dynamic_cast<PlaceObject2Tag*>(progress->Children().at(0).get());
    ASSERT_TRUE(mask != nullptr && mask->hasClipDepth);
    EXPECT_TRUE(mask->matrix->hasScale);
    EXPECT_EQ(mask->matrix->scaleX, static_cast<int32_t>(c.width / 200.0 * 65536 + 0.5)) << c.width;
    EXPECT_EQ(mask->matrix->scaleY, 65536);
  }
}

// The segments' loop jumps by fixed offsets: each lands on an action, the loop's exit at the
// end of the list and its back jump at the loop's head.
TEST(BarScriptTest, TheSegmentLoopBranchesLandOnActions) {
  BarSegDisplay display;
  PlaceObject2Tag place;
  display.AttachScript(place);
  ASSERT_EQ(place.clipActions.size(), 2u);
  SwfBitWriter writer(6);
  place.clipActions[1]->actions->WriteActions(writer, false);
  const std::vector<uint8_t>& bytes = writer.GetBytes();
  const actioncheck::CheckResult check = actioncheck::CheckActionList(bytes);
  ASSERT_TRUE(check.Ok()) << check.Report();
  std::vector<size_t> branchTargets;
  for (const auto& a : check.actions) {
    if (a.code == 0x99 || a.code == 0x9D) {
      const int16_t offset = static_cast<int16_t>(bytes[a.offset + 3] | (bytes[a.offset + 4] << 8));
      branchTargets.push_back(a.offset + a.size + offset);
    }
  }
  ASSERT_EQ(branchTargets.size(), 4u);
  // The loop head is the Push after "i = 1": the fifth action.
  EXPECT_EQ(branchTargets[0], check.endOffset);
  EXPECT_EQ(branchTargets[3], check.actions.at(15).offset);
}

// Movies made by other tools: none is a library movie, each is refused with a reason; and the
// sprite of each one's first named sprite instance, imported as a display's artwork is, lands
// in a movie whose ids are its own, past the ones in use.
TEST(DisplayArtworkCorpusTest, ArtworkOfOtherToolsMoviesImportsPastTheIdsInUse) {
  projecttest::ScratchDir dir;
  int movies = 0, imported = 0, refused = 0;
  for (const auto& entry : fs::recursive_directory_iterator(PLENWICK_CORPUS_DIR)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".swf") continue;
    ++movies;
    const WideString path = Utf8ToWide(entry.path().string());
    std::string why;
    EXPECT_EQ(LoadPreloaderDisplay(path, &why), nullptr) << entry.path();
    EXPECT_FALSE(why.empty()) << entry.path();

    SwfReader reader;
    if (!reader.LoadFileWithOptions(path, true, 0, true)) continue;
    // The first named instance of a sprite, on the main timeline or in a sprite.
    WideString instance;
    auto consider = [&](const SwfTag& tag) {
      auto* place = dynamic_cast<const PlaceObject2Tag*>(&tag);
      if (!instance.empty() || place == nullptr || !place->hasName || !place->hasCharacter) return;
      SwfTag* placed = FindTagByCharacterId(place->characterId, reader.GetTags());
      if (placed != nullptr && placed->TagCode() == kSwfTagDefineSprite) instance = place->name;
    };
    for (const auto& tag : reader.GetTags()) {
      consider(*tag);
      if (auto* sprite = dynamic_cast<DefineSpriteTag*>(tag.get())) {
        for (const auto& child : sprite->Children()) consider(*child);
      }
    }
    if (instance.empty()) continue;

    DisplayArtwork artwork;
    if (!artwork.Load(path, why, instance)) {
      EXPECT_FALSE(why.empty()) << entry.path();
      ++refused;
      continue;
    }
    const std::string out = dir.Native("artwork.swf");
    uint16_t lastId = 100;
    uint16_t spriteId = 0;
    {
      SwfFileWriter writer;
      writer.SetMovieParameters(11000, 8000, 12.0f, reader.GetHeader().version);
      ASSERT_TRUE(writer.Open(Utf8ToWide(out), true));
      spriteId = artwork.Write(writer, lastId, why);
      writer.AddTag(std::make_unique<EndTag>());
      ASSERT_NE(writer.Close(), 0u) << entry.path();
    }
    if (spriteId == 0) {
      EXPECT_FALSE(why.empty()) << entry.path();
      ++refused;
      continue;
    }
    ++imported;
    SwfReader back;
    ASSERT_TRUE(back.LoadFileWithOptions(Utf8ToWide(out), true, 0, true)) << entry.path();
    std::set<uint16_t> defined;
    for (const auto& tag : back.GetTags()) {
      uint16_t id = 0;
      if (!GetDefinedCharacterId(*tag, id)) continue;
      EXPECT_TRUE(defined.insert(id).second) << entry.path() << ": id " << id << " twice";
      EXPECT_GT(id, 100) << entry.path();
      EXPECT_LE(id, lastId) << entry.path();
    }
    EXPECT_EQ(defined.count(spriteId), 1u) << entry.path();
    EXPECT_GE(lastId, GetLargestCharacterIdPresent(back.GetTags())) << entry.path();
  }
  std::printf("%d corpus movies: every one refused as a library movie; a named sprite of %d imported, of %d refused\n",
              movies, imported, refused);
  EXPECT_GT(movies, 400);
  EXPECT_GT(imported, 20);
}

TEST(PreloaderDisplayXmlTest, ANameWithMarkupSurvivesSaveAndReopen) {
  projecttest::ScratchDir dir;
  PreloaderData saved;
  PreloaderDisplay* display = displaytest::ShowDisplay(saved, Fixture("valid/markup-name.swf"));
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(display->GetName(), L"Quote \"A\" & <B> 'C'");
  ASSERT_TRUE(display->SetWidth(77));
  std::string error;
  ASSERT_TRUE(SaveProjectFile(dir.Path("p.plw"), saved, &error)) << error;

  PreloaderData reopened;
  std::unique_ptr<PreloaderDisplay> entry = LoadPreloaderDisplay(Utf8ToWide(Fixture("valid/markup-name.swf")));
  ASSERT_NE(entry, nullptr);
  reopened.GetPreloaderLibrary().Insert(entry);
  ASSERT_TRUE(OpenProjectFile(dir.Path("p.plw"), reopened, &error)) << error;
  ASSERT_NE(reopened.GetDisplay(), nullptr) << projecttest::ReadText(dir.Native("p.plw"));
  EXPECT_EQ(projecttest::Describe(reopened), projecttest::Describe(saved));
}

}  // namespace
