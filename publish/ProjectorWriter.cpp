#include "publish/ProjectorWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "host/FinderInfo.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/FileTypes.h"
#include "platform/ForkFile.h"
#include "platform/Paths.h"
#include "platform/ResourceFile.h"
#include "platform/TempFolder.h"
#include "swf/ActionPush.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"

namespace {

constexpr OSType kStubType = MakeFourCC("SAfp");
constexpr uint8_t kMacMagic[4] = {0xFA, 0x12, 0x34, 0x56};
constexpr uint8_t kWindowsMagic[4] = {0x56, 0x34, 0x12, 0xFA};

enum class Form { kMac, kWindows };

// A movie file opened for copying: its descriptor and length, checked before anything is made.
class MovieSource {
 public:
  ~MovieSource() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open(const WideString& path) {
    fd_ = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
    length_ = static_cast<uint64_t>(st.st_size);
    return length_ <= kMaxProjectorMovieLength;
  }
  uint32_t Length() const { return static_cast<uint32_t>(length_); }
  // Copies exactly the length found at Open; a file that ends early or grows is a failure.
  bool CopyTo(AtomicFileWriter& out) {
    std::vector<char> buffer(1 << 16);
    uint64_t left = length_;
    while (left > 0) {
      const size_t want = left < buffer.size() ? static_cast<size_t>(left) : buffer.size();
      const ssize_t got = ::read(fd_, buffer.data(), want);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      if (!out.Write(buffer.data(), static_cast<size_t>(got))) return false;
      left -= static_cast<uint64_t>(got);
    }
    char extra = 0;
    ssize_t more;
    do {
      more = ::read(fd_, &extra, 1);
    } while (more < 0 && errno == EINTR);
    return more == 0;
  }

 private:
  int fd_ = -1;
  uint64_t length_ = 0;
};

// Removes the rewritten copy when the writer is done with it.
struct TemporaryMovie {
  WideString path;
  ~TemporaryMovie() {
    if (!path.empty()) DeleteFileAtPath(path);
  }
};

void AddCommand(DoActionTag& tag, const wchar_t* command, bool value) {
  auto push = std::make_unique<ActionPush>(WideString(command));
  push->AddBoolean(value);
  tag.AddAction(std::move(push));
  tag.AddAction(std::make_unique<ActionGetUrl2>(0));
}

bool WriteProjector(Form form, const WideString& swf, const WideString& output, const ProjectorSettings& settings,
                    bool replace, const ProjectorStubSource& stubs) {
  if (!replace && PathExists(output)) return false;
  std::string forkStub;
  std::string stub;
  if (form == Form::kMac && (!stubs || !stubs(kMacProjectorForkStubId, forkStub))) return false;
  if (!stubs || !stubs(form == Form::kMac ? kMacProjectorStubId : kWindowsProjectorStubId, stub)) return false;

  TemporaryMovie rewritten;
  WideString moviePath = swf;
  if (settings.DiffersFromDefaults()) {
    if (!RewriteSwfForProjector(swf, rewritten.path, settings)) return false;
    moviePath = rewritten.path;
  }
  MovieSource movie;
  if (!movie.Open(moviePath)) return false;
  const uint32_t length = movie.Length();
  const ProjectorTrailer trailer = form == Form::kMac ? MacProjectorTrailer(length) : WindowsProjectorTrailer(length);

  AtomicFileWriter out;
  if (!out.Open(output) || !out.Write(stub) || !movie.CopyTo(out) || !out.Write(trailer.data(), trailer.size())) {
    return false;
  }
  const std::string temp = WideToUtf8(out.TempPath());
  if (form == Form::kMac) {
    // A player file: executable by whoever may read it.
    struct stat st {};
    if (::stat(temp.c_str(), &st) != 0) return false;
    const mode_t readers = st.st_mode & 0444;
    if (::chmod(temp.c_str(), (st.st_mode & 07777) | (readers >> 2)) != 0) return false;
    // Type and creator travel with the file through the rename. Where the file system keeps
    // no Finder information the projector still works, so a refusal is not a failure.
    host::fs::FinderInfoBytes info{};
    host::fs::PutU32(info, host::fs::kFileTypeOffset, MakeFourCC("APPL"));
    host::fs::PutU32(info, host::fs::kFileTypeOffset + 4, MakeFourCC("SWF2"));
    host::fs::WriteFinderInfo(temp, info);
  }
  if (!out.Commit()) return false;
  if (form == Form::kWindows) return true;

  ForkFile fork;
  if (!fork.SetPath(output) || !fork.OpenResourceFork(ForkFile::kWrite)) return false;
  const long forkLength = static_cast<long>(forkStub.size());
  const bool written = fork.Write(forkStub.data(), forkLength) == forkLength;
  if (!fork.Close() || !written) return false;
  const uint32_t memory = ProjectorMemorySize(length);
  // A stub fork without a 'SIZE' resource leaves the player's memory to its own default.
  SetSizeResource(output, memory, memory);
  return true;
}

}  // namespace

ProjectorTrailer MacProjectorTrailer(uint32_t movieLength) {
  return {static_cast<uint8_t>(movieLength >> 24),
          static_cast<uint8_t>(movieLength >> 16),
          static_cast<uint8_t>(movieLength >> 8),
          static_cast<uint8_t>(movieLength),
          kMacMagic[0],
          kMacMagic[1],
          kMacMagic[2],
          kMacMagic[3]};
}

ProjectorTrailer WindowsProjectorTrailer(uint32_t movieLength) {
  return {kWindowsMagic[0],
          kWindowsMagic[1],
          kWindowsMagic[2],
          kWindowsMagic[3],
          static_cast<uint8_t>(movieLength),
          static_cast<uint8_t>(movieLength >> 8),
          static_cast<uint8_t>(movieLength >> 16),
          static_cast<uint8_t>(movieLength >> 24)};
}

std::optional<ProjectorMovieRange> FindProjectorMovie(const ProjectorTrailer& t, uint64_t fileLength) {
  uint32_t length;
  if (t[4] == kMacMagic[0] && t[5] == kMacMagic[1] && t[6] == kMacMagic[2] && t[7] == kMacMagic[3]) {
    length = (uint32_t{t[0]} << 24) | (uint32_t{t[1]} << 16) | (uint32_t{t[2]} << 8) | t[3];
  } else if (t[0] == kWindowsMagic[0] && t[1] == kWindowsMagic[1] && t[2] == kWindowsMagic[2] &&
             t[3] == kWindowsMagic[3]) {
    length = (uint32_t{t[7]} << 24) | (uint32_t{t[6]} << 16) | (uint32_t{t[5]} << 8) | t[4];
  } else {
    return std::nullopt;
  }
  if (fileLength < t.size() || length > fileLength - t.size()) return std::nullopt;
  return ProjectorMovieRange{fileLength - t.size() - length, length};
}

uint32_t ProjectorMemorySize(uint64_t movieLength) {
  constexpr uint64_t kLeast = 7340032;
  constexpr uint64_t kMost = 52428800;
  return static_cast<uint32_t>(movieLength < kLeast ? kLeast : movieLength > kMost ? kMost : movieLength);
}

bool GetBundleProjectorStub(int id, std::string& bytes) { return GetMainRsrcResource(kStubType, id, bytes); }

bool WriteMacProjector(const WideString& swf, const WideString& output, const ProjectorSettings& settings, bool replace,
                       const ProjectorStubSource& stubs) {
  return WriteProjector(Form::kMac, swf, output, settings, replace, stubs);
}

bool WriteWindowsProjector(const WideString& swf, const WideString& output, const ProjectorSettings& settings,
                           bool replace, const ProjectorStubSource& stubs) {
  return WriteProjector(Form::kWindows, swf, output, settings, replace, stubs);
}

bool RewriteSwfForProjector(const WideString& swf, WideString& temporaryPath, const ProjectorSettings& settings) {
  temporaryPath.clear();
  SwfReader reader;
  if (!reader.LoadFile(swf)) return false;
  WideString path;
  if (!GetTempFilePath(path, L"~projfscmd", true)) return false;

  // The movie goes out as it was read, with one tag more and at least at version 5, the
  // first version whose players take the player commands.
  SwfHeader header = reader.GetHeader();
  if (header.version < 5) header.version = 5;
  SwfFileWriter writer;
  writer.CopyReadMovie(header);
  if (!writer.Open(path, true)) return false;
  if (settings.DiffersFromDefaults()) {
    auto commands = std::make_unique<DoActionTag>();
    if (settings.fullscreen) AddCommand(*commands, L"FSCommand:fullscreen", true);
    if (!settings.showmenu) AddCommand(*commands, L"FSCommand:showmenu", false);
    if (!settings.allowscale) AddCommand(*commands, L"FSCommand:allowscale", false);
    writer.AddTag(std::move(commands));
  }
  for (auto& tag : reader.GetTags()) writer.AddTag(*tag);
  if (writer.Close() == 0) return false;
  temporaryPath = path;
  return true;
}
