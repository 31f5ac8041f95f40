// Faults found by the fuzz targets in fuzz/, each kept with the smallest input
// that showed it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "brand/brand_settings.h"
#include "letter/config_file.h"
#include "util/error.h"
#include "util/tagged_text.h"

namespace wordlark {
namespace {

const std::filesystem::path kFuzzData = std::filesystem::path(WORDLARK_TEST_DATA) / "fuzz";

LetterConfiguration SavedAndLoaded(const LetterConfiguration& letter) {
  return ParseConfiguration(TaggedTextFromBytes(FormatConfiguration(letter)));
}

// The loader reads and drops a "prfEditor4" entry after the tenth entry,
// wherever its opening tag stands. A later value holding that tag was saved
// as it was, and the file then lost every entry up to it (or failed to load).
TEST(FuzzRegressions, ConfigurationRefusesTheDroppedEditorsTagInLaterValues) {
  // The fuzzer's file: a real dropped editor after the tenth entry, and the
  // tag once more inside the product name. It loads, so it must not save into
  // a file that does not.
  const LetterConfiguration loaded = ParseConfiguration(
      LoadTaggedText(kFuzzData / "config_dropped_editor_tag_in_later_value.set"));
  EXPECT_EQ(loaded.edtProductName, "<%%prfEditor4%%>");
  EXPECT_THROW(FormatConfiguration(loaded), Error);

  struct Case {
    const char* what;
    void (*set)(LetterConfiguration&);
    bool refused;
  } cases[] = {
      {"product name", [](LetterConfiguration& l) { l.edtProductName = "<%%prfEditor4%%>"; }, true},
      {"any letter case", [](LetterConfiguration& l) { l.edtFooterPicture = "a<%%PRFEDITOR4%%>"; },
       true},
      {"list entry", [](LetterConfiguration& l) { l.FeatureList = {"^<%%prfeditor4%%>^b^"}; },
       true},
      {"editor", [](LetterConfiguration& l) { l.prfEditor10.SetHtml("<p><%%prfEditor4%%></p>"); },
       true},
      // Values read before the dropped editor is looked for are harmless.
      {"first entry", [](LetterConfiguration& l) { l.edtPageTitle = "<%%prfEditor4%%>x"; }, false},
      {"tenth entry", [](LetterConfiguration& l) { l.prfEditor3.SetHtml("<%%prfEditor4%%>"); },
       false},
      // So is its closing tag alone.
      {"closing tag", [](LetterConfiguration& l) { l.edtProductName = "<%%/prfEditor4%%>"; },
       false},
  };
  for (const Case& c : cases) {
    LetterConfiguration letter;
    c.set(letter);
    if (c.refused) {
      EXPECT_THROW(FormatConfiguration(letter), Error) << c.what;
    } else {
      EXPECT_EQ(SavedAndLoaded(letter), letter) << c.what;
    }
  }
}

// Hidden list entries were read by copying and searching the rest of the
// text once per entry tag: quadratic time for many tags, and quadratic memory
// for tags nested inside one long value.
TEST(FuzzRegressions, HiddenBrandEntriesStayLinear) {
  // Tags without a closing tag: nothing to report, found in linear time.
  std::string unclosed;
  for (int i = 0; i < 100000; ++i) {
    unclosed += "<%%Welcome99%%>x";
  }
  const auto start = std::chrono::steady_clock::now();
  const ParsedBrandSettings parsed = ParseBrandSettings(TaggedTextFromBytes(unclosed));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(parsed.hidden.empty());
  // Linear reading takes milliseconds; the quadratic one took minutes.
  EXPECT_LT(elapsed, std::chrono::seconds(10));

  // Tags nested in one long value: the outer entry holds the inner ones.
  std::string nested;
  for (int i = 0; i < 2000; ++i) {
    nested += "<%%Link" + std::to_string(20 + i % 3) + "%%>abc";
  }
  nested += "<%%/Link20%%><%%/Link21%%><%%/Link22%%>";
  const std::string text = TaggedTextFromBytes(nested);
  const ParsedBrandSettings deep = ParseBrandSettings(text);
  std::size_t reported = 0;
  for (const HiddenBrandEntry& entry : deep.hidden) {
    reported += entry.value.size();
  }
  EXPECT_LE(reported, text.size());
  ASSERT_FALSE(deep.hidden.empty());
  EXPECT_EQ(deep.hidden.front().tag, "Link20");
  EXPECT_TRUE(deep.hidden.front().value.starts_with("abc<%%Link21%%>abc<%%Link22%%>abc"));
}

}  // namespace
}  // namespace wordlark
