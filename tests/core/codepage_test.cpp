// Conversion between windows-1252 bytes and the program's UTF-8 text.
#include "util/codepage.h"

#include <gtest/gtest.h>

namespace wordlark {
namespace {

TEST(Codepage, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Utf8ToCp1252Html(utf8), all);
  EXPECT_EQ(EncodeTextFile(DecodeTextFile(all)), all);
}

TEST(Codepage, MapsTheUpperHalfAsTheWebDoes) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x80", "\xE2\x82\xAC"},  // euro sign
      {"\x81", "\xC2\x81"},      // undefined bytes keep their value
      {"\x8D", "\xC2\x8D"},     {"\x8F", "\xC2\x8F"},     {"\x90", "\xC2\x90"},
      {"\x9D", "\xC2\x9D"},     {"\x93", "\xE2\x80\x9C"},  // left double quotation mark
      {"\x9F", "\xC5\xB8"},                                // Y with diaeresis
      {"\xAF", "\xC2\xAF"},                                // macron
      {"\xE9", "\xC3\xA9"},
  };
  for (const auto& [byte, utf8] : cases) {
    EXPECT_EQ(Cp1252ToUtf8(byte), utf8);
    EXPECT_EQ(Utf8ToCp1252(utf8), byte);
  }
}

TEST(Codepage, CharactersOutsideThePage) {
  const std::string text = "a\xE2\x82\xAC\xE6\x97\xA5\xF0\x9F\x98\x80\xC5\x81z";  // a € 日 😀 Ł z
  EXPECT_EQ(Utf8ToCp1252(text), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252Html(text), "a\x80&#26085;&#128512;&#321;z");
  // Bytes that are not UTF-8 at all are never passed on as they stand.
  EXPECT_EQ(Utf8ToCp1252("\xFF"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252Html("x\xC3"), "x&#65533;");
  EXPECT_EQ(Utf8ToCp1252Html("\xED\xA0\x80"), "&#65533;&#65533;&#65533;");
}

TEST(Codepage, TextFilesChooseTheirEncoding) {
  EXPECT_EQ(EncodeTextFile("caf\xC3\xA9"), "caf\xE9");
  EXPECT_EQ(EncodeTextFile("\xE6\x97\xA5"), "\xEF\xBB\xBF\xE6\x97\xA5");
  EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF\xE6\x97\xA5"), "\xE6\x97\xA5");
  EXPECT_EQ(DecodeTextFile("caf\xE9"), "caf\xC3\xA9");
}

}  // namespace
}  // namespace wordlark
