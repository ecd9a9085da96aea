// Project files that are too big for a project, and read failures: each is refused with the
// cause named (the system's error, or the bound the document broke), before a large tree is
// built and with the open project left as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "ProjectTestSupport.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

namespace {

using projecttest::Describe;
using projecttest::FileWith;
using projecttest::ScratchDir;
using projecttest::WriteText;

// A project document with `inside` in its "imports" list.
std::string ProjectHolding(const std::string& inside, const std::string& attributes = "") {
  return FileWith("<preloader_data percent=\"7\" " + attributes + " >\n<imports selection=\"-1\" >\n" + inside +
                  "</imports>\n</preloader_data>\n");
}

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

TEST(ProjectDocumentBounds, DocumentsBeyondWhatAProjectHoldsAreRefused) {
  const host::xml::Limits& bounds = ProjectDocumentLimits();
  std::string manyAttributes;
  for (size_t i = 0; i <= bounds.maxAttributes; ++i) manyAttributes += "a" + std::to_string(i) + "=\"\" ";
  // Elements that fit every other bound but together take more memory than a project may.
  std::string wide = "<imports ";
  for (size_t i = 0; i < bounds.maxAttributes; ++i) wide += "a" + std::to_string(i) + "=\"\" ";
  wide += "/>\n";
  const std::string longValue(bounds.maxValueBytes + 1, 'q');
  const struct {
    const char* what;
    std::string document;
    const char* reason;
  } cases[] = {
      {"a file larger than a project may be", ProjectHolding("<!--" + std::string(bounds.maxInputBytes, ' ') + "-->\n"),
       "the file is larger than 8 MB"},
      {"too many elements", ProjectHolding(Repeat("<imports />", bounds.maxNodes)),
       "the document has more than 100000 elements and texts"},
      {"too many attributes", ProjectHolding("<imports " + manyAttributes + "/>\n"),
       "an element has more than 256 attributes"},
      {"a value too long", ProjectHolding("", "target_url=\"" + longValue + "\""),
       "an attribute value is longer than 1 MB"},
      {"a text too long", ProjectHolding("<imports >" + longValue + "</imports>\n"), "a text is longer than 1 MB"},
      {"too much memory", ProjectHolding(Repeat(wide, bounds.maxInputBytes / wide.size() - 1)),
       "the document needs more than 64 MB of memory"},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteText(dir.Native("big.plw"), c.document);
    for (const bool snapshot : {false, true}) {
      PreloaderData project;
      const std::string before = Describe(project);
      std::string error;
      const bool read = snapshot ? ReadProjectSnapshot(dir.Path("big.plw"), project, &error)
                                 : OpenProjectFile(dir.Path("big.plw"), project, &error);
      EXPECT_FALSE(read);
      EXPECT_NE(error.find(c.reason), std::string::npos) << error.substr(0, 200);
      EXPECT_LT(error.size(), 200u) << "the message echoes the document";
      EXPECT_EQ(Describe(project), before);
    }
  }
  // A value right at the bound is read.
  WriteText(dir.Native("fits.plw"),
            ProjectHolding("", "target_url=\"" + std::string(bounds.maxValueBytes, 'q') + "\""));
  PreloaderData project;
  std::string error;
  ASSERT_TRUE(OpenProjectFile(dir.Path("fits.plw"), project, &error)) << error;
  EXPECT_EQ(project.GetTargetUrl().size(), bounds.maxValueBytes);
  EXPECT_EQ(project.GetPercent(), 7);
}

TEST(ProjectDocumentBounds, ReadAndWriteFailuresNameTheirCause) {
  ScratchDir dir;
  WriteText(dir.Native("not-xml.plw"), "this is not a project");
  WriteText(dir.Native("other.plw"), "<xml version=\"1.0\" encoding=\"UTF-8\">\n<other />\n</xml>\n");
  std::filesystem::create_directory(dir.Native("folder.plw"));
  const struct {
    const char* file;
    const char* cause;
    bool snapshotToo;
  } reads[] = {
      {"missing.plw", std::strerror(ENOENT), true},
      {"folder.plw", "it is a folder", true},
      {"not-xml.plw", "syntax error (line 1)", true},
      {"other.plw", "the file is no project", false},
  };
  for (const auto& r : reads) {
    SCOPED_TRACE(r.file);
    PreloaderData project;
    std::string error;
    EXPECT_FALSE(OpenProjectFile(dir.Path(r.file), project, &error));
    EXPECT_NE(error.find(r.cause), std::string::npos) << error;
    if (r.snapshotToo) {
      error.clear();
      EXPECT_FALSE(ReadProjectSnapshot(dir.Path(r.file), project, &error));
      EXPECT_NE(error.find(r.cause), std::string::npos) << error;
    }
  }
  const struct {
    const char* file;
    const char* cause;
  } writes[] = {
      {"folder.plw", std::strerror(EISDIR)},
      {"no/such/folder.plw", std::strerror(ENOENT)},
  };
  for (const auto& w : writes) {
    SCOPED_TRACE(w.file);
    PreloaderData project;
    std::string error;
    EXPECT_FALSE(SaveProjectFile(dir.Path(w.file), project, &error));
    EXPECT_NE(error.find(w.cause), std::string::npos) << error;
  }
}

}  // namespace
