// Encoding, decoding and list bookkeeping of features and testimonials.
#include "letter/list_items.h"

#include <algorithm>
#include <utility>

#include "util/text.h"

namespace wordlark {
namespace {

// Every line break (CR LF, lone CR, lone LF) as CR LF, the way a memo holds it.
std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// A one-line field: each line break becomes a blank.
std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += ' ';
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else {
      out += c;
    }
  }
  return out;
}

// A body as it is stored: every "$" a reference, every line break "$$".
std::string StoredBody(std::string_view body) {
  return EscapeLineBreaks(ToCrLf(ReplaceAll(body, "$", kStoredDollar)));
}

bool HoldsSeparator(std::string_view text) {
  return text.find(kEntrySeparator) != std::string_view::npos;
}

std::string Field(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

}  // namespace

std::optional<std::string> CheckFeatureInput(std::string_view title, std::string_view body) {
  if (title.empty() || body.empty()) {
    return kFeatureIncompleteMessage;
  }
  if (HoldsSeparator(title) || HoldsSeparator(body)) {
    return kFeatureSeparatorMessage;
  }
  return std::nullopt;
}

std::optional<std::string> CheckTestimonialInput(std::string_view name, std::string_view website,
                                                 std::string_view body) {
  if (name.empty() || website.empty() || body.empty()) {
    return kTestimonialIncompleteMessage;
  }
  if (HoldsSeparator(name) || HoldsSeparator(website) || HoldsSeparator(body)) {
    return kTestimonialSeparatorMessage;
  }
  return std::nullopt;
}

std::string MakeFeatureItem(std::string_view title, std::string_view body) {
  std::string item = "^";
  item += OneLine(title);
  item += '^';
  item += StoredBody(body);
  item += '^';
  return item;
}

std::string MakeTestimonialItem(std::string_view name, std::string_view website,
                                std::string_view body) {
  std::string item = "^";
  item += OneLine(name);
  item += '^';
  item += OneLine(website);
  item += '^';
  item += StoredBody(body);
  item += '^';
  return item;
}

FeatureFields DecodeFeatureItem(std::string_view item) {
  const auto fields = SplitAtChar(kEntrySeparator, item);
  return {Field(fields, 1), Field(fields, 2)};
}

TestimonialFields DecodeTestimonialItem(std::string_view item) {
  const auto fields = SplitAtChar(kEntrySeparator, item);
  return {Field(fields, 1), Field(fields, 2), Field(fields, 3)};
}

std::string UnescapeLineBreaks(std::string_view body, std::string_view line_break) {
  return ReplaceAll(body, "$$", line_break);
}

std::string BodyText(std::string_view body, std::string_view line_break) {
  return ReplaceAll(UnescapeLineBreaks(body, line_break), kStoredDollar, "$");
}

std::string EditableBody(std::string_view body, std::string_view line_break) {
  std::string text = BodyText(body, line_break);
  if (!line_break.empty() && text.ends_with(line_break)) {
    text += line_break;
  }
  return text;
}

std::string FeatureDetails(std::string_view item, std::string_view line_break) {
  const FeatureFields f = DecodeFeatureItem(item);
  std::string text = f.title;
  text += line_break;
  text += BodyText(f.body, line_break);
  return text;
}

std::string TestimonialDetails(std::string_view item, std::string_view line_break) {
  const TestimonialFields t = DecodeTestimonialItem(item);
  std::string text = t.name;
  text += line_break;
  text += t.website;
  text += line_break;
  text += BodyText(t.body, line_break);
  return text;
}

EntryListModel::EntryListModel(std::string name_prefix, std::string delete_warning,
                               std::string update_warning)
    : name_prefix_(std::move(name_prefix)),
      delete_warning_(std::move(delete_warning)),
      update_warning_(std::move(update_warning)) {}

ListEdit EntryListModel::CreateFromForm(const std::vector<std::string>& form) {
  if (auto warning = CheckForm(form)) {
    return {false, std::move(warning)};
  }
  Append(MakeEntry(form));
  return {true, std::nullopt};
}

ListEdit EntryListModel::UpdateFromForm(std::optional<std::size_t> selected,
                                        const std::vector<std::string>& form) {
  if (!selected || *selected >= entries_.size()) {
    return {false, update_warning_};
  }
  if (auto warning = CheckForm(form)) {
    return {false, std::move(warning)};
  }
  std::string item = MakeEntry(form);
  if (item == entries_[*selected]) {
    return {};
  }
  entries_[*selected] = std::move(item);
  return {true, std::nullopt};
}

void EntryListModel::Append(std::string item) {
  names_.push_back(name_prefix_ + std::to_string(names_.size() + 1));
  entries_.push_back(std::move(item));
}

void EntryListModel::Assign(std::vector<std::string> items) {
  entries_ = std::move(items);
  names_.clear();
  names_.reserve(entries_.size());
  for (std::size_t n = 1; n <= entries_.size(); ++n) {
    names_.push_back(name_prefix_ + std::to_string(n));
  }
  deleted_.clear();
}

ListEdit EntryListModel::Delete(std::optional<std::size_t> selected) {
  if (entries_.empty()) {
    return {};
  }
  if (!selected || *selected >= entries_.size()) {
    return {false, delete_warning_};
  }
  const auto at = static_cast<std::ptrdiff_t>(*selected);
  deleted_.push_back({*selected, std::move(entries_[*selected]), std::move(names_[*selected])});
  entries_.erase(entries_.begin() + at);
  names_.erase(names_.begin() + at);
  return {true, std::nullopt};
}

bool EntryListModel::Move(std::size_t from, std::size_t to) {
  if (from >= entries_.size() || to >= entries_.size() || from == to) {
    return false;
  }
  const auto rotate = [from, to](std::vector<std::string>& v) {
    const auto f = v.begin() + static_cast<std::ptrdiff_t>(from);
    const auto t = v.begin() + static_cast<std::ptrdiff_t>(to);
    if (from < to) {
      std::rotate(f, f + 1, t + 1);
    } else {
      std::rotate(t, f, f + 1);
    }
  };
  rotate(entries_);
  rotate(names_);
  return true;
}

std::optional<std::size_t> EntryListModel::UndoDelete() {
  if (deleted_.empty()) {
    return std::nullopt;
  }
  Deleted last = std::move(deleted_.back());
  deleted_.pop_back();
  const std::size_t at = std::min(last.index, entries_.size());
  const auto offset = static_cast<std::ptrdiff_t>(at);
  entries_.insert(entries_.begin() + offset, std::move(last.item));
  names_.insert(names_.begin() + offset, std::move(last.name));
  return at;
}

FeatureListModel::FeatureListModel()
    : EntryListModel("Feature ", kFeatureDeleteMessage, kFeatureUpdateMessage) {}

ListEdit FeatureListModel::Create(std::string_view title, std::string_view body) {
  return CreateFromForm({std::string(title), std::string(body)});
}

std::optional<std::string> FeatureListModel::CheckForm(const std::vector<std::string>& form) const {
  return CheckFeatureInput(Field(form, 0), Field(form, 1));
}

std::string FeatureListModel::MakeEntry(const std::vector<std::string>& form) const {
  return MakeFeatureItem(Field(form, 0), Field(form, 1));
}

std::vector<std::string> FeatureListModel::FormOf(std::size_t index,
                                                  std::string_view line_break) const {
  if (index >= size()) {
    return {};
  }
  FeatureFields f = DecodeFeatureItem(entries()[index]);
  return {std::move(f.title), EditableBody(f.body, line_break)};
}

std::string FeatureListModel::Details(std::size_t index, std::string_view line_break) const {
  return index < size() ? FeatureDetails(entries()[index], line_break) : std::string();
}

TestimonialListModel::TestimonialListModel()
    : EntryListModel("Testimonial ", kTestimonialDeleteMessage, kTestimonialUpdateMessage) {}

ListEdit TestimonialListModel::Create(std::string_view name, std::string_view website,
                                      std::string_view body) {
  return CreateFromForm({std::string(name), std::string(website), std::string(body)});
}

std::optional<std::string> TestimonialListModel::CheckForm(
    const std::vector<std::string>& form) const {
  return CheckTestimonialInput(Field(form, 0), Field(form, 1), Field(form, 2));
}

std::string TestimonialListModel::MakeEntry(const std::vector<std::string>& form) const {
  return MakeTestimonialItem(Field(form, 0), Field(form, 1), Field(form, 2));
}

std::vector<std::string> TestimonialListModel::FormOf(std::size_t index,
                                                      std::string_view line_break) const {
  if (index >= size()) {
    return {};
  }
  TestimonialFields t = DecodeTestimonialItem(entries()[index]);
  return {std::move(t.name), std::move(t.website), EditableBody(t.body, line_break)};
}

std::string TestimonialListModel::Details(std::size_t index, std::string_view line_break) const {
  return index < size() ? TestimonialDetails(entries()[index], line_break) : std::string();
}

}  // namespace wordlark
