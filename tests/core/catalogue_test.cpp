// The template catalogue: which files it lists, their order and names, and
// how user paths are resolved.
#include "render/catalogue.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "util/error.h"

namespace wordlark {
namespace {

using test::TempDir;
using test::WriteBytes;

TEST(TemplateCatalogue, ListsTemplatesSortedWithTheirRealFiles) {
  TempDir dir;
  for (const char* name : {"classic.tem", "Bold.tem", "a.tem.tem", "news.TEM", "1st.tem",
                           "readme.txt", "temple", "zeta.tem.bak"}) {
    WriteBytes(dir / name, "<html></html>");
  }
  std::filesystem::create_directory(dir / "folder.tem");

  const auto catalogue = ScanTemplates(dir.path());
  std::vector<std::pair<std::string, std::string>> listed;
  for (const auto& entry : catalogue) {
    listed.emplace_back(entry.name, entry.file.filename().string());
    EXPECT_EQ(entry.file.parent_path(), dir.path());
  }
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"1st", "1st.tem"},         {"A", "a.tem.tem"},       {"Bold", "Bold.tem"},
      {"Classic", "classic.tem"}, {"News.TEM", "news.TEM"},
  };
  EXPECT_EQ(listed, expected);
}

TEST(TemplateCatalogue, NamesEntriesLikeTheWizard) {
  struct Case {
    const char* file;
    const char* name;
  } cases[] = {
      {"classic.tem", "Classic"},
      {"a.tem.tem", "A"},
      {"news.TEM", "News.TEM"},
      {"_x.tem", "_x"},
      {"\xc3\xa9t\xc3\xa9.tem", "\xc3\xa9t\xc3\xa9"},
      {"my.temple.tem", "Myple"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TemplateEntryName(c.file), c.name) << c.file;
  }
}

TEST(TemplateCatalogue, AnEmptyFolderGivesNoEntryAndAMissingOneAnError) {
  TempDir dir;
  EXPECT_TRUE(ScanTemplates(dir.path()).empty());
  try {
    ScanTemplates(dir / "Templates");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find((dir / "Templates").string()), std::string::npos)
        << e.what();
  }
}

TEST(TemplateCatalogue, FindsEntriesByName) {
  const std::vector<TemplateEntry> catalogue = {{"Bold", "/t/Bold.tem"},
                                                {"Classic", "/t/classic.tem"},
                                                {"News", "/t/news.tem"},
                                                {"NEWS", "/t/NEWS.tem"}};
  EXPECT_EQ(FindTemplate(catalogue, "Classic")->file, "/t/classic.tem");
  EXPECT_EQ(FindTemplate(catalogue, "bold")->file, "/t/Bold.tem");
  EXPECT_EQ(FindTemplate(catalogue, "NEWS")->file, "/t/NEWS.tem");
  EXPECT_EQ(FindTemplate(catalogue, "news"), nullptr);  // two entries would fit
  EXPECT_EQ(FindTemplate(catalogue, "Plain"), nullptr);
}

TEST(ResolveUserPath, RelativePathsStartAtTheBaseFolder) {
  EXPECT_EQ(ResolveUserPath("pic.png", "/t"), "/t/pic.png");
  EXPECT_EQ(ResolveUserPath("sub/pic.png", "/t"), "/t/sub/pic.png");
  EXPECT_EQ(ResolveUserPath("/abs/pic.png", "/t"), "/abs/pic.png");
}

}  // namespace
}  // namespace wordlark
