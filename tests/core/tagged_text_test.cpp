// The tagged text reader and writer.
#include "util/tagged_text.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "util/codepage.h"
#include "util/error.h"

namespace wordlark {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(ReadTaggedValue, TagsMatchInAnyCaseAndValuesKeepTheirs) {
  std::string text = "<%%pagetitle%%>Hi There<%%/PAGETITLE%%>\r\n";
  EXPECT_EQ(ReadTaggedValue(text, "PageTitle"), "Hi There");
  EXPECT_EQ(text, "<%%/PAGETITLE%%>\r\n");
}

TEST(ReadTaggedValue, ConsumesInFileOrder) {
  const std::string file =
      "<%%A%%>1<%%/A%%>\r\n<%%E%%><%%/E%%>\r\n<%%B%%>\r\nx\r\n<%%/B%%>\r\n<%%A%%>2<%%/A%%>\r\n";
  {
    // A missing entry consumes nothing; an empty one reads like a missing one.
    std::string text = file;
    EXPECT_EQ(ReadTaggedValue(text, "Missing"), "");
    EXPECT_EQ(text, file);
    EXPECT_EQ(ReadTaggedValue(text, "A"), "1");
    EXPECT_EQ(ReadTaggedValue(text, "E"), "");
    EXPECT_EQ(ReadTaggedValue(text, "B"), "\r\nx\r\n");
    EXPECT_EQ(ReadTaggedValue(text, "A"), "2");
    EXPECT_EQ(ReadTaggedValue(text, "A"), "");
  }
  {
    // An entry standing before the one read last is gone.
    std::string text = file;
    EXPECT_EQ(ReadTaggedValue(text, "B"), "\r\nx\r\n");
    EXPECT_EQ(ReadTaggedValue(text, "E"), "");
    EXPECT_EQ(ReadTaggedValue(text, "A"), "2");
  }
}

TEST(ReadTaggedValue, OpeningTagWithoutClosingTag) {
  std::string text = "<%%A%%>dangling\r\n<%%B%%>b<%%/B%%>\r\n";
  EXPECT_EQ(ReadTaggedValue(text, "A"), "");
  EXPECT_EQ(text, "dangling\r\n<%%B%%>b<%%/B%%>\r\n");
  EXPECT_EQ(ReadTaggedValue(text, "B"), "b");
}

TEST(ReadTaggedValue, NestedEntryEndsTheValueAtTheFirstClosingTag) {
  std::string text = FormatTaggedEntry("T", "cut<%%/T%%>rest") + "\r\n";
  EXPECT_EQ(ReadTaggedValue(text, "T"), "cut");
}

TEST(TaggedFile, LinesAreJoinedWithCrLfAndEndAtNul) {
  TempDir dir;
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
      {"a\r\n\r\n", "a\r\n\r\n"},
      {std::string("ab\0cd\r\nef", 9), "ab\r\n"},
      {"caf\xE9", "caf\xC3\xA9\r\n"},
      {"\xEF\xBB\xBF"
       "caf\xC3\xA9 \xE2\x82\xAC",
       "caf\xC3\xA9 \xE2\x82\xAC\r\n"},
  };
  for (const auto& [bytes, text] : cases) {
    WriteBytes(dir / "f.set", bytes);
    EXPECT_EQ(LoadTaggedText(dir / "f.set"), text);
  }
  EXPECT_THROW(LoadTaggedText(dir / "missing.set"), FileError);
}

TEST(TaggedFile, WrittenValuesReadBack) {
  TempDir dir;
  TaggedTextWriter writer;
  writer.Add("PageTitle", "Caf\xC3\xA9 deals");
  writer.Add("PaypalCode", "<form>\r\n<input>\r\n</form>");
  writer.Add("Lone", "a\nb");
  writer.Add("Empty", "");
  SaveTaggedText(dir / "w.set", writer.Text());

  // Representable text goes out as windows-1252, each line ending in CR LF.
  EXPECT_EQ(ReadBytes(dir / "w.set"),
            "<%%PageTitle%%>Caf\xE9 deals<%%/PageTitle%%>\r\n"
            "<%%PaypalCode%%><form>\r\n<input>\r\n</form><%%/PaypalCode%%>\r\n"
            "<%%Lone%%>a\r\nb<%%/Lone%%>\r\n"
            "<%%Empty%%><%%/Empty%%>\r\n");

  std::string text = LoadTaggedText(dir / "w.set");
  EXPECT_EQ(ReadTaggedValue(text, "PageTitle"), "Caf\xC3\xA9 deals");
  EXPECT_EQ(ReadTaggedValue(text, "PaypalCode"), "<form>\r\n<input>\r\n</form>");
  EXPECT_EQ(ReadTaggedValue(text, "Lone"), "a\r\nb");
  EXPECT_EQ(ReadTaggedValue(text, "Empty"), "");
}

TEST(TaggedFile, TextOutsideWindows1252IsWrittenAsUtf8) {
  TempDir dir;
  TaggedTextWriter writer;
  writer.Add("PageTitle", "\xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC");  // CJK and the euro sign
  SaveTaggedText(dir / "u.set", writer.Text());
  EXPECT_EQ(ReadBytes(dir / "u.set"),
            "\xEF\xBB\xBF<%%PageTitle%%>\xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC<%%/PageTitle%%>\r\n");
  std::string text = LoadTaggedText(dir / "u.set");
  EXPECT_EQ(ReadTaggedValue(text, "PageTitle"), "\xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC");
}

}  // namespace
}  // namespace wordlark
