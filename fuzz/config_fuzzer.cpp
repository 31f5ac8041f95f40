// The configuration loader on arbitrary file bytes. A record that loads and
// can be saved must load back from the saved file as it was, the editors
// holding their cleaned content (no document tags, line breaks or double
// blanks).
#include <string>

#include "fuzz_support.h"
#include "letter/config_file.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/tagged_text.h"

using wordlark::LetterConfiguration;
using wordlark::fuzz::Require;

namespace {

// The record as a save writes it: every editor holds its cleaned document.
LetterConfiguration AsSaved(LetterConfiguration letter) {
  for (wordlark::EditorDocument* editor :
       {&letter.prfEditor1, &letter.prfEditor2, &letter.prfEditor3, &letter.prfEditor10,
        &letter.prfEditor11}) {
    editor->SetHtml(wordlark::CleanEditorHtml(editor->GetHtml()));
  }
  return letter;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  LetterConfiguration letter;
  try {
    letter = wordlark::ParseConfiguration(
        wordlark::TaggedTextFromBytes(wordlark::fuzz::AsText(data, size)));
  } catch (const wordlark::ConvertError&) {
    return 0;  // a bad size, flag or colour: the load is refused
  }

  std::string saved;
  try {
    saved = wordlark::FormatConfiguration(letter);
  } catch (const wordlark::Error&) {
    return 0;  // a value that would not come back: the save is refused
  }

  // The bytes SaveConfiguration writes, loaded as LoadConfiguration reads them.
  const std::string file = wordlark::EncodeTextFile(wordlark::NormalizeLineBreaks(saved));
  LetterConfiguration loaded;
  try {
    loaded = wordlark::ParseConfiguration(wordlark::TaggedTextFromBytes(file));
  } catch (const wordlark::Error&) {
    __builtin_trap();  // a saved file that cannot be loaded
  }
  Require(loaded == AsSaved(letter));
  return 0;
}
