// The preferences dialog "IDD_PREFS": three tabs (General, Updates, Warning) whose pages edit
// the preferences object in place when the dialog ends with OK; Cancel stores nothing.
#pragma once

#include <cstdint>

#include "ui/Buttons.h"
#include "ui/DialogWindow.h"
#include "ui/FontButton.h"
#include "ui/TabControl.h"

class AppPreferences;

class GeneralPrefsPage : public DialogWindow {
 public:
  bool OnInitDialog() override;
  void Load(const AppPreferences& prefs);
  void Store(AppPreferences& prefs) const;

 private:
  PopupButton recentProjects_, recentMovies_;
  FontButton defaultFont_;
  CheckBox useRelative_, saveRelative_;
};

class UpdatesPrefsPage : public DialogWindow {
 public:
  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  void Load(const AppPreferences& prefs);
  void Store(AppPreferences& prefs) const;
  // Asks the update server now and tells the answer in a box on the page's window.
  void CheckNow();

 private:
  CheckBox checkUpdates_;
};

class WarningPrefsPage : public DialogWindow {
 public:
  bool OnInitDialog() override;
  void Load(const AppPreferences& prefs);
  void Store(AppPreferences& prefs) const;

 private:
  CheckBox warnImages_, warnExternal_;
};

class PreferencesDialog : public DialogWindow {
 public:
  explicit PreferencesDialog(AppPreferences& prefs) : prefs_(prefs) {}
  ~PreferencesDialog() override;
  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;

  // The longest recent list the dialog offers.
  static constexpr int kMaxListLength = 10;

 private:
  AppPreferences& prefs_;
  TabControl tabs_;
  GeneralPrefsPage general_;
  UpdatesPrefsPage updates_;
  WarningPrefsPage warning_;
};
