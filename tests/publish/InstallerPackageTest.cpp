#include "publish/InstallerPackage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/ResourceFork.h"
#include "media/Bitmap.h"
#include "media/PngBitmap.h"
#include "platform/Checksum.h"
#include "platform/OffscreenGWorld.h"
#include "platform/XmlDocument.h"
#include "publish/InstallerArchive.h"
#include "tests/publish/InstallerScratch.h"

namespace {

using installertest::ListTree;
using installertest::ReadBytes;
using installertest::Scratch;
using installertest::WriteBytes;

const std::string kHeader = "<xml version=\"1.0\" encoding=\"UTF-8\">\n";
const std::string kFooter = "\n</xml>\n";

std::string Inflate(const std::string& bytes) {
  size_t length = 0;
  auto out = UncompressToNewBuffer(bytes.data(), bytes.size(), length);
  return out ? std::string(reinterpret_cast<char*>(out.get()), length) : std::string("<not zlib>");
}

// The node at the path of child indexes under the item.
const InstallItem* At(const InstallItem& item, std::initializer_list<size_t> path) {
  const InstallItem* node = &item;
  for (size_t i : path) {
    if (i >= node->Children().size()) return nullptr;
    node = node->Children()[i].get();
  }
  return node;
}

TEST(InstallerPackageDescription, IsWrittenLineByLineInItsAttributeOrder) {
  Scratch scratch;
  InstallerPackage package;
  EXPECT_TRUE(package.WriteDescription(Utf8ToWide(scratch / "empty.dat")));
  EXPECT_EQ(ReadBytes(scratch / "empty.dat"), kHeader +
                                                  "<installer steps=\"0\" min_os_version=\"0\" silent=\"0\" "
                                                  "run_end_script=\"0\" >\n</installer>\n" +
                                                  kFooter);

  InstallItem* item = package.AddItem(InstallLocation::kScreenSaver, InstallDomain::kCurrentUser);
  auto folder = std::make_unique<InstallFolder>();
  folder->name = L"A & B.saver";
  folder->fdflags = 0x2000;
  auto* f = static_cast<InstallFolder*>(item->AddChild(std::move(folder)));
  auto both = std::make_unique<InstallFile>();
  both->name = L"x\"y";
  both->fileType = 0x54455854;  // 'TEXT'
  both->creatorType = 0x3F3F3F3F;
  both->fdflags = 1;
  both->dname = L"data1.dat";
  both->rname = L"data2.dat";
  both->hasDataFork = both->hasResourceFork = true;
  f->AddChild(std::move(both));
  auto resourceOnly = std::make_unique<InstallFile>();
  resourceOnly->name = L"Icon\r";
  resourceOnly->rname = L"data3.dat";
  resourceOnly->hasResourceFork = true;
  f->AddChild(std::move(resourceOnly));
  auto raw = std::make_unique<InstallFile>();
  raw->name = L"raw.bin";
  raw->dname = L"data4.dat";
  raw->hasDataFork = true;
  raw->cmp = false;
  item->AddChild(std::move(raw));
  auto odd = package.AddItem(static_cast<InstallLocation>(9), InstallDomain::kClassic);
  odd->replace = ReplacePolicy::kNever;
  package.Settings().minOsVersion = -3;

  ASSERT_TRUE(package.WriteDescription(Utf8ToWide(scratch / "installer.dat")));
  EXPECT_EQ(ReadBytes(scratch / "installer.dat"),
            kHeader +
                "<installer steps=\"0\" min_os_version=\"-3\" silent=\"0\" run_end_script=\"0\" >\n"
                "<install_item location=\"screensaver\" domain=\"current_user\" replace=\"always\">\n"
                "<install_folder name=\"A &amp; B.saver\" fdflags=\"8192\" >\n"
                "<install_file name=\"x&quot;y\" file_type=\"1413830740\" creator_type=\"1061109567\" fdflags=\"1\" "
                "dname=\"data1.dat\" rname=\"data2.dat\" cmp=\"true\" />\n"
                "<install_file name=\"Icon&#x0d;\" file_type=\"0\" creator_type=\"0\" fdflags=\"0\" "
                "rname=\"data3.dat\" cmp=\"true\" />\n"
                "</install_folder>\n"
                "<install_file name=\"raw.bin\" file_type=\"0\" creator_type=\"0\" fdflags=\"0\" "
                "dname=\"data4.dat\" cmp=\"false\" />\n"
                "</install_item>\n"
                "<install_item location=\"\" domain=\"classic\" replace=\"never\">\n"
                "</install_item>\n"
                "</installer>\n" +
                kFooter);

  // Read back: the same tree and fields.
  InstallerPackage again;
  ASSERT_TRUE(again.ReadDescription(Utf8ToWide(scratch / "installer.dat")));
  EXPECT_EQ(again.Settings().minOsVersion, -3);
  ASSERT_EQ(again.Items().size(), 2u);
  const InstallItem& first = *again.Items()[0];
  EXPECT_EQ(first.location, InstallLocation::kScreenSaver);
  const auto* readFolder = dynamic_cast<const InstallFolder*>(At(first, {0}));
  ASSERT_TRUE(readFolder);
  EXPECT_EQ(readFolder->name, L"A & B.saver");
  EXPECT_EQ(readFolder->fdflags, 0x2000);
  const auto* readBoth = dynamic_cast<const InstallFile*>(At(first, {0, 0}));
  const auto* readResource = dynamic_cast<const InstallFile*>(At(first, {0, 1}));
  const auto* readRaw = dynamic_cast<const InstallFile*>(At(first, {1}));
  ASSERT_TRUE(readBoth && readResource && readRaw);
  EXPECT_EQ(readBoth->name, L"x\"y");
  EXPECT_EQ(readBoth->fileType, 0x54455854u);
  EXPECT_EQ(readBoth->creatorType, 0x3F3F3F3Fu);
  EXPECT_TRUE(readBoth->hasDataFork && readBoth->hasResourceFork);
  EXPECT_EQ(readBoth->rname, L"data2.dat");
  EXPECT_FALSE(readResource->hasDataFork);
  EXPECT_EQ(readResource->name, L"Icon\r");
  EXPECT_FALSE(readRaw->cmp);
  EXPECT_TRUE(readBoth->cmp);
  EXPECT_EQ(again.Items()[1]->domain, InstallDomain::kClassic);
  EXPECT_EQ(again.Items()[1]->location, InstallLocation::kApplication);  // "" left the default
}

TEST(InstallerPackageDescription, AttributesReadByExactNameAndVocabulary) {
  struct Case {
    const char* element;
    InstallDomain domain;
    InstallLocation location;
    ReplacePolicy replace;
    bool cmp;
  };
  const std::vector<Case> cases = {
      {"<install_item domain=\"classic\">", InstallDomain::kClassic, InstallLocation::kApplication,
       ReplacePolicy::kAlways, true},
      {"<install_item domain=\"Classic\" location=\"Custom\">", InstallDomain::kCurrentUser,
       InstallLocation::kApplication, ReplacePolicy::kAlways, true},
      {"<install_item location=\"custom\" replace=\"if_newer\" domain=\"system\">", InstallDomain::kSystem,
       InstallLocation::kCustom, ReplacePolicy::kIfNewer, true},
      {"<install_item replace=\"sometimes\" location=\"shutdown\">", InstallDomain::kCurrentUser,
       InstallLocation::kShutdown, ReplacePolicy::kAlways, true},
      {"<install_item><install_file name=\"a\" cmp=\"FALSE\" />", InstallDomain::kCurrentUser,
       InstallLocation::kApplication, ReplacePolicy::kAlways, false},
      {"<install_item><install_file name=\"a\" cmp=\"TRUE\" />", InstallDomain::kCurrentUser,
       InstallLocation::kApplication, ReplacePolicy::kAlways, true},
      {"<install_item><install_file name=\"a\" cmp=\"yes\" />", InstallDomain::kCurrentUser,
       InstallLocation::kApplication, ReplacePolicy::kAlways, false},
  };
  for (const Case& c : cases) {
    Scratch scratch;
    WriteBytes(scratch / "d.xml", std::string("<installer steps=\"4\">") + c.element +
                                      "<install_file name=\"b\" /><other /></install_item></installer>");
    InstallerPackage package;
    ASSERT_TRUE(package.ReadDescription(Utf8ToWide(scratch / "d.xml"))) << c.element;
    ASSERT_EQ(package.Items().size(), 1u) << c.element;
    const InstallItem& item = *package.Items()[0];
    EXPECT_EQ(package.Settings().steps, 4u);
    EXPECT_EQ(item.domain, c.domain) << c.element;
    EXPECT_EQ(item.location, c.location) << c.element;
    EXPECT_EQ(item.replace, c.replace) << c.element;
    const auto* file = dynamic_cast<const InstallFile*>(item.Children().front().get());
    ASSERT_TRUE(file) << c.element;
    EXPECT_EQ(file->cmp, c.cmp) << c.element;
    // A file element without "cmp" is compressed.
    EXPECT_TRUE(dynamic_cast<const InstallFile&>(*item.Children().back()).cmp) << c.element;
    // <other /> is skipped.
    const size_t files = std::string(c.element).find("install_file") == std::string::npos ? 1 : 2;
    EXPECT_EQ(item.Children().size(), files) << c.element;
  }
}

class InstallerPackageTree : public ::testing::Test {
 protected:
  void SetUp() override {
    bundle_ = scratch_ / "Movie.saver";
    std::filesystem::create_directories(bundle_ + "/Contents/MacOS");
    WriteBytes(bundle_ + "/Contents/Info.plist", "<plist>info</plist>");
    WriteBytes(bundle_ + "/Contents/MacOS/fssx", std::string(3000, 'z') + "end");
    out_ = scratch_ / "pkg";
    std::filesystem::create_directories(out_);
  }
  Scratch scratch_;
  std::string bundle_, out_;
};

TEST_F(InstallerPackageTree, ABundleFolderIsNumberedInNameOrderAndNested) {
  InstallerPackage package;
  InstallItem* item = package.AddItem(InstallLocation::kScreenSaver, InstallDomain::kCurrentUser);
  ASSERT_TRUE(package.AddPath(Utf8ToWide(bundle_), item));
  ASSERT_TRUE(package.WritePackage(Utf8ToWide(out_)));
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"data1.dat", "data2.dat", "installer.dat"}));
  EXPECT_EQ(Inflate(ReadBytes(out_ + "/data1.dat")), "<plist>info</plist>");
  EXPECT_EQ(Inflate(ReadBytes(out_ + "/data2.dat")), std::string(3000, 'z') + "end");

  InstallerPackage read;
  ASSERT_TRUE(read.ReadDescription(Utf8ToWide(out_ + "/installer.dat")));
  ASSERT_EQ(read.Items().size(), 1u);
  const InstallItem& it = *read.Items()[0];
  EXPECT_EQ(it.location, InstallLocation::kScreenSaver);
  EXPECT_EQ(it.domain, InstallDomain::kCurrentUser);
  const auto* saver = dynamic_cast<const InstallFolder*>(At(it, {0}));
  const auto* contents = dynamic_cast<const InstallFolder*>(At(it, {0, 0}));
  const auto* plist = dynamic_cast<const InstallFile*>(At(it, {0, 0, 0}));
  const auto* macos = dynamic_cast<const InstallFolder*>(At(it, {0, 0, 1}));
  const auto* fssx = dynamic_cast<const InstallFile*>(At(it, {0, 0, 1, 0}));
  ASSERT_TRUE(saver && contents && plist && macos && fssx);
  EXPECT_EQ(saver->name, L"Movie.saver");
  EXPECT_EQ(contents->name, L"Contents");
  EXPECT_EQ(plist->name, L"Info.plist");
  EXPECT_EQ(plist->dname, L"data1.dat");
  EXPECT_FALSE(plist->hasResourceFork);
  EXPECT_EQ(macos->name, L"MacOS");
  EXPECT_EQ(fssx->dname, L"data2.dat");
  EXPECT_TRUE(fssx->cmp);
}

TEST_F(InstallerPackageTree, EveryPackageStartsAtDataOne) {
  for (int round = 0; round < 2; ++round) {
    InstallerPackage package;
    InstallItem* item = package.AddFile(Utf8ToWide(bundle_ + "/Contents/Info.plist"), nullptr);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->location, InstallLocation::kApplication);
    const auto& file = dynamic_cast<const InstallFile&>(*item->Children().at(0));
    EXPECT_EQ(file.dname, L"data1.dat") << round;
  }
  InstallerPackage package;
  ASSERT_TRUE(package.AddFile(Utf8ToWide(bundle_ + "/Contents/Info.plist"), nullptr));
  package.Clear();
  InstallItem* again = package.AddFile(Utf8ToWide(bundle_ + "/Contents/MacOS/fssx"), nullptr);
  ASSERT_TRUE(again);
  EXPECT_EQ(dynamic_cast<const InstallFile&>(*again->Children().at(0)).dname, L"data1.dat");
  EXPECT_EQ(package.Items().size(), 1u);
}

TEST_F(InstallerPackageTree, AResourceForkOnlyFileGetsAnRnameAndNoDname) {
  const std::string icon = bundle_ + "/Icon";
  WriteBytes(icon, "");
  const std::string fork = "resource fork bytes";
  ASSERT_EQ(host::fs::WriteResourceFork(icon, fork), 0);
  InstallerPackage package;
  InstallItem* item = package.AddFile(Utf8ToWide(icon), nullptr);
  ASSERT_TRUE(item);
  const auto& file = dynamic_cast<const InstallFile&>(*item->Children().at(0));
  EXPECT_FALSE(file.hasDataFork);
  EXPECT_TRUE(file.dname.empty());
  EXPECT_EQ(file.rname, L"data1.dat");
  ASSERT_TRUE(package.WritePackage(Utf8ToWide(out_)));
  EXPECT_EQ(Inflate(ReadBytes(out_ + "/data1.dat")), fork);
  const std::string description = ReadBytes(out_ + "/installer.dat");
  EXPECT_NE(description.find("rname=\"data1.dat\""), std::string::npos);
  EXPECT_EQ(description.find("dname="), std::string::npos);

  // Within a folder the side file travels with its file and is no entry of its own.
  InstallerPackage folder;
  InstallItem* top = folder.AddFolder(Utf8ToWide(bundle_), nullptr);
  ASSERT_TRUE(top);
  const InstallItem& saver = *top->Children().at(0);
  ASSERT_EQ(saver.Children().size(), 2u);  // Contents, Icon
  EXPECT_EQ(dynamic_cast<const InstallFile&>(*saver.Children()[1]).rname, L"data3.dat");
}

TEST_F(InstallerPackageTree, LinkedFoldersAreNotEntered) {
  ASSERT_EQ(::symlink(".", (bundle_ + "/Contents/loop").c_str()), 0);
  ASSERT_EQ(::symlink("Info.plist", (bundle_ + "/Contents/link.plist").c_str()), 0);
  InstallerPackage package;
  InstallItem* item = package.AddFolder(Utf8ToWide(bundle_), nullptr);
  ASSERT_TRUE(item);
  const InstallItem* contents = At(*item, {0, 0});
  ASSERT_TRUE(contents);
  std::vector<std::wstring> names;
  for (const auto& child : contents->Children()) {
    if (auto* f = dynamic_cast<const InstallFile*>(child.get())) names.push_back(f->name);
    if (auto* d = dynamic_cast<const InstallFolder*>(child.get())) names.push_back(d->name + L"/");
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Info.plist", L"MacOS/", L"link.plist"}));
}

TEST_F(InstallerPackageTree, ASourceGoneBeforePackingFailsThePackage) {
  InstallerPackage package;
  ASSERT_TRUE(package.AddPath(Utf8ToWide(bundle_), nullptr));
  std::filesystem::remove(bundle_ + "/Contents/Info.plist");
  EXPECT_FALSE(package.WritePackage(Utf8ToWide(out_)));
  // The other file is still packed and the description written.
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"data2.dat", "installer.dat"}));

  // A folder that can't be written to fails too.
  InstallerPackage again;
  ASSERT_TRUE(again.AddPath(Utf8ToWide(bundle_ + "/Contents/MacOS"), nullptr));
  EXPECT_FALSE(again.WritePackage(Utf8ToWide(scratch_ / "no/such/folder")));
}

}  // namespace

namespace {

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return v;
}

TEST_F(InstallerPackageTree, TheFilesOfAPackageGoIntoAnArchiveAsContents) {
  InstallerPackage package;
  InstallItem* item = package.AddItem(InstallLocation::kScreenSaver, InstallDomain::kCurrentUser);
  ASSERT_TRUE(package.AddPath(Utf8ToWide(bundle_), item));
  const std::string archivePath = scratch_ / "setup.arc";
  InstallerArchiveWriter writer;
  ASSERT_TRUE(writer.Open(Utf8ToWide(archivePath)));
  ASSERT_TRUE(item->AddToArchive(writer));
  ASSERT_TRUE(writer.Finish());

  InstallerArchive archive;
  ASSERT_TRUE(archive.Open(Utf8ToWide(archivePath)));
  archive.SetExtractFolder(Utf8ToWide(scratch_ / "x"));
  ASSERT_TRUE(archive.ReadAll()) << archive.Error();
  EXPECT_EQ(ListTree(scratch_ / "x"), (std::vector<std::string>{"Info.plist", "fssx"}));
  EXPECT_EQ(ReadBytes(scratch_ / "x/fssx"), std::string(3000, 'z') + "end");
  ASSERT_EQ(archive.Contents().size(), 2u);  // last written first
  EXPECT_EQ(static_cast<const InstallerContentRecord&>(*archive.Contents().front().record).Name(), L"fssx");

  // A file gone since it was added fails the archive.
  std::filesystem::remove(bundle_ + "/Contents/Info.plist");
  InstallerArchiveWriter failing;
  ASSERT_TRUE(failing.Open(Utf8ToWide(scratch_ / "failed.arc")));
  EXPECT_FALSE(item->AddToArchive(failing));
  EXPECT_FALSE(failing.Finish());
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "failed.arc"));
}

TEST_F(InstallerPackageTree, TheSplashPictureFillsThreeHundredByTwoHundred) {
  const std::vector<std::pair<int, int>> sizes = {{30, 20}, {1, 1}, {640, 100}, {300, 200}};
  for (const auto& [w, h] : sizes) {
    GWorldPtr world = nullptr;
    ASSERT_TRUE(CreateOffscreenGWorld(&world, w, h, 32));
    world->FillRect(0, 0, w, h, 0xFF2040C0);
    const std::string picture = scratch_ / ("pic" + std::to_string(w) + ".png");
    ASSERT_TRUE(WriteGWorldAsPng(world, Utf8ToWide(picture)));
    DisposeOffscreenGWorld(&world);

    InstallerPackage package;
    package.Settings().customPicturePath = Utf8ToWide(picture);
    ASSERT_TRUE(package.WriteSplashPng(Utf8ToWide(out_))) << w;
    const std::string png = ReadBytes(out_ + "/splash.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(BigEndian32(png, 16), 300u) << w;  // IHDR width and height
    EXPECT_EQ(BigEndian32(png, 20), 200u) << w;

    const std::string archivePath = scratch_ / "splash.arc";
    InstallerArchiveWriter writer;
    ASSERT_TRUE(writer.Open(Utf8ToWide(archivePath)));
    ASSERT_TRUE(package.AddSplashToArchive(writer));
    ASSERT_TRUE(writer.Finish());
    InstallerArchive archive;
    ASSERT_TRUE(archive.Open(Utf8ToWide(archivePath)));
    ASSERT_TRUE(archive.ReadAll());
    ASSERT_TRUE(archive.Picture());
    const Bitmap& splash = static_cast<const InstallerPictureRecord&>(*archive.Picture()->record).Picture();
    EXPECT_EQ(splash.Width(), 300u);
    EXPECT_EQ(splash.Height(), 200u);
    EXPECT_EQ(splash.BitsPerPixel(), 24);
    const uint8_t* last = splash.Pixels() + splash.Size() - 3;
    EXPECT_EQ(std::vector<int>(last, last + 3), (std::vector<int>{0x20, 0x40, 0xC0})) << w;
  }

  InstallerPackage none;
  EXPECT_FALSE(none.WriteSplashPng(Utf8ToWide(out_ + "/none")));
  none.Settings().customPicturePath = Utf8ToWide(bundle_ + "/Contents/Info.plist");  // not a picture
  EXPECT_FALSE(none.WriteSplashPng(Utf8ToWide(out_ + "/none")));
}

}  // namespace
