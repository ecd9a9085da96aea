// The full preview: a projector around the preview movie, run as a program of its own.
//
// The projector is "Plenwick Preview" in the program's temporary sub-folder (made unique to the
// running program, as every temporary name is). Starting a preview
// first quits the one that still runs and waits until it has gone, then writes the projector
// (default settings) and starts the player program on it. The preview then runs by itself; the
// next preview, or the end of this object, quits it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "platform/WideString.h"

class PreviewProjector {
 public:
  // `playerProgram`: the player to run on the projector; empty: the bundle's plenwick-player.
  explicit PreviewProjector(std::string playerProgram = std::string());
  // Asks a running preview to quit without waiting, and deletes the projector file.
  ~PreviewProjector();
  PreviewProjector(const PreviewProjector&) = delete;
  PreviewProjector& operator=(const PreviewProjector&) = delete;

  // Quits the previous preview (calling `pump`, when given, while it goes, so the caller's
  // events keep flowing), writes the projector around the movie and starts the player. False
  // when the temporary folder, the projector or the player can't be made or started.
  [[nodiscard]] bool Start(const WideString& moviePath, const std::function<void()>& pump = {});

  // Removes the previous preview: while the projector file exists (at most 101 times), asks
  // the preview to quit, waits until it has gone and deletes the file; a failed deletion ends
  // the removal. True when no projector file is left.
  bool RemovePrevious(const std::function<void()>& pump = {});

  bool IsRunning();
  pid_t Process() const { return process_; }
  // The projector's path ("" before the first Start).
  const WideString& ProjectorPath() const { return projector_; }

 private:
  void QuitAndWait(const std::function<void()>& pump);

  std::string player_;
  WideString projector_;
  pid_t process_ = 0;
};
