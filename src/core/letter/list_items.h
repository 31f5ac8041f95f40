// The features and testimonials lists: building and decoding their encoded
// entries, the checks made when an entry is created, and a small list model
// that keeps the display names of the wizard's list boxes.
//
// A feature is stored as "^" + title + "^" + body + "^", a testimonial as
// "^" + name + "^" + website + "^" + body + "^". The body's line breaks are
// stored as "$$", so every entry is a single line; a "$" typed in the body is
// stored as the character reference "&#36;", which the page shows as "$", so
// that it never meets another "$" as a line break.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wordlark {

inline constexpr char kEntrySeparator = '^';

// Warnings shown when an entry cannot be created or deleted.
inline constexpr const char* kFeatureIncompleteMessage =
    "Please provide a valid feature's content.";
inline constexpr const char* kTestimonialIncompleteMessage =
    "Please provide a valid testimonial's content.";
inline constexpr const char* kFeatureSeparatorMessage =
    "The character ^ cannot be used in a feature.";
inline constexpr const char* kTestimonialSeparatorMessage =
    "The character ^ cannot be used in a testimonial.";
inline constexpr const char* kFeatureDeleteMessage = "Please select a feature to delete.";
inline constexpr const char* kTestimonialDeleteMessage = "Please select a testimonial to delete.";
inline constexpr const char* kFeatureUpdateMessage = "Please select a feature to update.";
inline constexpr const char* kTestimonialUpdateMessage = "Please select a testimonial to update.";

// The warning for a feature form that cannot be stored, or nothing when it can:
// title and body must not be empty (blanks or a lone line break count as
// content) and must not hold "^", which would split the entry.
std::optional<std::string> CheckFeatureInput(std::string_view title, std::string_view body);
// The same for a testimonial: name, website and body, tested in that order.
std::optional<std::string> CheckTestimonialInput(std::string_view name, std::string_view website,
                                                 std::string_view body);

// The encoded entries. The body's "$" become "&#36;", then its line breaks
// (CR LF, lone CR or lone LF) are escaped with EscapeLineBreaks: one final line
// break dropped, the others "$$". A line break in a one-line field (title,
// name, website) becomes a blank.
std::string MakeFeatureItem(std::string_view title, std::string_view body);
std::string MakeTestimonialItem(std::string_view name, std::string_view website,
                                std::string_view body);

// The fields of an entry as stored (the body still escaped). Missing fields
// of a short entry read as empty text.
struct FeatureFields {
  std::string title;
  std::string body;
};
struct TestimonialFields {
  std::string name;
  std::string website;
  std::string body;
};
FeatureFields DecodeFeatureItem(std::string_view item);
TestimonialFields DecodeTestimonialItem(std::string_view item);

// A stored body with every "$$" turned into `line_break`.
std::string UnescapeLineBreaks(std::string_view body, std::string_view line_break);

// The reference a typed "$" is stored as in a body.
inline constexpr std::string_view kStoredDollar = "&#36;";

// A stored body as the user reads it: "$$" turned into `line_break`, then
// every "&#36;" into "$".
std::string BodyText(std::string_view body, std::string_view line_break);

// The text of the read-only details box: a feature's title on the first line,
// then its body (as BodyText reads it); a testimonial's name, website, then
// body.
std::string FeatureDetails(std::string_view item, std::string_view line_break = "\r\n");
std::string TestimonialDetails(std::string_view item, std::string_view line_break = "\r\n");

// The body as an entry form shows it for editing: BodyText with `line_break`,
// and one line break more when it ends in one, since making the entry drops a
// final line break again. MakeFeatureItem(title, EditableBody(body)) stores
// `body` as it was.
std::string EditableBody(std::string_view body, std::string_view line_break);

// What a create, update or delete did: `warning` holds the message to show when the
// list stayed as it was.
struct ListEdit {
  bool changed = false;
  std::optional<std::string> warning;
};

// An ordered list of encoded entries together with the names its list box
// shows. A new entry is named after the number of entries before it plus one;
// deleting renumbers nothing, so names can repeat (Feature 1, Feature 3,
// Feature 3); an entry keeps its name when it is updated or moved; Assign
// (loading a file) names the entries 1..n again. Deleted entries can be put
// back, the last deleted first, until the next Assign.
class EntryListModel {
 public:
  virtual ~EntryListModel() = default;

  // Checks a filled-in entry form (the one-line fields, then the body, in the
  // order the entry holds them; a missing field reads as empty) and appends
  // its entry; the warning when refused.
  ListEdit CreateFromForm(const std::vector<std::string>& form);
  // Replaces the selected entry with the one made from the form, with the
  // checks of CreateFromForm; with no selection (or one out of range) the
  // update warning comes back. `changed` is false when the entry stays the
  // same text.
  ListEdit UpdateFromForm(std::optional<std::size_t> selected,
                          const std::vector<std::string>& form);
  // The entry form filled from the entry at `index` (line breaks as
  // `line_break`), so that updating from it leaves the entry as it is; empty
  // when there is none.
  virtual std::vector<std::string> FormOf(std::size_t index,
                                          std::string_view line_break = "\r\n") const = 0;
  // The text of the details box for the entry at `index`; empty when there is
  // none.
  virtual std::string Details(std::size_t index, std::string_view line_break = "\r\n") const = 0;

  const std::vector<std::string>& entries() const { return entries_; }
  const std::vector<std::string>& display_names() const { return names_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // Appends an entry as it stands.
  void Append(std::string item);
  // Replaces all entries and names them 1..n; nothing is left to undo.
  void Assign(std::vector<std::string> items);
  // Deletes the selected entry: nothing happens on an empty list; with no
  // selection (or one out of range) the warning comes back.
  ListEdit Delete(std::optional<std::size_t> selected);
  // Moves the entry at `from`, with its name, to position `to`; false (and
  // nothing moved) when either is out of range or they are the same.
  bool Move(std::size_t from, std::size_t to);
  // Puts the entry deleted last back where it was (at the end when the list
  // has become shorter), with its name; its position, or nothing when no
  // deletion is left to undo.
  std::optional<std::size_t> UndoDelete();
  bool CanUndoDelete() const { return !deleted_.empty(); }

 protected:
  EntryListModel(std::string name_prefix, std::string delete_warning, std::string update_warning);

  // The warning for a form that cannot be stored, or nothing; and the entry
  // made from an accepted form.
  virtual std::optional<std::string> CheckForm(const std::vector<std::string>& form) const = 0;
  virtual std::string MakeEntry(const std::vector<std::string>& form) const = 0;

 private:
  struct Deleted {
    std::size_t index;
    std::string item;
    std::string name;
  };

  std::string name_prefix_;
  std::string delete_warning_;
  std::string update_warning_;
  std::vector<std::string> entries_;
  std::vector<std::string> names_;
  std::vector<Deleted> deleted_;
};

// The features list of step 4: names "Feature 1", "Feature 2", ...
class FeatureListModel : public EntryListModel {
 public:
  FeatureListModel();
  // Checks the form, then appends the entry; the warning when refused.
  ListEdit Create(std::string_view title, std::string_view body);
  std::vector<std::string> FormOf(std::size_t index,
                                  std::string_view line_break = "\r\n") const override;
  std::string Details(std::size_t index, std::string_view line_break = "\r\n") const override;

 protected:
  std::optional<std::string> CheckForm(const std::vector<std::string>& form) const override;
  std::string MakeEntry(const std::vector<std::string>& form) const override;
};

// The testimonials list of step 5: names "Testimonial 1", ...
class TestimonialListModel : public EntryListModel {
 public:
  TestimonialListModel();
  ListEdit Create(std::string_view name, std::string_view website, std::string_view body);
  std::vector<std::string> FormOf(std::size_t index,
                                  std::string_view line_break = "\r\n") const override;
  std::string Details(std::size_t index, std::string_view line_break = "\r\n") const override;

 protected:
  std::optional<std::string> CheckForm(const std::vector<std::string>& form) const override;
  std::string MakeEntry(const std::vector<std::string>& form) const override;
};

}  // namespace wordlark
