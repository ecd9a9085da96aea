// The screen-saver bundle: a ".saver" folder that plays one movie.
//
//   <name>.saver/Contents/Info.plist
//                        /MacOS/fssx            the module, its class named after the saver
//                        /Resources/English.lproj, the player ("Flash Player.plugin" or "fprx"),
//                                   ssaver.swf (the movie, uncompressed), extra files, ssc0.dat
//
// The module comes from the saver template folder; its principal class's name ends with the
// 24-byte placeholder "XXXXXXXXXXXXXXXXZZZZZZZZ", which each build replaces with a suffix made
// from the saver's name, so that two savers never share a class name.
//
// A build is made beside the output and put in its place only when every step succeeded, so
// a failed build leaves an old saver as it was.
//
// The templates are the bundle's resource folders "ss_tmp" (the saver: a launcher "fssx" that
// plays "ssaver.swf" in plenwick-player's screen-saver mode, the player variants "fprx" and
// "Flash Player.plugin", "English.lproj") and "ssin_tmp" (the installer: the program
// "Installer", "English.lproj", "installer.icns").
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/WideString.h"

class InstallerPackage;
class XmlWriter;

inline constexpr char kSaverClassPlaceholder[] = "XXXXXXXXXXXXXXXXZZZZZZZZ";
inline constexpr size_t kSaverClassSuffixLength = 24;
inline constexpr size_t kSaverConfigSize = 140;

// The 24-character class suffix of a saver name: its first 16 characters (each quote,
// apostrophe, '&', '<', '>', line feed, carriage return and every character from 0x80 up
// replaced by 'X'), padded with 'O' to 16, then the CRC-32 of the whole name (the low byte of
// each character) as 8 upper-case hexadecimal digits.
WideString MakeSaverClassSuffix(const WideString& name);

// Replaces every placeholder that the module's aligned scan finds (an aligned word of four
// 'X' bytes, stepped back over at most 100 more 'X' bytes to the run's start, followed there
// by the whole placeholder) with the suffix. Returns how many were replaced; nothing is read
// or written outside the bytes.
size_t PatchSaverModule(std::string& bytes, const WideString& suffix);

enum class SaverQuality : uint32_t { kLow = 0, kAutoLow = 1, kAutoHigh = 2, kMedium = 3, kHigh = 4, kBest = 5 };
// "low", "auto_low", "auto_high", "medium", "high", "best"; "" outside them.
const wchar_t* SaverQualityName(SaverQuality quality);

// The content of "ssc0.dat".
struct SaverConfig {
  SaverQuality quality = SaverQuality::kHigh;
  uint32_t bgcolor = 0xFFFFFF;
  bool hasBgcolor = false;
  bool exitOnMouseMove = true;
  bool exitOnMouseClick = true;
  bool exitOnKeyPress = true;
  bool hideMouseCursor = true;

  // The 140 bytes: quality at 0, bgcolor at 92 (little-endian words), the five flags from 132;
  // the reserved bytes are 0.
  std::array<uint8_t, kSaverConfigSize> Bytes() const;
};

// Reads the 140 bytes of "ssc0.dat" (a flag byte counts as set when it is not 0; a quality
// outside the known ones reads as kHigh). False, leaving `out` as it was, for any other size.
[[nodiscard]] bool ParseSaverConfig(const std::string& bytes, SaverConfig& out);

// What the saver's module plays: the movie "ssaver.swf" of a saver's Resources folder and its
// settings "ssc0.dat" (the defaults when the folder has none). False, with a reason, when the
// movie is missing, is no movie or is 4 GiB or larger, or the settings are not 140 bytes.
[[nodiscard]] bool ReadSaverResources(const std::string& folder, std::string& movie, SaverConfig& config,
                                      std::string& error);

// Writes "ssc0.dat" into the folder (replacing one safely); false on any error.
[[nodiscard]] bool WriteSaverConfigFile(const SaverConfig& config, const WideString& folder);

// The bundle's property list for the class suffix.
std::string SaverInfoPlist(const WideString& suffix);

// The numbered progress texts of a build, in the order a build shows them.
enum SaverProgressText : int {
  kSaverProgressCreatingSaver = 8030,
  kSaverProgressSaverCompleted = 8031,
  kSaverProgressCreatingInstaller = 8032,
  kSaverProgressWritingInfo = 8033,
  kSaverProgressWritingPackage = 8034,
  kSaverProgressAddingInstaller = 8035,
  kSaverProgressAddingAlias = 8036,
  kSaverProgressAddingLocalisations = 8037,
  kSaverProgressAddingPicture = 8038,
  kSaverProgressAddingIcon = 8039,
  kSaverProgressAddingReadMe = 8040,
  kSaverProgressAddingLicense = 8041,
  kSaverProgressAddingConfiguration = 8042,
  kSaverProgressCompressing = 8043,
  kSaverProgressCleaningUp = 8044,
  kSaverProgressInstallerCompleted = 8045,
};

struct SaverBuildOptions {
  // An existing output is replaced (once the new one is complete); without it the build fails.
  bool overwrite = false;
  // Called with each progress text's number as the build reaches it (a window shows it in a
  // label with StaticText::SetTextById).
  std::function<void(int textNumber)> progress;
};

class ScreenSaverSettings {
 public:
  // The templates are the bundle's "ss_tmp" and "ssin_tmp" (none when no bundle is found).
  ScreenSaverSettings();

  void SetTemplateFolders(const WideString& saverTemplate, const WideString& installerTemplate) {
    saverTemplate_ = saverTemplate;
    installerTemplate_ = installerTemplate;
  }
  // False, changing nothing, when the file is not a movie.
  bool SetMovie(const WideString& path);
  void SetName(const WideString& name);
  void SetBackgroundColor(uint32_t color);

  // Builds the bundle at the path. An existing output makes the build fail unless overwrite
  // is set; then it is replaced only once the new bundle is complete. False, with Error()
  // saying which step failed, when anything fails; the output is then as it was.
  [[nodiscard]] bool BuildSaver(const WideString& path, const SaverBuildOptions& options);

  // Builds the installer application for the saver: the output path with its extension
  // replaced by ".app" (see SaverInstaller.h for its tree). The saver is built in a private
  // temporary folder under its name made one plain path component, described as a package
  // for the user's "Screen Savers" folder, and removed afterwards. The same rules as
  // BuildSaver hold for an existing output and for failures.
  [[nodiscard]] bool BuildInstaller(const WideString& path, const SaverBuildOptions& options);

  // The "screen_saver" element into an open document: the settings with absolute paths, the
  // extra files as "path" elements (written as the writer writes paths).
  void WriteXml(XmlWriter& writer) const;
  // A document of its own holding the element with the file names of the movie and the extra
  // files and without the installer's switches. False when it can't be written.
  [[nodiscard]] bool SaveXml(const WideString& path) const;

  const WideString& Movie() const { return movie_; }
  const WideString& Name() const { return name_; }
  const WideString& ClassSuffix() const { return classSuffix_; }
  uint32_t ChangeCount() const { return changeCount_; }
  const std::string& Error() const { return error_; }

  SaverConfig config;
  bool universalBinary = true;
  WideString installerPrefix;
  WideString installerSuffix;
  bool installerIntro = false;
  WideString installerIntroSource;
  bool installerCustomPicture = false;
  WideString installerCustomPictureSource;
  bool installerReadMe = false;
  WideString installerReadMeSource;
  bool installerLicense = false;
  WideString installerLicenseSource;
  std::vector<WideString> moreFiles;

 private:
  bool Fail(const std::string& why);
  void Progress(int textNumber) const;
  bool WriteBundle(const std::string& bundle);
  bool WriteInstallerBundle(const std::string& bundle, InstallerPackage& package);

  WideString saverTemplate_;
  WideString installerTemplate_;
  WideString movie_;
  WideString name_;
  WideString classSuffix_;
  uint32_t changeCount_ = 0;
  std::string error_;
  std::function<void(int)> progress_;
};
