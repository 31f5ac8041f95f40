// The tagged text reader on arbitrary bytes. The first line of the input names
// the entries to read (separated by "|"); the rest is the file's bytes.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "util/tagged_text.h"
#include "util/text.h"

using wordlark::fuzz::Require;

namespace {

// The working text: no NUL, every line ended by CR LF, the last included.
void CheckWorkingText(const std::string& text) {
  Require(text.find('\0') == std::string::npos);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      Require(i + 1 < text.size() && text[i + 1] == '\n');
    } else if (text[i] == '\n') {
      Require(i > 0 && text[i - 1] == '\r');
    }
  }
  Require(text.empty() || text.ends_with("\r\n"));
  Require(wordlark::NormalizeLineBreaks(text) == text);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         wordlark::EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool HoldsIgnoreCase(std::string_view text, std::string_view needle) {
  return wordlark::AsciiUpper(text).find(wordlark::AsciiUpper(needle)) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [names_line, bytes] =
      wordlark::fuzz::SplitOnce(wordlark::fuzz::AsText(data, size), "\n");
  std::vector<std::string> names = wordlark::SplitAtChar('|', names_line);
  if (names.size() > 64) {
    names.resize(64);
  }

  std::string text = wordlark::TaggedTextFromBytes(bytes);
  CheckWorkingText(text);

  for (const std::string& name : names) {
    const std::string before = text;
    const std::string open = "<%%" + name + "%%>";
    const std::string close = "<%%/" + name + "%%>";
    const std::string value = wordlark::ReadTaggedValue(text, name);

    // The reader only ever consumes a front part of the text.
    Require(before.ends_with(text));
    if (!HoldsIgnoreCase(before, open)) {
      Require(value.empty() && text == before);
      continue;
    }
    Require(text.size() < before.size());
    if (StartsWithIgnoreCase(text, close)) {
      // The value stands right before the closing tag it was cut at, and that
      // is the first closing tag after the opening one.
      const std::size_t value_at = before.size() - text.size() - value.size();
      Require(before.size() >= text.size() + value.size() + open.size());
      Require(before.compare(value_at, value.size(), value) == 0);
      Require(StartsWithIgnoreCase(std::string_view(before).substr(value_at - open.size()), open));
      Require(!HoldsIgnoreCase(value, close));
    } else {
      // An opening tag without its closing tag.
      Require(value.empty());
      Require(!HoldsIgnoreCase(text, close));
    }
  }

  // A written entry reads back as written unless a closing tag starts inside
  // its value.
  if (!names.empty()) {
    const std::string close = "<%%/" + names.front() + "%%>";
    if (!HoldsIgnoreCase(std::string(bytes) + close.substr(0, close.size() - 1), close)) {
      std::string entry = wordlark::FormatTaggedEntry(names.front(), bytes);
      Require(wordlark::ReadTaggedValue(entry, names.front()) == bytes);
    }
  }
  return 0;
}
