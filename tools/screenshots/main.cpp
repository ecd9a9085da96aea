// Renders every window of the interface files to "<name>.png", so a person can look at them.
//
//   plenwick_screenshots OUTPUT_FOLDER [INTERFACE_FOLDER]
//
// The interface folder defaults to the bundle's. Runs without a display (offscreen) unless
// QT_QPA_PLATFORM says otherwise. Exit status 1 when any window could not be rendered.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/Bundle.h"
#include "host/ui/Alert.h"
#include "host/ui/Application.h"
#include "host/ui/FileChooser.h"
#include "host/ui/Window.h"
#include "ui/FileDialog.h"
#include "ui/FontChooserDialog.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"
#include "ui/ToolkitDialogs.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [INTERFACE_FOLDER]\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string output = argv[1];
  const std::string folder = argc == 3 ? argv[2] : host::bundle::ResourcePath("interface");
  NibReference nib;
  if (!nib.Open(folder)) {
    std::fprintf(stderr, "no interface folder: %s\n", folder.c_str());
    return 2;
  }
  host::ui::EnsureApplication();
  std::error_code ec;
  std::filesystem::create_directories(output, ec);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".ui") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  int failures = 0;
  for (const std::string& name : names) {
    std::shared_ptr<host::ui::Window> window = nib.CreateWindow(Utf8ToWide(name));
    const std::string png = output + "/" + name + ".png";
    if (!window) {
      std::fprintf(stderr, "%s: no window (%s)\n", name.c_str(), nib.LastError().c_str());
      ++failures;
      continue;
    }
    window->Show(true);
    host::ui::ProcessPendingEvents();
    if (!window->SaveImage(png)) {
      std::fprintf(stderr, "%s: could not write %s\n", name.c_str(), png.c_str());
      ++failures;
    } else {
      std::printf("%s\n", png.c_str());
    }
    window->Dispose();
  }
  host::ui::ProcessPendingEvents();
  // The toolkit's dialogs built in code: message boxes of the common styles and the replace
  // question for several items.
  struct Box {
    const char* name;
    uint32_t style;
    const wchar_t* heading;
    const wchar_t* detail;
  };
  const Box boxes[] = {
      {"MessageBox_SaveChanges", 0x220, L"Save changes to \"Intro.pwk\"?",
       L"Your changes will be lost if you don't save them."},
      {"MessageBox_Error", 0x101, L"The movie could not be read", L"/home/user/movies/intro.swf"},
      {"MessageBox_YesNo", 0x408, L"Build the preloader now?", L"The target movie has changed since the last build."},
  };
  for (const Box& b : boxes) {
    host::ui::AlertSpec spec = ui::AlertForStyle(b.style);
    spec.heading = b.heading;
    spec.detail = b.detail;
    const std::string png = output + "/" + b.name + ".png";
    if (!host::ui::SaveAlertImage(spec, png)) {
      std::fprintf(stderr, "%s: could not write %s\n", b.name, png.c_str());
      ++failures;
    } else {
      std::printf("%s\n", png.c_str());
    }
  }
  {
    ReplaceItemDialog replace(L"/home/user/movies/intro.swf", 1);
    const std::string png = output + "/ReplaceItemDialog.png";
    if (!replace.CreateNew(100, 100, 390, 131, DialogWindow::kMovableModal, nullptr) ||
        !(replace.Show(true), host::ui::ProcessPendingEvents(), replace.GetWindowRef()->SaveImage(png))) {
      std::fprintf(stderr, "ReplaceItemDialog: could not write %s\n", png.c_str());
      ++failures;
    } else {
      std::printf("%s\n", png.c_str());
    }
    replace.Destroy();
  }
  host::ui::ProcessPendingEvents();
  {
    // The font chooser showing the default font.
    FontChooserDialog chooser;
    PlatformFont font;
    const std::string png = output + "/FontChooserDialog.png";
    if (!chooser.CreateModeless(nib, L"IDD_FONT_CHOOSER", nullptr, 0) ||
        !(chooser.SelectFont(font), chooser.Show(true), host::ui::ProcessPendingEvents(),
          chooser.GetWindowRef()->SaveImage(png))) {
      std::fprintf(stderr, "FontChooserDialog: could not write %s\n", png.c_str());
      ++failures;
    } else {
      std::printf("%s\n", png.c_str());
    }
    chooser.Destroy();
  }
  host::ui::ProcessPendingEvents();
  {
    // An open chooser for pictures, in the output folder.
    ui::FileTypeFilterList images;
    images.AddImageFilters();
    host::ui::ChooserSpec spec;
    spec.kind = host::ui::ChooserKind::kOpenFile;
    spec.title = L"Import Image";
    spec.folder = Utf8ToWide(output);
    for (size_t i = 0; i < images.Count(); ++i) spec.filterLabels.push_back(images.At(int(i))->label);
    spec.accept = [&images](const std::wstring&, const std::wstring& name, int index) {
      return ui::FileFilterShows(&images, index, name, false, 0);
    };
    const std::string png = output + "/FileChooser.png";
    if (!host::ui::SaveFileChooserImage(spec, png)) {
      std::fprintf(stderr, "FileChooser: could not write %s\n", png.c_str());
      ++failures;
    } else {
      std::printf("%s\n", png.c_str());
    }
  }
  host::ui::ProcessPendingEvents();
  return failures == 0 ? 0 : 1;
}
