#pragma once

// A plain-text report of what a settings file holds, for resellers checking the
// file they are about to ship: every field, the three lists and the entries
// that the program will never read.

#include <string>

#include "brand/brand_settings.h"

namespace wordlark {

// One "Name: value" line per field in reading order (continuation lines of a
// value indented), the level and whether the news button shows, then the
// Welcome, Banner and Link lists with their entries, then the hidden entries.
// UTF-8, lines ended by "\n".
std::string FormatBrandReport(const ParsedBrandSettings& parsed);

}  // namespace wordlark
