#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <fstream>
#include <string>

#include "platform/Easing.h"
#include "platform/HelpBook.h"
#include "platform/KeyNames.h"
#include "platform/LoadableBundle.h"
#include "platform/OffscreenGWorld.h"
#include "platform/Processes.h"
#include "platform/SystemInfo.h"

TEST(SystemInfo, VersionsPassTheStartUpChecks) {
  EXPECT_GE(GetSystemVersion(), 0x1000u);
  EXPECT_GT(GetSystemVersion(), 0x101Fu);
  EXPECT_TRUE(IsMacOSX());
  EXPECT_FALSE(IsClassicMacOS());
  EXPECT_TRUE(HasCarbonLib());
  EXPECT_NE(GetCarbonVersion(), 0u);
}

TEST(SystemInfo, ProcessesAreKnownByTheirIds) {
  ProcessSerialNumber self;
  ASSERT_TRUE(GetCurrentProcessPSN(self));
  EXPECT_EQ(self.pid, static_cast<long>(::getpid()));
  EXPECT_TRUE(IsProcessRunning(self));
  EXPECT_TRUE(BringProcessToFront(self));
  // A child that ended is not running, reaped or not.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ProcessSerialNumber psn;
  psn.pid = child;
  for (int i = 0; i < 200 && IsProcessRunning(psn); ++i) ::usleep(10000);
  EXPECT_FALSE(IsProcessRunning(psn));
  EXPECT_FALSE(IsProcessRunning(ProcessSerialNumber{}));
}

TEST(Easing, EndsAndShape) {
  EXPECT_EQ(EaseInQuad(0, 10, 5, 2), 10);
  EXPECT_EQ(EaseInQuad(2, 10, 5, 2), 15);
  EXPECT_EQ(EaseOutQuad(0, 10, 5, 2), 10);
  EXPECT_EQ(EaseOutQuad(2, 10, 5, 2), 15);
  // Ease-out moves fastest at the start, ease-in at the end.
  EXPECT_GT(EaseOutQuad(0.2, 0, 1, 2) - EaseOutQuad(0, 0, 1, 2), EaseInQuad(0.2, 0, 1, 2) - EaseInQuad(0, 0, 1, 2));
  // A duration of 0 is finished, never a division by zero.
  EXPECT_EQ(EaseInQuad(0, 1, 2, 0), 3);
  EXPECT_EQ(EaseOutQuad(5, 1, 2, 0), 3);
  EXPECT_FALSE(std::isnan(EaseOutQuad(0, 1, 2, -1)));
}

TEST(KeyNames, SpecialKeysLettersAndBounds) {
  struct Case {
    int code;
    const wchar_t* name;
  };
  const Case cases[] = {{36, L"Return"}, {116, L"Page Up"}, {122, L"F1"}, {126, L"Up Arrow"}, {0, L"a"},
                        {29, L"0"},      {50, L"`"},        {10, L""},    {-1, L""},          {500, L""}};
  for (const auto& c : cases) EXPECT_EQ(GetKeyName(c.code), c.name) << c.code;
  wchar_t buf[4] = {L'#', L'#', L'#', L'#'};
  EXPECT_TRUE(GetKeyName(116, buf, 4));
  EXPECT_EQ(std::wstring(buf), L"Pag");
  EXPECT_FALSE(GetKeyName(116, buf, 0));
  EXPECT_FALSE(GetKeyName(10, buf, 4));
  EXPECT_EQ(buf[0], L'\0');
}

TEST(OffscreenGWorld, PixelsLieInMemoryAsARGB) {
  GWorldPtr world = nullptr;
  ASSERT_TRUE(CreateOffscreenGWorld(&world, 3, 2, 32));
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(world->RowBytes(), 12u);
  EXPECT_EQ(world->GetPixel(2, 1), 0xFFFFFFFFu);  // opaque white
  EXPECT_EQ(world->foreground.red, 0);
  EXPECT_EQ(world->background.blue, 0xFFFF);
  world->SetPixel(1, 1, 0x80112233);
  const uint8_t* p = world->Row(1) + 4;
  EXPECT_EQ(p[0], 0x80);
  EXPECT_EQ(p[1], 0x11);
  EXPECT_EQ(p[2], 0x22);
  EXPECT_EQ(p[3], 0x33);
  world->FillRect(-5, -5, 100, 1, 0xFF000000);
  EXPECT_EQ(world->GetPixel(2, 0), 0xFF000000u);
  EXPECT_EQ(world->GetPixel(3, 0), 0u);  // outside
  EXPECT_TRUE(DisposeOffscreenGWorld(&world));
  EXPECT_EQ(world, nullptr);
  for (auto [w, h, d] : {std::tuple{0, 1, 32}, {1, 0, 32}, {40000, 1, 32}, {1, 1, 8}, {-3, 4, 32}}) {
    GWorldPtr bad = reinterpret_cast<GWorldPtr>(&w);
    EXPECT_FALSE(CreateOffscreenGWorld(&bad, w, h, d));
    EXPECT_EQ(bad, nullptr);
  }
  BitDepthRecord r{1, 2, 3, 4};
  r.Init(3);
  EXPECT_EQ(r.bits, 32);
  EXPECT_EQ(r.bitsAgain, 32);
  EXPECT_EQ(r.reserved1, 0);
  r = {1, 2, 3, 4};
  r.Init(9);
  EXPECT_EQ(r.bits, 1);
  EXPECT_EQ(r.reserved2, 0);
}

TEST(LoadableBundle, EntryPointsByNameAndMissingOnesAreErrors) {
  Dl_info info{};
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(&zlibVersion), &info), 0);
  ASSERT_NE(info.dli_fname, nullptr);
  LoadableBundle bundle;
  ASSERT_TRUE(bundle.Load(Utf8ToWide(info.dli_fname))) << bundle.LastError();
  const char* (*version)() = nullptr;
  ASSERT_TRUE(bundle.GetFunction("zlibVersion", version));
  EXPECT_STREQ(version(), zlibVersion());
  int (*missing)() = nullptr;
  EXPECT_FALSE(bundle.GetFunction("no_such_entry_point", missing));
  EXPECT_EQ(missing, nullptr);
  EXPECT_NE(bundle.LastError().find("no_such_entry_point"), std::string::npos);
  bundle.Unload();
  EXPECT_EQ(bundle.GetFunction("zlibVersion"), nullptr);
  EXPECT_FALSE(bundle.Load(L"/nonexistent/lame_encU.bundle"));
  EXPECT_FALSE(bundle.Load(L"relative.so"));
}

TEST(HelpBook, OpensTheRegisteredHelpInTheFileManager) {
  std::string opened;
  SetOpenInFinderHandlerForTesting([&](const std::string& target) {
    opened = target;
    return true;
  });
  EXPECT_FALSE(RegisterHelpBook(L"/nonexistent/PlenwickHelp.pdf"));
  EXPECT_FALSE(ShowHelpPage());
  EXPECT_TRUE(opened.empty());
  char pattern[] = "/tmp/plenwick-help-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string file = std::string(pattern) + "/PlenwickHelp.pdf";
  { std::ofstream(file) << "%PDF-1.4\n"; }
  EXPECT_TRUE(RegisterHelpBook(Utf8ToWide(file)));
  EXPECT_TRUE(ShowHelpPage(L"index.html", L"top"));
  EXPECT_EQ(opened, file);
  SetOpenInFinderHandlerForTesting(nullptr);
  ::unlink(file.c_str());
  ::rmdir(pattern);
}
