// The floating preview window ("IDD_SWF_PREVIEW"): its own plug-in player and a small offscreen;
// every event of the window goes to the plug-in, size changes are passed on, and closing only
// hides it. The main window makes it hidden at start and gives it no movie.
#pragma once

#include <QImage>
#include <memory>

#include "publish/PluginApi.h"
#include "publish/PluginPlayer.h"
#include "ui/DialogWindow.h"
#include "ui/NibReference.h"

class QTimer;

// A window event as the plug-in receives it: mouse down, mouse up, key down, key repeat and key
// up by their classic kinds, mouse moves as system events (kind 15), anything else as a null
// event; the point is window content coordinates.
PlnEvent ToPluginEvent(const UiEvent& event);

class SwfPreviewWindow : public DialogWindow {
 public:
  SwfPreviewWindow();
  ~SwfPreviewWindow() override;

  // Makes the window from the interface file, hidden.
  bool Create(const NibReference& nib, WindowRef parent);

  bool PreTranslateEvent(UiEvent& event) override;
  bool OnInitDialog() override;
  // Stops the ticks and hides the window; the player and the offscreen stay.
  bool OnClose() override;
  bool OnPaint() override;
  // The plug-in window takes the new size; when the window shrinks in either direction the
  // height passed on is one more, and the window takes that size too.
  bool OnSize(int width, int height) override;
  bool OnMouseMove(int x, int y, uint32_t modifiers) override;

  void OnTimer();
  void StopTimer();

  PluginPlayer& Player() { return player_; }
  const QImage& Offscreen() const { return offscreen_; }

 private:
  std::unique_ptr<QTimer> timer_;
  QImage offscreen_;
  PlnPort port_{};
  PluginPlayer player_;
  bool sizing_ = false;
};
