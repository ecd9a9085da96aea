#include "app/AppPreferences.h"

#include <cstdint>
#include <cstring>

#include "host/Bundle.h"
#include "platform/PreferencesStore.h"
#include "platform/TextConversions.h"

namespace {

const wchar_t* const kDomain = L"Plenwick";

// The font's style record as stored: the point size at byte 0 and the style bits at byte 16,
// little-endian, every other byte 0.
void EncodeStyle(const FontStyleRecord& record, uint8_t (&bytes)[FontStyleRecord::kSize]) {
  std::memset(bytes, 0, sizeof bytes);
  const uint32_t size = static_cast<uint32_t>(record.size);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(size >> (8 * i));
  bytes[16] = static_cast<uint8_t>(record.style);
  bytes[17] = static_cast<uint8_t>(record.style >> 8);
}

void ReadInt(const PreferencesStore& store, const wchar_t* key, int& value) { store.GetInt(key, value); }
void ReadBool(const PreferencesStore& store, const wchar_t* key, bool& value) { store.GetBool(key, value); }

}  // namespace

AppPreferences& AppPreferences::Instance() {
  static AppPreferences preferences;
  return preferences;
}

AppPreferences::AppPreferences() {
  defaultFont.SetFontByName(PlatformFont::kSystemFontName);
  defaultFont.SetSize(12);
}

bool AppPreferences::Load() {
  PreferencesStore store;
  if (!store.Open(kDomain, PreferencesStore::kCurrentUserScope)) return false;
  Read(store);
  // Nothing was set, so closing writes nothing.
  (void)store.Close();
  return true;
}

void AppPreferences::Read(const PreferencesStore& store) {
  ReadInt(store, L"main_window_x", mainWindowX);
  ReadInt(store, L"main_window_y", mainWindowY);
  ReadBool(store, L"preloaders_window_visible", paletteVisible);
  ReadInt(store, L"preloaders_window_x", paletteX);
  ReadInt(store, L"preloaders_window_y", paletteY);
  ReadInt(store, L"preloaders_window_width", paletteWidth);
  ReadInt(store, L"preloaders_window_height", paletteHeight);
  ReadBool(store, L"swf_preview_window_visible", previewWindowVisible);
  ReadInt(store, L"swf_preview_window_x", previewWindowX);
  ReadInt(store, L"swf_preview_window_y", previewWindowY);
  ReadBool(store, L"use_external_preview", externalPreview);
  recentProjects.Load(store, L"recent_projects");
  recentMovies.Load(store, L"recent_swfs");
  ReadBool(store, L"check_software_updates", checkForUpdates);
  ReadBool(store, L"use_relative_paths", useRelativePaths);
  ReadBool(store, L"save_relative_paths", saveRelativePaths);
  ReadBool(store, L"warn_on_import_images", warnOnImportImages);
  ReadBool(store, L"warn_on_external_target", warnOnExternalTarget);
  ReadBool(store, L"warn_tiger_version", warnOnSystemVersion);

  wchar_t name[256] = {};
  if (store.GetString(L"default_font_name", name, 256) && name[0] != 0) defaultFont.SetFontByName(name);
  uint8_t record[FontStyleRecord::kSize] = {};
  const size_t length = store.GetData(L"default_font", record, sizeof record);
  // A record without a name of its own applies to the family already chosen.
  if (length > 0) defaultFont.SetNameAndStyle(defaultFont.GetName(), FontStyleRecord::FromBytes(record, length));
}

bool AppPreferences::Save() const {
  PreferencesStore store;
  if (!store.Open(kDomain, PreferencesStore::kCurrentUserScope)) return false;
  if (!Write(store)) {
    (void)store.Close();
    return false;
  }
  return store.Close();
}

bool AppPreferences::Write(PreferencesStore& store) const {
  bool ok = store.SetString(L"app_path", Utf8ToWide(host::bundle::BundlePath()).c_str());
  ok = store.SetInt(L"main_window_x", mainWindowX) && ok;
  ok = store.SetInt(L"main_window_y", mainWindowY) && ok;
  ok = store.SetBool(L"preloaders_window_visible", paletteVisible) && ok;
  ok = store.SetInt(L"preloaders_window_x", paletteX) && ok;
  ok = store.SetInt(L"preloaders_window_y", paletteY) && ok;
  ok = store.SetInt(L"preloaders_window_width", paletteWidth) && ok;
  ok = store.SetInt(L"preloaders_window_height", paletteHeight) && ok;
  ok = store.SetBool(L"swf_preview_window_visible", previewWindowVisible) && ok;
  ok = store.SetInt(L"swf_preview_window_x", previewWindowX) && ok;
  ok = store.SetInt(L"swf_preview_window_y", previewWindowY) && ok;
  ok = store.SetBool(L"use_external_preview", externalPreview) && ok;
  ok = recentProjects.Save(store, L"recent_projects") && ok;
  ok = recentMovies.Save(store, L"recent_swfs") && ok;
  ok = store.SetBool(L"check_software_updates", checkForUpdates) && ok;
  ok = store.SetBool(L"use_relative_paths", useRelativePaths) && ok;
  ok = store.SetBool(L"save_relative_paths", saveRelativePaths) && ok;
  ok = store.SetBool(L"warn_on_import_images", warnOnImportImages) && ok;
  ok = store.SetBool(L"warn_on_external_target", warnOnExternalTarget) && ok;
  ok = store.SetBool(L"warn_tiger_version", warnOnSystemVersion) && ok;
  ok = store.SetString(L"default_font_name", defaultFont.GetName().c_str()) && ok;
  uint8_t record[FontStyleRecord::kSize];
  EncodeStyle(defaultFont.GetStyle(), record);
  ok = store.SetData(L"default_font", record, sizeof record) && ok;
  return ok;
}

void AppPreferences::ClearRecentLists() {
  recentProjects.Clear();
  recentMovies.Clear();
}
