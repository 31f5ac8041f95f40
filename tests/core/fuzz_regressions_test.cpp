// Faults found by the fuzz targets in fuzz/, each kept with the smallest input
// that showed it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
}  // namespace wordlark
