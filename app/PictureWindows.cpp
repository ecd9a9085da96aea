#include "app/PictureWindows.h"

#include <cstdio>
#include <string>
#include <vector>

#include "host/ui/Application.h"
#include "host/ui/Window.h"
#include "media/PngBitmap.h"
#include "platform/FileSystem.h"
#include "platform/ResourceFile.h"
#include "platform/WideTextBuffer.h"
#include "ui/MessageBox.h"

namespace {

constexpr uint32_t kPictureType = 0x47665858;  // 'GfXX'
constexpr int kSplashPictureId = 128;
// The two notice lines under the version line are numbered texts.
constexpr int kNoticeText1 = 11010;
constexpr int kNoticeText2 = 11011;
// The texts are light on the program's dark pictures.
constexpr uint32_t kTextColor = 0xFFFFFF;

SplashWindow* g_splash = nullptr;

WideString Numbered(int number) {
  WideTextBuffer text;
  if (!text.LoadLocalizedString(number) || text.GetText() == nullptr) return {};
  return text.GetText();
}

}  // namespace

WideString FormatVersionLine(int major, int minor) {
  char line[64];
  std::snprintf(line, sizeof line, "Version %d.%03d", major, minor);
  return Utf8ToWide(line);
}

PictureWindow::~PictureWindow() { DisposeOffscreenGWorld(&world_); }

bool PictureWindow::LoadPicture(const WideString& file, int resourceId, bool cached, int textX, int textY, int major,
                                int minor) {
  DisposeOffscreenGWorld(&world_);
  textX_ = textX;
  textY_ = textY;
  version_ = FormatVersionLine(major, minor);

  PngBitmap picture;
  bool decoded = false;
  WideString path;
  if (!file.empty() && GetBundleResourcePath(path, file)) decoded = picture.LoadFile(path);
  if (!decoded) {
    std::string bytes;
    const bool found = cached ? GetMainRsrcResourceCached(kPictureType, resourceId, bytes)
                              : GetMainRsrcResource(kPictureType, resourceId, bytes);
    if (!found) return false;
    decoded = picture.DecodeFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  if (!decoded) return false;
  if (!CreateOffscreenGWorld(&world_, static_cast<int>(picture.Width()), static_cast<int>(picture.Height()), 32))
    return false;
  if (!picture.DrawToGWorld(world_, 0, 0)) {
    DisposeOffscreenGWorld(&world_);
    return false;
  }
  return true;
}

bool PictureWindow::Redraw(const WideString& status, int statusX, int statusY) {
  if (world_ == nullptr || GetWindowRef() == nullptr) return false;
  std::vector<host::ui::Window::PictureText> texts = {
      {textX_, textY_, version_, 10, kTextColor},
      {textX_, textY_ + 14, Numbered(kNoticeText1), 10, kTextColor},
      {textX_, textY_ + 28, Numbered(kNoticeText2), 10, kTextColor},
  };
  if (!status.empty()) texts.push_back({statusX, statusY, status, 10, kTextColor});
  return GetWindowRef()->ShowPicture(world_->Pixels(), world_->Width(), world_->Height(), world_->RowBytes(), texts);
}

bool AboutDialog::OnInitDialog() {
  CenterOnMainScreen(nullptr);
  if (!LoadPicture(info_.pictureFile, info_.pictureId, false, info_.textX, info_.textY, info_.versionMajor,
                   info_.versionMinor))
    return false;
  OnPaint();
  return true;
}

bool AboutDialog::OnPaint() {
  Redraw({}, 0, 0);
  return false;
}

bool AboutDialog::OnLButtonDown(int, int, uint32_t) {
  EndDialog(static_cast<int>(ui::kResultOk));
  return true;
}

SplashWindow::SplashWindow(const SplashInfo& info) : info_(info) { g_splash = this; }

SplashWindow::~SplashWindow() {
  // Nothing may draw into a splash that is gone.
  if (g_splash == this) g_splash = nullptr;
}

bool SplashWindow::OnInitDialog() {
  CenterOnMainScreen(nullptr);
  if (!LoadPicture(info_.pictureFile, kSplashPictureId, true, info_.textX, info_.textY, info_.versionMajor,
                   info_.versionMinor))
    return false;
  OnPaint();
  return true;
}

bool SplashWindow::OnPaint() {
  Redraw(status_, info_.statusX, info_.statusY);
  return false;
}

void SplashWindow::ShowStatus(const WideString& text) {
  status_ = text;
  OnPaint();
  if (GetWindowRef() != nullptr) host::ui::ProcessPendingEvents();
}

SplashWindow* GetSplashWindow() { return g_splash; }
