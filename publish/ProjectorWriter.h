// Projectors: a player program with a movie inside it. The file is the player stub, then the
// movie's bytes, then an eight-byte trailer from which the player finds the movie:
//
//   Mac form:     stub | movie | length (u32 big-endian)    | FA 12 34 56
//   Windows form: stub | movie | 56 34 12 FA               | length (u32 little-endian)
//
// The Mac form also gets a resource fork (its own stub) whose 'SIZE' -1 resource is given a
// memory size, and type 'APPL', creator 'SWF2'. The stubs are resources of type 'SAfp' of the
// bundle's "main.rsrc" (2200: the Mac data part, 2201: the Mac resource fork, 2202: Windows).
// On this system the Mac stub is a launcher of plenwick-player, which reads the Mac form.
//
// Every projector is written to a temporary file beside the output and renamed over it only
// when all of it was written, so a failure never leaves a broken projector in place.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/WideString.h"

struct ProjectorSettings {
  bool fullscreen = false;  // the player starts in full-screen mode
  bool allowscale = true;   // the player may scale the movie to its window
  bool showmenu = true;     // the player shows its menu

  bool DiffersFromDefaults() const { return fullscreen || !allowscale || !showmenu; }
};

inline constexpr int kMacProjectorStubId = 2200;
inline constexpr int kMacProjectorForkStubId = 2201;
inline constexpr int kWindowsProjectorStubId = 2202;

// The largest movie a projector holds: its length must fit the trailer's 32 bits.
inline constexpr uint64_t kMaxProjectorMovieLength = 0xFFFFFFFFu;

using ProjectorTrailer = std::array<uint8_t, 8>;
ProjectorTrailer MacProjectorTrailer(uint32_t movieLength);
ProjectorTrailer WindowsProjectorTrailer(uint32_t movieLength);

// Where the movie lies in a projector of `fileLength` bytes that ends with `trailer`: its
// offset and length, when the trailer has either form and the movie fits before it.
struct ProjectorMovieRange {
  uint64_t offset = 0;
  uint32_t length = 0;
};
std::optional<ProjectorMovieRange> FindProjectorMovie(const ProjectorTrailer& trailer, uint64_t fileLength);

// The memory size of a Mac projector: the movie length clamped to 7,340,032..52,428,800.
uint32_t ProjectorMemorySize(uint64_t movieLength);

// Gives the bytes of the stub with that id; false when there is none.
using ProjectorStubSource = std::function<bool(int id, std::string& bytes)>;
// The stubs of the bundle's "main.rsrc".
bool GetBundleProjectorStub(int id, std::string& bytes);

// Writes a projector of the movie at `swf` to `output`. An existing output is replaced only
// with `replace`. False when a stub is missing, the movie can't be read whole or is 4 GiB or
// longer, the rewrite for the settings fails, or any write fails; the output is then as it was
// (for the Mac form, a failure after the data fork is in place, while its resource fork is
// written, leaves the new data fork and answers false).
[[nodiscard]] bool WriteMacProjector(const WideString& swf, const WideString& output, const ProjectorSettings& settings,
                                     bool replace, const ProjectorStubSource& stubs = GetBundleProjectorStub);
[[nodiscard]] bool WriteWindowsProjector(const WideString& swf, const WideString& output,
                                         const ProjectorSettings& settings, bool replace,
                                         const ProjectorStubSource& stubs = GetBundleProjectorStub);

// Writes a copy of the movie whose first tag is a DoAction that sends the player the commands
// the settings ask for (fullscreen on, showmenu off, allowscale off, in that order), at least
// at version 5, into a new file of the program's temporary folder; its path goes to
// `temporaryPath`. False (nothing left behind) when the movie can't be read or written.
[[nodiscard]] bool RewriteSwfForProjector(const WideString& swf, WideString& temporaryPath,
                                          const ProjectorSettings& settings);
