// The skin file "mainskin.dat": a style sheet for the whole application,
// compressed with zlib. A reseller packs it with the brand tool; the program
// unpacks it at start-up.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wordlark {


// The style sheet (UTF-8 text) compressed into the skin file's bytes.
std::string PackSkin(std::string_view style_sheet);

// The style sheet of a skin file, or nothing when the bytes are not a whole
// zlib stream or unpack to more than `max_size` bytes.
std::optional<std::string> UnpackSkin(std::string_view bytes,
                                      std::size_t max_size = 16 * 1024 * 1024);

}  // namespace wordlark
