// The installer package: a tree that says what an installer puts where, its description
// "installer.dat" (XML) and the data files "data1.dat", "data2.dat", ... that carry the forks
// of the files it installs.
//
// The package holds items; an item says where its content goes (location, domain, replace
// policy) and holds file and folder nodes; folders hold further files and folders. Every data
// file goes flat into one folder; the tree lives only in the description.
//
//   InstallerPackage package;
//   InstallItem* item = package.AddItem(InstallLocation::kScreenSaver, InstallDomain::kCurrentUser);
//   package.AddPath(saverFolder, item);
//   if (!package.WritePackage(outputFolder)) fail();   // data files first, then installer.dat
//
// The description records for each file whether its data file is compressed (cmp="true" or
// cmp="false"): a fork that could not be compressed is stored as it is and said to be so.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"

class Bitmap;
class InstallerArchiveWriter;
class XmlElement;
class XmlWriter;

enum class InstallLocation : uint32_t {
  kCustom = 0,
  kApplication = 1,
  kDesktop = 2,
  kScreenSaver = 3,
  kStartup = 4,
  kShutdown = 5,
};

enum class InstallDomain : uint32_t {
  kSystem = 0,
  kAllUsers = 1,
  kCurrentUser = 2,
  kNetwork = 3,
  kClassic = 4,
};

enum class ReplacePolicy : uint32_t {
  kNever = 0,
  kAlways = 1,
  kIfNewer = 2,  // installed as kAlways: no dates are compared
};

// The XML names of the values ("" for a value outside the vocabulary), and the value of a
// name (exact comparison); false for a name outside it.
const wchar_t* InstallLocationName(InstallLocation value);
const wchar_t* InstallDomainName(InstallDomain value);
const wchar_t* ReplacePolicyName(ReplacePolicy value);
bool ParseInstallLocation(const std::wstring& name, InstallLocation& out);
bool ParseInstallDomain(const std::wstring& name, InstallDomain& out);
bool ParseReplacePolicy(const std::wstring& name, ReplacePolicy& out);

// Hands out the data-file names "data1.dat", "data2.dat", ... of one package.
class DataFileNamer {
 public:
  WideString Next();
  void Reset() { count_ = 0; }
  uint32_t Count() const { return count_; }

 private:
  uint32_t count_ = 0;
};

// A node of the package tree. The base is the install item; files and folders derive from it
// and share its fields (each uses those its kind needs).
class InstallItem {
 public:
  enum class Kind : uint32_t { kItem = 0, kFile = 1, kFolder = 2 };

  InstallItem() : InstallItem(Kind::kItem) {}
  virtual ~InstallItem();
  InstallItem(const InstallItem&) = delete;
  InstallItem& operator=(const InstallItem&) = delete;

  // Writes the node's data files into the folder (files) or has the children do so. False
  // when any data file couldn't be made; the other nodes are packed all the same.
  [[nodiscard]] virtual bool Pack(const WideString& folder);
  // Reads the node's attributes from its element (absent attributes and words outside the
  // vocabularies leave fields as they are), then its "install_file" and "install_folder"
  // children. Names are taken as they stand; installation checks them.
  virtual bool ReadXml(const XmlElement& element);
  virtual void WriteXml(XmlWriter& writer) const;
  // Adds every file of the subtree to the archive as a content record, in tree order. False
  // when a record can't be written.
  [[nodiscard]] virtual bool AddToArchive(InstallerArchiveWriter& archive) const;

  void DeleteChildren() { children_.clear(); }
  // Appends the child and returns it.
  InstallItem* AddChild(std::unique_ptr<InstallItem> child);
  const std::vector<std::unique_ptr<InstallItem>>& Children() const { return children_; }

  Kind NodeKind() const { return kind_; }
  InstallLocation location = InstallLocation::kApplication;
  InstallDomain domain = InstallDomain::kCurrentUser;
  ReplacePolicy replace = ReplacePolicy::kAlways;

 protected:
  explicit InstallItem(Kind kind) : kind_(kind) {}
  bool ReadChildren(const XmlElement& element);
  bool PackChildren(const WideString& folder);
  void WriteChildren(XmlWriter& writer) const;

  Kind kind_;
  std::vector<std::unique_ptr<InstallItem>> children_;
};

class InstallFile : public InstallItem {
 public:
  InstallFile() : InstallItem(Kind::kFile) {}
  // Takes the name, Finder information and forks of the file at the path; each non-empty fork
  // gets the next data-file name (the data fork first). False when the file can't be read.
  bool SetSource(const WideString& path, DataFileNamer& namer);

  // Writes dname (compressed; stored as it is, with cmp cleared, when compression fails) and
  // rname (always compressed). False when a fork can't be read, a resource fork can't be
  // compressed or a data file can't be written.
  bool Pack(const WideString& folder) override;
  bool ReadXml(const XmlElement& element) override;
  void WriteXml(XmlWriter& writer) const override;
  bool AddToArchive(InstallerArchiveWriter& archive) const override;

  WideString sourcePath;
  WideString name;
  uint32_t fileType = 0;
  uint32_t creatorType = 0;
  uint16_t fdflags = 0;
  WideString dname;
  WideString rname;
  bool hasDataFork = false;
  bool hasResourceFork = false;
  bool cmp = true;
};

class InstallFolder : public InstallItem {
 public:
  InstallFolder() : InstallItem(Kind::kFolder) {}
  // Takes the folder's name and Finder flags (its entries are added by InstallerPackage).
  bool SetSource(const WideString& path);

  bool ReadXml(const XmlElement& element) override;
  void WriteXml(XmlWriter& writer) const override;

  WideString sourcePath;
  WideString name;
  uint16_t fdflags = 0;
};

inline constexpr int kSplashWidth = 300;
inline constexpr int kSplashHeight = 200;

struct InstallerSettings {
  uint32_t steps = 0;
  int32_t minOsVersion = 0;
  uint32_t silent = 0;
  uint32_t runEndScript = 0;
  WideString customPicturePath;
};

class InstallerPackage {
 public:
  InstallerPackage() { Clear(); }
  virtual ~InstallerPackage();
  InstallerPackage(const InstallerPackage&) = delete;
  InstallerPackage& operator=(const InstallerPackage&) = delete;

  // Deletes the items, restarts the data-file names at "data1.dat" and zeroes the settings'
  // four numbers.
  void Clear();
  InstallItem* AddItem(InstallLocation location, InstallDomain domain);
  // A file node for the path: appended to the parent when given (the file is returned), else
  // to a new item with the defaults (the item is returned). Null when the file can't be read.
  InstallItem* AddFile(const WideString& path, InstallItem* parent);
  // A folder node and, in name order, its entries: sub-folders as folders, everything else as
  // files. Links to folders are not entered (a link loop would never end); resource-fork side
  // files travel with their file. Returns as AddFile. False (null) when the folder can't be
  // listed or an entry can't be added.
  InstallItem* AddFolder(const WideString& path, InstallItem* parent);
  InstallItem* AddPath(const WideString& path, InstallItem* parent);

  // The description document: false when it can't be written.
  [[nodiscard]] bool WriteDescription(const WideString& path) const;
  // Packs every item's data files into the folder, then writes the description there as
  // "installer.dat", so that it records how each data file was stored. False when any step
  // failed (every item is still packed).
  [[nodiscard]] bool WritePackage(const WideString& folder);
  // Reads a description: the root's four numbers and one item per "install_item" child. False
  // when the document can't be read or its root is not "installer".
  [[nodiscard]] bool ReadDescription(const WideString& path);

  // The splash picture: the settings' custom picture scaled to fill 300 x 200 pixels (its
  // proportions are not kept), as "splash.png" in the folder or as a picture record of the
  // archive (24-bit). False when the picture can't be opened or the result written.
  [[nodiscard]] bool WriteSplashPng(const WideString& folder) const;
  [[nodiscard]] bool AddSplashToArchive(InstallerArchiveWriter& archive) const;

  const std::vector<std::unique_ptr<InstallItem>>& Items() const { return items_; }
  InstallerSettings& Settings() { return settings_; }
  const InstallerSettings& Settings() const { return settings_; }
  const WideString& OutputFolder() const { return outputFolder_; }

 private:
  std::vector<std::unique_ptr<InstallItem>> items_;
  WideString outputFolder_;
  InstallerSettings settings_;
  DataFileNamer namer_;
};
