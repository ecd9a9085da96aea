// Interface files: one Qt Designer file per window, "<name>.ui" in one folder, loaded at run
// time. Controls carry their signature ("signature", four characters) and id ("controlId")
// as dynamic properties; a QTabBar takes its labels from a "tabs" string list; the window's
// class comes from "windowClass". The menu bar is the QMenuBar of a main-window form; its
// menus carry "menuId" and its actions "command" (four characters).
#pragma once

#include <memory>
#include <string>

namespace host::ui {

class Window;
class MenuBar;

class InterfaceFolder {
 public:
  // The folder must exist; false otherwise.
  bool Open(const std::string& folder);
  bool IsOpen() const { return !folder_.empty(); }
  const std::string& Folder() const { return folder_; }
  // A new hidden window from "<name>.ui"; null when the file is missing or unreadable, or
  // the name could leave the folder.
  std::shared_ptr<Window> CreateWindow(const std::string& name) const;
  // The menu bar of "<name>.ui"; null when there is none.
  std::shared_ptr<MenuBar> CreateMenuBar(const std::string& name) const;
  const std::string& LastError() const { return error_; }

 private:
  std::string folder_;
  mutable std::string error_;
};

}  // namespace host::ui
