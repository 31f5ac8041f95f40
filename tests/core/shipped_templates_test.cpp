// The page templates shipped in the repository's Templates folder: each is a
// complete, self-contained page in windows-1252 that fills every part of the
// letter exactly once, and has its thumbnail beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "render/catalogue.h"
#include "test_support.h"
#include "util/text.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;

// WORDLARK_TEST_DATA is <source>/tests/data.
const fs::path kTemplates = fs::path(WORDLARK_TEST_DATA).parent_path().parent_path() / "Templates";

// Every placeholder the renderer fills, in its order of replacement.
const std::vector<std::string> kPlaceholders = {
    "PAGETITLE",     "HEADERPICTURE", "ECOVERPICTURE", "MAINBGCOLOR",  "FOOTERPICTURE",
    "ORDERHEADLINE", "FROMFULLNAME",  "FULLNAME",      "CURRENTDATE",  "ATTENTION",
    "OPENING",       "INTRODUCTION",  "CLOSING",       "PS",           "ORDERCODE",
    "CLICKBANKCODE", "PAYPALCODE",    "AFFILIATEID",   "TESTIMONIALS", "FEATURES",
};

std::vector<fs::path> ShippedTemplates() {
  std::vector<fs::path> files;
  for (const TemplateEntry& entry : ScanTemplates(kTemplates)) {
    files.push_back(entry.file);
  }
  return files;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The <meta ...> tags of a page, lower-cased.
std::vector<std::string> MetaTags(const std::string& page) {
  const std::string lower = AsciiLower(page);
  std::vector<std::string> tags;
  for (std::size_t at = lower.find("<meta"); at != std::string::npos;
       at = lower.find("<meta", at + 1)) {
    tags.push_back(lower.substr(at, lower.find('>', at) - at));
  }
  return tags;
}

// How often each %%NAME%% stands in the text, read left to right the way the
// page is seen: "%%A%%%%B%%" is A then B.
std::map<std::string, int> PlaceholderCounts(const std::string& text) {
  std::map<std::string, int> counts;
  std::size_t at = text.find("%%");
  while (at != std::string::npos) {
    std::size_t end = at + 2;
    while (end < text.size() && std::isupper(static_cast<unsigned char>(text[end]))) {
      ++end;
    }
    if (end > at + 2 && text.compare(end, 2, "%%") == 0) {
      ++counts[text.substr(at + 2, end - at - 2)];
      at = text.find("%%", end + 2);
    } else {
      ++counts["(stray %%)"];
      at = text.find("%%", at + 2);
    }
  }
  return counts;
}

TEST(ShippedTemplates, AtLeastThreeShipEachWithAFourByThreePngThumbnail) {
  const std::vector<fs::path> templates = ShippedTemplates();
  EXPECT_GE(templates.size(), 3u);
  for (const fs::path& tem : templates) {
    fs::path png = tem;
    png.replace_extension(".png");
    SCOPED_TRACE(png.string());
    ASSERT_TRUE(fs::is_regular_file(png));
    const std::string bytes = ReadBytes(png);
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    const auto be32 = [&](std::size_t at) {
      std::uint32_t v = 0;
      for (std::size_t i = 0; i < 4; ++i) {
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
      }
      return v;
    };
    const std::uint32_t width = be32(16);
    const std::uint32_t height = be32(20);
    // A thumbnail, not a full screenshot: small and 4:3 like the list's icons.
    EXPECT_EQ(width * 3, height * 4) << width << "x" << height;
    EXPECT_GE(width, 96u);
    EXPECT_LE(width, 480u);
  }
}

TEST(ShippedTemplates, DeclareTheCodePageAndAPhoneViewport) {
  for (const fs::path& tem : ShippedTemplates()) {
    SCOPED_TRACE(tem.string());
    bool code_page = false;
    bool viewport = false;
    for (const std::string& tag : MetaTags(ReadBytes(tem))) {
      code_page = code_page || (Contains(tag, "http-equiv=\"content-type\"") &&
                                Contains(tag, "charset=windows-1252"));
      viewport =
          viewport || (Contains(tag, "name=\"viewport\"") && Contains(tag, "width=device-width"));
    }
    EXPECT_TRUE(code_page);
    EXPECT_TRUE(viewport);
  }
}

TEST(ShippedTemplates, UseEveryPlaceholderExactlyOnceAndNoOther) {
  for (const fs::path& tem : ShippedTemplates()) {
    SCOPED_TRACE(tem.string());
    std::map<std::string, int> counts = PlaceholderCounts(ReadBytes(tem));
    for (const std::string& name : kPlaceholders) {
      EXPECT_EQ(counts[name], 1) << "%%" << name << "%%";
      counts.erase(name);
    }
    for (const auto& [name, count] : counts) {
      ADD_FAILURE() << "unknown placeholder " << name << " (" << count << "x)";
    }
  }
}

TEST(ShippedTemplates, AreWholeAsciiPagesThatNeitherRunNorLoadAnything) {
  for (const fs::path& tem : ShippedTemplates()) {
    SCOPED_TRACE(tem.string());
    const std::string page = ReadBytes(tem);
    const auto non_ascii = std::find_if(page.begin(), page.end(), [](char c) {
      return static_cast<unsigned char>(c) > 0x7E ||
             (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r' && c != '\t');
    });
    EXPECT_TRUE(non_ascii == page.end())
        << "byte " << static_cast<int>(static_cast<unsigned char>(*non_ascii)) << " at offset "
        << (non_ascii - page.begin());
    const std::string lower = AsciiLower(page);
    EXPECT_EQ(lower.rfind("<!doctype html>", 0), 0u);
    EXPECT_TRUE(Contains(lower, "<body") && Contains(lower, "</html>"));
    for (const char* banned : {"<script", "javascript:", "@import", "@font-face", "url(",
                               "http:", "https:", "<link", "<iframe", "<object", "<embed"}) {
      EXPECT_FALSE(Contains(lower, banned)) << banned;
    }
  }
}

}  // namespace
}  // namespace wordlark
