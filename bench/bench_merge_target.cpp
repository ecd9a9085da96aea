// Merging a large target movie into the preloader, against loading and writing that target
// alone.
//
// The target (about 50 MB, generated once with the project's own writer into the user's
// private temporary folder and deleted at exit) has thousands of frames, each with a shape,
// a two-frame sprite that places the shape and runs a script, the sprite's placement and a
// DoAction. It comes in two kinds (the benchmark argument "vectors"): 0, most bytes in a
// DefineBitsLossless of generated pixels per frame that fills the shape; 1, no bitmaps, the
// bytes in shapes of many edges and in longer scripts, which the object model holds as many
// small records. Two figures are measured:
//   BM_TargetLoadWrite: the target read into objects (SwfReader, as the merge reads it) and
//                       written with SwfFileWriter to a movie file;
//   BM_MergeBuild:      PreloaderBuilder::Build of a project whose target is merged;
//   BM_TargetRatios:    loading alone and loading with writing against `cp` and a synced copy
//                       (`dd conv=fsync`) of the same file, and peak memory against its size.
// Both write uncompressed movies. Time is wall time (both end with the written file's fsync
// and rename). Peak memory (MiB) is the rise of the resident set's high-water mark over one
// run, taken in a forked child that first hands back the memory the parent freed
// (malloc_trim) and resets its mark (/proc/self/clear_refs), so no run sees another's peak or
// reuses its pages. The merge reports its time and peak over the target's as ratios
// (time_ratio, peak_ratio).
//
// Run from <build>/bench: ./bench_merge_target (build with CMAKE_BUILD_TYPE=Release for figures).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
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

// A script of `count` assignments "v<i> = value + i".
std::unique_ptr<DoActionTag> Assignments(int count, int32_t value) {
  auto actions = std::make_unique<DoActionTag>();
  for (int i = 0; i < count; ++i) {
    actions->AddAction(std::make_unique<ActionPush>(L"v" + std::to_wstring(i)));
    actions->AddAction(std::make_unique<ActionPush>(value + i));
    actions->AddAction(std::make_unique<ActionSetVariable>());
  }
  return actions;
}

// A shape in a 64 x 64 pixel box, filled with the bitmap (or a colour when `bitmapId` is 0)
// and outlined, with `edges` further straight and curved edges of a random walk inside it.
std::unique_ptr<DefineShapeTag> MakeShape(int id, int bitmapId, int edges, std::mt19937& rng) {
  auto shape = std::make_unique<DefineShapeTag>();
  auto fill = std::make_unique<FillStyle>(false);
  if (bitmapId != 0) {
    fill->InitBitmapFill(kFillClippedBitmap, static_cast<uint16_t>(bitmapId), SwfMatrix::Make(0, 0, 20, 20, 0, 0));
  } else {
    fill->InitSolidColor(std::make_unique<SwfRgb>(static_cast<uint8_t>(id), 0x80, 0x40), false);
  }
  constexpr int32_t kSide = kBitmapSide * 20;
  shape->BuildRectangle(0, 0, kSide, kSide, std::move(fill),
                        std::make_unique<LineStyle>(20, std::make_unique<SwfRgb>()));
  shape->SetCharacterId(id);
  auto& records = shape->shape->records;
  records.reserve(records.size() + static_cast<size_t>(edges));
  int32_t x = 0;
  int32_t y = 0;
  auto step = [&](int32_t at) {
    const int32_t to = static_cast<int32_t>(rng() % kSide);
    return to - at;
  };
  for (int i = 0; i < edges; ++i) {
    if (i % 3 == 2) {
      const int32_t cx = step(x) / 2;
      const int32_t cy = step(y) / 2;
      const int32_t ax = step(x + cx);
      const int32_t ay = step(y + cy);
      records.insert(records.end() - 1, CurvedEdgeRecord(cx, cy, ax, ay));  // before the end record
      x += cx + ax;
      y += cy + ay;
    } else {
      const int32_t dx = step(x);
      const int32_t dy = step(y);
      records.insert(records.end() - 1, StraightEdgeRecord(dx, dy));
      x += dx;
      y += dy;
    }
  }
  return shape;
}

// The two kinds of target: most bytes in bitmaps, or all in shapes and scripts (which the
// object model holds as many small records).
enum TargetKind : int { kBitmapTarget = 0, kVectorTarget = 1 };

struct TargetMovie {
  TempPath path{L"plenwick-bench-target.swf"};
  uint64_t size = 0;
  int frames = 0;
  int tags = 0;
  std::string error;
};

// Writes frames until the tags reach kTargetBytes. Each frame defines a bitmap (bitmap
// target only), a shape filled with it, and a two-frame sprite that places the shape, moves
// it and runs a script; it places the sprite at depth f + 1 and runs a script of its own.
void GenerateTarget(TargetMovie& target, int kind) {
  if (target.path.Native().empty()) {
    target.error = "no private temporary folder";
    return;
  }
  const bool bitmaps = kind == kBitmapTarget;
  const int edges = bitmaps ? 40 : 1200;
  const int assignments = bitmaps ? 4 : 12;
  std::vector<Bytes> pixels;
  for (int v = 0; bitmaps && v < kBitmapVariants; ++v) pixels.push_back(BitmapData(v));
  std::mt19937 rng(1234);

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
    int bitmapId = 0;
    if (bitmaps) {
      bitmapId = ++id;
      auto bitmap = std::make_unique<DefineBitsLosslessTag>(DefineBitsLosslessTag::kRgb32);
      bitmap->SetCharacterId(bitmapId);
      bitmap->SetWidth(kBitmapSide);
      bitmap->SetHeight(kBitmapSide);
      const Bytes& data = pixels[static_cast<size_t>(f % kBitmapVariants)];
      bitmap->SetData(data.data(), data.size());
      add(std::move(bitmap));
    }
    const int shapeId = ++id;
    add(MakeShape(shapeId, bitmapId, edges, rng));

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
    sprite->AddTag(Assignments(assignments, f));
    sprite->AddTag(std::make_unique<ShowFrameTag>());
    add(std::move(sprite));

    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(spriteId);
    place->depth = static_cast<uint16_t>(f + 1);
    place->SetMatrix(SwfMatrix::Make((f % 100) * 100, (f / 100 % 80) * 100, 1, 1, 0, 0));
    place->SetName(L"c" + std::to_wstring(f));
    add(std::move(place));
    auto script = Assignments(assignments, f);
    if (f % 50 == 49) script->AddAction(std::make_unique<ActionGotoFrame>(static_cast<uint16_t>(f + 1)));
    add(std::move(script));
    add(std::make_unique<ShowFrameTag>());
    target.frames = f + 1;
  }
  add(std::make_unique<EndTag>());
  target.size = writer.Close();
  if (target.size == 0) target.error = "cannot write the target movie";
}

const TargetMovie& Target(int kind) {
  static TargetMovie targets[2];
  static bool generated[2] = {false, false};
  if (!generated[kind]) {
    generated[kind] = true;
    GenerateTarget(targets[kind], kind);
  }
  return targets[kind];
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
  const TargetMovie& target = Target(static_cast<int>(state.range(0)));
  if (!target.error.empty()) {
    state.SkipWithError(target.error.c_str());
    return;
  }
  TempPath output(L"plenwick-bench-copy.swf");
  for (auto _ : state) {
    if (!LoadAndWrite(target, output)) state.SkipWithError("load and write failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(target.size));
  SetMovieCounters(state, target);
  const ChildRun run = RunInChild([&] { return LoadAndWrite(target, output); });
  SetPeakCounter(state, run);
}
BENCHMARK(BM_TargetLoadWrite)
    ->ArgName("vectors")
    ->Arg(kBitmapTarget)
    ->Arg(kVectorTarget)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Each iteration loads and writes the target alone and merges it, in alternating order; only
// the merge is timed. The time ratio is that of the medians of these interleaved runs, so
// neither a change of machine load between two benchmarks nor a single slow run (a file
// system flush on a busy machine can triple one) shows up in it.
void BM_MergeBuild(benchmark::State& state) {
  const TargetMovie& target = Target(static_cast<int>(state.range(0)));
  if (!target.error.empty()) {
    state.SkipWithError(target.error.c_str());
    return;
  }
  TempPath output(L"plenwick-bench-merged.swf");
  TempPath copy(L"plenwick-bench-copy.swf");
  std::string error;
  std::vector<double> mergeSeconds;
  std::vector<double> aloneSeconds;
  auto runAlone = [&] {
    const auto start = std::chrono::steady_clock::now();
    if (!LoadAndWrite(target, copy)) state.SkipWithError("load and write failed");
    aloneSeconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  };
  for (auto _ : state) {
    const bool aloneFirst = mergeSeconds.size() % 2 == 0;
    if (aloneFirst) runAlone();
    const auto start = std::chrono::steady_clock::now();
    if (!Merge(target, output, error)) state.SkipWithError(error.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!aloneFirst) runAlone();
    mergeSeconds.push_back(seconds);
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(target.size));
  SetMovieCounters(state, target);
  const ChildRun merge = RunInChild([&] {
    std::string e;
    return Merge(target, output, e);
  });
  const ChildRun alone = RunInChild([&] { return LoadAndWrite(target, copy); });
  if (!SetPeakCounter(state, merge) || !alone.ok) return;
  state.counters["merge_ms_median"] = 1000 * Median(mergeSeconds);
  state.counters["alone_ms_median"] = 1000 * Median(aloneSeconds);
  state.counters["time_ratio"] = Median(mergeSeconds) / Median(aloneSeconds);
  state.counters["alone_peak_MiB"] = alone.peakMB;
  state.counters["peak_ratio"] = merge.peakMB / alone.peakMB;
}
BENCHMARK(BM_MergeBuild)
    ->ArgName("vectors")
    ->Arg(kBitmapTarget)
    ->Arg(kVectorTarget)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(6);

// Runs a program with arguments and waits for it; true when it exits with 0.
bool RunProgram(const std::vector<std::string>& argv) {
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Seconds(const std::function<bool()>& work, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = work() && ok;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The target's figures as ratios of one run, against copies of the same file by other
// programs: a load alone, and a load with the write, each against `cp` of the file and
// against `dd conv=fsync` (a copy that syncs, as our writer does); the peak memory of the
// load with the write against the file's size. The four are run in turn each iteration and
// the medians compared, so a change of the machine's load moves all of them alike.
void BM_TargetRatios(benchmark::State& state) {
  const TargetMovie& target = Target(static_cast<int>(state.range(0)));
  if (!target.error.empty()) {
    state.SkipWithError(target.error.c_str());
    return;
  }
  TempPath output(L"plenwick-bench-copy.swf");
  TempPath plainCopy(L"plenwick-bench-cp.swf");
  TempPath syncedCopy(L"plenwick-bench-dd.swf");
  std::vector<double> load, loadWrite, cp, dd;
  bool ok = true;
  for (auto _ : state) {
    load.push_back(Seconds(
        [&] {
          SwfReader reader;
          return reader.LoadFileWithOptions(target.path.Wide(), true, 0, true);
        },
        ok));
    loadWrite.push_back(Seconds([&] { return LoadAndWrite(target, output); }, ok));
    cp.push_back(Seconds([&] { return RunProgram({"cp", target.path.Native(), plainCopy.Native()}); }, ok));
    dd.push_back(Seconds(
        [&] {
          return RunProgram(
              {"dd", "if=" + target.path.Native(), "of=" + syncedCopy.Native(), "bs=1M", "conv=fsync", "status=none"});
        },
        ok));
  }
  if (!ok) {
    state.SkipWithError("a run failed");
    return;
  }
  SetMovieCounters(state, target);
  const ChildRun run = RunInChild([&] { return LoadAndWrite(target, output); });
  if (!SetPeakCounter(state, run)) return;
  state.counters["load_vs_cp"] = Median(load) / Median(cp);
  state.counters["loadwrite_vs_cp"] = Median(loadWrite) / Median(cp);
  state.counters["load_vs_synced"] = Median(load) / Median(dd);
  state.counters["loadwrite_vs_synced"] = Median(loadWrite) / Median(dd);
  state.counters["peak_vs_file"] = run.peakMB * 1024 * 1024 / static_cast<double>(target.size);
  state.counters["loadwrite_ms"] = 1000 * Median(loadWrite);
  state.counters["synced_copy_ms"] = 1000 * Median(dd);
}
BENCHMARK(BM_TargetRatios)
    ->ArgName("vectors")
    ->Arg(kBitmapTarget)
    ->Arg(kVectorTarget)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
