#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/file_io.h"

// Tagged text: entries "<%%Name%%>value<%%/Name%%>" read in file order by a
// consuming reader.
namespace wordlark {

// The working text of a file's bytes: decoded (UTF-8 behind a byte-order mark,
// windows-1252 otherwise), ending at the first NUL byte, its lines (ending at CR
// LF, lone CR or lone LF) joined with CR LF after every line, the last included.
std::string TaggedTextFromBytes(std::string_view bytes);

// TaggedTextFromBytes of a regular file of at most `max_size` bytes. Throws
// FileError when it is unreadable, not a regular file or larger.
std::string LoadTaggedText(const std::filesystem::path& path,
                           std::uint64_t max_size = kDefaultReadLimit);

// "<%%" + name + "%%>" + value + "<%%/" + name + "%%>".
std::string FormatTaggedEntry(std::string_view name, std::string_view value);

// Takes the value of the first entry called `name` (tag names match in any
// ASCII letter case) out of `text`, which is shortened so that it begins at the
// entry's closing tag. A missing entry gives the empty value and leaves `text`
// alone; an opening tag without its closing tag gives the empty value and
// leaves `text` beginning right after the opening tag.
std::string ReadTaggedValue(std::string& text, std::string_view name);

// Collects entries in the writer's order, one per line.
class TaggedTextWriter {
 public:
  void Add(std::string_view name, std::string_view value);
  // The lines joined with CR LF after each, the last included (UTF-8).
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Writes a tagged file atomically, every line ending in CR LF: windows-1252 when every character
// has a byte there, otherwise UTF-8 behind a byte-order mark. Throws FileError.
void SaveTaggedText(const std::filesystem::path& path, std::string_view text);

// Joins the lines of a text (ending at CR LF, lone CR or lone LF) with CR LF
// after every line, the last included; an empty text stays empty.
std::string NormalizeLineBreaks(std::string_view text);

}  // namespace wordlark
