// Configuration files (*.set): a letter in progress saved as tagged text, one
// entry per value of LetterConfiguration in a fixed order of 42 entries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "letter/letter_configuration.h"

namespace wordlark {

// The file's text (UTF-8, CR LF after every line): the 42 entries in order.
// Editors are written as CleanEditorHtml of their document, so each is one
// line; a list as its entries each followed by CR LF; colours "#RRGGBB"; sizes
// as decimal integers; flags "-1" (on) or "0" (off).
//
// Throws Error when a value would not come back as it was saved: a value that
// holds its own closing tag or a NUL character, a value after the tenth entry
// that holds the opening tag of the dropped "prfEditor4", or a list entry that
// holds a line break.
std::string FormatConfiguration(const LetterConfiguration& letter);

// Reads the 42 entries from a tagged working text in order (an entry
// "prfEditor4" after the tenth is read and dropped). A missing entry reads as
// the empty text: empty texts, editors and lists, black colours, an empty
// font name, and a failure for sizes and flags. Throws EntryError with
// "'%s' is not a valid integer value" (sizes, colours) or "'%s' is not a valid
// boolean value" (flags) for the first bad value, naming its entry.
LetterConfiguration ParseConfiguration(std::string text);

// Writes the file atomically, in windows-1252 when every character has a byte
// there and as UTF-8 behind a byte-order mark otherwise; an existing file is
// replaced. Throws Error as FormatConfiguration does (nothing written), or
// FileError "Cannot create file "%s". %s".
void SaveConfiguration(const std::filesystem::path& path, const LetterConfiguration& letter);

// The most a configuration file may hold.
inline constexpr std::uint64_t kMaxLetterFileSize = 256 * 1024 * 1024;

// Loads a file into `letter`, all or nothing: every value is read and checked
// before anything changes, and on an error `letter` stays as it was and the
// error (as ParseConfiguration, or FileError for a file that cannot be read,
// is not a regular file or is larger than kMaxLetterFileSize) is thrown.
// A file that does not exist changes nothing and gives false; true otherwise.
bool LoadConfiguration(const std::filesystem::path& path, LetterConfiguration& letter);

}  // namespace wordlark
