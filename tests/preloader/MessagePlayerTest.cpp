// Messages played in a real player (Ruffle in Chromium), in full previews: the progress texts
// show the loader's values on every pass, a load message comes and goes at its percents, each
// text effect animates its letters, and the texts appear in their fonts and colours where the
// project puts them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "preloader/Messages.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/TextEffect.h"
#include "tests/preloader/PlayerProbe.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/PlayerRunner.h"
#include "tests/support/TestFonts.h"

namespace {

double Number(const std::string& text) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0;
  in >> value;
  return in.fail() ? std::nan("") : value;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

constexpr int kTimeLimitMs = 180000;

FontSpec Font(int32_t size) {
  FontSpec font;
  EXPECT_TRUE(font.SetFontByName(L"DejaVu Sans"));
  font.SetSize(size);
  return font;
}

class MessagePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
    ASSERT_TRUE(testfonts::UseTestFonts());
    project.SetTargetUrl(L"http://example.com/target.swf");
    project.SetTargetFps(60.0f);
    project.SetPreviewMode(true, false);
  }

  LoadMessage* AddLoadMessage(const wchar_t* text, const wchar_t* effect, int32_t x, int32_t y) {
    auto* message = new LoadMessage;
    message->SetAlignToDoc(false);
    message->SetFont(Font(20));
    message->SetText(text);
    message->SetX(x);
    message->SetY(y);
    message->SetTextEffect(project.GetTextEffectLibrary().FindByName(effect));
    project.InsertLoadMessage(message, 1000);
    return message;
  }
  ProgressMessage* AddProgressMessage(const wchar_t* text, int32_t x, int32_t y) {
    auto* message = new ProgressMessage;
    message->SetAlignToDoc(false);
    message->SetFont(Font(16));
    message->SetText(text);
    message->SetX(x);
    message->SetY(y);
    project.InsertProgressMessage(message, 1000);
    return message;
  }

  projecttest::ScratchDir dir;
  PreloaderData project;
};

const char* const kProbe = R"(
var l = _root.ldr;
if (l.pl0 == undefined) {
  trace("none");
} else {
  var m = l.msg0;
  var inner = undefined;
  for (k in m) {
    if (typeof(m[k]) == "movieclip") inner = m[k];
  }
  trace("p=" + Math.floor(l.prcnt * 100) + "|pl0=" + l.pl0.text + "|pl1=" + l.pl1.text +
        "|pl2=" + l.pl2.text + "|kb=" + Math.floor(l.btl / 1024) + "|fr=" + l.frl + "|b0=" + l.bmsg0 +
        "|cf0=" + m._currentframe + "|c0=" + inner.ltr_0.ltr.dummyletter + "|c1=" + inner.ltr_1.ltr.dummyletter +
        "|x0=" + inner.ltr_0._x + "|x1=" + inner.ltr_1._x +
        "|fade=" + l.msg1.ltr_0.ltr._alpha + "|flicker=" + l.msg2.ltr_0.ltr._alpha +
        "|throb=" + l.msg3.ltr_0.ltr._alpha +
        "|d0=" + l.msg4.ltr_2.ltr._alpha + "|d1=" + l.msg4.ltr_3.ltr._alpha + "|d2=" + l.msg4.ltr_4.ltr._alpha +
        "|e0=" + l.msg5.ltr_2.ltr._alpha + "|e2=" + l.msg5.ltr_4.ltr._alpha + "|ec=" + l.msg5.ltr_4.ltr.dummyletter +
        "|fc=" + l.msg1.ltr_1.ltr.dummyletter + "|b6=" + l.bmsg6);
}
)";

TEST_F(MessagePlayerTest, TextsFollowTheLoadAndEffectsAnimateTheirLetters) {
  AddProgressMessage(L"Loaded:%percent%%", 10, 10);
  AddProgressMessage(L"%kbytes/%totalkbytes KB", 10, 40);
  AddProgressMessage(L"%frames of %totalframes", 10, 70);
  LoadMessage* late = AddLoadMessage(L"Wait", L"None", 100, 120);
  late->SetStartType(kStartPercent);
  late->SetStartPercent(30);
  late->SetEndType(kEndPercent);
  late->SetEndPercent(30);  // counted from the start: gone past 60 percent
  AddLoadMessage(L"Fade", L"Fade In", 100, 160);
  AddLoadMessage(L"Flick", L"Flicker", 100, 200);
  AddLoadMessage(L"Throb", L"Throb", 100, 240);
  AddLoadMessage(L"Go", L"Trail Dots", 100, 280);
  AddLoadMessage(L"On", L"Trail Dots 2", 100, 320);
  // Starts after a time and ends 20 percent after it started.
  LoadMessage* mixed = AddLoadMessage(L"Mixed", L"None", 100, 360);
  mixed->SetStartTime(300);
  mixed->SetEndType(kEndPercent);
  mixed->SetEndPercent(20);
  PreloaderBuilder builder;
  ASSERT_TRUE(builder.Build(dir.Path("messages.swf"), project, true)) << builder.GetError();
  playerprobe::AddProbe(dir.Native("messages.swf"), kProbe);
  const playertest::PlayRun run =
      playertest::Play({{"messages", dir.Native("messages.swf"), dir.Native(""), 90, kTimeLimitMs}});
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 1u);
  const playertest::MovieResult& result = run.results[0];
  EXPECT_EQ(result.error, "");

  std::vector<std::map<std::string, std::string>> samples;
  for (const std::string& line : result.trace) {
    // Before the loader's first pass its texts are not set yet.
    if (line == "none" || (samples.empty() && line.find("|pl0=undefined|") != std::string::npos)) continue;
    samples.push_back(playerprobe::Fields(line));
  }
  ASSERT_GT(samples.size(), 70u) << Joined(result.trace);
  const std::string log = Joined(result.trace);

  bool started = false, ended = false;
  int mixedStart = -1, mixedEnd = -1;
  std::vector<double> fade, flicker, throb;
  int dotsAllHidden = 0, firstDotOnly = 0, trail2Complete = 0;
  for (const auto& s : samples) {
    const int p = static_cast<int>(Number(s.at("p")));
    // The progress texts show what the loader's variables hold.
    EXPECT_EQ(s.at("pl0"), "Loaded:" + std::to_string(p) + "%") << log;
    EXPECT_EQ(s.at("pl1"), s.at("kb") + "/9 KB") << log;
    EXPECT_EQ(s.at("pl2"), s.at("fr") + " of 100") << log;
    // The late message waits, shows its text in its wrapper's second frame, then goes.
    const std::string state = s.at("b0");
    if (p < 30) {
      EXPECT_EQ(state, "0") << log;
    }
    if (p > 31 && p < 60) {
      EXPECT_EQ(state, "1") << log;
    }
    if (p > 61) {
      EXPECT_EQ(state, "2") << log;
    }
    if (state == "0") {
      EXPECT_EQ(s.at("cf0"), "1") << log;
    }
    if (state == "1") {
      started = true;
      EXPECT_EQ(s.at("cf0"), "2") << log;
      EXPECT_EQ(s.at("c0") + s.at("c1"), "Wa") << log;
      EXPECT_LT(Number(s.at("x0")), Number(s.at("x1"))) << log;
    }
    if (state == "2") {
      ended = true;
      EXPECT_EQ(s.at("c0"), "undefined") << log;
    }
    EXPECT_EQ(s.at("fc"), "a") << log;
    fade.push_back(Number(s.at("fade")));
    flicker.push_back(Number(s.at("flicker")));
    throb.push_back(Number(s.at("throb")));
    const double d0 = Number(s.at("d0")), d1 = Number(s.at("d1")), d2 = Number(s.at("d2"));
    // The dots come one after the other and go together.
    if (d2 > 0) {
      EXPECT_GT(d1, 0) << log;
    }
    if (d1 > 0) {
      EXPECT_GT(d0, 0) << log;
    }
    if (d0 == 0 && d2 == 0) ++dotsAllHidden;
    if (d0 > 0 && d1 == 0) ++firstDotOnly;
    if (s.at("ec") == ".") ++trail2Complete;
    if (mixedStart < 0 && s.at("b6") == "1") mixedStart = p;
    if (mixedEnd < 0 && s.at("b6") == "2") mixedEnd = p;
  }
  EXPECT_TRUE(started) << log;
  EXPECT_TRUE(ended) << log;
  EXPECT_GT(dotsAllHidden, 0) << log;
  EXPECT_GT(firstDotOnly, 0) << log;
  EXPECT_GT(trail2Complete, 0) << log;
  ASSERT_GE(mixedStart, 0) << log;
  ASSERT_GE(mixedEnd, 0) << log;
  EXPECT_GE(mixedEnd - mixedStart, 19) << log;
  EXPECT_LE(mixedEnd - mixedStart, 22) << log;

  // Fade In: rises over twelve frames to full and stays.
  ASSERT_GT(fade.size(), 20u);
  for (size_t i = 1; i < fade.size(); ++i) EXPECT_GE(fade[i], fade[i - 1]) << log;
  EXPECT_LT(fade.front(), 100) << log;
  EXPECT_NEAR(fade.back(), 100, 0.5) << log;
  // Flicker: visible one frame in three.
  for (size_t i = 0; i + 3 <= flicker.size(); ++i) {
    int shown = 0;
    for (size_t k = i; k < i + 3; ++k) shown += flicker[k] > 99 ? 1 : 0;
    EXPECT_EQ(shown, 1) << i << "\n" << log;
  }
  // Throb: pulses between hidden and full, in small steps.
  double low = 100, high = 0;
  for (size_t i = 0; i < throb.size(); ++i) {
    low = std::min(low, throb[i]);
    high = std::max(high, throb[i]);
    if (i > 0) {
      EXPECT_LT(std::abs(throb[i] - throb[i - 1]), 10) << log;
    }
  }
  EXPECT_LT(low, 1) << log;
  EXPECT_GT(high, 99) << log;
}

}  // namespace

namespace {

// 0xRRGGBB colours that differ by at most `tolerance` in every channel.
bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
      return false;
  }
  return true;
}

TEST_F(MessagePlayerTest, TextsShowInTheirFontsAndColoursWhereTheProjectPutsThem) {
  ASSERT_TRUE(project.SetTargetSize(300, 200));
  project.SetBackgroundColor(0xFFFFFF);
  // Full blocks fill their advance and the font's height: a solid patch of the text's colour.
  ProgressMessage* progress = AddProgressMessage(L"\u2588\u2588\u2588", 20, 20);
  progress->SetFont(Font(30));
  progress->SetColor(0xFF0000);  // blue (0x00BBGGRR)
  LoadMessage* load = AddLoadMessage(L"\u2588\u2588", L"None", 200, 130);
  load->SetFont(Font(40));
  load->SetColor(0x0000FF);  // red
  PreloaderBuilder builder;
  ASSERT_TRUE(builder.Build(dir.Path("colours.swf"), project, true)) << builder.GetError();
  const std::vector<playertest::Movie> movies = {
      {"colours", dir.Native("colours.swf"), dir.Native(""), 20, kTimeLimitMs}};
  // Inside the progress text's blocks (left-aligned at x 20, about 69 pixels wide) and inside
  // the load message's (centred both ways on 200, 130, about 62 by 47 pixels); then points
  // beside them, which stay the background.
  const std::vector<std::pair<double, double>> points = {{40, 38},  {200, 130}, {5, 5},     {290, 190}, {12, 38},
                                                         {100, 38}, {160, 130}, {240, 130}, {200, 100}};
  const playertest::PlayRun run = playertest::Play(movies, {{0, dir.Native("colours.png"), points}});
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 1u);
  ASSERT_EQ(run.results[0].error, "");
  const std::vector<uint32_t>& pixels = run.results[0].pixels;
  ASSERT_EQ(pixels.size(), points.size());
  EXPECT_TRUE(Near(pixels[0], 0x0000FF, 8)) << std::hex << pixels[0];
  EXPECT_TRUE(Near(pixels[1], 0xFF0000, 8)) << std::hex << pixels[1];
  for (size_t i = 2; i < pixels.size(); ++i) {
    EXPECT_TRUE(Near(pixels[i], 0xFFFFFF, 2)) << i << " " << std::hex << pixels[i];
  }
}

}  // namespace
