// Saving a project while memory runs out. Every allocation of a save is made to fail in turn
// (std::bad_alloc from the n-th operator new of the save, n = 0, 1, 2, ...); whatever point
// the save had reached, the file at the path must be the old document or the complete new
// one, and no temporary file may be left in its folder.
//
// This binary replaces the global operator new and delete, so it holds these tests alone.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "preloader/ImportItem.h"
#include "preloader/Messages.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

// Allocations still to succeed before one fails; negative when no failure is armed.
std::atomic<long> g_allocationsLeft{-1};
std::atomic<bool> g_failed{false};

void* Allocate(std::size_t size, std::size_t alignment) {
  const long left = g_allocationsLeft.load();
  if (left >= 0) {
    g_allocationsLeft.store(left - 1);
    if (left == 0) {
      g_failed.store(true);
      throw std::bad_alloc();
    }
  }
  if (size == 0) size = 1;
  void* p = alignment > alignof(std::max_align_t)
                ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                : std::malloc(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* AllocateNoThrow(std::size_t size, std::size_t alignment) noexcept {
  try {
    return Allocate(size, alignment);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size, 0); }
void* operator new[](std::size_t size) { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size, 0); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return AllocateNoThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return AllocateNoThrow(size, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using projecttest::ReadText;
using projecttest::ScratchDir;
using projecttest::WriteText;

// A project with messages, an import and a changed background: every kind of element.
void FillProject(PreloaderData& p) {
  ASSERT_TRUE(p.SetTargetUrl(L"/movies/a \"b\" & <c>\u00e9.swf"));
  ASSERT_TRUE(p.SetTargetFps(29.97f));
  p.SetCompress(true);
  p.GetBackgroundImage().SetEnabled(true);
  p.GetBackgroundImage().SetPath(L"/pictures/back.png");
  auto* progress = new ProgressMessage();
  progress->SetText(L"Loaded: %percent%% \u20ac");
  p.InsertProgressMessage(progress, 0);
  auto* load = new LoadMessage();
  load->SetText(L"Wait <a moment>");
  load->SetTextEffect(p.GetTextEffectLibrary().FindByName(L"Trail Dots 2"));
  p.InsertLoadMessage(load, 0);
  auto* item = new ImportItem();
  item->SetPath(L"/imports/clip.swf");
  p.InsertImport(item, 0);
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

using SaveFunction = bool (*)(const WideString&, const PreloaderData&, std::string*);

TEST(ProjectSaveAllocation, AFailedAllocationAnywhereLeavesTheOldFileOrTheNewOne) {
  const struct {
    const char* name;
    SaveFunction save;
  } writers[] = {{"project file", &SaveProjectFile}, {"undo snapshot", &WriteProjectSnapshot}};
  for (const auto& writer : writers) {
    SCOPED_TRACE(writer.name);
    PreloaderData project;
    FillProject(project);
    ScratchDir reference;
    ASSERT_TRUE(writer.save(reference.Path("new.plw"), project, nullptr));
    const std::string newText = ReadText(reference.Native("new.plw"));
    const std::string oldText = "<xml version=\"1.0\" encoding=\"UTF-8\">\nthe old document\n</xml>\n";

    ScratchDir dir;
    const std::string path = dir.Native("p.plw");
    long failures = 0;
    bool finished = false;
    for (long n = 0; n < 100000 && !finished; ++n) {
      WriteText(path, oldText);
      std::string error;
      bool saved = false;
      bool threw = false;
      g_failed.store(false);
      g_allocationsLeft.store(n);
      try {
        saved = writer.save(dir.Path("p.plw"), project, &error);
      } catch (const std::bad_alloc&) {
        threw = true;
      }
      g_allocationsLeft.store(-1);
      const bool injected = g_failed.load();
      if (injected) ++failures;
      finished = !injected;

      const std::string now = ReadText(path);
      if (saved) {
        EXPECT_EQ(now, newText) << "allocation " << n;
      } else {
        EXPECT_TRUE(threw || !error.empty()) << "allocation " << n;
        EXPECT_TRUE(now == oldText || now == newText) << "allocation " << n << " left:\n" << now;
      }
      EXPECT_EQ(Entries(dir.Native("")), std::vector<std::string>{"p.plw"}) << "allocation " << n;
      if (!injected) {
        EXPECT_TRUE(saved) << error;
      }
    }
    EXPECT_TRUE(finished) << "the save never ran without a failure";
    EXPECT_GT(failures, 10) << "a save makes more allocations than that";
  }
}

}  // namespace
