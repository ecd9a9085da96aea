// The installer application of a screen saver:
//
//   <name>.app/Installer                      a link to Contents/MacOS/Installer
//             /Contents/Info.plist, PkgInfo ("APPLQXmk")
//                      /MacOS/Installer        the installer program, from the template
//                      /Resources/*.lproj, main.rsrc (when the template has one), splash.png
//                                 (when asked for), installer.icns, ReadMe.txt, License.txt,
//                                 icd0.dat, installer.dat and its data files
//
// ScreenSaverSettings::BuildInstaller builds it; these are its single files.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WideString.h"

// Flags of "icd0.dat": always set, and the read-me and licence switches.
inline constexpr uint32_t kInstallerConfigBase = 0x60;
inline constexpr uint32_t kInstallerConfigReadMe = 0x02;
inline constexpr uint32_t kInstallerConfigLicense = 0x04;

// Writes the 16 bytes of "icd0.dat" (the flags, then three zero words, little-endian) to the
// path, replacing a file safely; false on any error.
[[nodiscard]] bool WriteInstallerConfigFile(uint32_t flags, const WideString& path);

// The installer's property list.
std::string InstallerInfoPlist();
