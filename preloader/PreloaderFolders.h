// Where the library of preloader movies lives, and how it is read into a project's library.
//
// Library movies lie in folders named "Preloaders": the one in the program's installed data
// folder, then the user's own under $XDG_DATA_HOME/Plenwick/Preloaders (~/.local/share when
// the variable is unset). Every sub-folder is a group of the preloaders palette. Each movie
// whose name ends in ".swf" is read; a movie that cannot serve as a display, or whose display
// name the library holds already, is left out with the reason.
#pragma once

#include <string>
#include <vector>

#include "platform/WideString.h"

class PreloaderLibrary;

// A folder of the preloaders palette: its path and, as its label, its last component.
class PreloaderFolder {
 public:
  void SetPath(const WideString& path);
  const WideString& GetPath() const { return path_; }
  const WideString& GetName() const { return name_; }

  // The displays the scan took from this folder itself, by name.
  std::vector<WideString> displayNames;

 private:
  WideString path_;
  WideString name_;
};

// A movie the scan left out, and why.
struct RefusedPreloader {
  WideString path;
  std::string reason;
};

struct PreloaderScan {
  // Every folder read, each before its sub-folders, sub-folders in name order.
  std::vector<PreloaderFolder> folders;
  std::vector<RefusedPreloader> refused;
};

// The "Preloaders" folders searched, in order: the installed data folder's, then the user's.
std::vector<WideString> GetPreloaderFolderPaths();

// Reads the movies of the folder and its sub-folders (links to folders are not followed) into
// the library, files of a folder in name order (byte order of their UTF-8 names) before its
// sub-folders. A folder that does not exist adds nothing.
void ScanPreloaderFolder(const WideString& folder, PreloaderLibrary& library, PreloaderScan& scan);

// Every folder of GetPreloaderFolderPaths, in order: a display of the installed library wins
// over a user's movie of the same display name.
PreloaderScan LoadPreloaderLibrary(PreloaderLibrary& library);
