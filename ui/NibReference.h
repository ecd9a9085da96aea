// The program's interface files: a folder of Qt Designer files, one per window, named by the
// window's resource name ("IDD_PREFS.ui"), and the menu bar ("IDR_MENU.ui"). The bundle's is
// Resources/interface; tests open folders of their own.
#pragma once

#include <memory>
#include <string>

#include "host/ui/Interface.h"
#include "platform/WideString.h"

class NibReference {
 public:
  // Opens a folder of interface files (UTF-8 path); false when it is not a folder.
  bool Open(const std::string& folder) { return folder_.Open(folder); }
  bool IsOpen() const { return folder_.IsOpen(); }
  // A new hidden window made from the named file; null when it can't be made.
  std::shared_ptr<host::ui::Window> CreateWindow(const WideString& name) const;
  std::shared_ptr<host::ui::MenuBar> CreateMenuBar(const WideString& name) const;
  const std::string& LastError() const { return folder_.LastError(); }

 private:
  host::ui::InterfaceFolder folder_;
};

// The bundle's interface files, opened on first use and kept for the life of the program.
NibReference& GetMainNib();
