// Listing the templates folder and naming its entries.
#include "render/catalogue.h"

#include <algorithm>
#include <system_error>

#include "util/error.h"
#include "util/text.h"

namespace wordlark {

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    return std::filesystem::current_path(ec);
  }
  return exe.parent_path();
}

std::filesystem::path DefaultTemplatesFolder() {
  return ProgramFolder() / "Templates";
}

std::string TemplateEntryName(std::string_view file_name) {
  std::string name = ReplaceAll(file_name, ".tem", "");
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
  }
  return name;
}

std::vector<TemplateEntry> ScanTemplates(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) {
    throw Error("Cannot open the templates folder \"" + folder.string() + "\". " + ec.message());
  }
  std::vector<std::string> files;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code kind_ec;
    if (!it->is_regular_file(kind_ec)) {
      continue;
    }
    std::string file_name = it->path().filename().string();
    if (file_name.size() >= 4 &&
        EqualsIgnoreAsciiCase(std::string_view(file_name).substr(file_name.size() - 4), ".tem")) {
      files.push_back(std::move(file_name));
    }
  }
  if (ec) {
    throw Error("Cannot read the templates folder \"" + folder.string() + "\". " + ec.message());
  }
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    const std::string la = AsciiLower(a);
    const std::string lb = AsciiLower(b);
    return la != lb ? la < lb : a < b;
  });
  std::vector<TemplateEntry> catalogue;
  catalogue.reserve(files.size());
  for (const std::string& file_name : files) {
    catalogue.push_back({TemplateEntryName(file_name), folder / file_name});
  }
  return catalogue;
}

const TemplateEntry* FindTemplate(const std::vector<TemplateEntry>& catalogue,
                                  std::string_view name) {
  for (const TemplateEntry& entry : catalogue) {
    if (entry.name == name) {
      return &entry;
    }
  }
  const TemplateEntry* found = nullptr;
  for (const TemplateEntry& entry : catalogue) {
    if (EqualsIgnoreAsciiCase(entry.name, name)) {
      if (found != nullptr) {
        return nullptr;
      }
      found = &entry;
    }
  }
  return found;
}

std::filesystem::path ResolveUserPath(std::string_view typed, const std::filesystem::path& base) {
  std::filesystem::path path{std::string(typed)};
  if (path.is_absolute() || base.empty()) {
    return path;
  }
  return base / path;
}

}  // namespace wordlark
