// Saving and loading LetterConfiguration as a tagged configuration file.
#include "letter/config_file.h"

#include <array>
#include <system_error>
#include <type_traits>
#include <variant>

#include "util/error.h"
#include "util/file_io.h"
#include "util/tagged_text.h"
#include "util/text.h"

namespace wordlark {
namespace {

using L = LetterConfiguration;

// How a value is written and read back. Font names are plain text here.
enum class Kind { kText, kColor, kEditor, kList, kSize, kFlag };

using FieldRef = std::variant<std::string L::*, ColorValue L::*, EditorDocument L::*,
                              std::vector<std::string> L::*, std::int32_t L::*, bool L::*>;

struct EntryField {
  const char* name;
  FieldRef field;
};

// The entries in file order.
const std::array<EntryField, 42> kEntries = {{
    {"PageTitle", &L::edtPageTitle},
    {"FullName", &L::edtFullName},
    {"CurrentDate", &L::edtCurrentDate},
    {"HeaderPicture", &L::edtHeaderPicture},
    {"CoverPicture", &L::edtCoverPicture},
    {"MainBgColor", &L::cbxMainBgColor},
    {"prfEditor1", &L::prfEditor1},
    {"Atention", &L::edtAttention},
    {"prfEditor2", &L::prfEditor2},
    {"prfEditor3", &L::prfEditor3},
    {"Features", &L::FeatureList},
    {"FBgColor", &L::cbxFBgColor},
    {"FColor", &L::cbxFColor},
    {"FName", &L::cbxFName},
    {"FSize", &L::cbxFSize},
    {"FUnderline", &L::chkFUnderline},
    {"FItalic", &L::chkFItalic},
    {"FBold", &L::chkFBold},
    {"Testimonials", &L::TestimonialList},
    {"TBgColor", &L::cbxTBgColor},
    {"TColor", &L::cbxTColor},
    {"TName", &L::cbxTName},
    {"TSize", &L::cbxTSize},
    {"TUnderline", &L::chkTUnderline},
    {"TItalic", &L::chkTItalic},
    {"TBold", &L::chkTBold},
    {"prfEditor10", &L::prfEditor10},
    {"prfEditor11", &L::prfEditor11},
    {"DirectLink", &L::edtDirectLink},
    {"ClickBankName", &L::edtClickBankName},
    {"ProductName", &L::edtProductName},
    {"Description", &L::edtDescription},
    {"PaypalCode", &L::memPaypalCode},
    {"PaypalEmail", &L::edtPaypalEmail},
    {"OBgColor", &L::cbxOBgColor},
    {"OColor", &L::cbxOColor},
    {"OName", &L::cbxOName},
    {"OSize", &L::cbxOSize},
    {"OUnderline", &L::chkOUnderline},
    {"OItalic", &L::chkOItalic},
    {"OBold", &L::chkOBold},
    {"FooterPicture", &L::edtFooterPicture},
}};

// Older files carry a fourth editor after the tenth entry; it is read and dropped.
constexpr std::size_t kDroppedEditorAfter = 10;
constexpr const char* kDroppedEditor = "prfEditor4";

std::string EncodeValue(const L& letter, const FieldRef& field) {
  return std::visit(
      [&](auto member) -> std::string {
        const auto& value = letter.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return value;
        } else if constexpr (std::is_same_v<T, ColorValue>) {
          return ColorToHex(value);
        } else if constexpr (std::is_same_v<T, EditorDocument>) {
          return CleanEditorHtml(value.GetHtml());
        } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
          std::string lines;
          for (const auto& item : value) {
            lines += item;
            lines += "\r\n";
          }
          return lines;
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          return std::to_string(value);
        } else {
          static_assert(std::is_same_v<T, bool>);
          return value ? "-1" : "0";
        }
      },
      field);
}

void DecodeValue(L& letter, const FieldRef& field, const std::string& text) {
  std::visit(
      [&](auto member) {
        auto& value = letter.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          value = text;
        } else if constexpr (std::is_same_v<T, ColorValue>) {
          value = HexToColor(text);
        } else if constexpr (std::is_same_v<T, EditorDocument>) {
          value.SetHtml(text);
        } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
          value.clear();
          std::size_t start = 0;
          while (start < text.size()) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos) {
              end = text.size();
            }
            value.emplace_back(text, start, end - start);
            start = end + 2;
          }
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          value = StrToInt(text);
        } else {
          static_assert(std::is_same_v<T, bool>);
          value = StrToBool(text);
        }
      },
      field);
}

// True when `text` holds the tag ("<%%" ...), in any ASCII letter case, as the
// reader would find it.
bool HoldsTag(std::string_view text, std::string_view tag) {
  for (std::size_t at = text.find("<%%"); at != std::string_view::npos;
       at = text.find("<%%", at + 1)) {
    if (EqualsIgnoreAsciiCase(text.substr(at, tag.size()), tag)) {
      return true;
    }
  }
  return false;
}

// Refuses a value that would not read back as it was written. `index` is the
// entry's position in kEntries.
void CheckStorable(const L& letter, std::size_t index, std::string_view value) {
  const EntryField& entry = kEntries[index];
  const std::string name = entry.name;
  const std::string closing = "<%%/" + name + "%%>";
  if (HoldsTag(value, closing)) {
    throw Error("The value of " + name + " cannot be saved because it holds \"" + closing + "\".");
  }
  // The reader looks for the dropped editor of older files anywhere after the
  // tenth entry: its opening tag in a later value would be taken for it, and
  // the entries in between would be lost.
  const std::string dropped = "<%%" + std::string(kDroppedEditor) + "%%>";
  if (index >= kDroppedEditorAfter && HoldsTag(value, dropped)) {
    throw Error("The value of " + name + " cannot be saved because it holds \"" + dropped + "\".");
  }
  if (value.find('\0') != std::string_view::npos) {
    throw Error("The value of " + name + " cannot be saved because it holds a NUL character.");
  }
  if (const auto* list = std::get_if<std::vector<std::string> L::*>(&entry.field)) {
    // Line breaks separate the entries; one inside an entry would split it.
    for (const std::string& item : letter.**list) {
      if (item.find_first_of("\r\n") != std::string::npos) {
        throw Error("An entry of " + name + " cannot be saved because it holds a line break.");
      }
    }
  }
}

}  // namespace

std::string FormatConfiguration(const LetterConfiguration& letter) {
  TaggedTextWriter writer;
  for (std::size_t i = 0; i < kEntries.size(); ++i) {
    const std::string value = EncodeValue(letter, kEntries[i].field);
    CheckStorable(letter, i, value);
    writer.Add(kEntries[i].name, value);
  }
  return writer.Text();
}

LetterConfiguration ParseConfiguration(std::string text) {
  LetterConfiguration letter;
  for (std::size_t i = 0; i < kEntries.size(); ++i) {
    const std::string value = ReadTaggedValue(text, kEntries[i].name);
    try {
      DecodeValue(letter, kEntries[i].field, value);
    } catch (const ConvertError& e) {
      throw EntryError(kEntries[i].name, e.what());
    }
    if (i + 1 == kDroppedEditorAfter) {
      ReadTaggedValue(text, kDroppedEditor);
    }
  }
  return letter;
}

void SaveConfiguration(const std::filesystem::path& path, const LetterConfiguration& letter) {
  SaveTaggedText(path, FormatConfiguration(letter));
}

bool LoadConfiguration(const std::filesystem::path& path, LetterConfiguration& letter) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    return false;
  }
  std::string text;
  try {
    text = LoadTaggedText(path, kMaxLetterFileSize);
  } catch (const FileError&) {
    // A file that vanished since the user picked it changes nothing.
    if (!std::filesystem::exists(path, ec)) {
      return false;
    }
    throw;
  }
  letter = ParseConfiguration(std::move(text));
  return true;
}

}  // namespace wordlark
