// Real movies as preloader targets: corpus movies of ruffle-avm1 wrapped in a preloader of
// every target type must, once the preloader has handed over, trace what their output.txt
// recorded.
//
// Which targets, for every type: the movies the corpus playback test chooses
// (tests/support/CorpusMovies.h) that play there as recorded (not among its known
// differences), whose recorded output names no clip path ("_level": inside a wrapper every
// path changes), and whose scripts use none of the ways in which a script sees where its movie
// stands: the names "_root", "_level" (any level), "_parent", "_url", "_target" and "_name",
// a slash path from the root ("/", "/clip", "/:x"), a function that has _root or _parent
// preloaded into a register, or getProperty by number of _target, _name or _url. A name counts
// wherever the movie's bytes hold it as a word of its own, in any case (movies before version 7
// ignore case): actions keep the names they use as text, and text elsewhere that happens to
// match only leaves a movie out. The other forms are read from the actions of frames, sprites,
// clip events and buttons; a movie whose actions can't all be found is left out.
//
// For merge further: the movie is of version 5 or later (a merged movie runs at least at
// version 5, and its version is that of all its scripts); its scripts use none of
// "getBytesLoaded", "getBytesTotal", "_framesloaded", "_totalframes", "_currentframe" (also by
// getProperty) and the actions that wait for frames (the merged timeline carries the
// preloader's frame before the target's and its bytes), nor "getDepth",
// "getNextHighestDepth", "getInstanceAtDepth" and "swapDepths" (its depths move past the
// preloader's); and the builder accepts to merge it (a refusal fails the test unless the movie
// is listed in CorpusMergeRefusals.h and the refusal gives the listed reason). The merged target
// gets the loop type no_loop, which stops it on its last frame as a one-frame movie stands on
// its only one.
//
// Each movie's folder is copied to a scratch folder and the preloaders are built beside the
// copy, with the target's stage size and frame rate, so that the target finds the files it
// loads under the same relative addresses. The preloader runs one frame of its own before the
// target's first: its loader stops the main timeline and the load starts on frame 1; on frame 2
// the loader finds the target complete and sends the main timeline to "loaderdone", where the
// target's first frame runs. So each movie plays its recorded frame count plus one.
//
// One test per target type, each playing all its movies in one browser. Movies listed in
// kKnownDifferences trace differently in the types given, for the reasons given; any other
// difference fails. A listed entry is stale, and fails the test, when its movie matches in a
// type it names or is not played there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "tests/preloader/CorpusMergeRefusals.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/ActionDecoder.h"
#include "tests/support/CorpusMovies.h"
#include "tests/support/MovieInflater.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

struct Variant {
  const char* label;
  TargetType type;
  bool lockRoot;
};

const Variant kVariants[] = {
    {"external_7", kTargetExternal7, true},
    {"external", kTargetExternal, true},
    {"external unlocked", kTargetExternal, false},
    {"merge", kTargetMerge, true},
};
constexpr int kVariantCount = sizeof kVariants / sizeof kVariants[0];

// The frames the preloader runs before the target's first frame.
constexpr int kPreloaderFrames = 1;

// Which variants a known difference concerns: bit i stands for kVariants[i].
constexpr unsigned kExternal7 = 1, kExternal = 2, kExternalUnlocked = 4, kMerge = 8;
constexpr unsigned kEveryType = kExternal7 | kExternal | kExternalUnlocked | kMerge;

const char* const kHeldTargetPlayedOn =
    "stops its own timeline before the handover; the movie-clip loader holds its target on the first frame and "
    "plays it on at \"loaderdone\", which can't tell the hold from a stop of the target's own";

const char* const kPlaysPastItsEnd = "plays past its last frame, where the merged movie follows the loop type";

struct KnownDifference {
  unsigned variants;
  const char* reason;
};

const std::map<std::string, KnownDifference> kKnownDifferences = {
    {"date", {kEveryType, "traces the time of its first frame, which runs one preloader frame later"}},
    {"execution_order2", {kExternal7, kHeldTargetPlayedOn}},
    {"execution_order3", {kExternal7, kHeldTargetPlayedOn}},
    {"goto_execution_order", {kExternal7, kHeldTargetPlayedOn}},
    {"looping", {kMerge, kPlaysPastItsEnd}},
    {"looping_real_2_declared_2", {kMerge, kPlaysPastItsEnd}},
    {"mcl_getprogress",
     {kEveryType, "asks a movie-clip loader for the progress of level 0 by number, which is the preloader's movie"}},
    {"shared_stack",
     {kMerge,
      "its scripts pass values on the player's stack to the scripts after them; merged, its first frame is "
      "entered by the loader's goto to \"loaderdone\", where the frame's scripts and those of its new clips "
      "run in another order than when a movie starts"}},
    {"sound",
     {kExternalUnlocked,
      "a Sound made without a clip belongs to the root, without _lockroot the preloader's, whose library does not "
      "hold the target's sounds"}},
};

// What a movie's scripts use: the names below (lower case) as words of its bytes, plus what
// the actions say in other forms: "_root" and "_parent" when a function has them preloaded
// into registers, "/" for a slash path from the root ("/:x", "/clip"), a property read by
// number (getProperty(target, _name), or a bare _currentframe) under its name, and
// "waitforframe" for the actions that wait for frames to load.
using Uses = std::set<std::string>;

const char* const kPlacementNames[] = {"_root", "_level", "_parent", "_url", "_target", "_name", "/"};
const char* const kMergeNames[] = {"getbytesloaded", "getbytestotal", "_framesloaded",       "_totalframes",
                                   "_currentframe",  "getdepth",      "getnexthighestdepth", "getinstanceatdepth",
                                   "swapdepths",     "waitforframe"};
const char* const kWordNames[] = {"_root",
                                  "_parent",
                                  "_url",
                                  "_target",
                                  "_name",
                                  "getbytesloaded",
                                  "getbytestotal",
                                  "_framesloaded",
                                  "_totalframes",
                                  "_currentframe",
                                  "getdepth",
                                  "getnexthighestdepth",
                                  "getinstanceatdepth",
                                  "swapdepths"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

// The names that the bytes hold as words of their own (not part of a longer name, so "_root"
// in "_root.clip" counts too); "_level" also as the start of a word ("_level0").
void AddWordUses(const std::string& lowerBytes, Uses& uses) {
  for (const char* name : kWordNames) {
    const std::string word(name);
    for (size_t at = lowerBytes.find(word); at != std::string::npos; at = lowerBytes.find(word, at + 1)) {
      const size_t end = at + word.size();
      if ((at == 0 || !IsNameChar(lowerBytes[at - 1])) && (end == lowerBytes.size() || !IsNameChar(lowerBytes[end]))) {
        uses.insert(word);
        break;
      }
    }
  }
  for (size_t at = lowerBytes.find("_level"); at != std::string::npos; at = lowerBytes.find("_level", at + 1)) {
    if (at == 0 || !IsNameChar(lowerBytes[at - 1])) {
      uses.insert("_level");
      break;
    }
  }
}

// Texts of actions: a slash path from the root starts with "/" followed by nothing, a name or
// ":" ("/", "/clip", "/:x"); "// a comment" is no path.
void AddTextUse(const std::string& text, Uses& uses) {
  const size_t n = text.size();
  if (n > 0 && text[0] == '/' && (n == 1 || text[1] == ':' || IsNameChar(text[1]))) uses.insert("/");
}

// The properties that getProperty and setProperty name by number.
const char* PropertyName(double index) {
  switch (static_cast<int>(index)) {
    case 4: return "_currentframe";
    case 5: return "_totalframes";
    case 11: return "_target";
    case 12: return "_framesloaded";
    case 13: return "_name";
    case 15: return "_url";
    default: return nullptr;
  }
}

// Walks one action list (bounded by the bytes; it ends at the End code).
void AddActionUses(const uint8_t* d, size_t n, Uses& uses) {
  size_t p = 0;
  double lastNumber = -1;  // the last value the previous Push pushed, when a number
  while (p < n && d[p] != 0) {
    actiondecode::Record record;
    if (actiondecode::ReadRecord(d, n, p, record) != actiondecode::RecordStatus::kOk) return;
    const uint8_t code = record.code;
    const uint8_t* a = d + record.payload;
    const size_t length = record.length;
    p += record.size;
    // Each zero-terminated text of the payload from `from` on.
    auto texts = [&](size_t from) {
      actiondecode::Cursor c{a, length, from};
      while (c.pos < c.n) AddTextUse(c.Text(), uses);
    };
    double pushed = -1;
    switch (code) {
      case 0x96: {  // Push
        actiondecode::Cursor c{a, length};
        while (c.pos < c.n) {
          actiondecode::PushValue value;
          pushed = -1;
          const bool read = actiondecode::ReadPushValue(c, value);
          // A text cut short still counts.
          if (value.type == actiondecode::kPushString) AddTextUse(value.text, uses);
          if (!read) break;
          const bool number = value.type == actiondecode::kPushFloat || value.type == actiondecode::kPushDouble ||
                              value.type == actiondecode::kPushInteger;
          pushed = number ? value.number : -1;
        }
        break;
      }
      case 0x88:  // ConstantPool
        texts(2);
        break;
      case 0x83:  // GetURL
      case 0x8B:  // SetTarget
      case 0x8C:  // GoToLabel
        texts(0);
        break;
      case 0x22:  // GetProperty: the index is pushed last
        if (const char* name = lastNumber >= 0 ? PropertyName(lastNumber) : nullptr) uses.insert(name);
        break;
      case 0x8E: {  // DefineFunction2: _parent and _root may be preloaded into registers
        actiondecode::Cursor c{a, length};
        c.String();
        c.Skip(2 + 1);  // the parameter count, the register count
        const uint8_t flags = c.U8();
        if (flags & 0x80) uses.insert("_parent");
        if (flags & 0x40) uses.insert("_root");
        break;
      }
      case 0x8A:  // WaitForFrame
      case 0x8D:  // WaitForFrame2
        uses.insert("waitforframe");
        break;
      default: break;
    }
    lastNumber = code == 0x96 ? pushed : -1;
  }
}

// The action lists of one tag: DoAction, DoInitAction, the clip actions of a PlaceObject2, the
// actions of buttons, and those of a sprite's tags. False for a tag whose actions can't be
// found (the movie then counts as using everything).
bool AddTagUses(const movieinspect::Tag& tag, uint8_t version, Uses& uses) {
  const std::vector<uint8_t>& b = tag.body;
  switch (tag.code) {
    case 12: AddActionUses(b.data(), b.size(), uses); return true;
    case 59:
      if (b.size() >= 2) AddActionUses(b.data() + 2, b.size() - 2, uses);
      return true;
    case 39:
      for (const movieinspect::Tag& child : tag.children)
        if (!AddTagUses(child, version, uses)) return false;
      return true;
    case 26: {
      if (b.empty() || (b[0] & 0x80) == 0) return true;
      const uint8_t flags = b[0];
      size_t p = 3;
      if (flags & 0x02) p += 2;
      auto skipBits = [&](auto read) {
        movieinspect::Bits at(b.data() + p, b.size() - p);
        read(at);
        p += at.AlignedByte();
      };
      if (flags & 0x04) skipBits([](movieinspect::Bits& m) { movieinspect::ReadMatrix(m); });
      if (flags & 0x08)
        skipBits([](movieinspect::Bits& c) {
          const bool add = c.U(1), mult = c.U(1);
          const int nb = static_cast<int>(c.U(4));
          for (int i = 0; i < (add ? 4 : 0) + (mult ? 4 : 0); ++i) c.S(nb);
        });
      if (flags & 0x10) p += 2;
      if (flags & 0x20) {
        while (p < b.size() && b[p] != 0) ++p;
        ++p;
      }
      if (flags & 0x40) p += 2;
      const size_t eventBytes = version >= 6 ? 4 : 2;
      p += 2 + eventBytes;  // reserved, all events
      while (p + eventBytes <= b.size()) {
        uint32_t events = 0;
        for (size_t i = 0; i < eventBytes; ++i) events |= static_cast<uint32_t>(b[p + i]) << (8 * i);
        p += eventBytes;
        if (events == 0) return true;
        if (p + 4 > b.size()) return true;  // a record cut short: the player reads no more
        size_t size = b[p] | (b[p + 1] << 8) | (b[p + 2] << 16) | (static_cast<size_t>(b[p + 3]) << 24);
        p += 4;
        if (size > b.size() - p) size = b.size() - p;  // the player reads what the tag holds
        const size_t key = eventBytes == 4 && (events & 0x20000) ? 1 : 0;
        if (size >= key) AddActionUses(b.data() + p + key, size - key, uses);
        p += size;
      }
      return true;  // the end flag cut short: the player reads no more
    }
    case 7: {  // DefineButton: records, then one action list
      size_t p = 2;
      while (p < b.size() && b[p] != 0) {
        p += 5;  // flags, character id, depth
        if (p > b.size()) return false;
        movieinspect::Bits m(b.data() + p, b.size() - p);
        movieinspect::ReadMatrix(m);
        p += m.AlignedByte();
      }
      if (p >= b.size()) return false;
      AddActionUses(b.data() + p + 1, b.size() - p - 1, uses);
      return true;
    }
    case 34: {  // DefineButton2: conditions from the action offset on
      if (b.size() < 5) return false;
      const size_t offset = b[3] | (b[4] << 8);
      if (offset == 0) return true;
      size_t p = 3 + offset;
      while (p + 4 <= b.size()) {
        const size_t size = b[p] | (b[p + 1] << 8);
        const size_t end = size == 0 ? b.size() : std::min(b.size(), p + size);
        AddActionUses(b.data() + p + 4, end - (p + 4), uses);
        if (size == 0) return true;
        p += size;
      }
      return p == b.size();
    }
    default: return true;
  }
}

// Everything the movie's scripts use, or null when its actions could not all be found.
bool CollectUses(const movieinspect::Movie& movie, Uses& uses) {
  std::string bytes;
  for (const movieinspect::Tag& tag : movie.tags) {
    bytes.append(tag.body.begin(), tag.body.end());
    if (!AddTagUses(tag, movie.version, uses)) return false;
  }
  AddWordUses(Lower(bytes), uses);
  return true;
}

// The tags as a player takes them: every tag up to the End tag or the end of the data, one that
// runs past the end with the bytes there are, the tags of sprites likewise.
void ReadTagsAsPlayed(const uint8_t* d, size_t n, std::vector<movieinspect::Tag>& out) {
  size_t p = 0;
  while (p + 2 <= n) {
    movieinspect::Tag t;
    const uint16_t head = d[p] | (d[p + 1] << 8);
    p += 2;
    t.code = head >> 6;
    size_t length = head & 0x3F;
    if (length == 0x3F) {
      if (p + 4 > n) return;
      length = d[p] | (d[p + 1] << 8) | (d[p + 2] << 16) | (static_cast<size_t>(d[p + 3]) << 24);
      p += 4;
    }
    length = std::min(length, n - p);
    t.body.assign(d + p, d + p + length);
    p += length;
    if (t.code == 39 && length >= 4) ReadTagsAsPlayed(t.body.data() + 4, length - 4, t.children);
    out.push_back(std::move(t));
    if (out.back().code == 0) return;
  }
}

// The movie's header and its tags as a player takes them; an error when it is no SWF movie.
movieinspect::Movie ReadMovieAsPlayed(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 8 && bytes[0] == 'C' && bytes[1] == 'W' && bytes[2] == 'S') {
    // A stream cut short or damaged gives what it holds, as the player plays it (a movie that
    // declares more than 64 MiB gives nothing).
    bytes = movieinflate::InflateMovie(bytes, 64u << 20).movie;
  }
  movieinspect::Movie movie = movieinspect::ReadBytes(bytes);
  if (movie.headerSize == 0 || movie.headerSize > bytes.size()) {
    if (movie.error.empty()) movie.error = "no movie header";
    return movie;
  }
  movie.error.clear();
  movie.tags.clear();
  ReadTagsAsPlayed(bytes.data() + movie.headerSize, bytes.size() - movie.headerSize, movie.tags);
  return movie;
}

struct Target {
  corpusmovies::CorpusMovie movie;
  movieinspect::Movie header;
  bool forMerge = false;
};

// The first of the names that the uses hold, or empty.
std::string FirstUse(const Uses& uses, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (uses.count(names[i]) != 0) return names[i];
  return {};
}

// The targets chosen by the rule at the top of this file; `leftOut` counts the movies left out
// by the first reason that leaves each out (the merge's own reasons prefixed "merge: ").
std::vector<Target> ChooseTargets(const fs::path& corpus, std::map<std::string, int>& leftOut) {
  const auto& playbackDifferences = corpusmovies::KnownPlaybackDifferences();
  std::vector<Target> targets;
  for (const corpusmovies::CorpusMovie& movie : corpusmovies::ChoosePlayableMovies(corpus)) {
    if (playbackDifferences.count(movie.name) != 0) {
      ++leftOut["known to differ when played directly"];
      continue;
    }
    if (playertest::ReadTextFile(movie.folder / "output.txt").find("_level") != std::string::npos) {
      ++leftOut["traces a clip path"];
      continue;
    }
    Target target{movie, ReadMovieAsPlayed(movie.folder / "test.swf"), false};
    Uses uses;
    if (!target.header.error.empty()) {
      ++leftOut["no movie header"];
      continue;
    }
    if (!CollectUses(target.header, uses)) {
      ++leftOut["actions not all found"];
      continue;
    }
    if (const std::string use = FirstUse(uses, kPlacementNames, std::size(kPlacementNames)); !use.empty()) {
      ++leftOut["uses " + use];
      continue;
    }
    if (target.header.version < 5) {
      ++leftOut["merge: version below 5"];
    } else if (const std::string use = FirstUse(uses, kMergeNames, std::size(kMergeNames)); !use.empty()) {
      ++leftOut["merge: uses " + use];
    } else {
      target.forMerge = true;
    }
    targets.push_back(std::move(target));
  }
  return targets;
}

class CorpusTargetPlayerTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    const std::string unavailable = playertest::PlayerUnavailableReason();
    ASSERT_EQ(unavailable, "");
  }
  projecttest::ScratchDir dir;
};

TEST_P(CorpusTargetPlayerTest, CorpusMoviesPlayAsRecordedAfterTheHandover) {
  const int v = GetParam();
  const Variant& variant = kVariants[v];
  const fs::path corpus = fs::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1";
  ASSERT_TRUE(fs::is_directory(corpus)) << "no corpus at " << corpus;

  std::map<std::string, int> leftOut;
  const std::vector<Target> targets = ChooseTargets(corpus, leftOut);
  ASSERT_FALSE(targets.empty());

  // Builds the preloaders: each target's folder copied under its name, the preloader beside.
  std::vector<const Target*> played;
  std::vector<playertest::Movie> movies;
  int chosen = 0;
  int refused = 0;
  for (const Target& target : targets) {
    if (variant.type == kTargetMerge && !target.forMerge) continue;
    ++chosen;
    const fs::path folder = fs::path(dir.Native(target.movie.name));
    std::error_code ec;
    fs::copy(target.movie.folder, folder, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << target.movie.name << ": " << ec.message();
    PreloaderData project;
    project.SetTargetUrl(Utf8ToWide((folder / "test.swf").string()));
    project.SetTargetType(variant.type);
    project.SetLockRoot(variant.lockRoot);
    project.SetTargetLoopType(kLoopNoLoop);
    const int32_t width = std::max(1, (target.header.width + 19) / 20);
    const int32_t height = std::max(1, (target.header.height + 19) / 20);
    ASSERT_TRUE(project.SetTargetSize(width, height)) << target.movie.name;
    ASSERT_TRUE(project.SetTargetFps(static_cast<float>(target.header.frameRate))) << target.movie.name;
    const fs::path output = folder / "preloader.swf";
    PreloaderBuilder builder;
    if (!builder.Build(Utf8ToWide(output.string()), project, true)) {
      // Only a merge may be refused, and only as listed, with its listed reason.
      EXPECT_EQ(variant.type, kTargetMerge) << target.movie.name << ": " << builder.GetError();
      const std::string wrong = corpusmerge::CheckRefusal(target.movie.name, builder.GetError());
      if (!wrong.empty()) ADD_FAILURE() << variant.label << " " << wrong;
      ++refused;
      continue;
    }
    if (variant.type == kTargetMerge) corpusmerge::NoteIfListed(target.movie.name);
    playertest::Movie m;
    m.name = target.movie.name;
    m.swf = output;
    m.folder = folder;
    m.frames = target.movie.frames + kPreloaderFrames;
    m.timeLimitMs = 30000 + 250 * m.frames;
    movies.push_back(m);
    played.push_back(&target);
  }

  // The four types run as tests of their own, often side by side: a few pages each.
  const int pages = static_cast<int>(std::clamp(std::thread::hardware_concurrency() / 2, 2u, 4u));
  const playertest::PlayRun run = playertest::Play(movies, pages);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());

  std::vector<corpusmovies::PlayedMovie> results;
  for (size_t i = 0; i < played.size(); ++i) {
    const playertest::MovieResult& r = run.results[i];
    const std::string expected = playertest::ReadTextFile(played[i]->movie.folder / "output.txt");
    results.push_back({r.name, r.error.empty() ? playertest::DescribeTraceDifference(r.trace, expected) : r.error});
  }
  std::map<std::string, corpusmovies::PlaybackDifference> known;
  for (const auto& entry : kKnownDifferences) {
    if ((entry.second.variants & (1u << v)) != 0) known[entry.first] = {entry.second.reason, false};
  }
  const corpusmovies::DifferenceReport report = corpusmovies::CompareWithKnownDifferences(results, known);
  for (const std::string& failure : report.failures) ADD_FAILURE() << variant.label << " " << failure;
  std::printf("corpus movies left out:");
  for (const auto& [reason, count] : leftOut) std::printf(" %s %d;", reason.c_str(), count);
  std::printf(
      "\n%s: targets chosen %d, refused by the build %d, played %zu, matched their output.txt %d, known to "
      "differ %d\n",
      variant.label, chosen, refused, played.size(), report.matched, report.knownDiffer);
}

INSTANTIATE_TEST_SUITE_P(TargetTypes, CorpusTargetPlayerTest, ::testing::Range(0, kVariantCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                           std::string name = kVariants[info.param].label;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

}  // namespace
