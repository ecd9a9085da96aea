#include "tests/support/PlayerRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <system_error>

extern char** environ;

namespace playertest {
namespace {

namespace fs = std::filesystem;

const char* const kDriver = PLENWICK_PLAYER_DRIVER;
const char* const kNpmDir = PLENWICK_NPM_DIR;

// ---------------------------------------------------------------------------------------------
// A small JSON reader for the driver's results: bounded depth and size, any bytes give an
// error rather than a crash.

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> members;

  const Json* Member(const std::string& key) const {
    auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : s_(text) {}

  bool Read(Json& out, std::string& error) {
    if (!Value(out, 0)) {
      error = error_ + " at byte " + std::to_string(pos_);
      return false;
    }
    Space();
    if (pos_ != s_.size()) {
      error = "text after the value at byte " + std::to_string(pos_);
      return false;
    }
    return true;
  }

 private:
  static constexpr int kMaxDepth = 32;

  bool Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  void Space() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) ++pos_;
  }
  bool Literal(const char* word) {
    size_t n = std::strlen(word);
    if (s_.compare(pos_, n, word) != 0) return Fail("unknown literal");
    pos_ += n;
    return true;
  }
  bool Value(Json& out, int depth) {
    if (depth > kMaxDepth) return Fail("nested too deeply");
    Space();
    if (pos_ >= s_.size()) return Fail("unexpected end");
    char c = s_[pos_];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') {
      out.kind = Json::Kind::String;
      return String(out.text);
    }
    if (c == 't') {
      out.kind = Json::Kind::Bool;
      out.boolean = true;
      return Literal("true");
    }
    if (c == 'f') {
      out.kind = Json::Kind::Bool;
      return Literal("false");
    }
    if (c == 'n') {
      out.kind = Json::Kind::Null;
      return Literal("null");
    }
    return Number(out);
  }
  bool Number(Json& out) {
    size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    bool digits = false;
    while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.' || s_[pos_] == 'e' ||
                                s_[pos_] == 'E' || s_[pos_] == '+' || s_[pos_] == '-')) {
      digits = digits || (s_[pos_] >= '0' && s_[pos_] <= '9');
      ++pos_;
    }
    if (!digits) return Fail("not a value");
    // The driver writes numbers the way JSON does, with a '.' decimal point: read them
    // in the C locale whatever the process locale is.
    std::istringstream in(s_.substr(start, pos_ - start));
    in.imbue(std::locale::classic());
    in >> out.number;
    if (in.fail()) return Fail("bad number");
    out.kind = Json::Kind::Number;
    return true;
  }
  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  bool Hex4(uint32_t& v) {
    if (s_.size() - pos_ < 4) return Fail("short \\u escape");
    v = 0;
    for (int i = 0; i < 4; ++i) {
      char c = s_[pos_++];
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        v |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        v |= static_cast<uint32_t>(c - 'A' + 10);
      else
        return Fail("bad \\u escape");
    }
    return true;
  }
  bool String(std::string& out) {
    ++pos_;  // opening quote
    for (;;) {
      if (pos_ >= s_.size()) return Fail("unterminated string");
      char c = s_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) return Fail("unterminated string");
      char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(pos_, 2, "\\u") == 0) {
            size_t save = pos_;
            pos_ += 2;
            uint32_t low = 0;
            if (!Hex4(low)) return false;
            if (low >= 0xDC00 && low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              pos_ = save;
            }
          }
          // A surrogate without its partner stands for a character UTF-8 can't hold.
          if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
          AppendUtf8(out, cp);
          break;
        }
        default: return Fail("bad escape");
      }
    }
  }
  bool Array(Json& out, int depth) {
    out.kind = Json::Kind::Array;
    ++pos_;
    Space();
    if (pos_ < s_.size() && s_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      out.items.emplace_back();
      if (!Value(out.items.back(), depth + 1)) return false;
      Space();
      if (pos_ >= s_.size()) return Fail("unterminated list");
      char c = s_[pos_++];
      if (c == ']') return true;
      if (c != ',') return Fail("expected ',' or ']'");
    }
  }
  bool Object(Json& out, int depth) {
    out.kind = Json::Kind::Object;
    ++pos_;
    Space();
    if (pos_ < s_.size() && s_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      Space();
      if (pos_ >= s_.size() || s_[pos_] != '"') return Fail("expected a member name");
      std::string key;
      if (!String(key)) return false;
      Space();
      if (pos_ >= s_.size() || s_[pos_++] != ':') return Fail("expected ':'");
      Json value;
      if (!Value(value, depth + 1)) return false;
      out.members[key] = std::move(value);
      Space();
      if (pos_ >= s_.size()) return Fail("unterminated object");
      char c = s_[pos_++];
      if (c == '}') return true;
      if (c != ',') return Fail("expected ',' or '}'");
    }
  }

  const std::string& s_;
  size_t pos_ = 0;
  std::string error_;
};

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          static const char* const kHex = "0123456789abcdef";
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// ---------------------------------------------------------------------------------------------

// A private folder of our own for one run, removed with everything in it at the end.
class RunFolder {
 public:
  RunFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/plenwick-player-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~RunFolder() {
    if (!path_.empty()) {
      std::error_code ignored;
      fs::remove_all(path_, ignored);
    }
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

bool WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return static_cast<bool>(out);
}

std::string FindInPath(const std::string& program) {
  const char* pathVar = std::getenv("PATH");
  std::string dirs = pathVar != nullptr ? pathVar : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      std::string candidate = dir + "/" + program;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

std::string BrowserPath() {
  const char* env = std::getenv("PLENWICK_CHROMIUM");
  return env != nullptr && *env != '\0' ? env : "/usr/bin/chromium";
}

// Runs the program with stdin from /dev/null and stdout and stderr into `log`. Returns its
// exit status (0..255), or -1 with `error` set when it could not run or died by a signal.
int RunProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& log,
               std::string& error) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    error = "cannot start " + program + ": " + std::strerror(rc);
    return -1;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      error = std::string("waitpid failed: ") + std::strerror(errno);
      return -1;
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  error = program + " ended by signal " + std::to_string(WTERMSIG(status));
  return -1;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string Shorten(const std::string& line) {
  constexpr size_t kMax = 200;
  return line.size() <= kMax ? line : line.substr(0, kMax) + "...";
}

}  // namespace

std::string PlayerUnavailableReason() {
  if (FindInPath("node").empty()) return "Node.js (node) is not installed; run tools/install-deps.sh";
  if (::access(BrowserPath().c_str(), X_OK) != 0)
    return "no browser at " + BrowserPath() + "; run tools/install-deps.sh";
  for (const char* package : {"playwright-core", "@ruffle-rs/ruffle"}) {
    fs::path manifest = fs::path(kNpmDir) / "node_modules" / package / "package.json";
    if (!fs::is_regular_file(manifest))
      return std::string("the npm package ") + package + " is not installed; run tools/install-deps.sh";
  }
  return {};
}

PlayRun Play(const std::vector<Movie>& movies, int pages) { return Play(movies, {}, pages); }

PlayRun Play(const std::vector<Movie>& movies, const std::vector<Capture>& captures, int pages) {
  PlayRun run;
  if (movies.empty()) return run;
  if (std::string why = PlayerUnavailableReason(); !why.empty()) {
    run.error = why;
    return run;
  }
  RunFolder folder;
  if (folder.path().empty()) {
    run.error = std::string("cannot make a temporary folder: ") + std::strerror(errno);
    return run;
  }
  std::string manifest = "{\"workers\": " + std::to_string(pages) + ", \"movies\": [\n";
  for (size_t i = 0; i < movies.size(); ++i) {
    const Movie& m = movies[i];
    fs::path swf = fs::absolute(m.swf);
    fs::path root = m.folder.empty() ? swf.parent_path() : fs::absolute(m.folder);
    manifest += "{\"name\": " + JsonString(m.name) + ", \"swf\": " + JsonString(swf.string()) +
                ", \"root\": " + JsonString(root.string()) + ", \"frames\": " + std::to_string(m.frames) +
                ", \"timeLimitMs\": " + std::to_string(m.timeLimitMs);
    const Capture* capture = nullptr;
    for (const Capture& c : captures) capture = c.movie == i ? &c : capture;
    const fs::path screenshot = !m.screenshot.empty() ? m.screenshot
                                : capture != nullptr  ? capture->screenshot
                                                      : fs::path();
    if (!screenshot.empty()) manifest += ", \"screenshot\": " + JsonString(fs::absolute(screenshot).string());
    if (!m.renderer.empty()) manifest += ", \"renderer\": " + JsonString(m.renderer);
    if (m.audio) manifest += ", \"audio\": true";
    // Numbers as JSON writes them, whatever the locale.
    auto number = [](double value) {
      char text[64];
      auto written = std::to_chars(text, text + sizeof text, value);
      return std::string(text, written.ptr);
    };
    if (!m.clicks.empty()) {
      manifest += ", \"clicks\": [";
      for (size_t k = 0; k < m.clicks.size(); ++k) {
        manifest += (k ? ", [" : "[") + std::to_string(m.clicks[k].afterFrame) + ", " + number(m.clicks[k].x) + ", " +
                    number(m.clicks[k].y) + "]";
      }
      manifest += "]";
    }
    if (capture != nullptr && !capture->pixels.empty()) {
      manifest += ", \"pixels\": [";
      const auto& points = capture->pixels;
      for (size_t k = 0; k < points.size(); ++k) {
        manifest += (k ? ", [" : "[") + number(points[k].first) + ", " + number(points[k].second) + "]";
      }
      manifest += "]";
    }
    manifest += "}";
    manifest += i + 1 < movies.size() ? ",\n" : "\n";
  }
  manifest += "]}\n";
  const fs::path manifestFile = folder.path() / "manifest.json";
  const fs::path resultsFile = folder.path() / "results.json";
  const fs::path logFile = folder.path() / "driver.log";
  if (!WriteWholeFile(manifestFile, manifest)) {
    run.error = "cannot write " + manifestFile.string();
    return run;
  }
  std::string error;
  int status = RunProgram(FindInPath("node"), {kDriver, manifestFile.string(), resultsFile.string()}, logFile, error);
  if (status != 0) {
    std::string log = ReadTextFile(logFile);
    if (log.size() > 4000) log = log.substr(log.size() - 4000);
    run.error = (status < 0 ? error : "the player driver failed (exit status " + std::to_string(status) + ")") +
                (log.empty() ? "" : ":\n" + log);
    return run;
  }
  std::error_code ec;
  auto size = fs::file_size(resultsFile, ec);
  constexpr uintmax_t kMaxResults = uintmax_t{1} << 30;
  if (ec || size > kMaxResults) {
    run.error = "the player driver wrote no usable results file";
    return run;
  }
  Json doc;
  if (!JsonReader(ReadTextFile(resultsFile)).Read(doc, error)) {
    run.error = "the player's results are not valid JSON: " + error;
    return run;
  }
  const Json* list = doc.Member("movies");
  if (list == nullptr || list->kind != Json::Kind::Array || list->items.size() != movies.size()) {
    run.error = "the player's results do not list every movie";
    return run;
  }
  for (size_t i = 0; i < movies.size(); ++i) {
    const Json& item = list->items[i];
    MovieResult r;
    r.name = movies[i].name;
    if (const Json* t = item.Member("trace"); t != nullptr && t->kind == Json::Kind::Array) {
      for (const Json& line : t->items) r.trace.push_back(line.text);
    }
    if (const Json* e = item.Member("error"); e != nullptr && e->kind == Json::Kind::String) r.error = e->text;
    if (const Json* f = item.Member("frameRate"); f != nullptr && f->kind == Json::Kind::Number)
      r.frameRate = f->number;
    if (const Json* p = item.Member("pageErrors"); p != nullptr && p->kind == Json::Kind::Array) {
      for (const Json& line : p->items) r.pageErrors.push_back(line.text);
    }
    if (const Json* p = item.Member("pixels"); p != nullptr && p->kind == Json::Kind::Array) {
      for (const Json& colour : p->items) r.pixels.push_back(static_cast<uint32_t>(colour.number));
    }
    if (const Json* a = item.Member("audio"); a != nullptr && a->kind == Json::Kind::Object) {
      auto number = [a](const char* name) {
        const Json* n = a->Member(name);
        return n != nullptr && n->kind == Json::Kind::Number ? n->number : 0.0;
      };
      r.audio.recorded = true;
      r.audio.rate = number("rate");
      r.audio.samples = static_cast<int64_t>(number("samples"));
      r.audio.first = static_cast<int64_t>(number("first"));
      r.audio.last = static_cast<int64_t>(number("last"));
      r.audio.crossings = static_cast<int64_t>(number("crossings"));
      r.audio.peak = number("peak");
    }
    if (item.kind != Json::Kind::Object || item.Member("trace") == nullptr)
      r.error = "the player reported nothing for this movie";
    if (!movies[i].screenshot.empty() && r.error.empty()) {
      fs::path ppm = fs::absolute(movies[i].screenshot);
      ppm += ".ppm";
      r.screenshot = ReadPpm(ppm);
    }
    run.results.push_back(std::move(r));
  }
  return run;
}

Image ReadPpm(const fs::path& path) {
  Image image;
  const std::string bytes = ReadTextFile(path);
  // "P6", blank, width, blank, height, blank, "255", one blank, then the rows.
  size_t pos = 0;
  auto number = [&](int& value) {
    while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    size_t start = pos;
    value = 0;
    while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9' && pos - start < 6)
      value = value * 10 + (bytes[pos++] - '0');
    return pos > start;
  };
  if (bytes.compare(0, 2, "P6") != 0) return image;
  pos = 2;
  int width = 0, height = 0, maxValue = 0;
  if (!number(width) || !number(height) || !number(maxValue) || maxValue != 255 || width <= 0 || height <= 0)
    return image;
  ++pos;  // the one blank before the rows
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  if (pos > bytes.size() || bytes.size() - pos != size) return image;
  image.width = width;
  image.height = height;
  image.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
  return image;
}

std::string ReadTextFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TraceText(const std::vector<std::string>& trace) {
  std::string text;
  for (const std::string& line : trace) text += line + "\n";
  return text;
}

std::string DescribeTraceDifference(const std::vector<std::string>& trace, const std::string& expectedLog) {
  std::string expected;
  expected.reserve(expectedLog.size());
  for (size_t i = 0; i < expectedLog.size(); ++i) {
    if (expectedLog[i] == '\r' && i + 1 < expectedLog.size() && expectedLog[i + 1] == '\n') continue;
    expected += expectedLog[i];
  }
  if (!expected.empty() && expected.back() != '\n') expected += '\n';
  const std::string actual = TraceText(trace);
  if (actual == expected) return {};
  const std::vector<std::string> want = SplitLines(expected);
  const std::vector<std::string> got = SplitLines(actual);
  size_t n = 0;
  while (n < want.size() && n < got.size() && want[n] == got[n]) ++n;
  std::string out = "line " + std::to_string(n + 1) + ": expected ";
  out += n < want.size() ? "\"" + Shorten(want[n]) + "\"" : "the end of the output";
  out += ", got ";
  out += n < got.size() ? "\"" + Shorten(got[n]) + "\"" : "the end of the output";
  out += " (" + std::to_string(want.size()) + " lines expected, " + std::to_string(got.size()) + " traced)";
  return out;
}

}  // namespace playertest
