#pragma once

// The id of the last news the user has read, kept as the entry "LastNewsId" of
// the enciphered settings file in the program folder. It is read from and
// written to the file each time; nothing is held in memory.

#include <filesystem>
#include <string>
#include <string_view>

namespace wordlark {

// The stored id (UTF-8), empty when the program folder holds no settings file,
// the file holds no entry, or the file does not decipher and authenticate.
// Deciphers in memory. Throws FileError when the file cannot be read.
std::string ReadLastNewsId(const std::filesystem::path& program_folder);

enum class StoreLastNewsIdResult {
  Stored,
  NoSettingsFile,  // nothing is created
  NotAuthentic,    // the file did not decipher and authenticate: left untouched
  BadId,           // the id holds a line break, a NUL or "<%%", or no windows-1252 form
};

// Writes `news_id` into the settings file as "<%%LastNewsId%%>" + id +
// "<%%/LastNewsId%%>": the first entry of that name (tag in any letter case, as
// the reader finds it) is replaced from its opening tag to its closing tag when
// that stands on the same line, else to the end of the line; without one, the
// entry is added as a line of its own at the end. Every other byte of the plain
// text stays as it was. Deciphers and enciphers in
// memory and replaces the file atomically. Throws FileError when the file cannot
// be read or written (it is then left as it was).
StoreLastNewsIdResult StoreLastNewsId(const std::filesystem::path& program_folder,
                                      std::string_view news_id);

// The plain settings text (file bytes) with the entry set as above; the id as
// the bytes to write.
std::string SetLastNewsIdEntry(std::string_view plain, std::string_view id_bytes);

}  // namespace wordlark
