// Checks the bundle's numbered texts: the file loads without a bad line or a duplicate, every
// number the program shows is there, and every text's printf conversions match the arguments
// its callers pass. A number missing from kFormats is expected to take no argument at all.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/Bundle.h"
#include "host/StringTable.h"
#include "platform/WideTextBuffer.h"

namespace {

// The kinds of argument each formatting caller passes, in order:
//   "d" int, "u" unsigned, "ld" long, "f" double, "ls" wide text, "s" narrow text, "c" character.
const std::map<int, std::vector<std::string>> kFormats = {
    {101, {"ls", "ls"}},                       // the main window's open: the path and the reader's reason
    {102, {"ls", "ls"}}, {103, {"ls", "ls"}},  // save: the path and the reason
    {112, {"ls"}},                             // open: the missing path
    {113, {"d", "d"}},   {114, {"d", "d"}},    // Document page: the stage width and height ranges
    {115, {"d", "d"}},                         // Document page: the frame rate range
    {117, {"d", "d"}},                         // Document page: the percentage range
    {118, {"d", "d"}},                         // Imports page, out of range: final width
    {119, {"d", "d"}},                         // final height
    {120, {"d", "d"}},                         // width scale (percent)
    {121, {"d", "d"}},                         // height scale (percent)
    {122, {"d", "d"}},                         // x
    {123, {"d", "d"}},                         // y
    {124, {"f", "f"}},                         // start time (seconds)
    {125, {"f", "f"}},                         // end time (seconds)
    {126, {"d", "d"}},                         // start percentage
    {127, {"d", "d"}},                         // end percentage
    {129, {"ls"}},                             // Document page: the unreadable target movie
    {141, {"d", "d"}},                         // Progress page, out of range: x
    {142, {"d", "d"}},                         // y
    {143, {"d", "d"}},                         // alpha
    {144, {"d", "d"}},                         // leading
    {134, {"d", "d"}},   {135, {"d", "d"}},    // Message page: x, y refused (lowest, highest)
    {136, {"d", "d"}},   {137, {"d", "d"}},    // Message page: leading, tracking refused
    {138, {"d", "d"}},                         // Message page: alpha refused
    {139, {"f", "f"}},   {140, {"f", "f"}},    // Message page: start time, duration refused (seconds)
    {145, {"d", "d"}},   {146, {"d", "d"}},    // Message page: start, end percentage refused
    {153, {"ls"}},                             // build: the generator's reason
    {155, {"d", "d"}},                         // Imports page, out of range: image quality
    {167, {"ls"}},                             // build: the warnings, one line each
    {111, {"ls"}},                             // Display page: the preview build's reason
    {147, {"d", "d"}},   {148, {"d", "d"}},    // Display page: width, height refused (limits)
    {149, {"d", "d"}},   {150, {"d", "d"}},    // Display page: x, y refused (limits)
    {168, {"d", "d"}},   {169, {"d", "d"}},    // segments panel: count, spacing refused (limits)
};

// Numbers that the program shows and that must therefore exist.
const int kRequired[] = {
    11100, 11101, 11102, 11103,                                                  // message-box buttons
    10000, 10001,                                                                // error headings
    10015, 10016, 10017,                                                         // start-up checks
    151,   152,                                                                  // build finished
    11007, 11008,                                                                // newer version offered
    8010,  8011,  8012,  8013,  8014, 8015, 8016, 8017, 8018, 8019, 8020, 8021,  // publishing
    8030,  8031,  8032,  8033,  8034, 8035, 8036, 8037, 8038, 8039, 8040, 8041,  // saver and installer
    8042,  8043,  8044,  8045,                                                   // progress
    113,   114,   115,   116,   117,  128,  129,                                 // the Document page
    156,   157,   158,   159,   160,  161,  162,  163,  164,  165,  166,         // the background image dialog
};

// The argument kinds a wide printf format consumes; nullopt for a conversion the program
// never uses (%n, positional arguments, unknown letters) or a dangling '%'.
std::optional<std::vector<std::string>> ArgumentKinds(const std::wstring& format) {
  std::vector<std::string> kinds;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') continue;
    if (++i >= format.size()) return std::nullopt;
    if (format[i] == L'%') continue;
    while (i < format.size() && std::wstring_view(L"-+ #0'").find(format[i]) != std::wstring_view::npos) ++i;
    auto number = [&] {
      if (i < format.size() && format[i] == L'*') {
        kinds.push_back("d");
        ++i;
        return;
      }
      while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') ++i;
    };
    number();
    if (i < format.size() && format[i] == L'$') return std::nullopt;
    if (i < format.size() && format[i] == L'.') {
      ++i;
      number();
    }
    std::string length;
    while (i < format.size() && std::wstring_view(L"hlLqjzt").find(format[i]) != std::wstring_view::npos) {
      length.push_back(static_cast<char>(format[i++]));
    }
    if (i >= format.size()) return std::nullopt;
    const wchar_t c = format[i];
    std::string kind;
    if (c == L'd' || c == L'i') {
      kind = length + "d";
    } else if (std::wstring_view(L"uoxX").find(c) != std::wstring_view::npos) {
      kind = length + "u";
    } else if (std::wstring_view(L"fFeEgGaA").find(c) != std::wstring_view::npos) {
      kind = length == "L" ? "Lf" : "f";  // %lf is a double too
    } else if (c == L's' || c == L'c') {
      kind = length + static_cast<char>(c);
    } else {
      return std::nullopt;
    }
    kinds.push_back(kind);
  }
  return kinds;
}

// The build tree's bundle, also when the test runs outside ctest.
const std::string kBundle = PLENWICK_BUNDLE_DIR;

const host::strings::StringTable& Table() {
  static const host::strings::StringTable table =
      host::strings::StringTable::Load(kBundle + "/Resources/Localizable.strings");
  return table;
}

}  // namespace

TEST(BundleStrings, TheFormatReaderKnowsTheConversions) {
  struct Case {
    const wchar_t* format;
    std::optional<std::vector<std::string>> kinds;
  };
  using V = std::vector<std::string>;
  const Case cases[] = {
      {L"plain", V{}},
      {L"100%% done", V{}},
      {L"%ls in %ls", V{"ls", "ls"}},
      {L"%d to %5.2f (%-*d) %lu %c %s", V{"d", "f", "d", "d", "lu", "c", "s"}},
      {L"%x %lf %Lf %lld", V{"u", "f", "Lf", "lld"}},
      {L"50%", std::nullopt},
      {L"%n", std::nullopt},
      {L"%1$d", std::nullopt},
      {L"%y", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format);
    EXPECT_EQ(ArgumentKinds(c.format), c.kinds);
  }
}

TEST(BundleStrings, TheTableLoadsCleanly) {
  for (const auto& problem : Table().problems()) {
    ADD_FAILURE() << "Localizable.strings line " << problem.line << ": " << problem.message;
  }
  EXPECT_GT(Table().size(), 0u);
}

TEST(BundleStrings, EveryShownNumberHasAText) {
  host::bundle::SetBundlePathForTesting(kBundle);
  struct Restore {
    ~Restore() { host::bundle::SetBundlePathForTesting(""); }
  } restore;
  for (const int number : kRequired) {
    const std::wstring* text = Table().Find(number);
    ASSERT_NE(text, nullptr) << "no text for " << number;
    EXPECT_FALSE(text->empty()) << number;
    WideTextBuffer loaded(number);
    EXPECT_EQ(std::wstring(loaded.GetText()), *text) << number;
  }
  for (const auto& [number, kinds] : kFormats) {
    EXPECT_NE(Table().Find(number), nullptr) << "a format is expected for " << number;
  }
}

TEST(BundleStrings, FormatsMatchTheirCallersArguments) {
  for (const auto& [number, text] : Table().entries()) {
    SCOPED_TRACE(testing::Message() << "text " << number);
    const auto kinds = ArgumentKinds(text);
    ASSERT_TRUE(kinds.has_value()) << "a conversion the program does not use";
    const auto it = kFormats.find(number);
    const std::vector<std::string> expected = it == kFormats.end() ? std::vector<std::string>() : it->second;
    EXPECT_EQ(*kinds, expected);
  }
}
