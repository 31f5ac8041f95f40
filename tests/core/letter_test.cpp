// The features and testimonials lists: entry encoding, the create checks and
// the display names of the list model.
#include <gtest/gtest.h>

#include "letter/letter_configuration.h"
#include "letter/list_items.h"
#include "util/text.h"

namespace wordlark {
namespace {

TEST(LetterConfiguration, StartsWithTheWizardDefaults) {
  const LetterConfiguration l;
  EXPECT_EQ(ColorToHex(l.cbxMainBgColor), "#FFFFFF");
  EXPECT_EQ(ColorToHex(l.cbxFBgColor), "#FFFFD9");
  EXPECT_EQ(ColorToHex(l.cbxTBgColor), "#FFFFD9");
  EXPECT_EQ(ColorToHex(l.cbxOBgColor), "#C0DCC0");
  EXPECT_EQ(ColorToHex(l.cbxFColor), "#000000");
  EXPECT_EQ(l.cbxTName, "Arial");
  EXPECT_EQ(l.cbxOSize, 13);
  EXPECT_TRUE(l.prfEditor1.IsExactlyEmpty());
  EXPECT_EQ(l.prfEditor11.GetBodyHtml(), kEmptyEditorBody);
}

TEST(FeatureItem, EncodesTheBodyLineBreaksAsDollars) {
  struct Case {
    const char* body;
    const char* item;
  } cases[] = {
      {"one\r\ntwo\r\n", "^T^one$$two^"},  // the final line break is dropped
      {"one\r\ntwo", "^T^one$$two^"},
      {"one\r\n\r\n", "^T^one$$^"},    // only one final line break is dropped
      {"one\ntwo\n", "^T^one$$two^"},  // a memo that breaks lines with LF alone
      {"one\rtwo", "^T^one$$two^"},
      {"\r\n", "^T^^"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeFeatureItem("T", c.body), c.item) << c.body;
  }
  EXPECT_EQ(MakeTestimonialItem("Ann", "http://a.example", "Good\r\nstuff\r\n"),
            "^Ann^http://a.example^Good$$stuff^");
  // Entries are single lines whatever the one-line boxes were given.
  EXPECT_EQ(MakeFeatureItem("Two\nlines", "b"), "^Two lines^b^");
}

TEST(FeatureItem, CreateChecksGiveTheWarnings) {
  EXPECT_EQ(CheckFeatureInput("", "body"), kFeatureIncompleteMessage);
  EXPECT_EQ(CheckFeatureInput("title", ""), kFeatureIncompleteMessage);
  EXPECT_EQ(CheckFeatureInput(" ", "\r\n"), std::nullopt);  // blanks and a line break count
  EXPECT_EQ(CheckFeatureInput("a^b", "body"), "The character ^ cannot be used in a feature.");
  EXPECT_EQ(CheckFeatureInput("title", "x^"), kFeatureSeparatorMessage);
  EXPECT_EQ(CheckFeatureInput("", "x^"), kFeatureIncompleteMessage);

  EXPECT_EQ(CheckTestimonialInput("Ann", "", "Good"), kTestimonialIncompleteMessage);
  EXPECT_EQ(CheckTestimonialInput("", "w", "Good"),
            "Please provide a valid testimonial's content.");
  EXPECT_EQ(CheckTestimonialInput("Ann", "w", ""), kTestimonialIncompleteMessage);
  EXPECT_EQ(CheckTestimonialInput("Ann", "w^", "Good"),
            "The character ^ cannot be used in a testimonial.");
  EXPECT_EQ(CheckTestimonialInput("Ann", "w", "Good"), std::nullopt);
}

TEST(FeatureItem, DecodesFieldsAndToleratesShortEntries) {
  const FeatureFields f = DecodeFeatureItem("^Fast^Very$$quick^");
  EXPECT_EQ(f.title, "Fast");
  EXPECT_EQ(f.body, "Very$$quick");
  EXPECT_EQ(DecodeFeatureItem("^Only^").body, "");
  EXPECT_EQ(DecodeFeatureItem("").title, "");
  // A "^" in the title (from a file written elsewhere) takes the rest as body.
  EXPECT_EQ(DecodeFeatureItem("^a^b^real^").body, "b");

  const TestimonialFields t = DecodeTestimonialItem("^Bob^http://b^");
  EXPECT_EQ(t.name, "Bob");
  EXPECT_EQ(t.website, "http://b");
  EXPECT_EQ(t.body, "");

  EXPECT_EQ(FeatureDetails("^T^one$$two^"), "T\r\none\r\ntwo");
  EXPECT_EQ(TestimonialDetails("^N^W^a$$b^", "\n"), "N\nW\na\nb");
}

// A typed "$" is stored as "&#36;" (the page shows it as "$"), so it never
// meets another "$" as a line break; "$$" in a stored entry stays a break.
TEST(FeatureItem, TypedDollarsComeBackAsTyped) {
  struct Case {
    const char* body;
    const char* stored;
    const char* details;
  } cases[] = {
      {"Stop wasting $$$ on cheap notebooks", "Stop wasting &#36;&#36;&#36; on cheap notebooks",
       "Stop wasting $$$ on cheap notebooks"},
      {"I made $$$$", "I made &#36;&#36;&#36;&#36;", "I made $$$$"},
      {"$5\r\n$$\r\n", "&#36;5$$&#36;&#36;", "$5\r\n$$"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(DecodeFeatureItem(MakeFeatureItem("T", c.body)).body, c.stored);
    EXPECT_EQ(FeatureDetails(MakeFeatureItem("T", c.body)), std::string("T\r\n") + c.details);
    EXPECT_EQ(TestimonialDetails(MakeTestimonialItem("N", "W", c.body)),
              std::string("N\r\nW\r\n") + c.details);
  }
  // One-line fields are never read for line breaks, so they keep their "$".
  EXPECT_EQ(MakeTestimonialItem("$$ Sam", "w", "b"), "^$$ Sam^w^b^");
  // Entries stored before keep their meaning.
  EXPECT_EQ(FeatureDetails("^T^cost $$5^"), "T\r\ncost \r\n5");
}

TEST(FeatureListModel, NamesEntriesByTheCountBeforeThem) {
  FeatureListModel list;
  for (const char* title : {"a", "b", "c"}) {
    EXPECT_TRUE(list.Create(title, "body").changed);
  }
  EXPECT_TRUE(list.Delete(1).changed);
  EXPECT_TRUE(list.Create("d", "body").changed);
  EXPECT_EQ(list.display_names(),
            (std::vector<std::string>{"Feature 1", "Feature 3", "Feature 3"}));
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"^a^body^", "^c^body^", "^d^body^"}));
  EXPECT_EQ(list.Details(2), "d\r\nbody");

  list.Assign(list.entries());
  EXPECT_EQ(list.display_names(),
            (std::vector<std::string>{"Feature 1", "Feature 2", "Feature 3"}));
}

TEST(FeatureListModel, RefusedEditsLeaveTheListAlone) {
  FeatureListModel features;
  EXPECT_FALSE(features.Delete(std::nullopt).warning);  // empty list: nothing at all
  ASSERT_TRUE(features.Create("a", "b").changed);

  const ListEdit no_body = features.Create("title", "");
  EXPECT_FALSE(no_body.changed);
  EXPECT_EQ(no_body.warning, kFeatureIncompleteMessage);
  EXPECT_EQ(features.Create("t^", "b").warning, kFeatureSeparatorMessage);

  const ListEdit no_selection = features.Delete(std::nullopt);
  EXPECT_FALSE(no_selection.changed);
  EXPECT_EQ(no_selection.warning, "Please select a feature to delete.");
  EXPECT_EQ(features.Delete(5).warning, kFeatureDeleteMessage);
  EXPECT_EQ(features.size(), 1u);

  TestimonialListModel testimonials;
  EXPECT_EQ(testimonials.Create("Ann", "", "Good").warning, kTestimonialIncompleteMessage);
  ASSERT_TRUE(testimonials.Create("Ann", "http://a", "Good\r\nstuff").changed);
  EXPECT_EQ(testimonials.display_names(), std::vector<std::string>{"Testimonial 1"});
  EXPECT_EQ(testimonials.Details(0), "Ann\r\nhttp://a\r\nGood\r\nstuff");
  EXPECT_EQ(testimonials.Delete(std::nullopt).warning, "Please select a testimonial to delete.");
  EXPECT_TRUE(testimonials.Delete(0).changed);
  EXPECT_TRUE(testimonials.empty());
}

// The wizard's list page fills in a form of one-line fields and a body and
// hands it over without knowing which list it is.
TEST(EntryListModel, CreatesFromAFormInTheEntrysOrder) {
  FeatureListModel features;
  TestimonialListModel testimonials;
  EntryListModel& f = features;
  EntryListModel& t = testimonials;
  EXPECT_TRUE(f.CreateFromForm({"Fast", "Very\r\nquick\r\n"}).changed);
  EXPECT_TRUE(t.CreateFromForm({"Bob", "http://bob.example", "Great"}).changed);
  EXPECT_EQ(features.entries(), std::vector<std::string>{"^Fast^Very$$quick^"});
  EXPECT_EQ(testimonials.entries(), std::vector<std::string>{"^Bob^http://bob.example^Great^"});
  EXPECT_EQ(t.Details(0), "Bob\r\nhttp://bob.example\r\nGreat");
  EXPECT_EQ(t.Details(1), "");

  // A short form lacks its last fields, which are then empty.
  EXPECT_EQ(t.CreateFromForm({"Ann", "http://ann.example"}).warning, kTestimonialIncompleteMessage);
  EXPECT_EQ(f.CreateFromForm({}).warning, kFeatureIncompleteMessage);
  EXPECT_EQ(testimonials.size(), 1u);
}

TEST(EntryListModel, UpdatesTheSelectedEntryWithTheChecksOfCreate) {
  FeatureListModel features;
  EntryListModel& f = features;
  ASSERT_TRUE(features.Create("a", "1").changed);
  ASSERT_TRUE(features.Create("b", "2").changed);
  ASSERT_TRUE(features.Delete(0).changed);
  ASSERT_TRUE(features.Create("c", "3").changed);  // Feature 2, Feature 2

  EXPECT_EQ(f.UpdateFromForm(std::nullopt, {"x", "y"}).warning, kFeatureUpdateMessage);
  EXPECT_EQ(f.UpdateFromForm(2, {"x", "y"}).warning, "Please select a feature to update.");
  EXPECT_EQ(f.UpdateFromForm(0, {"x", ""}).warning, kFeatureIncompleteMessage);
  EXPECT_EQ(f.UpdateFromForm(0, {"x^", "y"}).warning, kFeatureSeparatorMessage);
  EXPECT_EQ(features.entries(), (std::vector<std::string>{"^b^2^", "^c^3^"}));

  EXPECT_TRUE(f.UpdateFromForm(0, {"B", "two\r\nlines\r\n"}).changed);
  EXPECT_EQ(features.entries(), (std::vector<std::string>{"^B^two$$lines^", "^c^3^"}));
  EXPECT_EQ(features.display_names(), (std::vector<std::string>{"Feature 2", "Feature 2"}));
  const ListEdit same = f.UpdateFromForm(0, {"B", "two\r\nlines"});
  EXPECT_FALSE(same.changed);
  EXPECT_FALSE(same.warning);

  TestimonialListModel testimonials;
  EntryListModel& t = testimonials;
  ASSERT_TRUE(testimonials.Create("Ann", "http://a", "Good").changed);
  EXPECT_EQ(t.UpdateFromForm(std::nullopt, {}).warning, kTestimonialUpdateMessage);
  EXPECT_EQ(t.UpdateFromForm(0, {"Ann", "", "Good"}).warning, kTestimonialIncompleteMessage);
  EXPECT_TRUE(t.UpdateFromForm(0, {"Ann B", "http://b", "Fine $5"}).changed);
  EXPECT_EQ(testimonials.entries(), std::vector<std::string>{"^Ann B^http://b^Fine &#36;5^"});
}

// An entry filled into the form and updated unchanged stays the same entry,
// whatever its body ends in and however it was stored.
TEST(EntryListModel, TheFormOfAnEntryUpdatesItUnchanged) {
  const struct {
    const char* body;  // as stored
    const char* form;  // as the form shows it, line breaks as LF
  } cases[] = {
      {"plain", "plain"},
      {"a$$b", "a\nb"},
      {"a$$", "a\n\n"},  // a body typed with two final line breaks
      {"$$", "\n\n"},
      {"a$$$$$$", "a\n\n\n\n"},
      {"cost &#36;5", "cost $5"},
      {"&#36;&#36;$$x", "$$\nx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    FeatureListModel features;
    TestimonialListModel testimonials;
    features.Assign({std::string("^T^") + c.body + "^"});
    testimonials.Assign({std::string("^N^W^") + c.body + "^"});
    const auto feature_form = features.FormOf(0, "\n");
    const auto testimonial_form = testimonials.FormOf(0, "\n");
    EXPECT_EQ(feature_form, (std::vector<std::string>{"T", c.form}));
    EXPECT_EQ(testimonial_form, (std::vector<std::string>{"N", "W", c.form}));
    EXPECT_FALSE(features.UpdateFromForm(0, features.FormOf(0)).changed);
    EXPECT_FALSE(testimonials.UpdateFromForm(0, testimonials.FormOf(0)).changed);
    EXPECT_EQ(features.entries().front(), std::string("^T^") + c.body + "^");
  }
  FeatureListModel none;
  EXPECT_TRUE(none.FormOf(0).empty());
}

TEST(EntryListModel, MovesEntriesWithTheirNamesAndUndoesDeletes) {
  FeatureListModel features;
  for (const char* title : {"a", "b", "c", "d"}) {
    ASSERT_TRUE(features.Create(title, "x").changed);
  }
  const auto titles = [&] {
    std::string out;
    for (std::size_t i = 0; i < features.size(); ++i) {
      out += features.FormOf(i).front();
    }
    return out;
  };
  EXPECT_TRUE(features.Move(0, 2));
  EXPECT_EQ(titles(), "bcad");
  EXPECT_EQ(features.display_names(),
            (std::vector<std::string>{"Feature 2", "Feature 3", "Feature 1", "Feature 4"}));
  EXPECT_TRUE(features.Move(3, 1));
  EXPECT_EQ(titles(), "bdca");
  EXPECT_FALSE(features.Move(1, 1));
  EXPECT_FALSE(features.Move(4, 0));
  EXPECT_FALSE(features.Move(0, 4));
  EXPECT_EQ(titles(), "bdca");

  EXPECT_FALSE(features.CanUndoDelete());
  EXPECT_FALSE(features.UndoDelete());
  ASSERT_TRUE(features.Delete(1).changed);  // d
  ASSERT_TRUE(features.Delete(2).changed);  // a
  ASSERT_TRUE(features.Create("e", "x").changed);
  EXPECT_EQ(titles(), "bce");
  EXPECT_TRUE(features.CanUndoDelete());
  EXPECT_EQ(features.UndoDelete(), 2u);  // a, back where it was
  EXPECT_EQ(features.UndoDelete(), 1u);  // then d
  EXPECT_FALSE(features.CanUndoDelete());
  EXPECT_EQ(titles(), "bdcae");
  EXPECT_EQ(
      features.display_names(),
      (std::vector<std::string>{"Feature 2", "Feature 4", "Feature 3", "Feature 1", "Feature 3"}));

  // A loaded letter leaves nothing to undo.
  ASSERT_TRUE(features.Delete(0).changed);
  features.Assign(features.entries());
  EXPECT_FALSE(features.UndoDelete());
}

}  // namespace
}  // namespace wordlark
