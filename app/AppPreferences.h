// The user's settings while the program runs: window places, the recent-file lists, the
// default font, the update-check switch, the relative-path switches and the warning switches.
// Read from the preferences domain "Plenwick" at start-up and written back when the program
// ends; the main window, the pages and the preferences dialog use the one instance between.
#pragma once

#include "platform/PlatformFont.h"
#include "platform/WideString.h"
#include "ui/RecentFiles.h"

class PreferencesStore;

class AppPreferences {
 public:
  // The program's one instance.
  static AppPreferences& Instance();

  AppPreferences();

  // Reads every key present in the domain; missing keys keep their values. False (every value
  // kept) when the domain can't be opened.
  bool Load();
  // Writes every key. False when the domain can't be opened or the file can't be written.
  bool Save() const;
  // Empties both recent lists (their lengths stay).
  void ClearRecentLists();

  // The folder whose domain file Load and Save use is the store's; the application path
  // written under "app_path" is the bundle's.

  int mainWindowX = 81;
  int mainWindowY = 54;
  int paletteX = 578;
  int paletteY = 54;
  int paletteWidth = 300;
  int paletteHeight = 277;
  int previewWindowX = 33;
  int previewWindowY = 200;
  bool previewWindowVisible = false;
  bool paletteVisible = false;
  bool externalPreview = false;
  PlatformFont defaultFont;
  RecentFileList recentProjects;
  RecentFileList recentMovies;
  bool checkForUpdates = true;
  bool useRelativePaths = false;
  bool saveRelativePaths = true;
  bool warnOnExternalTarget = true;
  bool warnOnImportImages = true;
  bool warnOnSystemVersion = true;

 private:
  void Read(const PreferencesStore& store);
  bool Write(PreferencesStore& store) const;
};
