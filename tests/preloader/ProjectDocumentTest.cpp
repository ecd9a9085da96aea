#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ProjectTestSupport.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

namespace {

using projecttest::Describe;
using projecttest::FileWith;
using projecttest::ProjectText;
using projecttest::ReadText;
using projecttest::ScratchDir;
using projecttest::WriteText;

const wchar_t* const kOddDisplayName = L"Bar \"Q\" & <R>";

// Adds a colour-pair display of that name to the project's library.
ColorPairDisplay* AddDisplay(PreloaderData& p, const WideString& name, const WideString& path) {
  auto owned = std::make_unique<ColorPairDisplay>();
  ColorPairDisplay* display = owned.get();
  owned->SetName(name);
  owned->SetPath(path);
  owned->SetBaseSize(100, 20);
  std::unique_ptr<PreloaderDisplay> base(std::move(owned));
  p.GetPreloaderLibrary().Insert(base);
  return display;
}

// A project in which every setting differs from a new project's.
void ChangeEverything(PreloaderData& p) {
  // The settings without setters come from a document.
  ScratchDir dir;
  WriteText(dir.Native("seed.plw"),
            FileWith("<preloader_data target_xpos=\"-11\" target_ypos=\"22\" forced_min_display_msec=\"4500\" "
                     "lock_root=\"false\" />\n"));
  ASSERT_TRUE(OpenProjectFile(dir.Path("seed.plw"), p));

  ASSERT_TRUE(p.SetTargetUrl(L"/movies/a \"b\" & <c>\u00e9.swf"));
  ASSERT_TRUE(p.SetTargetSize(640, 480));
  ASSERT_TRUE(p.SetTargetFps(29.97f));
  p.SetBackgroundColor(0x00123456);
  p.SetPreloadMode(kPreloadSmart);
  p.SetTargetType(kTargetMerge);
  p.SetTargetLoopType(kLoopNoLoop);
  ASSERT_TRUE(p.SetPercent(42));
  ASSERT_TRUE(p.SetBufferFactor(0.75));
  p.SetProtect(true);
  p.SetCompress(true);
  p.SetUseRelativeSwfPath(true);
  p.SetDisplayEnabled(true);
  p.SetRemovalEffect(p.GetRemovalEffectLibrary().FindByName(L"Fade Out"));
  p.GetRemovalEffect()->SetDuration(2500);

  ColorPairDisplay* display = AddDisplay(p, kOddDisplayName, L"/lib/My \"bar\" & <x>.swf");
  p.SetDisplay(display);
  ASSERT_TRUE(display->SetWidth(150));
  ASSERT_TRUE(display->SetHeight(30));
  display->SetAlignToDoc(false);
  ASSERT_TRUE(display->SetX(-40));
  ASSERT_TRUE(display->SetY(4999));
  display->SetHAlign(kHAlignRight);
  display->SetVAlign(kVAlignTop);
  display->SetRotateType(kRotateSkew);
  display->SetSkew0(12.5);
  display->SetSkew1(-0.25);
  display->SetFgColor(0x0000FF);
  display->SetBgColor(0x00FF00);

  BackgroundImage& b = p.GetBackgroundImage();
  b.SetEnabled(true);
  b.SetPath(L"/pictures/gone & \"lost\".png");
  b.SetExportType(kBackgroundLossless15);
  ASSERT_TRUE(b.SetQuality(33));
  ASSERT_TRUE(b.SetWidth(641));
  ASSERT_TRUE(b.SetHeight(481));
  b.SetX(-5);
  b.SetY(7);
  b.SetScaleToFit(false);
  b.SetTile(true);
  b.SetAdjustBitmapShift(true);

  auto fillText = [](TextMessage& m, const wchar_t* text) {
    m.SetText(text);
    FontSpec font;
    font.SetFontByName(L"No Such Family \u00c4\u00d6 <&>");
    font.SetSize(31);
    font.SetBold(true);
    font.SetItalic(true);
    m.SetFont(font);
    m.SetColor(0x00ABCDEF);
    ASSERT_TRUE(m.SetAlpha(7));
    m.SetAlignToDoc(false);
    ASSERT_TRUE(m.SetX(-12));
    ASSERT_TRUE(m.SetY(34));
    ASSERT_TRUE(m.SetTracking(3));
    ASSERT_TRUE(m.SetLeading(-4));
    m.SetVAlign(kVAlignBottom);
    m.SetRotateType(kRotateSkew);
    m.SetSkew0(12.5);
    m.SetSkew1(-0.25);
  };
  auto* progress = new ProgressMessage();
  fillText(*progress, L"Loaded: %percent%% \"q\" & <t>\n\u20ac");
  progress->SetHAlign(kHAlignRight);
  p.InsertProgressMessage(progress, 0);
  p.InsertProgressMessage(new ProgressMessage(), 1);

  auto* load = new LoadMessage();
  fillText(*load, L"Wait 'a' <moment> & \"see\"\t\u00fc");
  load->SetHAlign(kHAlignLeft);
  load->SetStartType(kStartPercent);
  load->SetEndType(kEndPercent);
  ASSERT_TRUE(load->SetStartTime(1500));
  ASSERT_TRUE(load->SetEndTime(9000));
  ASSERT_TRUE(load->SetStartPercent(20));
  ASSERT_TRUE(load->SetEndPercent(80));
  load->SetTextEffect(p.GetTextEffectLibrary().FindByName(L"Trail Dots 2"));
  p.InsertLoadMessage(load, 0);

  auto* item = new ImportItem();
  item->SetPath(L"/imports/clip <1> & \"2\".swf");
  ASSERT_TRUE(item->SetFinalWidth(200));
  ASSERT_TRUE(item->SetHeightScale(2.5));
  item->SetAlignToDoc(false);
  ASSERT_TRUE(item->SetX(-300));
  ASSERT_TRUE(item->SetY(301));
  item->SetHAlign(kHAlignCenter);
  item->SetVAlign(kVAlignBottom);
  item->SetStartType(kStartPercent);
  item->SetEndType(kEndTime);
  ASSERT_TRUE(item->SetStartTime(100));
  ASSERT_TRUE(item->SetEndTime(360000));
  ASSERT_TRUE(item->SetStartPercent(1));
  ASSERT_TRUE(item->SetEndPercent(99));
  ASSERT_TRUE(item->SetImageQuality(12));
  item->SetEmbedImage(true);
  item->SetAdjustBitmapShift(true);
  item->SetExportImageType(kImportLossless8);
  p.InsertImport(item, 0);

  p.SelectProgressMessage(1);
  p.SelectLoadMessage(0);
  p.SelectImport(0);
}

TEST(ProjectDocument, NewProjectIsWrittenInTheDocumentLayout) {
  ScratchDir dir;
  PreloaderData p;
  EXPECT_EQ(ProjectText(p, dir),
            "<xml version=\"1.0\" encoding=\"UTF-8\">\n"
            "<plenwick version_major=\"1\" version_minor=\"210\">\n"
            "<preloader_data target_url=\"\" target_width=\"300\" target_height=\"200\" target_xpos=\"0\" "
            "target_ypos=\"0\" target_fps=\"12\" bg_color=\"16777215\" protect=\"false\" compress=\"false\" "
            "use_relative_swf_path=\"false\" forced_min_display_msec=\"0\" lock_root=\"true\" type=\"simple\" "
            "percent=\"100\" buffer_factor=\"1\" target_type=\"external_7\" target_loop_type=\"no_change\" >\n"
            "<bg_image enable=\"false\" src=\"\" export_type=\"jpeg\" quality=\"80\" width=\"320\" height=\"240\" "
            "x=\"0\" y=\"0\" scale_to_fit=\"true\" tile=\"false\" adjust_bitmap_shift=\"false\" />\n"
            "<preloader_fx_remove enable=\"true\" name=\"Remove\" duration=\"0\" />\n"
            "<display enable=\"false\" />\n"
            "<progress_messages selection=\"-1\" >\n</progress_messages>\n"
            "<load_messages selection=\"-1\" >\n</load_messages>\n"
            "<imports selection=\"-1\" >\n</imports>\n"
            "</preloader_data>\n"
            "</plenwick>\n\n</xml>\n");
}

// Saves a project with every setting changed and opens it into a second project that has
// the same display library; both must hold the same values.
void ExpectRoundTrip() {
  ScratchDir dir;
  PreloaderData original;
  ChangeEverything(original);
  const std::string before = Describe(original);
  PreloaderData fresh;
  ASSERT_NE(Describe(fresh, false), Describe(original, false));

  ASSERT_TRUE(SaveProjectFile(dir.Path("all.plw"), original));
  PreloaderData copy;
  AddDisplay(copy, kOddDisplayName, L"/lib/My \"bar\" & <x>.swf");
  ASSERT_TRUE(OpenProjectFile(dir.Path("all.plw"), copy));
  EXPECT_EQ(Describe(copy, false), Describe(original, false));
  EXPECT_EQ(copy.GetLoadMessageSelection(), -1) << "opening a file takes no selection";
  EXPECT_EQ(copy.GetImportSelection(), -1);

  // The undo snapshot keeps the selections too.
  ASSERT_TRUE(WriteProjectSnapshot(dir.Path("undo"), original));
  PreloaderData snapshot;
  AddDisplay(snapshot, kOddDisplayName, L"/lib/My \"bar\" & <x>.swf");
  ASSERT_TRUE(ReadProjectSnapshot(dir.Path("undo"), snapshot));
  EXPECT_EQ(Describe(snapshot), before);
  EXPECT_EQ(ReadText(dir.Native("undo")).rfind("<xml version=\"1.0\" encoding=\"UTF-8\">\n<preloader_data ", 0), 0u);

  // Saving what was read writes the same file again.
  EXPECT_EQ(ProjectText(snapshot, dir, "again.plw"), ReadText(dir.Native("all.plw")));
  EXPECT_EQ(Describe(original), before) << "saving changes nothing in the project";
}

TEST(ProjectDocument, EverySettingChangedSavesAndReadsBackEqual) { ExpectRoundTrip(); }

// Numbers are written and read with a decimal point whatever the user's locale.
class GermanLocale : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5");
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(GermanLocale, RealNumbersUseThePoint) {
  ExpectRoundTrip();
  ScratchDir dir;
  PreloaderData p;
  ChangeEverything(p);
  const std::string text = ProjectText(p, dir);
  EXPECT_NE(text.find("target_fps=\"29.97\""), std::string::npos);
  EXPECT_NE(text.find("buffer_factor=\"0.75\""), std::string::npos);
  EXPECT_NE(text.find("skew0=\"12.5\" skew1=\"-0.25\""), std::string::npos);
  EXPECT_NE(text.find("height_scale=\"2.5\""), std::string::npos);
  EXPECT_EQ(text.find("12,5"), std::string::npos);
}

TEST(ProjectDocument, NamesWithMarkupCharactersAreEscapedAndReadBack) {
  ScratchDir dir;
  PreloaderData p;
  ChangeEverything(p);
  const std::string text = ProjectText(p, dir);
  EXPECT_NE(text.find("name=\"Bar &quot;Q&quot; &amp; &lt;R&gt;\""), std::string::npos) << text;
  EXPECT_NE(text.find("filename=\"My &quot;bar&quot; &amp; &lt;x&gt;.swf\""), std::string::npos);
  EXPECT_NE(text.find("target_url=\"/movies/a &quot;b&quot; &amp; &lt;c&gt;&#xe9;.swf\""), std::string::npos);
  PreloaderData copy;
  AddDisplay(copy, kOddDisplayName, L"");
  ASSERT_TRUE(OpenProjectFile(dir.Path("text.plw"), copy));
  ASSERT_NE(copy.GetDisplay(), nullptr) << "the escaped name finds its library entry";
  EXPECT_EQ(copy.GetDisplay()->GetName(), WideString(kOddDisplayName));
  EXPECT_EQ(copy.GetTargetUrl(), p.GetTargetUrl());
}

TEST(ProjectDocument, FilesOfTheEarlierUnescapedFormReadTheSame) {
  // Display and effect names used to be written as they stand; any such file that is
  // well-formed reads as it did.
  ScratchDir dir;
  WriteText(dir.Native("old.plw"),
            FileWith("<preloader_data >\n"
                     "<display enable=\"true\" name=\"Bar > 'x'\" filename=\"bar > 'x'.swf\" width=\"120\" "
                     "height=\"10\" x=\"3\" y=\"4\" halign=\"left\" valign=\"top\" align_to_doc=\"false\" "
                     "rotate_type=\"normal\" skew0=\"0\" skew1=\"0\" fg_color=\"255\" bg_color=\"65280\" />\n"
                     "<load_messages selection=\"-1\" >\n"
                     "<load_message txt=\"hi\" >\n<text_fx name=\"Fade In\" />\n</load_message>\n"
                     "</load_messages>\n"
                     "</preloader_data>\n"));
  PreloaderData p;
  ColorPairDisplay* display = AddDisplay(p, L"Bar > 'x'", L"/lib/bar > 'x'.swf");
  ASSERT_TRUE(OpenProjectFile(dir.Path("old.plw"), p));
  ASSERT_EQ(p.GetDisplay(), display);
  EXPECT_TRUE(p.IsDisplayEnabled());
  EXPECT_EQ(display->GetStoredWidth(), 120);
  EXPECT_EQ(display->GetX(), 3);
  EXPECT_EQ(display->GetHAlign(), kHAlignLeft);
  EXPECT_EQ(display->GetFgColor(), 255u);
  EXPECT_EQ(display->GetBgColor(), 65280u);
  ASSERT_EQ(p.GetLoadMessageCount(), 1);
  EXPECT_EQ(p.GetLoadMessage(0)->GetTextEffect()->GetName(), WideString(L"Fade In"));
}

// The element line of a saved document that starts with the given text.
std::string LineStarting(const std::string& text, const std::string& start) {
  const size_t at = text.find("\n" + start);
  if (at == std::string::npos) return "";
  const size_t end = text.find('\n', at + 1);
  return text.substr(at + 1, end - at - 1);
}

TEST(ProjectDocument, WhatThisMachineLacksIsKeptAndWrittenBackUnchanged) {
  ScratchDir dir;
  const std::string display =
      "<display enable=\"true\" name=\"Gone &amp; &quot;Away&quot;\" filename=\"gone.swf\" width=\"120\" "
      "height=\"10\" x=\"3\" y=\"4\" halign=\"left\" valign=\"top\" align_to_doc=\"false\" rotate_type=\"skew\" "
      "skew0=\"1.5\" skew1=\"0\" fg_color=\"255\" bg_color=\"65280\" max_segs=\"9\" hgap=\"2\" />";
  const std::string background =
      "<bg_image enable=\"true\" src=\"/no/such/folder/back &amp; ground.png\" export_type=\"lossless_8\" "
      "quality=\"33\" width=\"640\" height=\"480\" x=\"-5\" y=\"7\" scale_to_fit=\"false\" tile=\"true\" "
      "adjust_bitmap_shift=\"true\" />";
  const std::string font = "fnt_name=\"Surely No Such Family 123\"";
  WriteText(dir.Native("in.plw"), FileWith("<preloader_data >\n" + background + "\n" + display +
                                           "\n<progress_messages selection=\"-1\" >\n<progress_message txt=\"x\" " +
                                           font + " font_size=\"17\" />\n</progress_messages>\n</preloader_data>\n"));
  PreloaderData p;  // an empty library: the display is unknown here
  ASSERT_TRUE(OpenProjectFile(dir.Path("in.plw"), p));
  EXPECT_EQ(p.GetDisplay(), nullptr);
  EXPECT_TRUE(p.IsDisplayEnabled());
  EXPECT_EQ(p.GetBackgroundImage().GetPath(), WideString(L"/no/such/folder/back & ground.png"));
  EXPECT_EQ(p.GetBackgroundImage().GetQuality(), 33) << "attributes after a missing file are read too";
  EXPECT_FALSE(p.GetBackgroundImage().FileExists());
  ASSERT_EQ(p.GetProgressMessageCount(), 1);
  EXPECT_EQ(p.GetProgressMessage(0)->GetFont().GetName(), WideString(L"Surely No Such Family 123"));

  const std::string saved = ProjectText(p, dir, "out.plw");
  EXPECT_EQ(LineStarting(saved, "<display "), display);
  EXPECT_EQ(LineStarting(saved, "<bg_image "), background);
  EXPECT_NE(LineStarting(saved, "<progress_message ").find(font), std::string::npos);

  // Choosing a display replaces the kept one.
  ColorPairDisplay* chosen = AddDisplay(p, L"Here", L"/lib/here.swf");
  p.SetDisplay(chosen);
  EXPECT_TRUE(p.GetUnresolvedDisplay().empty());
  EXPECT_NE(LineStarting(ProjectText(p, dir, "chosen.plw"), "<display ").find("name=\"Here\""), std::string::npos);
  p.SetDisplay(nullptr);
  EXPECT_EQ(LineStarting(ProjectText(p, dir, "none.plw"), "<display "), "<display enable=\"true\" />");
}

// --- the reading rules ---

struct ReadCase {
  const char* what;
  std::string element;  // a "preloader_data" element
  std::function<void(PreloaderData&)> check;
};

TEST(ProjectDocument, ReadingRules) {
  const std::vector<ReadCase> cases = {
      {"absent attributes keep the reset values", "<preloader_data percent=\"5\" />\n",
       [](PreloaderData& p) {
         EXPECT_EQ(p.GetPercent(), 5);
         EXPECT_EQ(p.GetTargetWidth(), 300);
         EXPECT_FLOAT_EQ(p.GetTargetFps(), 12.0f);
         EXPECT_TRUE(p.GetLockRoot());
         EXPECT_EQ(p.GetRemovalEffect()->GetName(), WideString(L"Remove"));
       }},
      {"the older loop switch alone means loop", "<preloader_data allow_target_loop=\"no\" />\n",
       [](PreloaderData& p) { EXPECT_EQ(p.GetTargetLoopType(), kLoopLoop); }},
      {"the loop type wins over the older switch",
       "<preloader_data target_loop_type=\"no_change\" allow_target_loop=\"true\" />\n",
       [](PreloaderData& p) { EXPECT_EQ(p.GetTargetLoopType(), kLoopNoChange); }},
      {"an unknown loop word keeps the older switch's loop",
       "<preloader_data allow_target_loop=\"\" target_loop_type=\"sometimes\" />\n",
       [](PreloaderData& p) { EXPECT_EQ(p.GetTargetLoopType(), kLoopLoop); }},
      {"words are case-sensitive", "<preloader_data type=\"Smart\" target_type=\"Merge\" />\n",
       [](PreloaderData& p) {
         EXPECT_EQ(p.GetPreloadMode(), kPreloadSimple);
         EXPECT_EQ(p.GetTargetType(), kTargetExternal7);
       }},
      {"known words", "<preloader_data type=\"smart\" target_type=\"external\" target_loop_type=\"no_loop\" />\n",
       [](PreloaderData& p) {
         EXPECT_EQ(p.GetPreloadMode(), kPreloadSmart);
         EXPECT_EQ(p.GetTargetType(), kTargetExternal);
         EXPECT_EQ(p.GetTargetLoopType(), kLoopNoLoop);
       }},
      {"bools in any letter case", "<preloader_data protect=\"TRUE\" compress=\"tRuE\" lock_root=\"yes\" />\n",
       [](PreloaderData& p) {
         EXPECT_TRUE(p.GetProtect());
         EXPECT_TRUE(p.GetCompress());
         EXPECT_FALSE(p.GetLockRoot()) << "only \"true\" is true";
       }},
      {"numbers are taken without the setters' ranges",
       "<preloader_data target_width=\"9000\" target_fps=\"200.5\" percent=\"-3\" bg_color=\"4294967295\" />\n",
       [](PreloaderData& p) {
         EXPECT_EQ(p.GetTargetWidth(), 9000);
         EXPECT_FLOAT_EQ(p.GetTargetFps(), 200.5f);
         EXPECT_EQ(p.GetPercent(), -3);
         EXPECT_EQ(p.GetBackgroundColor(), 0xFFFFFFFFu);
       }},
      {"a display element without enable is ignored",
       "<preloader_data >\n<display name=\"Known\" width=\"50\" />\n</preloader_data>\n",
       [](PreloaderData& p) {
         EXPECT_EQ(p.GetDisplay(), nullptr);
         EXPECT_FALSE(p.IsDisplayEnabled());
         EXPECT_EQ(p.GetPreloaderLibrary().FindByName(L"Known")->GetStoredWidth(), 100);
       }},
      {"display values out of range or in other letter case are skipped",
       "<preloader_data >\n<display enable=\"false\" name=\"Known\" width=\"0\" height=\"5001\" x=\"-5000\" "
       "halign=\"Left\" align_to_doc=\"FALSE\" fg_color=\"7\" />\n</preloader_data>\n",
       [](PreloaderData& p) {
         auto* d = static_cast<ColorPairDisplay*>(p.GetDisplay());
         ASSERT_NE(d, nullptr);
         EXPECT_FALSE(p.IsDisplayEnabled());
         EXPECT_EQ(d->GetStoredWidth(), 100);
         EXPECT_EQ(d->GetStoredHeight(), 20);
         EXPECT_EQ(d->GetX(), -5000);
         EXPECT_EQ(d->GetHAlign(), kHAlignCenter);
         EXPECT_FALSE(d->GetAlignToDoc());
         EXPECT_EQ(d->GetFgColor(), 7u);
       }},
      {"an unknown removal effect means none",
       "<preloader_data >\n<preloader_fx_remove enable=\"true\" name=\"Fade In\" duration=\"5\" "
       "/>\n</preloader_data>\n",
       [](PreloaderData& p) { EXPECT_EQ(p.GetRemovalEffect(), nullptr); }},
      {"a removal effect without duration keeps its duration",
       "<preloader_data >\n<preloader_fx_remove name=\"Exit Left\" />\n</preloader_data>\n",
       [](PreloaderData& p) {
         ASSERT_NE(p.GetRemovalEffect(), nullptr);
         EXPECT_EQ(p.GetRemovalEffect()->GetName(), WideString(L"Exit Left"));
         EXPECT_EQ(p.GetRemovalEffect()->GetDuration(), 1000);
       }},
      {"list children of any name are items, a second list appends",
       "<preloader_data >\n<imports selection=\"0\" >\n<imports x=\"6000\" y=\"-20\" />\n<other x=\"5\" />\n"
       "</imports>\n<imports >\n<imports x=\"1\" />\n</imports>\n</preloader_data>\n",
       [](PreloaderData& p) {
         ASSERT_EQ(p.GetImportCount(), 3);
         EXPECT_EQ(p.GetImport(0)->GetX(), 0) << "x out of range keeps the reset value";
         EXPECT_EQ(p.GetImport(0)->GetY(), -20);
         EXPECT_EQ(p.GetImport(1)->GetX(), 5);
         EXPECT_EQ(p.GetImport(2)->GetX(), 1);
       }},
      {"load message ranges and an unknown text effect",
       "<preloader_data >\n<load_messages >\n<load_message txt=\"a\" alpha=\"256\" start_time=\"-1\" "
       "end_percent=\"100\" start_percent=\"101\" end_time=\"360000\" halign=\"Right\" align_to_doc=\"false\" "
       "x=\"5001\" y=\"-5000\" >\n<text_fx name=\"fade in\" />\n</load_message>\n</load_messages>\n"
       "</preloader_data>\n",
       [](PreloaderData& p) {
         ASSERT_EQ(p.GetLoadMessageCount(), 1);
         const LoadMessage& m = *p.GetLoadMessage(0);
         EXPECT_EQ(m.GetAlpha(), 255);
         EXPECT_EQ(m.GetStartTime(), 0);
         EXPECT_EQ(m.GetStartPercent(), 0);
         EXPECT_EQ(m.GetEndTime(), 360000);
         EXPECT_EQ(m.GetHAlign(), kHAlignCenter);
         EXPECT_EQ(m.GetX(), 0);
         EXPECT_EQ(m.GetY(), -5000);
         EXPECT_EQ(m.GetTextEffect()->GetName(), WideString(L"None"));
       }},
      {"a background image without attributes is ignored", "<preloader_data >\n<bg_image />\n</preloader_data>\n",
       [](PreloaderData& p) { EXPECT_EQ(p.GetBackgroundImage().GetWidth(), 320); }},
      {"unknown elements and attributes are ignored",
       "<preloader_data whatever=\"1\" >\n<future thing=\"2\" >\n<imports />\n</future>\n</preloader_data>\n",
       [](PreloaderData& p) { EXPECT_EQ(p.GetImportCount(), 0); }},
  };
  ScratchDir dir;
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteText(dir.Native("case.plw"), FileWith(c.element));
    PreloaderData p;
    AddDisplay(p, L"Known", L"/lib/known.swf");
    ASSERT_TRUE(OpenProjectFile(dir.Path("case.plw"), p));
    c.check(p);
  }
}

TEST(ProjectDocument, OlderTextAndFontFormsOfMessages) {
  // Files of that time declared no encoding; their Base64 texts are Mac Roman.
  ScratchDir dir;
  WriteText(dir.Native("old.plw"),
            "<xml version=\"1.0\">\n<plenwick>\n<preloader_data >\n<progress_messages >\n"
            // "Caf\x8e" in Mac Roman, "Geneva", and a style record: 24 points, bold and italic.
            "<progress_message text=\"Q2Fmjg==\" font_name=\"R2VuZXZh\" "
            "font=\"GAAAAAAAAAAAAAAAAAAAAAMAAAAAAAAAAAAAAA==\" font_size=\"9\" />\n"
            "<progress_message txt=\"new\" text=\"b2xk\" font_size=\"9\" fnt_name=\"Times\" font_name=\"R2VuZXZh\" />\n"
            "<progress_message font=\"GAAAAAAAAAAAAAAAAAAAAAMAAAAAAAAAAAAAAAAA\" />\n"
            "</progress_messages>\n</preloader_data>\n</plenwick>\n</xml>\n");
  PreloaderData p;
  ASSERT_TRUE(OpenProjectFile(dir.Path("old.plw"), p));
  ASSERT_EQ(p.GetProgressMessageCount(), 3);
  const ProgressMessage& old = *p.GetProgressMessage(0);
  EXPECT_EQ(old.GetText(), WideString(L"Caf\u00e9"));
  EXPECT_EQ(old.GetFont().GetName(), WideString(L"Geneva"));
  EXPECT_EQ(old.GetFont().GetSize(), 24) << "the record wins over font_size";
  EXPECT_TRUE(old.GetFont().IsBold());
  EXPECT_TRUE(old.GetFont().IsItalic());
  const ProgressMessage& both = *p.GetProgressMessage(1);
  EXPECT_EQ(both.GetText(), WideString(L"new"));
  EXPECT_EQ(both.GetFont().GetName(), WideString(L"Times"));
  EXPECT_EQ(both.GetFont().GetSize(), 9);
  const ProgressMessage& tooLong = *p.GetProgressMessage(2);
  EXPECT_EQ(tooLong.GetFont().GetSize(), 12) << "a record longer than 28 bytes is ignored";
}

TEST(ProjectDocument, SelectionsComeBackFromSnapshotsOnly) {
  ScratchDir dir;
  const std::string element =
      "<preloader_data >\n<load_messages selection=\"7\" >\n<load_message txt=\"a\" />\n<load_message txt=\"b\" "
      "/>\n</load_messages>\n</preloader_data>\n";
  WriteText(dir.Native("p.plw"), FileWith(element));
  WriteText(dir.Native("undo"), "<xml version=\"1.0\" encoding=\"UTF-8\">\n" + element + "\n</xml>\n");
  PreloaderData opened, undone;
  ASSERT_TRUE(OpenProjectFile(dir.Path("p.plw"), opened));
  ASSERT_TRUE(ReadProjectSnapshot(dir.Path("undo"), undone));
  EXPECT_EQ(opened.GetLoadMessageSelection(), -1);
  EXPECT_EQ(undone.GetLoadMessageSelection(), 7) << "stored unchecked";
  EXPECT_TRUE(PreloaderData::KeepSelectionsOnRead);
}

TEST(ProjectDocument, FirstProjectRootAndLastProjectElementDecide) {
  ScratchDir dir;
  WriteText(dir.Native("two.plw"),
            "<xml version=\"1.0\" encoding=\"UTF-8\">\n"
            "<other />\n"
            "<plenwick version_major=\"9\">\n<preloader_data percent=\"1\" />\n<preloader_data percent=\"2\" />\n"
            "</plenwick>\n"
            "<plenwick>\n<preloader_data percent=\"3\" />\n</plenwick>\n</xml>\n");
  PreloaderData p;
  ASSERT_TRUE(OpenProjectFile(dir.Path("two.plw"), p));
  EXPECT_EQ(p.GetPercent(), 2);

  // A file that starts with an XML declaration and has the project root at the top.
  WriteText(dir.Native("decl.plw"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<plenwick>\n<preloader_data percent=\"4\" />\n</plenwick>\n");
  ASSERT_TRUE(OpenProjectFile(dir.Path("decl.plw"), p));
  EXPECT_EQ(p.GetPercent(), 4);
}

// --- failures ---

TEST(ProjectDocument, UnreadableOrMalformedFilesLeaveTheProjectAsItWas) {
  ScratchDir dir;
  PreloaderData p;
  ChangeEverything(p);
  const std::string good = ProjectText(p, dir, "good.plw");
  const std::string before = Describe(p);

  std::vector<std::pair<std::string, std::string>> bad = {
      {"empty", ""},
      {"no XML", "this is not a project"},
      {"binary", std::string("\x00\xff\xfe\x01<plenwick>", 14)},
      {"no project root", "<xml version=\"1.0\" encoding=\"UTF-8\">\n<preloader_data percent=\"1\" />\n</xml>\n"},
      {"mismatched tags", FileWith("<preloader_data >\n<imports >\n</load_messages>\n</preloader_data>\n")},
      {"unquoted attribute", FileWith("<preloader_data percent=1 />\n")},
      {"bad UTF-8", FileWith("<preloader_data target_url=\"\xc3\x28\" />\n")},
      {"entity declaration",
       "<!DOCTYPE xml [<!ENTITY a \"aaaaaaaaaa\">]>\n<xml>\n<plenwick>\n<preloader_data target_url=\"&a;\" />\n"
       "</plenwick>\n</xml>\n"},
      {"undefined entity", FileWith("<preloader_data target_url=\"&nope;\" />\n")},
  };
  // Every truncation of a good file.
  const size_t end = good.rfind("</xml>");
  ASSERT_NE(end, std::string::npos);
  for (size_t length = 0; length < end + 5; length += (length < 200 ? 1 : 7))
    bad.emplace_back("truncated at " + std::to_string(length), good.substr(0, length));

  for (const auto& [what, bytes] : bad) {
    WriteText(dir.Native("bad.plw"), bytes);
    std::string error;
    EXPECT_FALSE(OpenProjectFile(dir.Path("bad.plw"), p, &error)) << what;
    EXPECT_FALSE(error.empty()) << what;
    ASSERT_EQ(Describe(p), before) << what;
    if (what != "no project root") {
      EXPECT_FALSE(ReadProjectSnapshot(dir.Path("bad.plw"), p)) << what;
    }
  }
  EXPECT_FALSE(OpenProjectFile(dir.Path("missing.plw"), p));
  EXPECT_FALSE(OpenProjectFile(Utf8ToWide(dir.Native("")), p)) << "a folder";
  EXPECT_EQ(Describe(p), before);
  EXPECT_TRUE(PreloaderData::KeepSelectionsOnRead);
}

TEST(ProjectDocument, FailedSaveReportsAndKeepsThePreviousFile) {
  ScratchDir dir;
  PreloaderData p;
  ASSERT_TRUE(SaveProjectFile(dir.Path("p.plw"), p));
  const std::string previous = ReadText(dir.Native("p.plw"));
  ChangeEverything(p);

  // The file system refuses the bytes: a file-size limit below the document's size.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 512;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const bool saved_ok = SaveProjectFile(dir.Path("p.plw"), p, &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved_ok);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadText(dir.Native("p.plw")), previous);

  // The destination is a folder.
  std::filesystem::create_directory(dir.Native("folder.plw"));
  EXPECT_FALSE(SaveProjectFile(dir.Path("folder.plw"), p));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Native("folder.plw")));
  // The folder does not exist.
  EXPECT_FALSE(SaveProjectFile(dir.Path("no/such/p.plw"), p));

  // Nothing was left behind but the two files.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Native(""))) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2);
}

}  // namespace
