// Whole movies of the corpora through the object model: every movie held in memory first,
// then loaded into tag objects, written back, and both together. "CWS" movies are inflated
// before timing, so the figures are the model's own (zlib is measured in bench_swf_io);
// movies the loader refuses (the LZMA "ZWS" ones) are skipped and counted. The single-tag
// cases of swf-tags are read and written one tag at a time through the tag factory.
//
// Throughput: loading and loading+writing count the uncompressed bytes read, writing counts
// the bytes written.
//
// Run from <build>/bench: ./bench_movie_io (build with CMAKE_BUILD_TYPE=Release for figures).
// The corpora are looked for where the tests look (the PLENWICK_CORPUS_DIR build setting).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "swf/SwfBitWriter.h"
#include "swf/SwfCompression.h"
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
    const bool wanted = corpus.singleTags ? entry.path().filename() == "input.bytes" : entry.path().extension() == ".swf";
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

}  // namespace
