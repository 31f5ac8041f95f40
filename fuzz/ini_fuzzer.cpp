// The INI reader on arbitrary text. The first line names the section and the
// key ("section|key"); the rest is the file's bytes.
#include <string>

#include "fuzz_support.h"
#include "online/ini_file.h"
#include "util/codepage.h"

using wordlark::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [names, bytes] = wordlark::fuzz::SplitOnce(wordlark::fuzz::AsText(data, size), "\n");
  const auto [section, key] = wordlark::fuzz::SplitOnce(names, "|");
  const std::string text = wordlark::DecodeTextFile(bytes);

  const std::string value = wordlark::ReadIniValue(text, section, key);
  // A value is a piece of one line of the file.
  Require(value.find_first_of("\r\n") == std::string::npos);
  Require(text.find(value) != std::string::npos);

  // The update check's own look-ups.
  (void)wordlark::ReadIniValue(text, "Update", "Version");
  (void)wordlark::ReadIniValue(text, "Files", "Count");
  return 0;
}
