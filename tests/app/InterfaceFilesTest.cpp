// Every window and control the program's code looks up by name or signature is in the
// bundle's interface files, and every command the main window carries out can be chosen
// from its menus. The code is read as text, so a look-up added later is checked too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// Every text that stands between `before` and the next `after` in the text.
std::set<std::string> Between(const std::string& text, const std::string& before, const std::string& after) {
  std::set<std::string> found;
  for (size_t at = text.find(before); at != std::string::npos; at = text.find(before, at + 1)) {
    const size_t start = at + before.size();
    const size_t end = text.find(after, start);
    if (end != std::string::npos) found.insert(text.substr(start, end - start));
  }
  return found;
}

std::string ApplicationCode() {
  std::string all;
  for (const auto& entry : fs::directory_iterator(kSource / "app"))
    if (entry.path().extension() == ".cpp") all += ReadFile(entry.path());
  return all;
}

TEST(InterfaceFiles, EveryWindowTheCodeOpensHasItsFile) {
  const std::string code = ApplicationCode();
  std::set<std::string> names;
  for (const char* kind : {"IDD_", "IDR_"})
    for (const std::string& rest : Between(code, std::string("L\"") + kind, "\"")) names.insert(kind + rest);
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) EXPECT_TRUE(fs::exists(kInterface / (name + ".ui"))) << name;
}

TEST(InterfaceFiles, EveryControlTheCodeAttachesIsInAFile) {
  std::string files;
  for (const auto& entry : fs::directory_iterator(kInterface)) files += ReadFile(entry.path());
  const std::set<std::string> signatures = Between(files, R"(name="signature" stdset="0"><string>)", "</string>");
  const std::set<std::string> attached = Between(ApplicationCode(), R"(AttachControl(FourCC(")", "\"");
  ASSERT_FALSE(attached.empty());
  for (const std::string& signature : attached) EXPECT_EQ(signatures.count(signature), 1u) << "'" << signature << "'";
}

TEST(InterfaceFiles, EveryCommandOfTheMainWindowIsInTheMenus) {
  const std::string code = ReadFile(kSource / "app" / "MainWindow.cpp");
  const std::set<std::string> handled = Between(code, R"(command == FourCC(")", "\"");
  const std::set<std::string> menu =
      Between(ReadFile(kInterface / "IDR_MENU.ui"), R"(name="command" stdset="0"><string>)", "</string>");
  ASSERT_FALSE(handled.empty());
  for (const std::string& command : handled) EXPECT_EQ(menu.count(command), 1u) << "'" << command << "'";
}

}  // namespace
