// Throughput of the SWF byte layer: writing a movie of many tags through SwfFileWriter and
// reading it back tag by tag, and the size of a "CWS" movie against plain zlib level 9 on
// the same bytes.
//
// Run from <build>/bench: ./bench_swf_io (build with CMAKE_BUILD_TYPE=Release for figures).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfHeader.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string ScratchFile() {
  static std::string folder;
  if (folder.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) folder = pattern;
  }
  return folder + "/movie.swf";
}

// A synthetic movie's tags: frames of script-like text, placements and a few bitmap-like
// blocks of noise, the mix a preloader with a merged target movie carries.
std::vector<std::unique_ptr<RawTag>> SyntheticTags(int frames) {
  std::mt19937 rng(42);
  std::vector<std::unique_ptr<RawTag>> tags;
  const std::string script = "_root.loader.bar._xscale = _root.getBytesLoaded() / _root.getBytesTotal() * 100;";
  for (int f = 0; f < frames; ++f) {
    Bytes action(script.begin(), script.end());
    action.push_back(static_cast<uint8_t>(f));
    tags.push_back(std::make_unique<RawTag>(12, action));
    tags.push_back(std::make_unique<RawTag>(26, Bytes{0x06, static_cast<uint8_t>(f), 0x00, 0x01, 0x00, 0x00}));
    if (f % 16 == 0) {
      Bytes bitmap(4096);
      for (auto& b : bitmap) b = static_cast<uint8_t>(rng() & 0x3F);  // partly compressible
      tags.push_back(std::make_unique<RawTag>(36, bitmap));
    }
    tags.push_back(std::make_unique<RawTag>(1, Bytes{}));
  }
  tags.push_back(std::make_unique<RawTag>(0, Bytes{}));
  return tags;
}

uint32_t WriteMovie(const std::string& path, std::vector<std::unique_ptr<RawTag>>& tags) {
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 24.0f, 8);
  if (!writer.Open(Utf8ToWide(path), true)) return 0;
  for (auto& tag : tags) writer.AddTag(*tag);
  return writer.Close();
}

Bytes ReadFile(const std::string& path) {
  Bytes bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  if (size > 0) {
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  }
  std::fclose(file);
  return bytes;
}

// Reads a movie's header and all its tags as raw tags; returns the number of tags.
size_t ReadMovie(Bytes fws) {
  SwfReader reader(std::move(fws), 8);
  SwfHeader header;
  if (header.ReadFrom(reader, true) == 0) return 0;
  size_t count = 0;
  while (reader.GetRemaining() != 0) {
    SwfTagHeader th;
    if (!ReadTagHeader(reader, th)) break;
    RawTag tag(th.code, th.length);
    {
      SwfReaderRange body(reader, th.length, SwfReaderRange::Overrun::Contain);
      tag.Read(reader);
    }
    ++count;
    benchmark::DoNotOptimize(tag.GetBody().data());
    if (th.code == 0) break;
  }
  return count;
}

void BM_WriteMovie(benchmark::State& state) {
  auto tags = SyntheticTags(static_cast<int>(state.range(0)));
  const std::string path = ScratchFile();
  uint64_t bytes = 0;
  for (auto _ : state) {
    const uint32_t length = WriteMovie(path, tags);
    if (length == 0) state.SkipWithError("write failed");
    bytes += length;
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["tags"] = static_cast<double>(tags.size());
}
// Wall time: the write ends with the file's fsync and rename.
BENCHMARK(BM_WriteMovie)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadMovie(benchmark::State& state) {
  auto tags = SyntheticTags(static_cast<int>(state.range(0)));
  const std::string path = ScratchFile();
  WriteMovie(path, tags);
  uint64_t bytes = 0;
  for (auto _ : state) {
    Bytes file = ReadFile(path);
    bytes += file.size();
    if (ReadMovie(std::move(file)) != tags.size()) state.SkipWithError("read back a different tag count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReadMovie)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Primitive bit reads, the inner loop of every shape and text record.
void BM_ReadBits(benchmark::State& state) {
  Bytes data(1 << 20);
  std::mt19937 rng(7);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (auto _ : state) {
    SwfReader reader(data, 8);
    uint32_t sum = 0;
    while (!reader.HasOverrun()) sum += reader.ReadUBits(13);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_ReadBits)->Unit(benchmark::kMillisecond);

// Primitive bit writes, the output side of the same records.
void BM_WriteBits(benchmark::State& state) {
  const size_t fields = (size_t{1} << 20) * 8 / 13;
  for (auto _ : state) {
    SwfBitWriter writer(8);
    writer.Reserve(1 << 20);
    for (size_t i = 0; i < fields; ++i) writer.WriteBits(static_cast<uint32_t>(i * 2654435761u), 13);
    writer.Flush();
    benchmark::DoNotOptimize(writer.GetBytes().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (int64_t{1} << 20));
}
BENCHMARK(BM_WriteBits)->Unit(benchmark::kMillisecond);

// Size of the CWS form against zlib level 9 over the same whole file, and the speed of both.
void BM_CompressCwsVsZlib(benchmark::State& state) {
  auto tags = SyntheticTags(static_cast<int>(state.range(0)));
  const std::string path = ScratchFile();
  WriteMovie(path, tags);
  const Bytes fws = ReadFile(path);
  Bytes cws;
  for (auto _ : state) {
    if (!DeflateSwf(fws.data(), fws.size(), cws)) state.SkipWithError("deflate failed");
  }
  uLongf zsize = compressBound(static_cast<uLong>(fws.size()));
  Bytes z(zsize);
  compress2(z.data(), &zsize, fws.data(), static_cast<uLong>(fws.size()), 9);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fws.size()));
  state.counters["fws_bytes"] = static_cast<double>(fws.size());
  state.counters["cws_bytes"] = static_cast<double>(cws.size());
  state.counters["zlib9_bytes"] = static_cast<double>(zsize);
  state.counters["cws_over_zlib9"] = static_cast<double>(cws.size()) / static_cast<double>(zsize);
}
BENCHMARK(BM_CompressCwsVsZlib)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_InflateCws(benchmark::State& state) {
  auto tags = SyntheticTags(static_cast<int>(state.range(0)));
  const std::string path = ScratchFile();
  WriteMovie(path, tags);
  const Bytes fws = ReadFile(path);
  Bytes cws;
  if (!DeflateSwf(fws.data(), fws.size(), cws)) {
    state.SkipWithError("deflate failed");
    return;
  }
  Bytes back;
  for (auto _ : state) {
    if (InflateSwf(cws.data(), cws.size(), back) != SwfInflateResult::kOk) state.SkipWithError("inflate failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fws.size()));
}
BENCHMARK(BM_InflateCws)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
