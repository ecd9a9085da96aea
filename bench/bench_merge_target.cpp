// Merging a large target movie into the preloader, against loading and writing that target
// alone.
//
// The target (about 50 MB, generated once with the project's own writer into the user's
// private temporary folder and deleted at exit) has thousands of frames, each with a
// DefineBitsLossless of generated pixels, a DefineShape3 filled with it, a two-frame sprite
// that places the shape and runs a script, the sprite's placement and a DoAction. Two figures
// are measured:
//   BM_TargetLoadWrite: the target read into objects (SwfReader, as the merge reads it) and
//                       written with SwfFileWriter to a movie file;
//   BM_MergeBuild:      PreloaderBuilder::Build of a project whose target is merged.
// Both write uncompressed movies. Time is wall time (both end with the written file's fsync
// and rename). Peak memory (MiB) is the rise of the resident set's high-water mark over one
// run, taken in a forked child that first hands back the memory the parent freed
// (malloc_trim) and resets its mark (/proc/self/clear_refs), so no run sees another's peak or
// reuses its pages. The merge reports its time and peak over the target's as ratios (the
// target's timed figures when that benchmark ran first, else one run in a child).
//
// Run from <build>/bench: ./bench_merge_target (build with CMAKE_BUILD_TYPE=Release for figures).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/TempFolder.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/BitmapTags.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t kTargetBytes = 50'000'000;
constexpr int kBitmapSide = 64;
constexpr int kBitmapVariants = 16;

// A unique path in the user's private temporary folder, removed when this object goes.
class TempPath {
 public:
  explicit TempPath(const wchar_t* name) {
    WideString wide;
    if (GetTempFilePath(wide, name, false)) path_ = WideToUtf8(wide);
  }
  ~TempPath() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;
  const std::string& Native() const { return path_; }
  WideString Wide() const { return Utf8ToWide(path_); }

 private:
  std::string path_;
};

// ARGB pixels (premultiplied, opaque): a gradient with noise in the low bits, compressed as
// the tag stores them.
Bytes BitmapData(int variant) {
  std::mt19937 rng(static_cast<uint32_t>(variant) + 1);
  Bytes pixels;
  pixels.reserve(kBitmapSide * kBitmapSide * 4);
  for (int y = 0; y < kBitmapSide; ++y) {
    for (int x = 0; x < kBitmapSide; ++x) {
      pixels.push_back(0xFF);
      pixels.push_back(static_cast<uint8_t>(x * 4 + variant + (rng() & 0x3F)));
      pixels.push_back(static_cast<uint8_t>(y * 4 + (rng() & 0x3F)));
      pixels.push_back(static_cast<uint8_t>(rng()));
    }
  }
  uLongf size = compressBound(static_cast<uLong>(pixels.size()));
  Bytes packed(size);
  compress2(packed.data(), &size, pixels.data(), static_cast<uLong>(pixels.size()), 6);
  packed.resize(size);
  return packed;
}

std::unique_ptr<DoActionTag> SetVariable(const wchar_t* name, int32_t value) {
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionPush>(WideString(name)));
  actions->AddAction(std::make_unique<ActionPush>(value));
  actions->AddAction(std::make_unique<ActionSetVariable>());
  return actions;
}

struct TargetMovie {
  TempPath path{L"plenwick-bench-target.swf"};
  uint64_t size = 0;
  int frames = 0;
  int tags = 0;
  std::string error;
};

// Writes frames until the tags reach kTargetBytes. Character ids run 1, 2, 3 per frame
// (bitmap, shape, sprite); the sprite of frame f is placed at depth f + 1.
void GenerateTarget(TargetMovie& target) {
  if (target.path.Native().empty()) {
    target.error = "no private temporary folder";
    return;
  }
  std::vector<Bytes> bitmaps;
  for (int v = 0; v < kBitmapVariants; ++v) bitmaps.push_back(BitmapData(v));

  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 24.0f, 8);
  if (!writer.Open(target.path.Wide(), true)) {
    target.error = "cannot write the target movie";
    return;
  }
  auto add = [&](std::unique_ptr<SwfTag> tag) {
    writer.AddTag(std::move(tag));
    ++target.tags;
  };
  int id = 0;
  for (int f = 0; writer.GetTagBytes() < kTargetBytes; ++f) {
    const int bitmapId = ++id;
    auto bitmap = std::make_unique<DefineBitsLosslessTag>(DefineBitsLosslessTag::kRgb32);
    bitmap->SetCharacterId(bitmapId);
    bitmap->SetWidth(kBitmapSide);
    bitmap->SetHeight(kBitmapSide);
    const Bytes& data = bitmaps[static_cast<size_t>(f % kBitmapVariants)];
    bitmap->SetData(data.data(), data.size());
    add(std::move(bitmap));

    const int shapeId = ++id;
    auto shape = std::make_unique<DefineShape3Tag>();
    auto fill = std::make_unique<FillStyle>(true);
    fill->InitBitmapFill(kFillClippedBitmap, static_cast<uint16_t>(bitmapId), SwfMatrix::Make(0, 0, 20, 20, 0, 0));
    shape->BuildRectangle(0, 0, kBitmapSide * 20, kBitmapSide * 20, std::move(fill),
                          std::make_unique<LineStyle>(20, std::make_unique<SwfRgba>(0, 0, 0, 255), true));
    shape->SetCharacterId(shapeId);
    add(std::move(shape));

    const int spriteId = ++id;
    auto sprite = std::make_unique<DefineSpriteTag>(spriteId, 0);
    auto inner = std::make_unique<PlaceObject2Tag>();
    inner->SetCharacterId(shapeId);
    inner->depth = 1;
    sprite->AddTag(std::move(inner));
    sprite->AddTag(std::make_unique<ShowFrameTag>());
    auto moved = std::make_unique<PlaceObject2Tag>();
    moved->depth = 1;
    moved->move = true;
    moved->SetMatrix(SwfMatrix::Make(200, 100, 1, 1, 0, 0));
    sprite->AddTag(std::move(moved));
    sprite->AddTag(SetVariable(L"step", f));
    sprite->AddTag(std::make_unique<ShowFrameTag>());
    add(std::move(sprite));

    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(spriteId);
    place->depth = static_cast<uint16_t>(f + 1);
    place->SetMatrix(SwfMatrix::Make((f % 100) * 100, (f / 100 % 80) * 100, 1, 1, 0, 0));
    place->SetName(L"c" + std::to_wstring(f));
    add(std::move(place));
    auto script = SetVariable(L"frame", f);
    if (f % 50 == 49) script->AddAction(std::make_unique<ActionGotoFrame>(static_cast<uint16_t>(f + 1)));
    add(std::move(script));
    add(std::make_unique<ShowFrameTag>());
    target.frames = f + 1;
  }
  add(std::make_unique<EndTag>());
  target.size = writer.Close();
  if (target.size == 0) target.error = "cannot write the target movie";
}

const TargetMovie& Target() {
  static TargetMovie target;
  static bool generated = false;
  if (!generated) {
    generated = true;
    GenerateTarget(target);
  }
  return target;
}

// The target read into objects and written to a movie file, as the merge reads and writes it.
bool LoadAndWrite(const TargetMovie& target, const TempPath& output) {
  SwfReader reader;
  if (!reader.LoadFileWithOptions(target.path.Wide(), true, 0, true)) return false;
  SwfFileWriter writer;
  writer.CopyHeader(reader.GetHeader());
  if (!writer.Open(output.Wide(), true)) return false;
  for (auto& tag : reader.GetTags()) writer.AddTag(tag.get(), true);
  return writer.Close() != 0;
}

bool Merge(const TargetMovie& target, const TempPath& output, std::string& error) {
  PreloaderData project;
  project.SetTargetType(kTargetMerge);
  project.SetTargetUrl(target.path.Wide());
  PreloaderBuilder builder;
  const bool ok = builder.Build(output.Wide(), project, true);
  if (!ok) error = builder.GetError();
  return ok;
}

// A field of /proc/self/status in kB (VmHWM, VmRSS), -1 when missing.
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') return std::atol(line.c_str() + n + 1);
  }
  return -1;
}

struct ChildRun {
  bool ok = false;
  bool markReset = false;  // the high-water mark was reset before the run
  double seconds = 0;
  double peakMB = 0;  // rise of the high-water mark over the run, MiB
};

// Runs `work` once in a forked child and reports its time and peak memory.
ChildRun RunInChild(const std::function<bool()>& work) {
  ChildRun result;
  int fds[2];
  if (::pipe(fds) != 0) return result;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return result;
  }
  if (pid == 0) {
    ::close(fds[0]);
    ChildRun r;
    // Memory the parent freed but kept goes back first, so the run's peak is its own.
    ::malloc_trim(0);
    {
      std::ofstream clear("/proc/self/clear_refs");
      clear << "5";
      clear.flush();
      r.markReset = static_cast<bool>(clear);
    }
    const long before = StatusKb("VmHWM");
    const auto start = std::chrono::steady_clock::now();
    r.ok = work();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakMB = static_cast<double>(StatusKb("VmHWM") - before) / 1024.0;
    const ssize_t written = ::write(fds[1], &r, sizeof r);
    ::_exit(written == static_cast<ssize_t>(sizeof r) ? 0 : 1);
  }
  ::close(fds[1]);
  ChildRun r;
  const ssize_t got = ::read(fds[0], &r, sizeof r);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (got == static_cast<ssize_t>(sizeof r) && WIFEXITED(status) && WEXITSTATUS(status) == 0) result = r;
  return result;
}

// The target's figures, kept for the merge's ratios.
struct Figures {
  double seconds = 0;
  double peakMB = 0;
};
Figures targetFigures;

void SetMovieCounters(benchmark::State& state, const TargetMovie& target) {
  state.counters["target_MB"] = static_cast<double>(target.size) / 1e6;
  state.counters["frames"] = target.frames;
  state.counters["tags"] = target.tags;
}

bool SetPeakCounter(benchmark::State& state, const ChildRun& run) {
  if (!run.ok) {
    state.SkipWithError("the run in a child process failed");
    return false;
  }
  state.counters["peak_MiB"] = run.peakMB;
  if (!run.markReset) state.counters["peak_mark_not_reset"] = 1;
  return true;
}

void BM_TargetLoadWrite(benchmark::State& state) {
  const TargetMovie& target = Target();
  if (!target.error.empty()) {
    state.SkipWithError(target.error.c_str());
    return;
  }
  TempPath output(L"plenwick-bench-copy.swf");
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!LoadAndWrite(target, output)) state.SkipWithError("load and write failed");
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                         static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(target.size));
  SetMovieCounters(state, target);
  const ChildRun run = RunInChild([&] { return LoadAndWrite(target, output); });
  if (!SetPeakCounter(state, run)) return;
  targetFigures = {seconds, run.peakMB};
}
BENCHMARK(BM_TargetLoadWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_MergeBuild(benchmark::State& state) {
  const TargetMovie& target = Target();
  if (!target.error.empty()) {
    state.SkipWithError(target.error.c_str());
    return;
  }
  TempPath output(L"plenwick-bench-merged.swf");
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!Merge(target, output, error)) state.SkipWithError(error.c_str());
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                         static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(target.size));
  SetMovieCounters(state, target);
  const ChildRun run = RunInChild([&] {
    std::string e;
    return Merge(target, output, e);
  });
  if (!SetPeakCounter(state, run)) return;
  // The ratios over the target's own figures (measured here when that benchmark did not run).
  if (targetFigures.seconds == 0) {
    TempPath copy(L"plenwick-bench-copy.swf");
    const ChildRun alone = RunInChild([&] { return LoadAndWrite(target, copy); });
    targetFigures = {alone.seconds, alone.peakMB};
  }
  if (targetFigures.seconds > 0) state.counters["time_ratio"] = seconds / targetFigures.seconds;
  if (targetFigures.peakMB > 0) state.counters["peak_ratio"] = run.peakMB / targetFigures.peakMB;
}
BENCHMARK(BM_MergeBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
