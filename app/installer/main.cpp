// Installer: the program of a screen saver's installer application (<name>.app, made by
// ScreenSaverSettings::BuildInstaller). It installs the package in its bundle's Resources
// folder: the description "installer.dat" and its data files.
//
//   Installer [--accept-license] [--folder FOLDER] [--archive ARCHIVE]
//
// The configuration "icd0.dat" says whether the installer carries a read-me (shown first) and a
// licence (shown, and then the installation goes on only when it is accepted: with
// --accept-license, or by answering "y" on a terminal). Each item of the description is
// installed in order; the current user's folders are the XDG ones (a screen saver goes to
// $XDG_DATA_HOME/Screen Savers), and items without a folder of their own go to --folder.
// With --archive the package comes from an installer data archive instead: its files are
// extracted into a private temporary folder, which is removed afterwards.
//
// Exit status: 0 installed, 1 failed (the reason goes to the standard error), 2 wrong usage,
// 3 the licence was not accepted.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/PrivateFolder.h"
#include "platform/WideString.h"
#include "publish/InstallerArchive.h"
#include "publish/InstallerPackage.h"
#include "publish/PackageInstaller.h"
#include "publish/SaverInstaller.h"

namespace {

namespace fs = std::filesystem;

constexpr int kInstalled = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotAccepted = 3;

// The longest read-me or licence shown.
constexpr off_t kMaxTextSize = 1 << 20;

int Failure(const std::string& why) {
  std::fprintf(stderr, "Installer: %s\n", why.c_str());
  return kFailed;
}

// Reads a file of at most `limit` bytes. False when it can't be read or is larger.
bool ReadSmallFile(const std::string& path, off_t limit, std::string& out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > limit) return false;
  return ReadArchiveSourceFile(Utf8ToWide(path), out) && static_cast<off_t>(out.size()) <= limit;
}

// Shows a text with its line ends made the terminal's.
void Show(const std::string& heading, const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      plain.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      plain.push_back(text[i]);
    }
  }
  if (!plain.empty() && plain.back() != '\n') plain.push_back('\n');
  std::printf("%s\n\n%s\n", heading.c_str(), plain.c_str());
  std::fflush(stdout);
}

bool AskAcceptance() {
  if (::isatty(STDIN_FILENO) == 0) return false;
  std::printf("Do you accept the licence? [y/N] ");
  std::fflush(stdout);
  char answer[16] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) return false;
  return answer[0] == 'y' || answer[0] == 'Y';
}

// A folder removed when the installation ends.
struct TemporaryFolder {
  std::string path;
  ~TemporaryFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

std::string ArchiveError(int error) {
  switch (error) {
    case kArchiveNotAnArchive: return "is not an installer archive";
    case kArchiveDamaged: return "is damaged";
    case kArchiveExtractFailed: return "could not be extracted";
    default: return "could not be read";
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool accept = false;
  std::string folder;
  std::string archivePath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--accept-license") {
      accept = true;
    } else if ((arg == "--folder" || arg == "--archive") && i + 1 < argc) {
      (arg == "--folder" ? folder : archivePath) = argv[++i];
    } else {
      std::fprintf(stderr, "usage: Installer [--accept-license] [--folder FOLDER] [--archive ARCHIVE]\n");
      return kUsage;
    }
  }

  // The package: the bundle's Resources (beside the program's MacOS folder), or an archive's files.
  std::string resources;
  TemporaryFolder extracted;
  if (archivePath.empty()) {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return Failure("cannot find the installer's own folder: " + ec.message());
    resources = (program.parent_path().parent_path() / "Resources").string();
  } else {
    const std::string temp = host::fs::PrivateTemporaryFolder();
    if (temp.empty()) return Failure("no private temporary folder");
    std::string work = temp + "/installer-XXXXXX";
    if (::mkdtemp(work.data()) == nullptr)
      return Failure("cannot make a temporary folder: " + std::string(std::strerror(errno)));
    extracted.path = work;
    InstallerArchive archive;
    archive.SetExtractFolder(Utf8ToWide(work));
    if (!archive.Open(Utf8ToWide(archivePath))) return Failure("cannot open " + archivePath);
    if (!archive.ReadAll()) return Failure(archivePath + " " + ArchiveError(archive.Error()));
    resources = work;
  }

  uint32_t flags = kInstallerConfigBase;
  const std::string configPath = resources + "/icd0.dat";
  struct stat st {};
  if (::lstat(configPath.c_str(), &st) == 0) {
    std::string config;
    if (!ReadSmallFile(configPath, 16, config) || config.size() != 16) {
      return Failure("the installer's configuration " + configPath + " is damaged");
    }
    flags = static_cast<uint32_t>(static_cast<uint8_t>(config[0])) |
            static_cast<uint32_t>(static_cast<uint8_t>(config[1])) << 8 |
            static_cast<uint32_t>(static_cast<uint8_t>(config[2])) << 16 |
            static_cast<uint32_t>(static_cast<uint8_t>(config[3])) << 24;
  }
  const auto text = [&resources](const char* name, std::string& out) -> int {
    const std::string path = resources + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return 0;  // switched on, but none was given
    if (!ReadSmallFile(path, kMaxTextSize, out)) return -1;
    return 1;
  };
  std::string readMe;
  std::string license;
  if ((flags & kInstallerConfigReadMe) != 0) {
    const int found = text("ReadMe.txt", readMe);
    if (found < 0) return Failure("cannot read the read-me " + resources + "/ReadMe.txt");
    if (found > 0) Show("Read me", readMe);
  }
  if ((flags & kInstallerConfigLicense) != 0) {
    const int found = text("License.txt", license);
    if (found < 0) return Failure("cannot read the licence " + resources + "/License.txt");
    if (found > 0) {
      Show("Licence", license);
      if (!accept && !AskAcceptance()) {
        std::fprintf(stderr,
                     "Installer: the licence was not accepted (--accept-license accepts it); nothing was installed\n");
        return kNotAccepted;
      }
    }
  }

  InstallerPackage package;
  if (!package.ReadDescription(Utf8ToWide(resources + "/installer.dat"))) {
    return Failure("cannot read the package's description " + resources + "/installer.dat");
  }
  if (package.Items().empty()) return Failure("the package holds nothing to install");
  XdgFolderLocator locator;
  PackageInstaller installer(locator, Utf8ToWide(resources));
  for (const auto& item : package.Items()) {
    WideString destination = Utf8ToWide(folder);
    if (!installer.Install(*item, destination)) return Failure("the installation failed: " + installer.Error());
    std::printf("Installed into %s\n", WideToUtf8(destination).c_str());
  }
  std::fflush(stdout);
  return kInstalled;
}
