// The frame export's real frame source: the movie played in the player (Ruffle in a web view),
// its picture taken after each frame. The player's clock moves only when a picture is asked
// for, so the picture at a time is the same on a quiet and on a busy machine.
//
// Time runs in units of 1/256 of a frame: a movie's time scale is its frame rate x 256 and
// the picture at time t shows the movie once frame t / 256 + 1 has run, so the export's frames
// at the movie's own rate are its frames one by one.
//
// The sources play in this process on the GUI thread; the first source opened makes the
// application (with the player's URL scheme registered) when the program has none yet. A
// program that makes its own QApplication must call host::web::RegisterPlayerScheme before it.
#pragma once

#include <memory>
#include <string>

#include "platform/WideString.h"
#include "publish/FrameSource.h"

class RuffleFrameSourceFactory : public FrameSourceFactory {
 public:
  // `ruffleFolder` holds Ruffle's web build; empty: the bundle's "ruffle" resource, or the
  // folder named by PLENWICK_RUFFLE_DIR.
  explicit RuffleFrameSourceFactory(WideString ruffleFolder = {});

  // Null, with Error() saying why, when the movie can't be read (not a movie, larger than
  // kMaxMovieBytes, a frame rate of 0, no frames) or the player does not load it within the
  // load time limit. A source's failure to render is told by Error() as well.
  std::unique_ptr<FrameSource> Open(const WideString& moviePath, uint32_t width, uint32_t height, bool alpha) override;

  const std::string& Error() const { return *error_; }

  static constexpr uint64_t kMaxMovieBytes = 256u << 20;
  // How long the player may take to load a movie (its start included), and to draw a frame.
  int loadTimeLimitMs = 120000;
  int frameTimeLimitMs = 30000;

 private:
  WideString ruffleFolder_;
  std::shared_ptr<std::string> error_;  // shared with the sources opened
};
