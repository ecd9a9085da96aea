// Every window and control the program's code looks up by name or signature is in the
// bundle's interface files, and every command the main window carries out can be chosen
// from its menus. The code is read as text, so a look-up added later is checked too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const fs::path kSource = PLENWICK_SOURCE_DIR;
const fs::path kInterface = kSource / "resources" / "interface";

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
    found.insert((*it)[1].str());
  return found;
}

std::string ApplicationCode() {
  std::string all;
  for (const auto& entry : fs::directory_iterator(kSource / "app"))
    if (entry.path().extension() == ".cpp") all += ReadFile(entry.path());
  return all;
}

TEST(InterfaceFiles, EveryWindowTheCodeOpensHasItsFile) {
  const std::set<std::string> names = Matches(ApplicationCode(), std::regex(R"re(L"((?:IDD|IDR)_[A-Z0-9_]+)")re"));
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) EXPECT_TRUE(fs::exists(kInterface / (name + ".ui"))) << name;
}

TEST(InterfaceFiles, EveryControlTheCodeAttachesIsInAFile) {
  std::string files;
  for (const auto& entry : fs::directory_iterator(kInterface)) files += ReadFile(entry.path());
  const std::set<std::string> signatures =
      Matches(files, std::regex(R"re(name="signature" stdset="0"><string>(.{4})</string>)re"));
  const std::set<std::string> attached =
      Matches(ApplicationCode(), std::regex(R"re(AttachControl\(FourCC\("(.{4})"\))re"));
  ASSERT_FALSE(attached.empty());
  for (const std::string& signature : attached) EXPECT_EQ(signatures.count(signature), 1u) << "'" << signature << "'";
}

TEST(InterfaceFiles, EveryCommandOfTheMainWindowIsInTheMenus) {
  const std::string code = ReadFile(kSource / "app" / "MainWindow.cpp");
  const std::set<std::string> handled = Matches(code, std::regex(R"re(command == FourCC\("(.{4})"\))re"));
  const std::set<std::string> menu =
      Matches(ReadFile(kInterface / "IDR_MENU.ui"), std::regex(R"re(name="command" stdset="0"><string>(.{4})<)re"));
  ASSERT_FALSE(handled.empty());
  for (const std::string& command : handled) EXPECT_EQ(menu.count(command), 1u) << "'" << command << "'";
}

}  // namespace
