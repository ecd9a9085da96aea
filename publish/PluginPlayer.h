// The preview player's plug-in host: one plug-in instance, its window and port records and
// the stream that feeds it a movie file (see publish/PluginApi.h for the interface).
//
// The plug-in library is loaded once per process, on the first successful load, and shared by
// every player; the host function table exists while any player does. When the last player
// goes, the plug-in is shut down and its library closed, so a later player loads it afresh.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/WideString.h"
#include "publish/PluginApi.h"

// The plug-in library the players load: the bundle's "player-plugin.so" unless replaced.
std::string GetPreviewPluginPath();
// Replaces the library path (tests); empty restores the bundle's.
void SetPreviewPluginPathForTesting(const std::string& path);
// Replaces what opens an address a plug-in asks for (tests); empty restores the desktop's.
void SetPluginUrlOpenerForTesting(std::function<bool(const std::string& url)> opener);
// The host function table as plug-ins receive it (null while no player exists).
const PlnHostFuncs* GetPluginHostFunctions();

class PluginPlayer {
 public:
  PluginPlayer();
  // Destroys a live instance first, so a plug-in never outlives the widget it draws into.
  ~PluginPlayer();
  PluginPlayer(const PluginPlayer&) = delete;
  PluginPlayer& operator=(const PluginPlayer&) = delete;

  // Destroys the current instance (the port and window records go with it), loads the
  // library when needed and creates an instance (full page, the SWF type). False
  // when the library, one of its required entry points or the instance fails.
  [[nodiscard]] bool LoadPlugin();
  // Destroys the current instance, if any.
  void Unload();
  bool HasInstance() const { return instance_ != nullptr; }

  // Makes the port that of the window record (a null port is ignored).
  void SetPort(PlnPort* port);
  // Width and height from the rectangle; the clip is (0, 0, height, width). Passed on to the
  // instance when there is one.
  void SetWindowRect(int top, int left, int bottom, int right);
  void GetWindowSize(int& width, int& height) const;

  // Streams the whole file to the instance in one write. False without an instance, when the
  // file can't be opened ("Error" / "Unable to open the SWF"), is shorter than 20 bytes ("Error" /
  // "This SWF appears to be invalid or corrupt"), can't be read whole, or the plug-in refuses
  // the stream or its end.
  [[nodiscard]] bool StreamFile(const WideString& path);

  // Hands an event to the instance; an operating-system event (kind 15) goes as a null event.
  void HandleEvent(const PlnEvent& event);
  void SendIdleEvent();

 private:
  std::unique_ptr<uint8_t[]> hostRecord_;  // 64 bytes, pointing back to the instance
  std::unique_ptr<PlnInstance> instance_;
  PlnWindow window_{};
  PlnPort* port_ = nullptr;
  PlnStream stream_{};
  PlnPluginFuncs functions_{};
};
