#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wordlark {

// A colour 0x00BBGGRR: red in the low byte. A non-zero top byte marks a special
// colour of the window system.
using ColorValue = std::uint32_t;

// Splits at every separator byte: the text between two separators is a piece
// even when empty; the piece after the last separator only when non-empty.
std::vector<std::string> SplitAtChar(char separator, std::string_view text);

// Drops one final CR LF, then turns every CR LF into "$$".
std::string EscapeLineBreaks(std::string_view text);

// "#RRGGBB" (the "#" optional, shorter texts allowed) to a colour. Throws
// ConvertError "'$00BBGGRR' is not a valid integer value" on a bad digit.
ColorValue HexToColor(std::string_view text);

// "#RRGGBB" in upper-case digits; the top byte is dropped.
std::string ColorToHex(ColorValue color);

// Decodes "$" + two hexadecimal digits into that byte (one digit at the very
// end of the text). A bad escape makes the whole result empty.
std::string DecodeDollarHex(std::string_view text);

// Every occurrence of `from` (non-empty) replaced by `to`, in one left-to-right
// pass that does not look again at what it has inserted or joined.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ASCII-only letter case folding.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Conversions with the texts of the configuration files' errors:
// "'%s' is not a valid integer value" and "'%s' is not a valid boolean value".
std::int32_t StrToInt(std::string_view text);
bool StrToBool(std::string_view text);

}  // namespace wordlark
