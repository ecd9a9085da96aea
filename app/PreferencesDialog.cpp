#include "app/PreferencesDialog.h"

#include <string>

#include "app/AppPreferences.h"
#include "app/UpdateCheck.h"
#include "host/ui/Event.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

namespace {

using host::ui::FourCC;

constexpr int kGeneralPane = 4000;
constexpr int kUpdatesPane = 4001;
constexpr int kWarningPane = 4002;

int Clamped(int length) {
  return length < 0 ? 0 : (length > PreferencesDialog::kMaxListLength ? PreferencesDialog::kMaxListLength : length);
}

void FillLengths(PopupButton& popup) {
  popup.RemoveAllItems();
  for (int i = 0; i <= PreferencesDialog::kMaxListLength; ++i) popup.AppendItem(Utf8ToWide(std::to_string(i)));
}

}  // namespace

bool GeneralPrefsPage::OnInitDialog() {
  AttachControl(FourCC("mRcp"), recentProjects_);
  AttachControl(FourCC("mRci"), recentMovies_);
  AttachControl(FourCC("bDff"), defaultFont_);
  AttachControl(FourCC("cRel"), useRelative_);
  AttachControl(FourCC("cPrr"), saveRelative_);
  saveRelative_.Hide();
  FillLengths(recentProjects_);
  FillLengths(recentMovies_);
  return true;
}

void GeneralPrefsPage::Load(const AppPreferences& prefs) {
  recentProjects_.SelectItem(Clamped(prefs.recentProjects.GetCapacity()));
  recentMovies_.SelectItem(Clamped(prefs.recentMovies.GetCapacity()));
  defaultFont_.SetPlatformFont(prefs.defaultFont, true);
  useRelative_.SetChecked(prefs.useRelativePaths, true);
  saveRelative_.SetChecked(prefs.saveRelativePaths, true);
}

void GeneralPrefsPage::Store(AppPreferences& prefs) const {
  const int projects = recentProjects_.GetSelectedItem();
  if (projects >= 0) prefs.recentProjects.SetCapacity(projects);
  const int movies = recentMovies_.GetSelectedItem();
  if (movies >= 0) prefs.recentMovies.SetCapacity(movies);
  prefs.defaultFont = defaultFont_.GetPlatformFont();
  prefs.useRelativePaths = useRelative_.IsChecked();
  prefs.saveRelativePaths = saveRelative_.IsChecked();
}

bool UpdatesPrefsPage::OnInitDialog() {
  AttachControl(FourCC("cUpd"), checkUpdates_);
  return true;
}

bool UpdatesPrefsPage::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command != FourCC("bUpd")) return false;
  CheckNow();
  return true;
}

void UpdatesPrefsPage::Load(const AppPreferences& prefs) { checkUpdates_.SetChecked(prefs.checkForUpdates, true); }

void UpdatesPrefsPage::Store(AppPreferences& prefs) const { prefs.checkForUpdates = checkUpdates_.IsChecked(); }

void UpdatesPrefsPage::CheckNow() {
  UpdateCheck check;
  bool answered = false;
  {
    WaitCursor busy;
    answered = check.Query(UpdateCheck::kProduct, UpdateCheck::kMajor, UpdateCheck::kMinor);
  }
  if (!answered)
    ui::ShowErrorBoxById(GetWindowRef(), 10000, 10011);
  else
    ui::ShowErrorBoxById(GetWindowRef(), 10014, check.IsNewerAvailable() ? 10013 : 10012);
}

bool WarningPrefsPage::OnInitDialog() {
  AttachControl(FourCC("cImp"), warnImages_);
  AttachControl(FourCC("cExt"), warnExternal_);
  return true;
}

void WarningPrefsPage::Load(const AppPreferences& prefs) {
  warnImages_.SetChecked(prefs.warnOnImportImages, true);
  warnExternal_.SetChecked(prefs.warnOnExternalTarget, true);
}

void WarningPrefsPage::Store(AppPreferences& prefs) const {
  prefs.warnOnImportImages = warnImages_.IsChecked();
  prefs.warnOnExternalTarget = warnExternal_.IsChecked();
}

PreferencesDialog::~PreferencesDialog() {
  warning_.Destroy();
  updates_.Destroy();
  general_.Destroy();
}

bool PreferencesDialog::OnInitDialog() {
  AttachControl(FourCC("tbPf"), tabs_);
  const NibReference& nib = GetMainNib();
  general_.AttachToPane(nib, kGeneralPane, GetWindowRef(), kGeneralPane);
  updates_.AttachToPane(nib, kUpdatesPane, GetWindowRef(), kUpdatesPane);
  warning_.AttachToPane(nib, kWarningPane, GetWindowRef(), kWarningPane);
  tabs_.AddPane(this, kGeneralPane);
  tabs_.AddPane(this, kUpdatesPane);
  tabs_.AddPane(this, kWarningPane);
  tabs_.SelectTab(0, true);
  general_.Load(prefs_);
  updates_.Load(prefs_);
  warning_.Load(prefs_);
  return true;
}

bool PreferencesDialog::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command == FourCC("ok  ")) {
    general_.Store(prefs_);
    updates_.Store(prefs_);
    warning_.Store(prefs_);
    EndDialog(static_cast<int>(ui::kResultOk));
    return true;
  }
  if (command == FourCC("not!")) {
    EndDialog(static_cast<int>(ui::kResultCancel));
    return true;
  }
  return false;
}
