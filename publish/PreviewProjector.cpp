#include "publish/PreviewProjector.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "host/Bundle.h"
#include "host/Process.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "publish/ProjectorWriter.h"

namespace {

constexpr int kRemovalAttempts = 101;
// How long a preview may take to quit before it is killed.
constexpr auto kQuitLimit = std::chrono::seconds(10);

}  // namespace

PreviewProjector::PreviewProjector(std::string playerProgram) : player_(std::move(playerProgram)) {
  if (player_.empty() && !host::bundle::BundlePath().empty()) {
    player_ = host::bundle::BundlePath() + "/bin/plenwick-player";
  }
}

PreviewProjector::~PreviewProjector() {
  // The preview is our child until we reap it, so its pid can't belong to another program.
  if (IsRunning()) ::kill(process_, SIGTERM);
  if (!projector_.empty()) DeleteFileAtPath(projector_);
}

bool PreviewProjector::IsRunning() {
  if (process_ > 0 && !host::process::IsRunning(process_)) process_ = 0;
  return process_ > 0;
}

void PreviewProjector::QuitAndWait(const std::function<void()>& pump) {
  if (!IsRunning()) return;
  ::kill(process_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + kQuitLimit;
  while (IsRunning()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(process_, SIGKILL);
      ::waitpid(process_, nullptr, 0);
      process_ = 0;
      break;
    }
    if (pump) pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool PreviewProjector::RemovePrevious(const std::function<void()>& pump) {
  if (projector_.empty()) return true;
  for (int attempt = 0; attempt < kRemovalAttempts && PathExists(projector_); ++attempt) {
    QuitAndWait(pump);
    if (!DeleteFileAtPath(projector_)) break;
  }
  QuitAndWait(pump);
  return !PathExists(projector_);
}

bool PreviewProjector::Start(const WideString& moviePath, const std::function<void()>& pump) {
  // One name for the life of this object, unique to this process.
  if (projector_.empty() && !GetTempFilePath(projector_, L"Plenwick Preview", true)) return false;
  RemovePrevious(pump);
  if (player_.empty()) return false;
  if (!WriteMacProjector(moviePath, projector_, ProjectorSettings(), true)) return false;
  const pid_t pid = host::process::Spawn(player_, {WideToUtf8(projector_)});
  if (pid <= 0) return false;
  process_ = pid;
  return true;
}
