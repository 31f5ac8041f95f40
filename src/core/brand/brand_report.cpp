// The reseller's report of a settings file.
#include "brand/brand_report.h"

#include <string_view>
#include <utility>
#include <vector>

#include "util/text.h"

namespace wordlark {
namespace {

// Appends "label: value" with the value's further lines indented under it.
void AddLine(std::string& out, std::string_view indent, std::string_view label,
             std::string_view value) {
  out.append(indent).append(label).append(": ");
  std::string continuation = "\n";
  continuation.append(indent).append("    ");
  std::size_t i = 0;
  while (i < value.size()) {
    if (value[i] == '\r' || value[i] == '\n') {
      const std::size_t step =
          (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ? 2 : 1;
      i += step;
      if (i < value.size()) {
        out += continuation;
      }
      continue;
    }
    out += value[i++];
  }
  out += "\n";
}

std::string LevelName(BrandLevel level) {
  switch (level) {
    case BrandLevel::Master:
      return "Master";
    case BrandLevel::Platinum:
      return "Platinum";
    case BrandLevel::Gold:
      return "Gold";
    case BrandLevel::Free:
      return "Free";
    case BrandLevel::None:
      break;
  }
  return "none";
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted.append(text).append("\"");
  return quoted;
}

// A Banner or Link entry shown with its two parts named.
void AddPairedList(std::string& out, std::string_view prefix, const std::vector<std::string>& list,
                   std::string_view first, std::string_view second) {
  out.append(prefix).append(" entries: ").append(std::to_string(list.size())).append("\n");
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto parts = SplitAtChar('^', list[i]);
    std::string value = std::string(first) + " " + Quoted(parts.empty() ? "" : parts[0]) + ", " +
                        std::string(second) + " " + Quoted(parts.size() > 1 ? parts[1] : "");
    AddLine(out, "  ", std::string(prefix) + std::to_string(i + 1), value);
  }
}

}  // namespace

std::string FormatBrandReport(const ParsedBrandSettings& parsed) {
  const BrandSettings& f = parsed.fields;
  std::string out;
  const std::pair<std::string_view, const std::string*> fields[] = {
      {"ApplicationName", &f.ApplicationName},
      {"BranderCode", &f.BranderCode},
      {"BranderType", &f.BranderType},
      {"AffiliateURL", &f.AffiliateURL},
      {"AffiliateTYPE", &f.AffiliateTYPE},
      {"AffiliateID", &f.AffiliateID},
      {"MasterNewsBaseURL", &f.MasterNewsBaseURL},
      {"PlatinumNewsBaseURL", &f.PlatinumNewsBaseURL},
      {"GoldNewsBaseURL", &f.GoldNewsBaseURL},
      {"MasterPublID", &f.MasterPublID},
      {"PlatinumPublID", &f.PlatinumPublID},
      {"GoldPublID", &f.GoldPublID},
      {"MakeMoneyButton", &f.MakeMoneyButton},
      {"AppHelpURL", &f.AppHelpURL},
      {"CopyrightYears", &f.CopyrightYears},
      {"CopyrightCompany", &f.CopyrightCompany},
      {"AboutText", &f.AboutText},
  };
  for (const auto& [name, value] : fields) {
    AddLine(out, "", name, *value);
  }
  AddLine(out, "", "Level", LevelName(f.Level()));
  AddLine(out, "", "News button", NewsButtonVisible(f) ? "shown" : "hidden");

  out.append("Welcome entries: ").append(std::to_string(parsed.welcome.size())).append("\n");
  for (std::size_t i = 0; i < parsed.welcome.size(); ++i) {
    AddLine(out, "  ", "Welcome" + std::to_string(i + 1), parsed.welcome[i]);
  }
  AddPairedList(out, "Banner", parsed.banners, "picture", "link");
  AddPairedList(out, "Link", parsed.links, "caption", "URL");

  out.append("Hidden entries (never read: after a gap, out of order, repeated or above 16): ")
      .append(std::to_string(parsed.hidden.size()))
      .append("\n");
  for (const HiddenBrandEntry& entry : parsed.hidden) {
    AddLine(out, "  ", entry.repeated ? entry.tag + " (repeated)" : entry.tag, entry.value);
  }
  return out;
}

}  // namespace wordlark
