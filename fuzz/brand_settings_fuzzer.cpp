// The brand settings reader on arbitrary (deciphered) settings text: parse,
// choose with fixed random sources, and write the reseller's report.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "brand/brand_report.h"
#include "brand/brand_settings.h"
#include "fuzz_support.h"
#include "util/tagged_text.h"
#include "util/text.h"

using wordlark::fuzz::Require;

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

void CheckChoices(const wordlark::ParsedBrandSettings& parsed,
                  const wordlark::BrandSettings& chosen) {
  Require(parsed.welcome.empty() ? chosen.WelcomeText.empty()
                                 : Contains(parsed.welcome, chosen.WelcomeText));
  if (parsed.banners.empty()) {
    Require(chosen.BannerNumber == 0 && chosen.BannerPicture.empty() && chosen.BannerURL.empty());
  } else {
    Require(chosen.BannerNumber >= 1 &&
            chosen.BannerNumber <= static_cast<int>(parsed.banners.size()));
    const std::string& banner = parsed.banners[chosen.BannerNumber - 1];
    Require(banner.starts_with(chosen.BannerPicture));
  }
  if (parsed.links.size() < 2) {
    Require(chosen.SecondLinkCaption.empty() && chosen.SecondLinkURL.empty());
  }
  if (parsed.links.empty()) {
    Require(chosen.FirstLinkCaption.empty() && chosen.FirstLinkURL.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const wordlark::ParsedBrandSettings parsed = wordlark::ParseBrandSettings(
      wordlark::TaggedTextFromBytes(wordlark::fuzz::AsText(data, size)));

  Require(parsed.welcome.size() <= wordlark::kMaxBrandListEntries);
  Require(parsed.banners.size() <= wordlark::kMaxBrandListEntries);
  Require(parsed.links.size() <= wordlark::kMaxBrandListEntries);
  for (const wordlark::HiddenBrandEntry& entry : parsed.hidden) {
    Require(!entry.value.empty());
    const std::string tag = wordlark::AsciiLower(entry.tag);
    Require(tag.starts_with("welcome") || tag.starts_with("banner") || tag.starts_with("link"));
  }

  // Fixed random sources: always the first, always the last, and one that
  // answers out of range (the choice must still stay inside the list).
  const wordlark::RandomIndex first = [](std::size_t) { return std::size_t{0}; };
  const wordlark::RandomIndex last = [](std::size_t n) { return n - 1; };
  std::uint64_t state = size;
  const wordlark::RandomIndex wild = [&state](std::size_t) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>(state >> 1);
  };
  for (const wordlark::RandomIndex* random : {&first, &last, &wild}) {
    CheckChoices(parsed, wordlark::ChooseBrandEntries(parsed, *random));
  }
  const wordlark::BrandSettings chosen = wordlark::ChooseBrandEntries(parsed, first);
  (void)wordlark::MainWindowCaption(chosen);
  (void)wordlark::NewsButtonVisible(chosen);
  (void)wordlark::BannerPictureName(chosen.BannerPicture);

  const std::string report = wordlark::FormatBrandReport(parsed);
  Require(!report.empty() && report.back() == '\n');
  return 0;
}
