// The template catalogue: the page templates (*.tem) of the templates folder,
// each with the name the wizard shows and the real file it stands for, and the
// folders the program works from.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wordlark {

struct TemplateEntry {
  std::string name;            // as listed: "Bold" for Bold.tem
  std::filesystem::path file;  // the real file, whatever the letter case of its name
};

// The folder of the running executable.
std::filesystem::path ProgramFolder();

// The shipped templates: "Templates" in the program folder.
std::filesystem::path DefaultTemplatesFolder();

// The entry name of a template file name: every ".tem" (lower case) removed,
// then the first character upper-cased (ASCII letters only).
std::string TemplateEntryName(std::string_view file_name);

// The ordinary files of `folder` whose names end in ".tem" in any letter case,
// sorted by file name without regard to ASCII letter case. Throws Error with
// a text for the user when the folder cannot be listed (missing, not a folder,
// unreadable); an empty list when it holds no template.
std::vector<TemplateEntry> ScanTemplates(const std::filesystem::path& folder);

// The entry called `name`: an exact match first, else the only one equal when
// ASCII letter case is ignored. nullptr when there is none.
const TemplateEntry* FindTemplate(const std::vector<TemplateEntry>& catalogue,
                                  std::string_view name);

// A path typed by the user: absolute as it stands, relative against `base`
// (the working directory of the process is never involved).
std::filesystem::path ResolveUserPath(std::string_view typed, const std::filesystem::path& base);

}  // namespace wordlark
