#include "publish/SaverInstaller.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/PrivateFolder.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "publish/InstallerPackage.h"
#include "publish/ScreenSaverSettings.h"

namespace fs = std::filesystem;

bool WriteInstallerConfigFile(uint32_t flags, const WideString& path) {
  std::string bytes(16, '\0');
  for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((flags >> (8 * i)) & 0xFF);
  AtomicFileWriter out;
  return out.Open(path) && out.Write(bytes) && out.Commit();
}

std::string InstallerInfoPlist() {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist SYSTEM \"file://localhost/System/Library/DTDs/PropertyList.dtd\">\n"
      "<plist version=\"0.9\">\n"
      "<dict>\n";
  const std::pair<const char*, const char*> entries[] = {
      {"CFBundleIdentifier", "com.kestrune.stationery"},
      {"CFBundleName", "Installer"},
      {"CFBundleGetInfoString", "Screen Saver Installer version 1.0"},
      {"CFBundleShortVersionString", "Installer version 1.0"},
      {"CFBundlePackageType", "APPL"},
      {"CFBundleSignature", "QXmk"},
      {"CFBundleExecutable", "Installer"},
      {"CFBundleVersion", "1.0"},
      {"CFBundleIconFile", "installer.icns"},
      {"CFBundleDevelopmentRegion", "English"},
      {"CFBundleInfoDictionaryVersion", "6.0"},
  };
  for (const auto& [key, value] : entries) {
    out += "\t<key>" + std::string(key) + "</key>\n\t<string>" + value + "</string>\n";
  }
  out += "\t<key>LSPrefersCarbon</key>\n\t<true/>\n</dict>\n</plist>\n";
  return out;
}

namespace {

bool WriteText(const std::string& path, const std::string& text) {
  AtomicFileWriter out;
  return out.Open(Utf8ToWide(path)) && out.Write(text) && out.Commit();
}

bool CopyFileAs(const std::string& source, const std::string& destination) {
  std::error_code ec;
  fs::remove_all(destination, ec);
  ec.clear();
  const auto status = fs::status(source, ec);
  if (ec || !fs::exists(status)) return false;
  if (fs::is_directory(status)) {
    fs::copy(source, destination, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  } else {
    fs::copy_file(source, destination, ec);
  }
  return !ec;
}

// The saver's name as one plain path component.
std::string PlainSaverName(const WideString& name) {
  std::string out;
  for (const wchar_t c : name) {
    const std::string next = c == L'/' || c == 0 ? std::string("_") : WideToUtf8(std::wstring(1, c));
    if (out.size() + next.size() > 200) break;  // room for ".saver" within a file name, whole characters only
    out += next;
  }
  if (out.empty() || out == "." || out == "..") out = "Screen Saver";
  return out;
}

}  // namespace

bool ScreenSaverSettings::WriteInstallerBundle(const std::string& bundle, InstallerPackage& package) {
  const std::string contents = bundle + "/Contents";
  const std::string macos = contents + "/MacOS";
  const std::string resources = contents + "/Resources";
  const std::string templ = WideToUtf8(installerTemplate_);
  if (templ.empty()) return Fail("no installer template folder is set");
  if (::mkdir(contents.c_str(), 0755) != 0) return Fail("cannot make " + contents + ": " + std::strerror(errno));
  Progress(kSaverProgressWritingInfo);
  if (!WriteText(contents + "/Info.plist", InstallerInfoPlist())) return Fail("cannot write Info.plist");
  Progress(kSaverProgressWritingPackage);
  if (!WriteText(contents + "/PkgInfo", "APPLQXmk")) return Fail("cannot write PkgInfo");
  if (::mkdir(macos.c_str(), 0755) != 0) return Fail("cannot make " + macos + ": " + std::strerror(errno));
  Progress(kSaverProgressAddingInstaller);
  if (!CopyFileAs(templ + "/Installer", macos + "/Installer")) return Fail("cannot copy " + templ + "/Installer");
  if (::chmod((macos + "/Installer").c_str(), 0755) != 0) return Fail("cannot make the installer executable");
  Progress(kSaverProgressAddingAlias);
  if (::symlink("Contents/MacOS/Installer", (bundle + "/Installer").c_str()) != 0) {
    return Fail("cannot make the link to the installer");
  }

  if (::mkdir(resources.c_str(), 0755) != 0) return Fail("cannot make " + resources + ": " + std::strerror(errno));
  Progress(kSaverProgressAddingLocalisations);
  std::error_code ec;
  for (fs::directory_iterator it(templ, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".lproj" &&
        !CopyFileAs(it->path().string(), resources + "/" + it->path().filename().string())) {
      return Fail("cannot copy " + it->path().string());
    }
  }
  if (ec) return Fail("cannot list " + templ);
  if (fs::exists(templ + "/main.rsrc") && !CopyFileAs(templ + "/main.rsrc", resources + "/main.rsrc")) {
    return Fail("cannot copy main.rsrc");
  }
  if (installerCustomPicture) {
    package.Settings().customPicturePath = installerCustomPictureSource;
    Progress(kSaverProgressAddingPicture);
    if (!package.WriteSplashPng(Utf8ToWide(resources))) return Fail("cannot make splash.png");
  }
  Progress(kSaverProgressAddingIcon);
  if (!CopyFileAs(templ + "/installer.icns", resources + "/installer.icns")) return Fail("cannot copy installer.icns");
  uint32_t flags = kInstallerConfigBase;
  if (installerReadMe) {
    Progress(kSaverProgressAddingReadMe);
    flags |= kInstallerConfigReadMe;
    const std::string source = WideToUtf8(installerReadMeSource);
    if (fs::exists(source) && !CopyFileAs(source, resources + "/ReadMe.txt")) return Fail("cannot copy the read-me");
  }
  if (installerLicense) {
    Progress(kSaverProgressAddingLicense);
    flags |= kInstallerConfigLicense;
    const std::string source = WideToUtf8(installerLicenseSource);
    if (fs::exists(source) && !CopyFileAs(source, resources + "/License.txt")) return Fail("cannot copy the licence");
  }
  Progress(kSaverProgressAddingConfiguration);
  if (!WriteInstallerConfigFile(flags, Utf8ToWide(resources + "/icd0.dat"))) return Fail("cannot write icd0.dat");
  Progress(kSaverProgressCompressing);
  if (!package.WritePackage(Utf8ToWide(resources))) return Fail("cannot write the package");
  return true;
}

bool ScreenSaverSettings::BuildInstaller(const WideString& path, const SaverBuildOptions& options) {
  error_.clear();
  progress_ = options.progress;
  std::string output = WideToUtf8(path);
  while (output.size() > 1 && output.back() == '/') output.pop_back();
  // The extension of the last component only is replaced.
  const fs::path given(output);
  const std::string app = (given.parent_path() / given.filename().replace_extension(".app")).string();
  struct stat st {};
  const bool exists = ::lstat(app.c_str(), &st) == 0;
  if (exists && !options.overwrite) return Fail(app + " exists");

  const std::string temp = host::fs::PrivateTemporaryFolder();
  if (temp.empty()) return Fail("no private temporary folder");
  std::string work = temp + "/saver-XXXXXX";
  if (::mkdtemp(work.data()) == nullptr) return Fail("cannot make a temporary folder");
  std::error_code ec;
  const std::string saver = work + "/" + PlainSaverName(name_) + ".saver";
  std::string built = (fs::path(app).parent_path() / ".installer-build-XXXXXX").string();
  SaverBuildOptions saverOptions = options;
  saverOptions.overwrite = true;
  bool ok = BuildSaver(Utf8ToWide(saver), saverOptions);
  InstallerPackage package;
  bool madeBuilt = false;
  if (ok) {
    Progress(kSaverProgressCreatingInstaller);
    InstallItem* item = package.AddItem(InstallLocation::kScreenSaver, InstallDomain::kCurrentUser);
    if (package.AddPath(Utf8ToWide(saver), item) == nullptr) ok = Fail("cannot describe the saver");
  }
  if (ok) {
    madeBuilt = ::mkdtemp(built.data()) != nullptr;
    if (!madeBuilt) ok = Fail("cannot make a folder beside " + app);
  }
  if (ok) {
    ::chmod(built.c_str(), 0755);
    ok = WriteInstallerBundle(built, package);
  }
  if (ok) Progress(kSaverProgressCleaningUp);
  fs::remove_all(work, ec);  // the temporary saver goes in every case
  if (!ok) {
    if (madeBuilt) fs::remove_all(built, ec);
    return false;
  }
  // Put in place; an old installer is removed only after the new one is there.
  std::string old;
  if (exists) {
    old = (fs::path(app).parent_path() / ".installer-old-XXXXXX").string();
    if (::mkdtemp(old.data()) == nullptr || ::rename(app.c_str(), (old + "/app").c_str()) != 0) {
      fs::remove_all(built, ec);
      if (!old.empty()) ::rmdir(old.c_str());
      return Fail("cannot move the old " + app + " aside");
    }
  }
  if (::rename(built.c_str(), app.c_str()) != 0) {
    const int err = errno;
    if (exists) ::rename((old + "/app").c_str(), app.c_str());
    fs::remove_all(built, ec);
    if (exists) fs::remove_all(old, ec);
    return Fail("cannot put the installer in place: " + std::string(std::strerror(err)));
  }
  if (exists) fs::remove_all(old, ec);
  Progress(kSaverProgressInstallerCompleted);
  return true;
}
