// Helpers of the project tests: a scratch folder, whole-file text, small movie files, and
// projects written to text.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

namespace projecttest {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-project-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Native(const std::string& name) const { return path_ + "/" + name; }
  WideString Path(const std::string& name) const { return Utf8ToWide(Native(name)); }

 private:
  std::string path_;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A minimal uncompressed movie of 550 x 400 pixels with the given version byte.
inline std::string MovieWithVersion(uint8_t version) {
  // RECT with 15-bit fields: 0, 11000, 0, 8000.
  const unsigned char rect[] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00};
  std::string body(reinterpret_cast<const char*>(rect), sizeof rect);
  body += std::string("\x00\x0C\x01\x00\x00\x00", 6);  // 12 fps, 1 frame, End
  std::string out = std::string("FWS") + static_cast<char>(version);
  const uint32_t length = static_cast<uint32_t>(8 + body.size());
  for (int i = 0; i < 4; ++i) out += static_cast<char>((length >> (8 * i)) & 0xFF);
  return out + body;
}

// The version that brought each action into the format: 6 and 7 for the codes they added,
// 5 for the rest (a built movie is at least of version 5).
inline int ActionVersion(uint8_t code) {
  switch (code) {
    case 0x54:
    case 0x55:
    case 0x66:
    case 0x67:
    case 0x68: return 6;
    case 0x2A:
    case 0x2B:
    case 0x2C:
    case 0x69:
    case 0x8E:
    case 0x8F: return 7;
    default: return 5;
  }
}

// The project as its file text.
inline std::string ProjectText(const PreloaderData& project, const ScratchDir& dir, const char* name = "text.plw") {
  std::string error;
  if (!SaveProjectFile(dir.Path(name), project, &error)) return "save failed: " + error;
  return ReadText(dir.Native(name));
}

// A project file holding the given "preloader_data" element text.
inline std::string FileWith(const std::string& preloaderData) {
  return "<xml version=\"1.0\" encoding=\"UTF-8\">\n<plenwick version_major=\"1\" version_minor=\"210\">\n" +
         preloaderData + "</plenwick>\n\n</xml>\n";
}

}  // namespace projecttest

namespace projecttest {

// Every value the project holds, as text, for comparing two projects.
inline std::string Describe(const PreloaderData& p, bool withSelections = true) {
  std::wstring out;
  auto add = [&out](const wchar_t* name, const std::wstring& value) {
    out += name;
    out += L"=";
    out += value;
    out += L"\n";
  };
  auto num = [](double v) {
    wchar_t buffer[64];
    swprintf(buffer, 64, L"%.9g", v);
    return std::wstring(buffer);
  };
  add(L"url", p.GetTargetUrl());
  add(L"size", num(p.GetTargetWidth()) + L"x" + num(p.GetTargetHeight()));
  add(L"pos", num(p.GetTargetXPos()) + L"," + num(p.GetTargetYPos()));
  add(L"fps", num(p.GetTargetFps()));
  add(L"bg", num(p.GetBackgroundColor()));
  add(L"flags", num(p.GetProtect()) + num(p.GetCompress()) + num(p.GetUseRelativeSwfPath()) + num(p.GetLockRoot()) +
                    num(p.IsDisplayEnabled()));
  add(L"forced", num(p.GetForcedMinDisplayMsec()));
  add(L"mode", num(p.GetPreloadMode()) + L"/" + num(p.GetTargetType()) + L"/" + num(p.GetTargetLoopType()));
  add(L"percent", num(p.GetPercent()));
  add(L"buffer", num(p.GetBufferFactor()));
  if (withSelections)
    add(L"selections", num(p.GetProgressMessageSelection()) + L"," + num(p.GetLoadMessageSelection()) + L"," +
                           num(p.GetImportSelection()));
  const BackgroundImage& b = p.GetBackgroundImage();
  add(L"bg_image", num(b.IsEnabled()) + L"|" + b.GetPath() + L"|" + num(b.GetExportType()) + L"|" +
                       num(b.GetQuality()) + L"|" + num(b.GetWidth()) + L"|" + num(b.GetHeight()) + L"|" +
                       num(b.GetX()) + L"|" + num(b.GetY()) + L"|" + num(b.GetScaleToFit()) + num(b.GetTile()) +
                       num(b.GetAdjustBitmapShift()));
  const RemovalEffect* fx = p.GetRemovalEffect();
  add(L"remove", fx ? fx->GetName() + L"|" + num(fx->GetDuration()) : L"none");
  const PreloaderDisplay* d = p.GetDisplay();
  if (d != nullptr) {
    std::wstring colors;
    if (auto* pair = dynamic_cast<const ColorPairDisplay*>(d))
      colors = num(pair->GetFgColor()) + L"," + num(pair->GetBgColor());
    add(L"display", d->GetName() + L"|" + num(d->GetStoredWidth()) + L"x" + num(d->GetStoredHeight()) + L"|" +
                        num(d->GetX()) + L"," + num(d->GetY()) + L"|" + num(d->GetHAlign()) + num(d->GetVAlign()) +
                        num(d->GetAlignToDoc()) + num(d->GetRotateType()) + L"|" + num(d->GetSkew0()) + L"," +
                        num(d->GetSkew1()) + L"|" + colors);
  } else {
    add(L"display", L"none");
  }
  auto text = [&](const TextMessage& m) {
    const FontSpec& f = m.GetFont();
    return m.GetText() + L"|" + f.GetName() + L"|" + num(f.GetSize()) + num(f.IsBold()) + num(f.IsItalic()) + L"|" +
           num(m.GetColor()) + L"|" + num(m.GetAlpha()) + L"|" + num(m.GetX()) + L"," + num(m.GetY()) + L"|" +
           num(m.GetTracking()) + L"," + num(m.GetLeading()) + L"|" + num(m.GetVAlign()) + num(m.GetAlignToDoc()) +
           num(m.GetRotateType()) + L"|" + num(m.GetSkew0()) + L"," + num(m.GetSkew1());
  };
  for (int i = 0; i < p.GetProgressMessageCount(); ++i) {
    const ProgressMessage& m = *p.GetProgressMessage(i);
    add(L"progress", text(m) + L"|" + num(m.GetHAlign()));
  }
  for (int i = 0; i < p.GetLoadMessageCount(); ++i) {
    const LoadMessage& m = *p.GetLoadMessage(i);
    add(L"load", text(m) + L"|" + num(m.GetHAlign()) + L"|" + num(m.GetStartType()) + num(m.GetEndType()) + L"|" +
                     num(m.GetStartTime()) + L"," + num(m.GetEndTime()) + L"," + num(m.GetStartPercent()) + L"," +
                     num(m.GetEndPercent()) + L"|" + (m.GetTextEffect() ? m.GetTextEffect()->GetName() : L"-"));
  }
  for (int i = 0; i < p.GetImportCount(); ++i) {
    const ImportItem& m = *p.GetImport(i);
    add(L"import", m.GetPath() + L"|" + num(m.GetStartWidth()) + L"," + num(m.GetWidthScale()) + L"," +
                       num(m.GetFinalWidth()) + L"|" + num(m.GetStartHeight()) + L"," + num(m.GetHeightScale()) + L"," +
                       num(m.GetFinalHeight()) + L"|" + num(m.GetX()) + L"," + num(m.GetY()) + L"|" +
                       num(m.GetHAlign()) + num(m.GetVAlign()) + num(m.GetAlignToDoc()) + L"|" + num(m.GetStartType()) +
                       num(m.GetEndType()) + L"|" + num(m.GetStartTime()) + L"," + num(m.GetEndTime()) + L"," +
                       num(m.GetStartPercent()) + L"," + num(m.GetEndPercent()) + L"|" + num(m.GetImageQuality()) +
                       num(m.GetEmbedImage()) + num(m.GetAdjustBitmapShift()) + num(m.GetExportImageType()));
  }
  return WideToUtf8(out);
}

}  // namespace projecttest
