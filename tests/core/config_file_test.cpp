// Configuration files: the saved text, round trips of every value kind, the
// load errors (which change nothing) and the reader's order rules.
#include "letter/config_file.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "util/error.h"
#include "util/text.h"

namespace wordlark {
namespace {

using test::FullLetter;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::filesystem::path kData = WORDLARK_TEST_DATA;

TEST(SaveConfiguration, WritesTheFortyTwoEntriesInOrder) {
  TempDir dir;
  SaveConfiguration(dir / "letter.set", LetterConfiguration{});
  EXPECT_EQ(ReadBytes(dir / "letter.set"), ReadBytes(kData / "letter/default.set"));
}

TEST(SaveConfiguration, RoundTripsEveryValueKind) {
  TempDir dir;
  const LetterConfiguration saved = FullLetter();
  SaveConfiguration(dir / "letter.set", saved);
  const std::string bytes = ReadBytes(dir / "letter.set");
  EXPECT_NE(bytes.find("<%%FBold%%>-1<%%/FBold%%>\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("<%%PaypalCode%%><form>\r\n<input type=hidden>\r\n</form><%%/PaypalCode%%>"),
            std::string::npos);
  EXPECT_NE(bytes.find("<%%Features%%>^Fast^Very$$quick^\r\n^Small^Fits$$anywhere^\r\n"
                       "<%%/Features%%>"),
            std::string::npos);

  LetterConfiguration loaded;
  ASSERT_TRUE(LoadConfiguration(dir / "letter.set", loaded));
  EXPECT_EQ(loaded, saved);
}

TEST(SaveConfiguration, EditorsAreSavedOnOneLine) {
  TempDir dir;
  LetterConfiguration l;
  l.prfEditor1.SetHtml("<div>one</div>\r\n<div>two  three    four</div>\n");
  SaveConfiguration(dir / "letter.set", l);
  EXPECT_NE(ReadBytes(dir / "letter.set")
                .find("<%%prfEditor1%%><div>one</div><div>twothreefour</div><%%/prfEditor1%%>"),
            std::string::npos);
  LetterConfiguration loaded;
  LoadConfiguration(dir / "letter.set", loaded);
  EXPECT_EQ(loaded.prfEditor1.body(), "<div>one</div><div>twothreefour</div>");
}

TEST(SaveConfiguration, KeepsWindows1252UnlessATextNeedsMore) {
  TempDir dir;
  LetterConfiguration l;
  l.edtPageTitle = "Caf\u00e9 \u20ac";  // both have a windows-1252 byte
  SaveConfiguration(dir / "a.set", l);
  const std::string narrow = ReadBytes(dir / "a.set");
  EXPECT_TRUE(narrow.starts_with("<%%PageTitle%%>Caf\xe9 \x80<%%/PageTitle%%>\r\n"));

  l.edtAttention = "\u2192 \u65e5\u672c";  // these have none
  SaveConfiguration(dir / "b.set", l);
  const std::string wide = ReadBytes(dir / "b.set");
  EXPECT_TRUE(wide.starts_with("\xEF\xBB\xBF<%%PageTitle%%>Caf\u00e9 \u20ac"));
  LetterConfiguration loaded;
  LoadConfiguration(dir / "b.set", loaded);
  EXPECT_EQ(loaded, l);
}

TEST(SaveConfiguration, EmptyListsAreEmptyEntries) {
  TempDir dir;
  LetterConfiguration l = FullLetter();
  l.FeatureList.clear();
  l.TestimonialList = {"^Only^w^b^", ""};  // an empty entry is kept as an empty line
  SaveConfiguration(dir / "letter.set", l);
  EXPECT_NE(ReadBytes(dir / "letter.set").find("<%%Features%%><%%/Features%%>\r\n"),
            std::string::npos);
  LetterConfiguration loaded = FullLetter();
  LoadConfiguration(dir / "letter.set", loaded);
  EXPECT_TRUE(loaded.FeatureList.empty());
  EXPECT_EQ(loaded.TestimonialList, l.TestimonialList);
}

TEST(SaveConfiguration, RefusesValuesThatWouldNotComeBack) {
  TempDir dir;
  const auto file = dir / "letter.set";
  WriteBytes(file, "previous");
  struct Case {
    const char* what;
    void (*spoil)(LetterConfiguration&);
  } cases[] = {
      {"own closing tag", [](LetterConfiguration& l) { l.edtPageTitle = "a<%%/pagetitle%%>b"; }},
      {"NUL", [](LetterConfiguration& l) { l.edtAttention = std::string("a\0b", 3); }},
      {"line break in an entry", [](LetterConfiguration& l) { l.FeatureList = {"^a^b\nc^"}; }},
  };
  for (const auto& c : cases) {
    LetterConfiguration l;
    c.spoil(l);
    EXPECT_THROW(SaveConfiguration(file, l), Error) << c.what;
    EXPECT_EQ(ReadBytes(file), "previous") << c.what;
  }
  // Another entry's tags are harmless.
  LetterConfiguration l;
  l.edtPageTitle = "<%%/FullName%%><%%FullName%%>";
  l.edtFullName = "Ann";
  SaveConfiguration(file, l);
  LetterConfiguration loaded;
  LoadConfiguration(file, loaded);
  EXPECT_EQ(loaded, l);
}

TEST(SaveConfiguration, ReportsAFileThatCannotBeCreated) {
  TempDir dir;
  const auto file = dir / "missing" / "letter.set";
  try {
    SaveConfiguration(file, LetterConfiguration{});
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Cannot create file \"" + file.string() + "\". "))
        << e.what();
  }
}

// The error's text is the window's; its entry is for the tools to name.
TEST(LoadConfiguration, ErrorsChangeNothing) {
  struct Case {
    const char* what;
    std::string file;
    const char* error;
    const char* entry;
  } cases[] = {
      {"empty file", "", "'' is not a valid integer value", "FSize"},
      {"bad size", "<%%FSize%%>abc<%%/FSize%%>", "'abc' is not a valid integer value", "FSize"},
      {"size with a blank after it", "<%%FSize%%>13 <%%/FSize%%>",
       "'13 ' is not a valid integer value", "FSize"},
      {"bad colour", "<%%FBgColor%%>#GG0000<%%/FBgColor%%><%%FSize%%>1<%%/FSize%%>",
       "'$000000GG' is not a valid integer value", "FBgColor"},
      {"bad flag", "<%%FSize%%>13<%%/FSize%%><%%FUnderline%%>yes<%%/FUnderline%%>",
       "'yes' is not a valid boolean value", "FUnderline"},
      {"missing flag", "<%%FSize%%>13<%%/FSize%%>", "'' is not a valid boolean value",
       "FUnderline"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    WriteBytes(dir / "letter.set", c.file);
    LetterConfiguration letter = FullLetter();
    try {
      LoadConfiguration(dir / "letter.set", letter);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EntryError& e) {
      EXPECT_EQ(std::string(e.what()), c.error) << c.what;
      EXPECT_EQ(e.entry(), c.entry) << c.what;
    }
    EXPECT_EQ(letter, FullLetter()) << c.what;
  }
}

TEST(LoadConfiguration, AMissingFileChangesNothingAndAFolderIsAnError) {
  TempDir dir;
  LetterConfiguration letter = FullLetter();
  EXPECT_FALSE(LoadConfiguration(dir / "nothing.set", letter));
  EXPECT_EQ(letter, FullLetter());
  EXPECT_THROW(LoadConfiguration(dir.path(), letter), FileError);
  EXPECT_EQ(letter, FullLetter());
}

// A file holding, after `before`, only the entries that cannot be left out:
// the sizes and flags, in file order, with the given values for the features.
std::string MinimalFile(const std::string& before, const std::string& f_size = "9",
                        const std::string& f_flags = "False") {
  std::string text = before;
  for (const char* list : {"F", "T", "O"}) {
    const bool features = std::string(list) == "F";
    text += std::string("<%%") + list + "Size%%>" + (features ? f_size : "9") + "<%%/" + list +
            "Size%%>\r\n";
    for (const char* style : {"Underline", "Italic", "Bold"}) {
      text += std::string("<%%") + list + style + "%%>" + (features ? f_flags : "False") + "<%%/" +
              list + style + "%%>\r\n";
    }
  }
  return text;
}

TEST(LoadConfiguration, MissingEntriesReadAsEmpty) {
  TempDir dir;
  WriteBytes(dir / "letter.set", MinimalFile(""));
  LetterConfiguration letter = FullLetter();
  ASSERT_TRUE(LoadConfiguration(dir / "letter.set", letter));
  EXPECT_EQ(letter.edtPageTitle, "");
  EXPECT_EQ(letter.edtFooterPicture, "");
  EXPECT_EQ(letter.cbxMainBgColor, kColorBlack);
  EXPECT_EQ(letter.cbxOBgColor, kColorBlack);
  EXPECT_TRUE(letter.prfEditor2.IsExactlyEmpty());
  EXPECT_TRUE(letter.FeatureList.empty());
  EXPECT_EQ(letter.cbxFName, "");  // the desktop keeps showing its previous font
  EXPECT_EQ(letter.cbxTSize, 9);
  EXPECT_FALSE(letter.chkOBold);
}

TEST(LoadConfiguration, FollowsTheReadersOrderRules) {
  TempDir dir;
  // FullName stands before PageTitle, so it is gone when its turn comes; the
  // old fourth editor is read and dropped, with the entries it holds.
  WriteBytes(dir / "letter.set", MinimalFile("<%%FullName%%>Ann<%%/FullName%%>\r\n"
                                             "<%%pagetitle%%>Hi<%%/PAGETITLE%%>\r\n"
                                             "<%%prfEditor4%%><%%Features%%>^Fake^x^<%%/Features%%>"
                                             "<%%/prfEditor4%%>\r\n"
                                             "<%%Features%%>^Real^y^\r\n<%%/Features%%>\r\n"
                                             "<%%FName%%>tahoma<%%/FName%%>\r\n"));
  LetterConfiguration letter;
  LoadConfiguration(dir / "letter.set", letter);
  EXPECT_EQ(letter.edtPageTitle, "Hi");
  EXPECT_EQ(letter.edtFullName, "");
  EXPECT_EQ(letter.FeatureList, std::vector<std::string>{"^Real^y^"});
  EXPECT_EQ(letter.cbxFName, "tahoma");
}

TEST(LoadConfiguration, AcceptsTheFlagAndSizeSpellingsOfOtherWriters) {
  TempDir dir;
  struct Case {
    const char* size;
    const char* flags;
    std::int32_t size_value;
    bool flag_value;
  } cases[] = {
      {"$10", "TRUE", 16, true},
      {"-7", "7", -7, true},
      {"0", "0", 0, false},
      {"+3", "false", 3, false},
  };
  for (const auto& c : cases) {
    WriteBytes(dir / "letter.set", MinimalFile("", c.size, c.flags));
    LetterConfiguration letter;
    LoadConfiguration(dir / "letter.set", letter);
    EXPECT_EQ(letter.cbxFSize, c.size_value) << c.size;
    EXPECT_EQ(letter.chkFItalic, c.flag_value) << c.flags;
    EXPECT_EQ(letter.chkFBold, c.flag_value) << c.flags;
  }
}

}  // namespace
}  // namespace wordlark
