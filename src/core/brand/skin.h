// The skin file "mainskin.dat": a style sheet for the whole application,
// compressed with zlib. A reseller packs it with the brand tool; the program
// unpacks it at start-up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace wordlark {

// The most a skin file may hold, packed and unpacked.
inline constexpr std::uint64_t kMaxSkinFileSize = 16 * 1024 * 1024;

// The style sheet (UTF-8 text) compressed into the skin file's bytes.
std::string PackSkin(std::string_view style_sheet);

// The style sheet of a skin file, or nothing when the bytes are not a whole
// zlib stream or unpack to more than `max_size` bytes.
std::optional<std::string> UnpackSkin(std::string_view bytes,
                                      std::size_t max_size = kMaxSkinFileSize);

// The style sheet of the skin file `file`: nothing when there is no such file
// or it is not a skin. Throws FileError when it is there but cannot be read,
// is not a regular file (a FIFO, a device) or is larger than kMaxSkinFileSize.
std::optional<std::string> ReadSkinFile(const std::filesystem::path& file);

}  // namespace wordlark
