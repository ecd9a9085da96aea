// Whole movies of the corpora through the object model: every movie held in memory first,
// then loaded into tag objects, written back, and both together. "CWS" movies are inflated
// before timing, so the figures are the model's own (zlib is measured in bench_swf_io);
// movies the loader refuses (the LZMA "ZWS" ones) are skipped and counted. The single-tag
// cases of swf-tags are read and written one tag at a time through the tag factory.
//
// Throughput: loading and loading+writing count the uncompressed bytes read, writing counts
// the bytes written.
//
// BM_CorpusRatios takes the uncompressed movie files themselves: loading alone and loading
// with writing to a movie file, against `cp` and a synced copy (`dd conv=fsync`) of each.
//
// Run from <build>/bench: ./bench_movie_io (build with CMAKE_BUILD_TYPE=Release for figures).
// The corpora are looked for where the tests look (the PLENWICK_CORPUS_DIR build setting).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/TempFolder.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using TagList = std::vector<std::unique_ptr<SwfTag>>;

// The version the single-tag cases are read at (the tests read them the same way).
constexpr uint8_t kSingleTagVersion = 10;

Bytes ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One corpus folder held in memory: each movie's uncompressed bytes (or each single tag's
// bytes), and what was left out.
struct Corpus {
  bool singleTags = false;
  std::vector<Bytes> items;
  uint64_t bytes = 0;
  int lzma = 0;     // "ZWS" movies
  int refused = 0;  // every movie the loader refuses, the LZMA ones included
  std::string error;
};

Corpus LoadCorpus(const std::string& folder) {
  Corpus corpus;
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / folder;
  if (!fs::is_directory(root)) {
    corpus.error = "no corpus folder " + root.string();
    return corpus;
  }
  corpus.singleTags = folder == "swf-tags";
  std::vector<fs::path> paths;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const bool wanted =
        corpus.singleTags ? entry.path().filename() == "input.bytes" : entry.path().extension() == ".swf";
    if (wanted) paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  for (const fs::path& path : paths) {
    Bytes file = ReadFileBytes(path);
    if (!corpus.singleTags) {
      if (file.size() >= 3 && file[0] == 'Z' && file[1] == 'W' && file[2] == 'S') ++corpus.lzma;
      if (!file.empty() && file[0] == 'C') {
        Bytes plain;
        if (InflateSwf(file.data(), file.size(), plain) != SwfInflateResult::kOk) {
          ++corpus.refused;
          continue;
        }
        file = std::move(plain);
      }
      SwfReader probe;
      if (!probe.LoadFromMemory(file.data(), file.size(), true, 0, true)) {
        ++corpus.refused;
        continue;
      }
    }
    corpus.bytes += file.size();
    corpus.items.push_back(std::move(file));
  }
  if (corpus.items.empty()) corpus.error = "no movies in " + root.string();
  return corpus;
}

const Corpus& CorpusFor(const std::string& folder) {
  static std::map<std::string, Corpus> corpora;
  auto it = corpora.find(folder);
  if (it == corpora.end()) it = corpora.emplace(folder, LoadCorpus(folder)).first;
  return it->second;
}

// A loaded movie: its header and its tags (or one tag of a single-tag case).
struct Loaded {
  SwfHeader header;
  TagList tags;
  bool ok = false;
};

Loaded Load(const Corpus& corpus, const Bytes& item) {
  Loaded loaded;
  if (corpus.singleTags) {
    SwfReader reader(item, kSingleTagVersion);
    std::unique_ptr<SwfTag> tag = reader.ReadNextTag();
    loaded.header.version = kSingleTagVersion;
    loaded.ok = tag != nullptr;
    if (tag) loaded.tags.push_back(std::move(tag));
    return loaded;
  }
  SwfReader reader;
  loaded.ok = reader.LoadFromMemory(item.data(), item.size(), true, 0, true);
  loaded.header = reader.GetHeader();
  loaded.tags = reader.TakeTags();
  return loaded;
}

// The header (with the length it was read with) and every tag into memory; a single tag
// alone. Returns the bytes written.
size_t Write(const Corpus& corpus, Loaded& loaded, SwfBitWriter& writer) {
  writer.Reset();
  writer.SetVersion(loaded.header.version);
  if (!corpus.singleTags) loaded.header.Write(writer);
  for (auto& tag : loaded.tags) tag->Write(writer);
  benchmark::DoNotOptimize(writer.GetBytes().data());
  return writer.GetByteCount();
}

void SetCorpusCounters(benchmark::State& state, const Corpus& corpus, size_t tags) {
  state.counters["movies"] = static_cast<double>(corpus.items.size());
  state.counters["tags"] = static_cast<double>(tags);
  state.counters["corpus_MB"] = static_cast<double>(corpus.bytes) / 1e6;
  if (!corpus.singleTags) {
    state.counters["refused"] = static_cast<double>(corpus.refused);
    state.counters["lzma"] = static_cast<double>(corpus.lzma);
  }
}

void BM_CorpusLoad(benchmark::State& state, const std::string& folder) {
  const Corpus& corpus = CorpusFor(folder);
  if (!corpus.error.empty()) {
    state.SkipWithError(corpus.error.c_str());
    return;
  }
  size_t tags = 0;
  for (auto _ : state) {
    tags = 0;
    for (const Bytes& item : corpus.items) {
      Loaded loaded = Load(corpus, item);
      if (!loaded.ok) state.SkipWithError("a movie that loaded before does not load");
      tags += loaded.tags.size();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus.bytes));
  SetCorpusCounters(state, corpus, tags);
}

void BM_CorpusWrite(benchmark::State& state, const std::string& folder) {
  const Corpus& corpus = CorpusFor(folder);
  if (!corpus.error.empty()) {
    state.SkipWithError(corpus.error.c_str());
    return;
  }
  std::vector<Loaded> movies;
  size_t tags = 0;
  for (const Bytes& item : corpus.items) {
    movies.push_back(Load(corpus, item));
    tags += movies.back().tags.size();
  }
  SwfBitWriter writer(4);
  uint64_t written = 0;
  for (auto _ : state) {
    for (Loaded& movie : movies) written += Write(corpus, movie, writer);
  }
  state.SetBytesProcessed(static_cast<int64_t>(written));
  SetCorpusCounters(state, corpus, tags);
  state.counters["written_MB"] = static_cast<double>(written) / 1e6 / static_cast<double>(state.iterations());
}

void BM_CorpusLoadWrite(benchmark::State& state, const std::string& folder) {
  const Corpus& corpus = CorpusFor(folder);
  if (!corpus.error.empty()) {
    state.SkipWithError(corpus.error.c_str());
    return;
  }
  SwfBitWriter writer(4);
  size_t tags = 0;
  for (auto _ : state) {
    tags = 0;
    for (const Bytes& item : corpus.items) {
      Loaded loaded = Load(corpus, item);
      if (!loaded.ok) state.SkipWithError("a movie that loaded before does not load");
      tags += loaded.tags.size();
      benchmark::DoNotOptimize(Write(corpus, loaded, writer));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus.bytes));
  SetCorpusCounters(state, corpus, tags);
}

BENCHMARK_CAPTURE(BM_CorpusLoad, ruffle_avm1, std::string("ruffle-avm1"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusLoad, ruffle_swf_tags, std::string("ruffle-swf-tags"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusLoad, swf_tags, std::string("swf-tags"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusWrite, ruffle_avm1, std::string("ruffle-avm1"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusWrite, ruffle_swf_tags, std::string("ruffle-swf-tags"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusWrite, swf_tags, std::string("swf-tags"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusLoadWrite, ruffle_avm1, std::string("ruffle-avm1"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusLoadWrite, ruffle_swf_tags, std::string("ruffle-swf-tags"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CorpusLoadWrite, swf_tags, std::string("swf-tags"))->Unit(benchmark::kMillisecond);

// --- Ratios against copies of the files --------------------------------------------------

// The movie files of a folder (the uncompressed ones the loader takes), largest last.
std::vector<std::pair<fs::path, uint64_t>> MovieFiles(const std::string& folder) {
  std::vector<std::pair<fs::path, uint64_t>> files;
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / folder;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".swf") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    char signature = 0;
    in.get(signature);
    SwfReader probe;
    if (signature != 'F' || !probe.LoadFileWithOptions(Utf8ToWide(entry.path().string()), true, 0, true)) continue;
    files.emplace_back(entry.path(), static_cast<uint64_t>(entry.file_size()));
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  return files;
}

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
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool LoadFileAndWrite(const fs::path& path, const WideString& output) {
  SwfReader reader;
  if (!reader.LoadFileWithOptions(Utf8ToWide(path.string()), true, 0, true)) return false;
  SwfFileWriter writer;
  writer.CopyHeader(reader.GetHeader());
  if (!writer.Open(output, true)) return false;
  for (auto& tag : reader.GetTags()) writer.AddTag(tag.get(), true);
  return writer.Close() != 0;
}

long HighWaterKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// The rise of the resident high-water mark over `work`, in bytes, measured in a forked child
// that hands back the memory the parent freed and resets its mark first; -1 on failure.
double PeakBytesInChild(const std::function<bool()>& work) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    ::close(fds[0]);
    ::malloc_trim(0);
    {
      std::ofstream clear("/proc/self/clear_refs");
      clear << "5";
    }
    const long before = HighWaterKb();
    double peak = work() ? 1024.0 * static_cast<double>(HighWaterKb() - before) : -1;
    const ssize_t n = ::write(fds[1], &peak, sizeof peak);
    ::_exit(n == static_cast<ssize_t>(sizeof peak) ? 0 : 1);
  }
  ::close(fds[1]);
  double peak = -1;
  if (::read(fds[0], &peak, sizeof peak) != static_cast<ssize_t>(sizeof peak)) peak = -1;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return peak;
}

double MedianOf(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The corpus movies as files, each loaded alone and loaded with the write to a movie file
// (SwfFileWriter, which syncs), against `cp` of each file and `dd conv=fsync` of each (a
// copy that syncs); the four run in turn each iteration and their medians are compared.
// Peak memory is that of loading and writing the largest movie, against its size.
void BM_CorpusRatios(benchmark::State& state, const std::string& folder) {
  const auto files = MovieFiles(folder);
  WideString out;
  if (files.empty() || !GetTempFilePath(out, L"plenwick-bench-corpus.swf", false)) {
    state.SkipWithError("no movie files or no private temporary folder");
    return;
  }
  const std::string native = WideToUtf8(out);
  uint64_t bytes = 0;
  for (const auto& file : files) bytes += file.second;
  std::vector<double> load, loadWrite, cp, dd;
  bool ok = true;
  auto timed = [&](std::vector<double>& into, const std::function<bool(const fs::path&)>& work) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& file : files) ok = work(file.first) && ok;
    into.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  };
  for (auto _ : state) {
    timed(load, [](const fs::path& path) {
      SwfReader reader;
      return reader.LoadFileWithOptions(Utf8ToWide(path.string()), true, 0, true);
    });
    timed(loadWrite, [&](const fs::path& path) { return LoadFileAndWrite(path, out); });
    timed(cp, [&](const fs::path& path) { return RunProgram({"cp", path.string(), native}); });
    timed(dd, [&](const fs::path& path) {
      return RunProgram({"dd", "if=" + path.string(), "of=" + native, "bs=1M", "conv=fsync", "status=none"});
    });
  }
  const auto& largest = files.back();
  const double peak = PeakBytesInChild([&] { return LoadFileAndWrite(largest.first, out); });
  std::remove(native.c_str());
  if (!ok || peak < 0) {
    state.SkipWithError("a run failed");
    return;
  }
  state.counters["movies"] = static_cast<double>(files.size());
  state.counters["files_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["load_vs_cp"] = MedianOf(load) / MedianOf(cp);
  state.counters["loadwrite_vs_cp"] = MedianOf(loadWrite) / MedianOf(cp);
  state.counters["load_vs_synced"] = MedianOf(load) / MedianOf(dd);
  state.counters["loadwrite_vs_synced"] = MedianOf(loadWrite) / MedianOf(dd);
  state.counters["largest_kB"] = static_cast<double>(largest.second) / 1e3;
  state.counters["largest_peak_vs_file"] = peak / static_cast<double>(largest.second);
}

BENCHMARK_CAPTURE(BM_CorpusRatios, ruffle_avm1, std::string("ruffle-avm1"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_CorpusRatios, ruffle_swf_tags, std::string("ruffle-swf-tags"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
