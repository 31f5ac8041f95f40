// The small text helpers every reader leans on: the code page, colours,
// numbers, flags, the editor cleaning and the list entries.
#include <string>

#include "fuzz_support.h"
#include "letter/editor_document.h"
#include "letter/list_items.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/text.h"

using wordlark::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = wordlark::fuzz::AsText(data, size);

  // Every byte maps to a character and back.
  const std::string utf8 = wordlark::Cp1252ToUtf8(input);
  Require(wordlark::Utf8ToCp1252(utf8) == input);
  Require(wordlark::Utf8ToCp1252Html(utf8) == input);
  // Any text: the HTML form never fails, and agrees with the plain one where
  // that succeeds.
  if (const auto narrow = wordlark::Utf8ToCp1252(input)) {
    Require(wordlark::Utf8ToCp1252Html(input) == *narrow);
  }
  (void)wordlark::Utf8ToCp1252Html(input);

  // Colours come back as ColorToHex wrote them.
  try {
    const wordlark::ColorValue color = wordlark::HexToColor(input);
    Require(color <= 0x00FFFFFF);
    Require(wordlark::HexToColor(wordlark::ColorToHex(color)) == color);
  } catch (const wordlark::ConvertError&) {
  }
  // Sizes as decimal integers.
  try {
    const std::int32_t value = wordlark::StrToInt(input);
    Require(wordlark::StrToInt(std::to_string(value)) == value);
  } catch (const wordlark::ConvertError&) {
  }
  // Flags as written: "-1" and "0".
  try {
    const bool flag = wordlark::StrToBool(input);
    Require(wordlark::StrToBool(flag ? "-1" : "0") == flag);
  } catch (const wordlark::ConvertError&) {
  }

  // Cleaning only removes.
  const std::string cleaned = wordlark::CleanEditorHtml(input);
  Require(cleaned.size() <= input.size());
  Require(cleaned.find_first_of("\r\n") == std::string::npos);

  // Pieces joined again give the text, less one final separator.
  const std::vector<std::string> pieces = wordlark::SplitAtChar('^', input);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    joined += (i == 0 ? "" : "^") + pieces[i];
  }
  Require(joined == input || joined + "^" == input);

  // List entries of any shape are taken apart without reading past them.
  const wordlark::FeatureFields feature = wordlark::DecodeFeatureItem(input);
  const wordlark::TestimonialFields testimonial = wordlark::DecodeTestimonialItem(input);
  Require(feature.title.size() + feature.body.size() <= input.size());
  Require(testimonial.name.size() + testimonial.website.size() + testimonial.body.size() <=
          input.size());
  (void)wordlark::FeatureDetails(input);
  (void)wordlark::TestimonialDetails(input, "<br>");
  (void)wordlark::UnescapeLineBreaks(input, "<br>");
  (void)wordlark::EscapeLineBreaks(input);
  return 0;
}
