// compile-script FILE.as VERSION FRAMES OUTPUT.swf
//
// Compiles the script file for the SWF version (include files are searched beside the file
// that includes them first) and writes an uncompressed movie of that version, 550 x 400 pixels
// at 12 frames per second, with FRAMES frames, the first of which carries the script as a
// DoAction tag. The file is read as UTF-8; a byte-order mark at its start is dropped. When the
// script does not compile, the error and the line it was found at go to stderr and the exit
// status is 1; bad arguments give 2 (an output that is the script itself among them), a failed
// write 3.
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "script/ScriptCompiler.h"

namespace {

constexpr size_t kMaxScriptBytes = 4 * 1024 * 1024;

bool ParseNumber(const char* text, long min, long max, long& value) {
  const char* end = text + std::strlen(text);
  auto result = std::from_chars(text, end, value);
  return result.ec == std::errc() && result.ptr == end && value >= min && value <= max;
}

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::vector<uint8_t> BuildMovie(const std::vector<uint8_t>& actions, uint8_t version, uint16_t frames) {
  std::vector<uint8_t> movie = {'F', 'W', 'S', version, 0, 0, 0, 0};
  const uint8_t frame[9] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00};
  movie.insert(movie.end(), std::begin(frame), std::end(frame));
  Put16(movie, 0x0C00);
  Put16(movie, frames);
  // DoAction: the actions and the End action that closes a stored list.
  Put16(movie, (12 << 6) | 0x3F);
  Put32(movie, static_cast<uint32_t>(actions.size() + 1));
  movie.insert(movie.end(), actions.begin(), actions.end());
  movie.push_back(0);
  for (uint16_t i = 0; i < frames; ++i) Put16(movie, 1 << 6);  // ShowFrame
  Put16(movie, 0);                                             // End
  const auto length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  return movie;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the file-size limit is reported, not fatal
  long version = 0;
  long frames = 0;
  if (argc != 5 || !ParseNumber(argv[2], 5, 255, version) || !ParseNumber(argv[3], 1, 16000, frames)) {
    std::fprintf(stderr, "usage: compile-script FILE.as VERSION(5-255) FRAMES(1-16000) OUTPUT.swf\n");
    return 2;
  }
  const std::string file = argv[1];
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot open: %s\n", file.c_str(), std::strerror(errno));
    return 2;
  }
  // The movie must not replace the script: the same file under any name or through any link.
  struct stat scriptInfo;
  struct stat outputInfo;
  if (::stat(file.c_str(), &scriptInfo) == 0 && ::stat(argv[4], &outputInfo) == 0 &&
      scriptInfo.st_dev == outputInfo.st_dev && scriptInfo.st_ino == outputInfo.st_ino) {
    std::fprintf(stderr, "%s: is the script itself; it is not written over\n", argv[4]);
    return 2;
  }
  std::string bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
    if (bytes.size() > kMaxScriptBytes) {
      std::fprintf(stderr, "%s: larger than %zu bytes\n", file.c_str(), kMaxScriptBytes);
      return 2;
    }
  }
  if (in.bad()) {
    std::fprintf(stderr, "%s: read error\n", file.c_str());
    return 2;
  }

  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);

  const WideString wide = Utf8ToWide(bytes);
  std::optional<std::string> text = ScriptTextForVersion(wide, static_cast<int32_t>(version));
  if (!text) {
    // The line of the first character the version cannot carry (or a byte that is no UTF-8).
    int line = 1;
    for (wchar_t c : wide) {
      if (c == L'\0' || (version < 6 && static_cast<uint32_t>(c) > 0xFF)) break;
      if (c == L'\n') ++line;
    }
    std::fprintf(stderr, "%s:%d: the text holds a character SWF %ld cannot carry\n", file.c_str(), line, version);
    return 1;
  }
  ScriptCompiler compiler;
  std::string folder = std::filesystem::path(file).parent_path().string();
  compiler.SetScriptFolder(folder.empty() ? "." : folder);
  SyntaxNodePtr root = compiler.Parse(text->c_str());
  auto fail = [&](const char* message) {
    std::string where = compiler.GetErrorFile();
    if (where == "Main") where = file;
    std::fprintf(stderr, "%s:%d: %s\n", where.c_str(), static_cast<int>(compiler.GetErrorLine()), message);
    if (std::strcmp(compiler.GetErrorLineText(), "No Line") != 0) {
      std::fprintf(stderr, "  %s\n", compiler.GetErrorLineText());
    }
    return 1;
  };
  if (!root) {
    if (text->empty()) {
      std::fprintf(stderr, "%s:0: the script is empty\n", file.c_str());
      return 1;
    }
    return fail(compiler.GetErrorMessage());
  }
  if (root->GetKind() != SyntaxNodeKind::Array) {
    std::fprintf(stderr, "%s:0: a script of on or onClipEvent handlers is no frame script\n", file.c_str());
    return 1;
  }
  if (compiler.Generate(*root, static_cast<int32_t>(version)) < 0) return fail(compiler.GetErrorMessage());

  std::vector<uint8_t> movie =
      BuildMovie(compiler.Bytes(), static_cast<uint8_t>(version), static_cast<uint16_t>(frames));
  AtomicFileWriter out;
  if (!out.Open(Utf8ToWide(argv[4])) || !out.Write(movie.data(), movie.size()) || !out.Commit()) {
    std::fprintf(stderr, "%s: cannot write: %s\n", argv[4], std::strerror(out.LastError()));
    return 3;
  }
  return 0;
}
