// Reading the brand record from the settings file and making its choices.
#include "brand/brand_settings.h"

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <system_error>

#include "util/file_io.h"
#include "util/tagged_text.h"
#include "util/text.h"

namespace wordlark {
namespace {

constexpr std::string_view kAffiliatePlaceholder = "%%AFFILIATEID%%";

// The part at `index` of an entry split at "^", empty when the split gave fewer
// parts.
std::string PartOf(const std::vector<std::string>& parts, std::size_t index) {
  return index < parts.size() ? parts[index] : std::string();
}

std::size_t Draw(const RandomIndex& random, std::size_t n) {
  return random(n) % n;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The tag name prefix + digits that stands at `name_at` (just after "<%%" or
// "<%%/"), followed by "%%>"; empty when there is none.
std::string_view NumberedTag(std::string_view text, std::size_t name_at, std::string_view prefix) {
  if (text.size() < name_at + prefix.size() ||
      !EqualsIgnoreAsciiCase(text.substr(name_at, prefix.size()), prefix)) {
    return {};
  }
  std::size_t digits_end = name_at + prefix.size();
  while (digits_end < text.size() && IsDigit(text[digits_end])) {
    ++digits_end;
  }
  if (digits_end == name_at + prefix.size() || text.substr(digits_end, 3) != "%%>") {
    return {};
  }
  return text.substr(name_at, digits_end - name_at);
}

// Entries "<%%" + prefix + digits + "%%>" anywhere in the text that the list
// reading did not take: a number above `count` (after a gap, out of order, or
// above 16) or a number written with a leading zero. Only entries with a value
// are reported, since an empty one reads like a missing one. Each value runs to
// the first closing tag of its name, as ReadTaggedValue reads it; an entry
// inside the value of a reported one belongs to that value. The closing tags
// are indexed once, so the text is not searched again for every entry.
// What the reading took from the whole text: the values read (as spans of
// the text) and where the list entries read open.
struct ReadTrace {
  std::vector<std::pair<std::size_t, std::size_t>> values;
  std::vector<std::size_t> entry_openings;

  bool InsideValue(std::size_t at) const {
    for (const auto& [start, end] : values) {
      if (at >= start && at < end) {
        return true;
      }
    }
    return false;
  }
};

// ReadTaggedValue on the shrinking `text`, a suffix of `whole`, noting where
// the value stood.
std::string TracedRead(std::string_view whole, std::string& text, std::string_view name,
                       ReadTrace& trace, bool list_entry) {
  std::string value = ReadTaggedValue(text, name);
  if (!value.empty()) {
    const std::size_t end = whole.size() - text.size();
    const std::size_t start = end - value.size();
    trace.values.emplace_back(start, end);
    if (list_entry) {
      trace.entry_openings.push_back(start - name.size() - 6);
    }
  }
  return value;
}

void CollectHidden(std::string_view text, std::string_view prefix, std::size_t count,
                   const ReadTrace& trace, std::vector<HiddenBrandEntry>& hidden) {
  std::map<std::string, std::vector<std::size_t>> closings;  // upper-case name -> positions
  for (std::size_t at = text.find("<%%/"); at != std::string_view::npos;
       at = text.find("<%%/", at + 1)) {
    const std::string_view tag = NumberedTag(text, at + 4, prefix);
    if (!tag.empty()) {
      closings[AsciiUpper(tag)].push_back(at);
    }
  }

  std::size_t at = 0;
  while ((at = text.find("<%%", at)) != std::string_view::npos) {
    const std::size_t name_at = at + 3;
    at = name_at;
    const std::string_view tag = NumberedTag(text, name_at, prefix);
    if (tag.empty()) {
      continue;
    }
    const std::size_t open_at = name_at - 3;
    if (std::find(trace.entry_openings.begin(), trace.entry_openings.end(), open_at) !=
            trace.entry_openings.end() ||
        trace.InsideValue(open_at)) {
      continue;
    }
    const std::string_view digits = tag.substr(prefix.size());
    const bool in_list = digits.front() != '0' && digits.size() <= 4 &&
                         static_cast<std::size_t>(std::stoi(std::string(digits))) <= count;
    const auto found = closings.find(AsciiUpper(tag));
    if (found == closings.end()) {
      continue;
    }
    const std::size_t value_at = name_at + tag.size() + 3;
    const auto close = std::lower_bound(found->second.begin(), found->second.end(), value_at);
    if (close == found->second.end() || *close == value_at) {
      continue;
    }
    hidden.push_back(
        {std::string(tag), std::string(text.substr(value_at, *close - value_at)), in_list});
    at = *close + tag.size() + 7;
  }
}

// Reads prefix + N for N = 1, 2, ... until an empty or absent value or 16
// entries.
std::vector<std::string> ReadList(std::string_view whole, std::string& text,
                                  std::string_view prefix, ReadTrace& trace) {
  std::vector<std::string> list;
  for (int n = 1; n <= kMaxBrandListEntries; ++n) {
    std::string value =
        TracedRead(whole, text, std::string(prefix) + std::to_string(n), trace, true);
    if (value.empty()) {
      break;
    }
    list.push_back(std::move(value));
  }
  return list;
}

}  // namespace

BrandLevel ParseBrandLevel(std::string_view brander_type) {
  if (brander_type == "Master") {
    return BrandLevel::Master;
  }
  if (brander_type == "Platinum") {
    return BrandLevel::Platinum;
  }
  if (brander_type == "Gold") {
    return BrandLevel::Gold;
  }
  if (brander_type == "Free") {
    return BrandLevel::Free;
  }
  return BrandLevel::None;
}

ParsedBrandSettings ParseBrandSettings(std::string working_text) {
  const std::string whole = working_text;
  std::string& text = working_text;
  ParsedBrandSettings parsed;
  BrandSettings& f = parsed.fields;
  ReadTrace trace;
  const auto read = [&](std::string_view name) {
    return TracedRead(whole, text, name, trace, false);
  };
  f.ApplicationName = read("ApplicationName");
  f.BranderCode = read("BranderCode");
  f.BranderType = read("BranderType");
  f.AffiliateURL = read("AffiliateURL");
  f.AffiliateTYPE = read("AffiliateTYPE");
  f.AffiliateID = read("AffiliateID");
  f.AffiliateURL = ReplaceAll(f.AffiliateURL, kAffiliatePlaceholder, f.AffiliateID);
  f.MasterNewsBaseURL = read("MasterNewsBaseURL");
  f.PlatinumNewsBaseURL = read("PlatinumNewsBaseURL");
  f.GoldNewsBaseURL = read("GoldNewsBaseURL");
  f.MasterPublID = read("MasterPublID");
  f.PlatinumPublID = read("PlatinumPublID");
  f.GoldPublID = read("GoldPublID");
  f.MakeMoneyButton = read("MakeMoneyButton");
  f.AppHelpURL = read("AppHelpURL");
  f.CopyrightYears = read("CopyrightYears");
  f.CopyrightCompany = read("CopyrightCompany");
  f.AboutText = read("AboutText");
  parsed.welcome = ReadList(whole, text, "Welcome", trace);
  parsed.banners = ReadList(whole, text, "Banner", trace);
  parsed.links = ReadList(whole, text, "Link", trace);
  CollectHidden(whole, "Welcome", parsed.welcome.size(), trace, parsed.hidden);
  CollectHidden(whole, "Banner", parsed.banners.size(), trace, parsed.hidden);
  CollectHidden(whole, "Link", parsed.links.size(), trace, parsed.hidden);
  return parsed;
}

RandomIndex SystemRandomIndex() {
  auto generator = std::make_shared<std::mt19937_64>(std::random_device{}());
  return [generator](std::size_t n) {
    std::uniform_int_distribution<std::size_t> distribution(0, n - 1);
    return distribution(*generator);
  };
}

BrandSettings ChooseBrandEntries(const ParsedBrandSettings& parsed, const RandomIndex& random) {
  BrandSettings s = parsed.fields;
  if (!parsed.welcome.empty()) {
    s.WelcomeText = parsed.welcome[Draw(random, parsed.welcome.size())];
  }
  if (!parsed.banners.empty()) {
    const std::size_t drawn = Draw(random, parsed.banners.size());
    const auto parts = SplitAtChar('^', parsed.banners[drawn]);
    s.BannerPicture = PartOf(parts, 0);
    s.BannerURL = PartOf(parts, 1);
    s.BannerNumber = static_cast<int>(drawn) + 1;
  }
  if (!parsed.links.empty()) {
    std::vector<std::string> links = parsed.links;
    const std::size_t first = Draw(random, links.size());
    auto parts = SplitAtChar('^', links[first]);
    s.FirstLinkCaption = PartOf(parts, 0);
    s.FirstLinkURL = PartOf(parts, 1);
    links.erase(links.begin() + static_cast<std::ptrdiff_t>(first));
    if (!links.empty()) {
      parts = SplitAtChar('^', links[Draw(random, links.size())]);
      s.SecondLinkCaption = PartOf(parts, 0);
      s.SecondLinkURL = PartOf(parts, 1);
    }
  }
  return s;
}

BrandLoad BrandSettingsFromEnciphered(std::string_view enciphered, const RandomIndex& random) {
  BrandLoad load;
  load.settings_file_found = true;
  std::string plain;
  load.cipher = DecipherBytes(enciphered, plain);
  if (load.cipher != CipherResult::Ok) {
    // A damaged or foreign file never feeds its bytes to the window.
    plain.clear();
  }
  load.settings = ChooseBrandEntries(ParseBrandSettings(TaggedTextFromBytes(plain)), random);
  return load;
}

BrandLoad LoadBrandSettings(const std::filesystem::path& program_folder,
                            const RandomIndex& random) {
  const std::filesystem::path file = program_folder / kSettingsFileName;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    return {};
  }
  return BrandSettingsFromEnciphered(ReadFileBytes(file, kMaxSettingsFileSize), random);
}

std::string MainWindowCaption(const BrandSettings& settings) {
  return settings.ApplicationName + " v" + std::string(ApplicationVersion);
}

bool NewsButtonVisible(const BrandSettings& s) {
  switch (s.Level()) {
    case BrandLevel::Master:
    case BrandLevel::Free:
      return !s.MasterPublID.empty() && !s.MasterNewsBaseURL.empty();
    case BrandLevel::Platinum:
      return !s.PlatinumPublID.empty() && !s.PlatinumNewsBaseURL.empty();
    case BrandLevel::Gold:
      return !s.GoldPublID.empty() && !s.GoldNewsBaseURL.empty();
    case BrandLevel::None:
      break;
  }
  return false;
}

std::string MakeMoneyCaption(const BrandSettings& settings) {
  return settings.MakeMoneyButton.empty() ? std::string(kDefaultMakeMoneyCaption)
                                          : settings.MakeMoneyButton;
}

std::string BannerPictureName(std::string_view banner_picture) {
  const std::size_t slash = banner_picture.find_last_of("/\\:");
  return std::string(slash == std::string_view::npos ? banner_picture
                                                     : banner_picture.substr(slash + 1));
}

std::optional<BannerImage> LocateBannerImage(const std::filesystem::path& program_folder,
                                             const BrandSettings& settings) {
  if (settings.BannerPicture.empty() || settings.BannerNumber < 1 ||
      settings.BannerNumber > kMaxBrandListEntries) {
    return std::nullopt;
  }
  BannerImage image;
  image.file = program_folder / ("banner" + std::to_string(settings.BannerNumber) + ".dat");
  if (!IsRegularFileWithin(image.file, kMaxBannerFileSize)) {
    return std::nullopt;
  }
  const std::string name = BannerPictureName(settings.BannerPicture);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    image.format = AsciiLower(std::string_view(name).substr(dot + 1));
  }
  image.animated = image.format == "gif";
  return image;
}

std::optional<std::filesystem::path> LocateIconFile(const std::filesystem::path& program_folder) {
  std::filesystem::path file = program_folder / kIconFileName;
  if (!IsRegularFileWithin(file, kMaxIconFileSize)) {
    return std::nullopt;
  }
  return file;
}

std::string AboutWindowCaption(const BrandSettings& settings) {
  return "About " + settings.ApplicationName + "...";
}

std::string ProductVersionText() {
  return "Product Version: " + std::string(ApplicationVersion);
}

std::string CopyrightText(const BrandSettings& settings) {
  return "Copyright (c) " + settings.CopyrightYears + " " + settings.CopyrightCompany;
}

}  // namespace wordlark
