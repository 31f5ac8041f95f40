#pragma once

#include <filesystem>

class QWidget;

namespace wordlark {

// The reseller's look from the program folder: the skin (`mainskin.dat`)
// replaces the built-in style of the whole application; a readable icon
// (`main.ico`) becomes the application's and `window`'s. A file that is
// missing or cannot be read changes nothing.
void ApplyBrandSkin(const std::filesystem::path& programFolder);
void ApplyBrandIcon(const std::filesystem::path& programFolder, QWidget* window);

}  // namespace wordlark
