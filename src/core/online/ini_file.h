#pragma once

// A small reader of profile (INI) files: "[Section]" lines and "Key=Value"
// lines, as the live-update information file is written.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace wordlark {

// The value of `key` in `section` of an INI text (UTF-8), or the empty text when
// either is absent. Section and key names match in any ASCII letter case; the
// first matching section and the first matching key in it count. Lines end at
// CR, LF or CR LF; blanks around names and values are dropped; one pair of
// matching double or single quotes around a value is removed; lines starting
// with ";" are comments.
std::string ReadIniValue(std::string_view ini_text, std::string_view section, std::string_view key);

// The most an INI file may hold; the live-update information file is a few
// lines.
inline constexpr std::uint64_t kMaxIniFileSize = 64 * 1024;

// The same for a file (decoded as a text file). Throws FileError when it
// cannot be read, is not a regular file or is larger than kMaxIniFileSize.
std::string ReadIniFileValue(const std::filesystem::path& path, std::string_view section,
                             std::string_view key);

}  // namespace wordlark
