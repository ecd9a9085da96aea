// A control that plays one movie inside a window: the preview player plug-in draws into a
// 32-bit offscreen image of the control's size, which the control shows; a timer of 1/24 s
// sends the plug-in a null event and shows the image again.
#pragma once

#include <QImage>
#include <memory>

#include "platform/WideString.h"
#include "publish/PluginPlayer.h"
#include "ui/DialogControl.h"

class QObject;
class QTimer;

class SwfPreviewControl : public DialogControl {
 public:
  SwfPreviewControl();
  // Stops the timer and destroys a live plug-in instance before the widget can go.
  ~SwfPreviewControl() override;

  // Makes the offscreen (the control's size, black) and starts showing it. False when the
  // control has no widget or no size.
  bool OnAttach() override;
  // Replaces what plays with the movie and starts the ticks. False when the plug-in can't be
  // loaded, refuses the instance, or the file can't be streamed (see PluginPlayer).
  [[nodiscard]] bool LoadMovie(const WideString& path);
  // Stops the ticks and shows black; the instance stays, told of a window of no size.
  void Clear();
  bool Destroy() override;

  bool IsTicking() const;
  const QImage& Offscreen() const { return offscreen_; }
  PluginPlayer& Player() { return player_; }
  // One tick, as the timer runs it: nothing while the control is hidden.
  void OnTimer();

 private:
  void StartTimer();
  void StopTimer();
  void CopyToControl();
  void Release();

  QImage offscreen_;
  PlnPort port_{};
  std::unique_ptr<QTimer> timer_;
  std::unique_ptr<QObject> painter_;
  PluginPlayer player_;
};
