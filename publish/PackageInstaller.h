// Installation of an installer package: the folders and files its description names are
// made again on the disk from the package's data files.
//
// Where an item goes comes from its location and domain through a folder locator. On this
// system only the current user's domain has folders of its own: its applications folder and
// its library folder, which are XDG folders (see XdgFolderLocator). The other domains mean
// nothing here and are refused with a reason.
//
// Every name from a description must be one plain path component (see IsPlainFileName), so
// nothing is ever made or deleted outside the destination; a name that is not is refused.
//
//   XdgFolderLocator locator;
//   PackageInstaller installer(locator, dataFolder);
//   WideString folder = chosenFolder;   // for "custom" items
//   if (!installer.Install(item, folder)) report(installer.Error());
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/WideString.h"
#include "publish/InstallerPackage.h"

enum class SystemFolderKind { kApplications, kLibrary };

class FolderLocator {
 public:
  virtual ~FolderLocator() = default;
  // The folder (ending with '/') of the kind in the domain. False with a reason when the
  // domain or the folder means nothing here.
  virtual bool Find(InstallDomain domain, SystemFolderKind kind, WideString& out, std::string& why) const = 0;
};

// The current user's folders: the library folder is $XDG_DATA_HOME (else ~/.local/share), the
// applications folder ~/Applications. Domains other than the current user's are refused;
// values outside the known domains stand for the current user's, as on the old system.
class XdgFolderLocator : public FolderLocator {
 public:
  // From the environment ($HOME, else the password database; $XDG_DATA_HOME when absolute).
  XdgFolderLocator();
  // Explicit folders (tests point these at a temporary root). An empty dataHome means
  // home + "/.local/share".
  XdgFolderLocator(std::string home, std::string dataHome);

  bool Find(InstallDomain domain, SystemFolderKind kind, WideString& out, std::string& why) const override;

 private:
  std::string home_;
  std::string dataHome_;
};

class PackageInstaller {
 public:
  // dataFolder: where the package's data files are (the installer's resources).
  PackageInstaller(const FolderLocator& locator, WideString dataFolder);

  // Called with the word after each item, folder and file has been installed (after its
  // children).
  void SetProgressHook(std::function<void(uint32_t)> hook, uint32_t word) {
    hook_ = std::move(hook);
    hookWord_ = word;
  }

  // Installs the item: "application" into the domain's applications folder, "screensaver"
  // into its library folder's "Screen Savers" (made when missing), every other location into
  // `folder`; for the first two `folder` receives the destination. The children are
  // installed in order and the first that fails stops the rest. False, with Error() saying
  // why, when the destination can't be found or made or any child fails.
  [[nodiscard]] bool Install(const InstallItem& item, WideString& folder);

  // What the last failure was ("" when none).
  const std::string& Error() const { return error_; }

 private:
  bool InstallNode(const InstallItem& node, const WideString& folder);
  bool InstallFolder(const ::InstallFolder& node, const WideString& folder);
  bool InstallFile(const ::InstallFile& node, const WideString& folder);
  bool InstallChildren(const InstallItem& node, const WideString& folder);
  bool ReadDataFile(const WideString& name, bool compressed, std::string& out);
  bool Fail(const std::string& why);
  void Progress();

  const FolderLocator& locator_;
  WideString dataFolder_;
  std::function<void(uint32_t)> hook_;
  uint32_t hookWord_ = 0;
  std::string error_;
};
