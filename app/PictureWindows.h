// The two picture windows: the about box and the splash window shown while the program
// starts. Each shows a PNG picture of the bundle with the version line and two notice lines
// written over it; the splash also has a status line, through which the start-up reports
// what it is loading.
#pragma once

#include "platform/OffscreenGWorld.h"
#include "platform/WideString.h"
#include "ui/DialogWindow.h"

struct AboutDialogInfo {
  int pictureId = 0;
  int versionMajor = 0;
  int versionMinor = 0;
  int textX = 10;
  int textY = 60;
  WideString pictureFile;  // a file among the bundle's resources; empty: the resource picture
};

struct SplashInfo {
  int versionMajor = 0;
  int versionMinor = 0;
  int textX = 10;
  int textY = 20;
  int statusX = 0;
  int statusY = 0;
  WideString pictureFile;
};

// "Version 1.210" for 1, 210.
WideString FormatVersionLine(int major, int minor);

// Shared drawing of both windows: the picture decoded into an off-screen surface of its size,
// shown with the version line, the notice lines and (for the splash) the status line.
class PictureWindow : public DialogWindow {
 public:
  ~PictureWindow() override;
  // True once a picture was decoded.
  bool HasPicture() const { return world_ != nullptr; }
  const OffscreenGWorld* Picture() const { return world_; }

 protected:
  // Reads the named bundle resource, or when that gives nothing the 'GfXX' picture of
  // "main.rsrc"; decodes it and draws it with the texts. False when there is no picture.
  bool LoadPicture(const WideString& file, int resourceId, bool cached, int textX, int textY, int major, int minor);
  bool Redraw(const WideString& status, int statusX, int statusY);

 private:
  GWorldPtr world_ = nullptr;
  int textX_ = 0, textY_ = 0;
  WideString version_;
};

class AboutDialog : public PictureWindow {
 public:
  explicit AboutDialog(const AboutDialogInfo& info) : info_(info) {}
  bool OnInitDialog() override;
  bool OnPaint() override;
  // A click anywhere ends the box.
  bool OnLButtonDown(int x, int y, uint32_t modifiers) override;

 private:
  AboutDialogInfo info_;
};

class SplashWindow : public PictureWindow {
 public:
  // The new object becomes the program's splash window (GetSplashWindow).
  explicit SplashWindow(const SplashInfo& info);
  ~SplashWindow() override;
  bool OnInitDialog() override;
  bool OnClose() override { return false; }
  bool OnPaint() override;
  // Shows the text in the status line, in place of the previous one, at once.
  void ShowStatus(const WideString& text);
  const WideString& Status() const { return status_; }

 private:
  SplashInfo info_;
  WideString status_;
};

// The splash window, or null when there is none.
SplashWindow* GetSplashWindow();
