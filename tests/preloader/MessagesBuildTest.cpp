// The messages in the built movie: the placeholder script and glyphs of progress texts, the
// letter layout of load messages, their sprites and effects, and the loader's script parts
// that start and end them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "preloader/Messages.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/TextEffect.h"
#include "swf/ActionConstantPool.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/preloader/ScriptNotation.h"
#include "tests/support/ActionChecker.h"
#include "tests/support/TestFonts.h"

namespace {

std::string Decode(DoActionTag& tag, uint8_t version = 7) {
  const std::vector<uint8_t> bytes = scriptnotation::Bytes(tag, version);
  const actioncheck::CheckResult check = actioncheck::CheckActionList(bytes);
  EXPECT_TRUE(check.Ok()) << check.Report();
  std::vector<scriptnotation::Action> actions;
  std::string error;
  EXPECT_TRUE(scriptnotation::Decoder(bytes).Run(actions, error)) << error;
  return scriptnotation::Join(actions);
}

const char* const kPool = "ConstantPool [\"prcnt\", \"btl\", \"btt\", \"frl\", \"frt\"]";

TEST(ProgressTextTest, PlaceholdersBecomeTheLoaderValuesJoinedInOrder) {
  struct Case {
    const wchar_t* text;
    const char* script;  // after the pool
    const wchar_t* glyphs;
  };
  const Case cases[] = {
      {L"Loaded:%percent%%",
       "Push [inline \"Loaded:\"]; Push [\"prcnt\"]; GetVariable; Push [int 100]; Multiply; ToInteger; Add2; "
       "Push [inline \"%\"]; Add2",
       L"Loaded:%0123456789"},
      {L"%kbytes/%totalkbytes",
       "Push [\"btl\"]; GetVariable; Push [dbl 1024]; Divide; ToInteger; Push [inline \"/\"]; Add2; "
       "Push [\"btt\"]; GetVariable; Push [dbl 1024]; Divide; ToInteger; Add2",
       L"./.0123456789"},
      {L"50%off", "Push [inline \"50off\"]", L"50off"},
      {L"%%", "Push [inline \"%\"]", L"%0123456789"},
      {L"%totalframes", "Push [\"frt\"]; GetVariable", L"0123456789"},
      {L"%frames of %totalframes, %bytes/%totalbytes",
       "Push [\"frl\"]; GetVariable; Push [inline \" of \"]; Add2; Push [\"frt\"]; GetVariable; Add2; "
       "Push [inline \", \"]; Add2; Push [\"btl\"]; GetVariable; Add2; Push [inline \"/\"]; Add2; "
       "Push [\"btt\"]; GetVariable; Add2",
       L" of , /0123456789"},
      {L"", "", L""},
  };
  for (const Case& c : cases) {
    ProgressMessage message;
    message.SetText(c.text);
    DoActionTag actions;
    auto pool = std::make_unique<ActionConstantPool>();
    for (const wchar_t* name : {L"prcnt", L"btl", L"btt", L"frl", L"frt"}) pool->AddString(name);
    ActionConstantPool& poolRef = *pool;
    actions.AddAction(std::move(pool));
    message.BuildPlaceholderActions(actions, poolRef);
    const std::string expected = std::string(kPool) + (c.script[0] ? "; " : "") + c.script;
    EXPECT_EQ(Decode(actions), expected) << WideToUtf8(c.text);
    EXPECT_EQ(WideToUtf8(message.GetGlyphText()), WideToUtf8(c.glyphs)) << WideToUtf8(c.text);
  }
}

class MessageLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testfonts::UseTestFonts());
    FontSpec font;
    ASSERT_TRUE(font.SetFontByName(L"DejaVu Sans"));
    font.SetSize(20);
    message.SetFont(font);
    advanceA = message.GetFont().GetCharAdvance(U'a') * 20;
    advanceB = message.GetFont().GetCharAdvance(U'b') * 20;
    ASSERT_GT(advanceA, 0);
  }
  LoadMessage message;
  int32_t advanceA = 0;
  int32_t advanceB = 0;
};

TEST_F(MessageLayoutTest, LettersSitAtTheCentresOfTheirAdvancesOnTheirLines) {
  message.SetHAlign(kHAlignLeft);
  message.SetVAlign(kVAlignTop);
  message.SetTracking(3);
  message.SetLeading(5);
  // CR and LF each break the line: "b" is on the third line.
  const std::vector<LetterRecord> letters = TextEffect::LayoutLetters(message, L"aa\r\nb");
  ASSERT_EQ(letters.size(), 3u);
  EXPECT_EQ(letters[0].x, advanceA / 2);
  EXPECT_EQ(letters[1].x, advanceA + 60 + advanceA / 2);
  EXPECT_EQ(letters[0].y, 200);
  EXPECT_EQ(letters[2].x, advanceB / 2);
  EXPECT_EQ(letters[2].y, 200 + 2 * (400 + 100));
  EXPECT_EQ(letters[2].character, U'b');

  // Tracking comes off once at the end of each line.
  int32_t x0 = 0, y0 = 0;
  const std::vector<int32_t> widths = TextEffect::MeasureLines(message, L"aa\r\nb", x0, y0);
  EXPECT_EQ(widths, (std::vector<int32_t>{2 * advanceA + 60, 0, advanceB}));
}

TEST_F(MessageLayoutTest, AlignmentsPlaceTheBlockAroundTheOrigin) {
  // Spaces are letters too.
  const WideString text = L"a b";
  int32_t x0 = 0, y0 = 0;
  const int32_t width = TextEffect::MeasureLines(message, text, x0, y0).at(0);
  struct Case {
    HAlign h;
    VAlign v;
    int32_t x0, y0;
  };
  for (const Case& c : {Case{kHAlignLeft, kVAlignTop, 0, 0}, Case{kHAlignCenter, kVAlignCenter, -(width >> 1), -200},
                        Case{kHAlignRight, kVAlignBottom, -width, -400}}) {
    message.SetHAlign(c.h);
    message.SetVAlign(c.v);
    const std::vector<LetterRecord> letters = TextEffect::LayoutLetters(message, text);
    ASSERT_EQ(letters.size(), 3u);
    EXPECT_EQ(letters[0].x, c.x0 + advanceA / 2) << c.h;
    EXPECT_EQ(letters[0].y, c.y0 + 200) << c.v;
  }
}

TEST_F(MessageLayoutTest, AVeryWideTextKeepsItsLettersInOrderAtTheEdgeOfTheRange) {
  message.SetHAlign(kHAlignLeft);
  ASSERT_TRUE(message.SetTracking(5000));
  // 30000 letters 100000 twips apart pass the 32-bit range; the last ones stay at its edge.
  const std::vector<LetterRecord> letters = TextEffect::LayoutLetters(message, WideString(30000, L'a'));
  ASSERT_EQ(letters.size(), 30000u);
  EXPECT_EQ(letters[1].x - letters[0].x, advanceA + 100000);
  EXPECT_EQ(letters.back().x, INT32_MAX);
  for (size_t i = 1; i < letters.size(); ++i) ASSERT_GE(letters[i].x, letters[i - 1].x) << i;
}

TEST(TextEffectLibraryTest, NamesAreExactAndInMenuOrder) {
  TextEffectLibrary library;
  library.Fill();
  EXPECT_EQ(library.FindByName(L"none"), nullptr);
  EXPECT_EQ(library.IndexOf(L"Trail Dots 2"), 5);
  EXPECT_EQ(library.Get(4)->GetExtraGlyphs(), L".");
  EXPECT_EQ(library.Get(3)->GetExtraGlyphs(), L"");
}

// Builds the project's full preview and reads the movie back.
class MessageMovieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testfonts::UseTestFonts());
    project.SetTargetUrl(L"http://example.com/target.swf");
    project.SetPreviewMode(true, false);
  }

  LoadMessage* AddLoadMessage(const wchar_t* text, const wchar_t* effect) {
    auto* message = new LoadMessage;
    FontSpec font;
    EXPECT_TRUE(font.SetFontByName(L"DejaVu Sans"));
    font.SetSize(24);
    message->SetFont(font);
    message->SetText(text);
    message->SetTextEffect(project.GetTextEffectLibrary().FindByName(effect));
    project.InsertLoadMessage(message, 1000);
    return message;
  }

  bool Build(std::string* error = nullptr) {
    PreloaderBuilder builder;
    const bool ok = builder.Build(dir.Path("out.swf"), project, true);
    if (error) *error = builder.GetError();
    if (!ok) return false;
    SwfReader reader;
    if (!reader.LoadFileWithOptions(dir.Path("out.swf"), true, 0, true)) return false;
    tags = reader.TakeTags();
    return true;
  }

  DefineSpriteTag* Sprite(uint16_t id) { return dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(id, tags)); }
  DefineSpriteTag* Loader() {
    PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
    return ldr ? Sprite(ldr->characterId) : nullptr;
  }
  // The loader's placement of that name.
  PlaceObject2Tag* InLoader(const wchar_t* name) {
    DefineSpriteTag* loader = Loader();
    if (!loader) return nullptr;
    for (const auto& child : loader->Children()) {
      auto* place = dynamic_cast<PlaceObject2Tag*>(child.get());
      if (place && place->name == name) return place;
    }
    return nullptr;
  }
  static std::vector<PlaceObject2Tag*> Placements(DefineSpriteTag& sprite) {
    std::vector<PlaceObject2Tag*> out;
    for (const auto& child : sprite.Children())
      if (auto* place = dynamic_cast<PlaceObject2Tag*>(child.get())) out.push_back(place);
    return out;
  }
  // The frame 3 script of the loader.
  std::string LoaderScript() {
    DefineSpriteTag* loader = Loader();
    if (!loader) return "";
    int n = 0;
    for (const auto& child : loader->Children())
      if (auto* actions = dynamic_cast<DoActionTag*>(child.get()); actions && ++n == 3) return Decode(*actions);
    return "";
  }

  projecttest::ScratchDir dir;
  PreloaderData project;
  std::vector<std::unique_ptr<SwfTag>> tags;
};

TEST_F(MessageMovieTest, EachEffectAnimatesItsLetterSpriteForItsFrames) {
  struct Case {
    const wchar_t* effect;
    uint16_t frames;
    bool stops;
  };
  for (const Case& c :
       {Case{L"None", 1, false}, Case{L"Fade In", 13, true}, Case{L"Flicker", 3, false}, Case{L"Throb", 25, false}}) {
    SCOPED_TRACE(WideToUtf8(c.effect));
    while (project.GetLoadMessageCount() > 0) project.DeleteLoadMessage(0);
    AddLoadMessage(L"Hi", c.effect);
    ASSERT_TRUE(Build());
    PlaceObject2Tag* msg = InLoader(L"msg0");
    ASSERT_NE(msg, nullptr);
    DefineSpriteTag* sprite = Sprite(msg->characterId);
    ASSERT_NE(sprite, nullptr);
    const std::vector<PlaceObject2Tag*> letters = Placements(*sprite);
    ASSERT_EQ(letters.size(), 2u);
    EXPECT_EQ(letters[1]->name, L"ltr_1");
    DefineSpriteTag* letter = Sprite(letters[0]->characterId);
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(letter->GetFrameCount(), c.frames);
    const std::vector<PlaceObject2Tag*> steps = Placements(*letter);
    ASSERT_EQ(steps.size(), c.frames);
    EXPECT_EQ(steps[0]->name, L"ltr");
    // Every animated frame sets the alpha; the first hides the letter.
    if (c.frames > 1) {
      ASSERT_NE(steps[0]->colorTransformAlpha, nullptr);
      ASSERT_NE(steps[1]->colorTransformAlpha, nullptr);
    }
    // The frame of each action: only Fade In stops, on its last frame.
    int frame = 0;
    std::vector<int> actionFrames;
    for (const auto& child : letter->Children()) {
      if (child->TagCode() == kSwfTagShowFrame) ++frame;
      if (dynamic_cast<DoActionTag*>(child.get())) actionFrames.push_back(frame);
    }
    EXPECT_EQ(actionFrames, c.stops ? std::vector<int>{c.frames - 1} : std::vector<int>{});
  }
}

TEST_F(MessageMovieTest, AMessageThatStartsLateWaitsInATwoFrameWrapper) {
  struct Case {
    StartType type;
    int32_t time, percent;
    bool wrapped;
  };
  for (const Case& c : {Case{kStartTime, 0, 50, false}, Case{kStartTime, 1, 0, true},
                        Case{kStartPercent, 5000, 0, false}, Case{kStartPercent, 0, 1, true}}) {
    SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.time) + " " + std::to_string(c.percent));
    while (project.GetLoadMessageCount() > 0) project.DeleteLoadMessage(0);
    LoadMessage* m = AddLoadMessage(L"A", L"None");
    m->SetStartType(c.type);
    m->SetStartTime(c.time);
    m->SetStartPercent(c.percent);
    ASSERT_TRUE(Build());
    PlaceObject2Tag* msg = InLoader(L"msg0");
    ASSERT_NE(msg, nullptr);
    DefineSpriteTag* sprite = Sprite(msg->characterId);
    ASSERT_NE(sprite, nullptr);
    const std::vector<PlaceObject2Tag*> placed = Placements(*sprite);
    ASSERT_EQ(placed.size(), 1u);
    if (!c.wrapped) {
      EXPECT_EQ(placed[0]->name, L"ltr_0");
      continue;
    }
    EXPECT_EQ(sprite->GetFrameCount(), 2);
    // The wrapper takes the id after everything the effect defined.
    EXPECT_GT(msg->characterId, placed[0]->characterId);
    EXPECT_TRUE(placed[0]->name.empty());
    EXPECT_NE(Sprite(placed[0]->characterId), nullptr);
  }
}

TEST_F(MessageMovieTest, TrailDotsFollowTheLastLetterAndLeaveTheProjectAsItWas) {
  for (const wchar_t* effect : {L"Trail Dots", L"Trail Dots 2"}) {
    SCOPED_TRACE(WideToUtf8(effect));
    while (project.GetLoadMessageCount() > 0) project.DeleteLoadMessage(0);
    LoadMessage* m = AddLoadMessage(L"ab\ncd", effect);
    project.GetModificationCount(true);
    ASSERT_TRUE(Build());
    EXPECT_EQ(m->GetText(), L"ab\ncd");
    EXPECT_EQ(project.GetModificationCount(false), 0);
    DefineSpriteTag* sprite = Sprite(InLoader(L"msg0")->characterId);
    ASSERT_NE(sprite, nullptr);
    const std::vector<PlaceObject2Tag*> placed = Placements(*sprite);
    ASSERT_EQ(placed.size(), 7u);
    // The dots follow "d" on the second line.
    ASSERT_NE(placed[3]->matrix, nullptr);
    for (size_t i = 4; i < 7; ++i) {
      ASSERT_NE(placed[i]->matrix, nullptr);
      EXPECT_EQ(placed[i]->matrix->translateY, placed[3]->matrix->translateY);
      EXPECT_GT(placed[i]->matrix->translateX, placed[i - 1]->matrix->translateX);
      EXPECT_NE(placed[i]->characterId, placed[3]->characterId);
    }
  }
}

TEST_F(MessageMovieTest, BuildingTwiceGivesTheSameMovie) {
  AddLoadMessage(L"Wait", L"Trail Dots");
  AddLoadMessage(L"Now", L"Throb");
  auto* progress = new ProgressMessage;
  progress->SetText(L"%percent%%");
  project.InsertProgressMessage(progress, 10);
  ASSERT_TRUE(Build());
  const std::string first = projecttest::ReadText(dir.Native("out.swf"));
  ASSERT_TRUE(Build());
  EXPECT_EQ(projecttest::ReadText(dir.Native("out.swf")), first);
}

TEST_F(MessageMovieTest, AVersion5MovieRefusesTextsBeyondLatin1) {
  // A target loaded with loadMovie from an address: a movie of version 5.
  project.SetTargetType(kTargetExternal);
  AddLoadMessage(L"Caf\u00e9", L"None");
  std::string error;
  EXPECT_TRUE(Build(&error)) << error;
  auto* progress = new ProgressMessage;
  progress->SetText(L"\u20ac %percent");
  project.InsertProgressMessage(progress, 10);
  EXPECT_FALSE(Build(&error));
  EXPECT_NE(error.find("U+20AC"), std::string::npos) << error;
  EXPECT_NE(error.find("progress message 1"), std::string::npos) << error;
  project.SetTargetType(kTargetExternal7);
  EXPECT_TRUE(Build(&error)) << error;
}

TEST_F(MessageMovieTest, AlphaBelowFullGivesAColourTransform) {
  AddLoadMessage(L"A", L"None")->SetAlpha(255);
  AddLoadMessage(L"B", L"None")->SetAlpha(254);
  ASSERT_TRUE(Build());
  ASSERT_NE(InLoader(L"msg0"), nullptr);
  EXPECT_EQ(InLoader(L"msg0")->colorTransformAlpha, nullptr);
  ASSERT_NE(InLoader(L"msg1"), nullptr);
  EXPECT_NE(InLoader(L"msg1")->colorTransformAlpha, nullptr);
}

TEST_F(MessageMovieTest, AProgressTextSitsInItsSpriteByItsVerticalAlignment) {
  struct Case {
    VAlign align;
    int32_t y;  // twips
  };
  for (const Case& c : {Case{kVAlignTop, 1000 + 200}, Case{kVAlignCenter, 1000}, Case{kVAlignBottom, 1000 - 200}}) {
    SCOPED_TRACE(c.align);
    while (project.GetProgressMessageCount() > 0) project.DeleteProgressMessage(0);
    auto* message = new ProgressMessage;
    message->SetAlignToDoc(false);
    FontSpec font;
    ASSERT_TRUE(font.SetFontByName(L"DejaVu Sans"));
    font.SetSize(20);
    message->SetFont(font);
    message->SetText(L"%percent");
    message->SetX(30);
    message->SetY(50);
    message->SetVAlign(c.align);
    project.InsertProgressMessage(message, 0);
    ASSERT_TRUE(Build());
    PlaceObject2Tag* pl = InLoader(L"pl0");
    ASSERT_NE(pl, nullptr);
    // The sprite holds the position; the loader places it as it stands.
    EXPECT_EQ(pl->matrix, nullptr);
    DefineSpriteTag* sprite = Sprite(pl->characterId);
    ASSERT_NE(sprite, nullptr);
    const std::vector<PlaceObject2Tag*> placed = Placements(*sprite);
    ASSERT_EQ(placed.size(), 1u);
    ASSERT_NE(placed[0]->matrix, nullptr);
    EXPECT_EQ(placed[0]->matrix->translateX, 600);
    EXPECT_EQ(placed[0]->matrix->translateY, c.y);
  }
}

TEST_F(MessageMovieTest, ManyMessagesReferToThePoolPastItsFirst256Names) {
  for (int i = 0; i < 140; ++i) AddLoadMessage(L"x", L"None")->SetEndType(kEndTime);
  ASSERT_TRUE(Build());
  const std::string script = LoaderScript();
  EXPECT_NE(script.find("Push [\"bmsg139\"]; GetVariable; Push [int 1]; Equals2"), std::string::npos);
  EXPECT_NE(script.find("Push [dbl 0, \"msg139\"]; GetVariable; Push [\"unloadMovie\"]"), std::string::npos);
}

TEST_F(MessageMovieTest, AnEmptyProgressTextStillGivesItsFieldAValue) {
  // Without a value of its own, SetMember would take the field for the value and the script
  // would run one short on the stack for every message after it.
  for (const wchar_t* text : {L"", L"%percent"}) {
    auto* message = new ProgressMessage;
    FontSpec font;
    EXPECT_TRUE(font.SetFontByName(L"DejaVu Sans"));
    font.SetSize(16);
    message->SetFont(font);
    message->SetText(text);
    project.InsertProgressMessage(message, 1000);
  }
  ASSERT_TRUE(Build());
  const std::string script = LoaderScript();
  EXPECT_NE(script.find("Push [inline \"pl0\"]; GetVariable; Push [inline \"text\"]; Push [inline \"\"]; SetMember; "
                        "Push [inline \"pl1\"]; GetVariable; Push [inline \"text\"]; Push [\"prcnt\"]"),
            std::string::npos)
      << script;
}

TEST_F(MessageMovieTest, AMessageMixingKindsMeasuresItsEndFromItsStart) {
  LoadMessage* m = AddLoadMessage(L"A", L"None");
  m->SetStartType(kStartPercent);
  m->SetStartPercent(50);
  m->SetEndType(kEndTime);
  m->SetEndTime(1000);
  LoadMessage* same = AddLoadMessage(L"B", L"None");
  same->SetStartType(kStartTime);
  same->SetStartTime(300);
  same->SetEndType(kEndTime);
  same->SetEndTime(1000);
  ASSERT_TRUE(Build());
  const std::string script = LoaderScript();
  EXPECT_NE(script.find("Push [\"bmsg0\", int 1]; SetVariable; Push [\"smsg0\"]; GetTime; Push [\"stm\"]; "
                        "GetVariable; Subtract; SetVariable"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("Push [int 1000]; GetTime; Push [\"stm\"]; GetVariable; Subtract; Push [\"smsg0\"]; "
                        "GetVariable; Subtract; Less2"),
            std::string::npos)
      << script;
  // The same kinds count the end from the start value as they stand.
  EXPECT_NE(script.find("Push [int 1300]; GetTime; Push [\"stm\"]; GetVariable; Subtract; Less2"), std::string::npos);
  EXPECT_EQ(script.find("smsg1"), std::string::npos);
}

}  // namespace
