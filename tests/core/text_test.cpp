// The shared text, colour and escape helpers.
#include "util/text.h"

#include <gtest/gtest.h>

#include "util/error.h"

namespace wordlark {
namespace {

using Pieces = std::vector<std::string>;

TEST(SplitAtChar, PiecesBetweenSeparators) {
  const struct {
    std::string text;
    Pieces pieces;
  } cases[] = {
      {"a^b^", {"a", "b"}},
      {"a^^b", {"a", "", "b"}},
      {"^a", {"", "a"}},
      {"^", {""}},
      {"", {}},
      {"^title^body$$more^", {"", "title", "body$$more"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitAtChar('^', c.text), c.pieces) << c.text;
  }
}

TEST(SplitAtChar, WorksOnRawBytes) {
  // The news service separates its records with the byte 0xAF.
  EXPECT_EQ(SplitAtChar('\xAF',
                        "1^t^d\xAF"
                        "2^u^e\xAF"),
            (Pieces{"1^t^d", "2^u^e"}));
}

TEST(EscapeLineBreaks, FoldsPairsAndDropsOneFinalPair) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"one\r\ntwo\r\n", "one$$two"},
      {"one\r\ntwo\r\n\r\n", "one$$two$$"},
      {"a\nb\rc", "a\nb\rc"},
      {"\r\n", ""},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(EscapeLineBreaks(in), out) << in;
  }
}

TEST(HexToColor, ReadsRedGreenBlue) {
  const std::pair<std::string, ColorValue> cases[] = {
      {"#FF8000", 0x000080FF}, {"FF8000", 0x000080FF},      {"", 0},
      {"#ffffd9", 0x00D9FFFF}, {"#C0DCC0FFFF", 0x00C0DCC0}, {"##12#3456", 0x00563412},
      {"#F", 0x0000000F},
  };
  for (const auto& [text, color] : cases) {
    EXPECT_EQ(HexToColor(text), color) << text;
  }
}

TEST(HexToColor, RejectsNonHexDigitsWithTheBuiltText) {
  const std::pair<std::string, std::string> cases[] = {
      {"#GG0000", "'$000000GG' is not a valid integer value"},
      {"#12 456", "'$0056 412' is not a valid integer value"},
      {"#12\xC3\xA9"
       "456",
       "'$0056\xC3\xA9"
       "412' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    try {
      HexToColor(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const ConvertError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

TEST(ColorToHex, WritesRedGreenBlueAndDropsTheTopByte) {
  EXPECT_EQ(ColorToHex(0x000080FF), "#FF8000");
  EXPECT_EQ(ColorToHex(0xFF000000), "#000000");
  EXPECT_EQ(ColorToHex(0xFF00000F), "#0F0000");
  EXPECT_EQ(ColorToHex(0x00D9FFFF), "#FFFFD9");
  for (ColorValue c : {0x00000000u, 0x00123456u, 0x00FFFFFFu, 0x00ABCDEFu}) {
    EXPECT_EQ(HexToColor(ColorToHex(c)), c);
  }
}

TEST(DecodeDollarHex, DecodesEscapesOrGivesNothing) {
  const std::pair<std::string, std::string> cases[] = {
      {"$3Cb$3E", "<b>"},
      {"$24", "$"},
      {"$2424", "$24"},
      {"ab$7", std::string("ab\x07", 3)},
      {"ab$", ""},
      {"$4G", ""},
      {"plain", "plain"},
      {"$e9t$E9", "\xE9t\xE9"},
      {"$00x", std::string("\0x", 2)},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(DecodeDollarHex(in), out) << in;
  }
}

TEST(ReplaceAll, OnePassThatDoesNotRescan) {
  EXPECT_EQ(ReplaceAll("a  b   c    d", "  ", ""), "ab cd");
  EXPECT_EQ(ReplaceAll("%%X%%X%%", "%%X%%", "%%X%%"), "%%X%%X%%");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(StrToInt, DecimalAndHexadecimal) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"13", 13},
      {"-7", -7},
      {"+5", 5},
      {" 42", 42},
      {"$1F", 31},
      {"0x10", 16},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(StrToInt(text), value) << text;
  }
  for (const char* bad : {"", "abc", "12a", "1.5", "2147483648", "$", "- 1", "13 "}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "no error for '" << bad << "'";
    } catch (const ConvertError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
}

TEST(StrToBool, NumbersAndWords) {
  const std::pair<std::string, bool> cases[] = {
      {"-1", true},   {"0", false},     {"1", true},    {"2.5", true},    {"0.0", false},
      {"True", true}, {"FALSE", false}, {"true", true}, {"fAlSe", false},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(StrToBool(text), value) << text;
  }
  for (const char* bad : {"", "yes", "inf", "nan", "1x", "-"}) {
    try {
      StrToBool(bad);
      ADD_FAILURE() << "no error for '" << bad << "'";
    } catch (const ConvertError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid boolean value");
    }
  }
}

TEST(AsciiCase, FoldsAsciiLettersOnly) {
  EXPECT_EQ(AsciiUpper("pageTitle \xC3\xA9"), "PAGETITLE \xC3\xA9");
  EXPECT_EQ(AsciiLower("Times New ROMAN"), "times new roman");
  EXPECT_TRUE(EqualsIgnoreAsciiCase("Arial", "ARIAL"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC3\xA9", "\xC3\x89"));
}

}  // namespace
}  // namespace wordlark
