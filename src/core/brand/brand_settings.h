#pragma once

// The reseller's brand: the record read from the enciphered settings file
// "dbsettings.dat" in the program folder, the random choices of welcome page,
// banner and links, and the small rules the main window and the about window
// apply from it. Nothing here touches a window; the app applies the results.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/cipher/aes_lib.h"
#include "util/file_io.h"

namespace wordlark {

// The version of this application, shown in captions and compared by the
// update check.
inline constexpr std::string_view ApplicationVersion = "2.0";

// Files of the program folder that belong to the brand.
inline constexpr std::string_view kSettingsFileName = "dbsettings.dat";
inline constexpr std::string_view kSkinFileName = "mainskin.dat";
inline constexpr std::string_view kIconFileName = "main.ico";

// The most each of them may hold. A larger file, or one that is not a regular
// file (a FIFO, a device), is not read: the settings give an error, a banner
// or an icon is left out. The skin's limits stand in skin.h.
inline constexpr std::uint64_t kMaxSettingsFileSize = 16 * kMiB;
inline constexpr std::uint64_t kMaxBannerFileSize = 16 * kMiB;
inline constexpr std::uint64_t kMaxIconFileSize = 4 * kMiB;

// The Welcome, Banner and Link lists hold at most this many entries.
inline constexpr int kMaxBrandListEntries = 16;

// The designed texts the window shows when the brand leaves them open.
inline constexpr std::string_view kDesignedCaption = "Wordlark";
inline constexpr std::string_view kDefaultMakeMoneyCaption = "Make Money";

// The reseller's level, from BranderType compared as a whole text in exact
// letter case.
enum class BrandLevel { None, Master, Platinum, Gold, Free };

BrandLevel ParseBrandLevel(std::string_view brander_type);

// The application-wide brand record. Every field is UTF-8 text and empty until
// a settings file fills it.
struct BrandSettings {
  // Read from the settings file, in this order.
  std::string ApplicationName;
  std::string BranderCode;
  std::string BranderType;
  std::string AffiliateURL;  // "%%AFFILIATEID%%" already replaced by AffiliateID
  std::string AffiliateTYPE;
  std::string AffiliateID;
  std::string MasterNewsBaseURL;
  std::string PlatinumNewsBaseURL;
  std::string GoldNewsBaseURL;
  std::string MasterPublID;
  std::string PlatinumPublID;
  std::string GoldPublID;
  std::string MakeMoneyButton;
  std::string AppHelpURL;
  std::string CopyrightYears;
  std::string CopyrightCompany;
  std::string AboutText;

  // The choices made at load.
  std::string WelcomeText;
  std::string BannerPicture;  // as written; only its name and extension count
  std::string BannerURL;
  std::string FirstLinkCaption;
  std::string FirstLinkURL;
  std::string SecondLinkCaption;
  std::string SecondLinkURL;
  // The chosen banner's number N (1..16), which names its picture file
  // "banner" + N + ".dat"; 0 when there is no Banner entry.
  int BannerNumber = 0;

  BrandLevel Level() const { return ParseBrandLevel(BranderType); }

  bool operator==(const BrandSettings&) const = default;
};

// One entry of a list that is never read: it stands after a gap in the
// numbering (an empty or absent entry), its number is above 16, or it repeats
// a number whose other entry is the one read. Its value runs to the first
// closing tag of its name; an entry of the same list inside that value, or
// inside the value of anything read, belongs to that value and is not
// reported.
struct HiddenBrandEntry {
  std::string tag;  // "Welcome4", "Banner17", ...
  std::string value;
  bool repeated = false;  // its number is in the list, but another entry was read

  bool operator==(const HiddenBrandEntry&) const = default;
};

// The settings text taken apart, before any random choice: the read fields
// (the choices left empty) and the three lists in the order of their numbers.
struct ParsedBrandSettings {
  BrandSettings fields;
  std::vector<std::string> welcome;
  std::vector<std::string> banners;  // picture file name, "^", link URL
  std::vector<std::string> links;    // caption, "^", URL
  std::vector<HiddenBrandEntry> hidden;
};

// Reads the fields and the lists from a working text (as TaggedTextFromBytes
// makes it) in the fixed reading order: a field is found only when it stands
// after every field read before it; a list ends at its first empty or absent
// number, and after 16 entries at the latest.
ParsedBrandSettings ParseBrandSettings(std::string working_text);

// A source of uniform random positions: returns an index in [0, n), n >= 1.
using RandomIndex = std::function<std::size_t(std::size_t n)>;

// Uniform positions from a generator seeded by the system's entropy source.
RandomIndex SystemRandomIndex();

// The record with its three independent choices made: a welcome page, a banner,
// and two different links (the second drawn among the entries left after the
// first). An entry without "^" gives an empty second part.
BrandSettings ChooseBrandEntries(const ParsedBrandSettings& parsed, const RandomIndex& random);

// What LoadBrandSettings found.
struct BrandLoad {
  // False when the program folder holds no settings file: the window then keeps
  // its designed state entirely (caption, buttons, banner, links, skin, icon).
  bool settings_file_found = false;
  // How the file deciphered. A file that fails the pass-phrase verifier or the
  // authentication code counts as one that deciphers to nothing: every field
  // is empty and none of its bytes is used.
  CipherResult cipher = CipherResult::Ok;
  BrandSettings settings;
};

// Deciphers "dbsettings.dat" of the program folder in memory (no plain text
// ever reaches the disk), reads it and makes the choices. Throws FileError when
// the file exists but cannot be read.
BrandLoad LoadBrandSettings(const std::filesystem::path& program_folder,
                            const RandomIndex& random = SystemRandomIndex());

// The same from the enciphered bytes of a settings file.
BrandLoad BrandSettingsFromEnciphered(std::string_view enciphered, const RandomIndex& random);

// The main window caption for a loaded settings file: ApplicationName + " v" +
// ApplicationVersion (" v2.0" when the name is empty).
std::string MainWindowCaption(const BrandSettings& settings);

// The news button is shown when the level's publisher ID and news base URL are
// both set ("Free" looks at the "Master" pair); with no level it is hidden.
bool NewsButtonVisible(const BrandSettings& settings);

// MakeMoneyButton, or "Make Money" when it is empty.
std::string MakeMoneyCaption(const BrandSettings& settings);

// The banner views carry the hand cursor exactly when a click opens a page.
inline bool BannerHasLink(const BrandSettings& settings) {
  return !settings.BannerURL.empty();
}

// The link bar is shown exactly when the first link has a caption.
inline bool LinkBarVisible(const BrandSettings& settings) {
  return !settings.FirstLinkCaption.empty();
}

// The picture of the chosen banner.
struct BannerImage {
  std::filesystem::path file;  // program folder / ("banner" + N + ".dat"), read in place
  std::string format;          // lower-cased extension of BannerPicture: "gif", "jpg", ...
  bool animated = false;       // the extension is "gif" in any letter case
};

// The chosen banner's picture file, or nothing when the banner strip is to be
// hidden: BannerPicture is empty or the program folder holds no such file (or
// one that is not a regular file, or is larger than kMaxBannerFileSize). The
// file keeps its neutral name; BannerPicture gives only the format, and any
// folder part of it (also ".." or a drive) is ignored.
std::optional<BannerImage> LocateBannerImage(const std::filesystem::path& program_folder,
                                             const BrandSettings& settings);

// The program folder's "main.ico" when it is a regular file within
// kMaxIconFileSize; nothing otherwise.
std::optional<std::filesystem::path> LocateIconFile(const std::filesystem::path& program_folder);

// The name-and-extension part of a picture name written with "/" or "\".
std::string BannerPictureName(std::string_view banner_picture);

// Texts of the about window.
std::string AboutWindowCaption(const BrandSettings& settings);  // "About " + name + "..."
std::string ProductVersionText();                               // "Product Version: 2.0"
std::string CopyrightText(
    const BrandSettings& settings);  // "Copyright (c) " + years + " " + holder

}  // namespace wordlark
