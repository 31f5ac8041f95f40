// The brand settings: reading the enciphered settings file of a program folder,
// the lists and their random choices, the banner picture and the report.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "brand/brand_report.h"
#include "brand/brand_settings.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "util/tagged_text.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const fs::path kData = fs::path(WORDLARK_TEST_DATA) / "brand";

std::string Line(std::string_view name, std::string_view value) {
  return FormatTaggedEntry(name, value) + "\r\n";
}

void WriteSettings(const fs::path& folder, std::string_view plain,
                   std::string_view pass_phrase = SettingsPassPhrase) {
  WriteBytes(folder / "dbsettings.dat", EncipherBytes(plain, pass_phrase));
}

std::set<std::string> FolderNames(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A random source that hands out pinned positions and records what it was
// asked for.
struct PinnedRandom {
  std::vector<std::size_t> picks;
  std::vector<std::size_t> asked;

  RandomIndex Source() {
    return [this](std::size_t n) {
      asked.push_back(n);
      const std::size_t pick = picks.at(asked.size() - 1);
      EXPECT_LT(pick, n);
      return pick;
    };
  }
};

std::size_t AlwaysFirst(std::size_t) {
  return 0;
}

TEST(LoadBrandSettings, ReadsEveryFieldOfAShippedFile) {
  TempDir dir;
  WriteSettings(dir.path(), ReadBytes(kData / "full_settings.txt"));
  PinnedRandom random{{1, 1, 2, 0}, {}};
  const BrandLoad load = LoadBrandSettings(dir.path(), random.Source());

  ASSERT_TRUE(load.settings_file_found);
  EXPECT_EQ(load.cipher, CipherResult::Ok);
  const BrandSettings& s = load.settings;
  EXPECT_EQ(s.ApplicationName, "Copy Wizard Pro");
  EXPECT_EQ(s.BranderCode, "RS-1042");
  EXPECT_EQ(s.BranderType, "Platinum");
  EXPECT_EQ(s.Level(), BrandLevel::Platinum);
  // Both exact-case placeholders take the ID; the lower-case one stays.
  EXPECT_EQ(s.AffiliateURL, "http://shop.example/go?a=joe77&b=joe77&c=%%affiliateid%%");
  EXPECT_EQ(s.AffiliateTYPE, "cb");
  EXPECT_EQ(s.AffiliateID, "joe77");
  EXPECT_EQ(s.MasterNewsBaseURL, "http://news.example/master");
  EXPECT_EQ(s.PlatinumNewsBaseURL, "http://news.example/platinum/");
  EXPECT_EQ(s.GoldNewsBaseURL, "http://news.example/gold");
  EXPECT_EQ(s.MasterPublID, "pub-m");
  EXPECT_EQ(s.PlatinumPublID, "pub-p");
  EXPECT_EQ(s.GoldPublID, "pub-g");
  EXPECT_EQ(s.MakeMoneyButton, "Earn Now");
  EXPECT_EQ(s.AppHelpURL, "http://help.example/");
  EXPECT_EQ(s.CopyrightYears, "2004-2006");
  EXPECT_EQ(s.CopyrightCompany, "Caf\u00e9 Media \u00a9");  // windows-1252 bytes E9 and A9
  EXPECT_EQ(s.AboutText, "First line\r\nSecond line");

  // Welcome: 2 entries, banner: 2, links: 3 then 2 left.
  EXPECT_EQ(random.asked, (std::vector<std::size_t>{2, 2, 3, 2}));
  EXPECT_EQ(s.WelcomeText, "<html><body>Welcome two</body></html>");
  EXPECT_EQ(s.BannerPicture, "ad2.GIF");
  EXPECT_EQ(s.BannerURL, "http://ads.example/2");
  EXPECT_EQ(s.BannerNumber, 2);
  EXPECT_EQ(s.FirstLinkCaption, "Shop");
  EXPECT_EQ(s.FirstLinkURL, "http://shop.example/");
  EXPECT_EQ(s.SecondLinkCaption, "Home");
  EXPECT_EQ(s.SecondLinkURL, "http://home.example/");

  EXPECT_EQ(MainWindowCaption(s), "Copy Wizard Pro v2.0");
  EXPECT_TRUE(NewsButtonVisible(s));
  EXPECT_EQ(MakeMoneyCaption(s), "Earn Now");
  EXPECT_TRUE(BannerHasLink(s));
  EXPECT_TRUE(LinkBarVisible(s));
  EXPECT_EQ(AboutWindowCaption(s), "About Copy Wizard Pro...");
  EXPECT_EQ(ProductVersionText(), "Product Version: 2.0");
  EXPECT_EQ(CopyrightText(s), "Copyright (c) 2004-2006 Caf\u00e9 Media \u00a9");

  // Deciphered in memory: no plain copy was ever left beside the file.
  EXPECT_EQ(FolderNames(dir.path()), (std::set<std::string>{"dbsettings.dat"}));
}

TEST(LoadBrandSettings, FieldsAreFoundOnlyInReadingOrderAndInAnyTagCase) {
  const std::string text = Line("BranderCode", "early") + Line("applicationname", "Named") +
                           Line("BRANDERTYPE", "Gold") + Line("AffiliateID", "x") +
                           Line("AffiliateURL", "url");
  const ParsedBrandSettings parsed = ParseBrandSettings(TaggedTextFromBytes(text));
  EXPECT_EQ(parsed.fields.ApplicationName, "Named");
  EXPECT_EQ(parsed.fields.BranderCode, "");  // stood before ApplicationName
  EXPECT_EQ(parsed.fields.BranderType, "Gold");
  // AffiliateURL is read before AffiliateID, which therefore is lost here.
  EXPECT_EQ(parsed.fields.AffiliateURL, "url");
  EXPECT_EQ(parsed.fields.AffiliateID, "");
}

TEST(BrandSettings, LevelsAndTheNewsButton) {
  struct Case {
    std::string type;
    bool master, platinum, gold;  // both publisher ID and base URL set
    bool gold_id_only;            // GoldPublID set, GoldNewsBaseURL empty
    BrandLevel level;
    bool visible;
  };
  const Case cases[] = {
      {"Master", true, false, false, false, BrandLevel::Master, true},
      {"Master", false, true, true, false, BrandLevel::Master, false},
      {"master", true, true, true, false, BrandLevel::None, false},
      {"Silver", true, true, true, false, BrandLevel::None, false},
      {"", true, true, true, false, BrandLevel::None, false},
      {"Platinum", false, true, false, false, BrandLevel::Platinum, true},
      {"Gold", false, false, true, false, BrandLevel::Gold, true},
      {"Gold", true, false, false, true, BrandLevel::Gold, false},
      {"Free", true, false, false, false, BrandLevel::Free, true},
      {"Free", false, true, true, false, BrandLevel::Free, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    BrandSettings s;
    s.BranderType = c.type;
    if (c.master) {
      s.MasterPublID = "m";
      s.MasterNewsBaseURL = "http://m";
    }
    if (c.platinum) {
      s.PlatinumPublID = "p";
      s.PlatinumNewsBaseURL = "http://p";
    }
    if (c.gold) {
      s.GoldPublID = "g";
      s.GoldNewsBaseURL = "http://g";
    }
    if (c.gold_id_only) {
      s.GoldPublID = "g";
    }
    EXPECT_EQ(s.Level(), c.level);
    EXPECT_EQ(NewsButtonVisible(s), c.visible);
  }
}

TEST(ParseBrandSettings, ListsEndAtTheFirstGapAndReportWhatItHides) {
  std::string text = Line("AboutText", "a") + Line("Welcome1", "w1") + Line("Welcome2", "w2") +
                     Line("Welcome4", "w4") + Line("Banner1", "b1.png^u1") + Line("Banner2", "") +
                     Line("Banner3", "b3.png^u3");
  for (int n = 1; n <= 17; ++n) {
    text += Line("Link" + std::to_string(n), "L" + std::to_string(n) + "^u");
  }
  text += Line("Welcome07", "zero-padded");
  const ParsedBrandSettings parsed = ParseBrandSettings(TaggedTextFromBytes(text));
  EXPECT_EQ(parsed.welcome, (std::vector<std::string>{"w1", "w2"}));
  EXPECT_EQ(parsed.banners, (std::vector<std::string>{"b1.png^u1"}));
  ASSERT_EQ(parsed.links.size(), 16u);
  EXPECT_EQ(parsed.links.back(), "L16^u");

  std::vector<std::string> hidden;
  for (const HiddenBrandEntry& entry : parsed.hidden) {
    hidden.push_back(entry.tag + "=" + entry.value);
  }
  EXPECT_EQ(hidden, (std::vector<std::string>{"Welcome4=w4", "Welcome07=zero-padded",
                                              "Banner3=b3.png^u3", "Link17=L17^u"}));

  // Only the two welcome pages before the gap take part in the draw, and the
  // 17th link is never chosen.
  PinnedRandom random{{1, 0, 15, 14}, {}};
  const BrandSettings s = ChooseBrandEntries(parsed, random.Source());
  EXPECT_EQ(random.asked, (std::vector<std::size_t>{2, 1, 16, 15}));
  EXPECT_EQ(s.WelcomeText, "w2");
  EXPECT_EQ(s.FirstLinkCaption, "L16");
  EXPECT_EQ(s.SecondLinkCaption, "L15");
}

TEST(ChooseBrandEntries, SplitsEntriesWithoutReadingPastTheirParts) {
  struct Case {
    std::vector<std::string> banners, links;
    std::string picture, banner_url, caption1, url1, caption2, url2;
    bool link_bar;
  };
  const Case cases[] = {
      {{"pic.gif^^"}, {"Only^http://one/"}, "pic.gif", "", "Only", "http://one/", "", "", true},
      {{"pic.gif"}, {"No separator"}, "pic.gif", "", "No separator", "", "", "", true},
      {{"^http://x/"}, {"A^1^extra", "B^2"}, "", "http://x/", "A", "1", "B", "2", true},
      {{}, {}, "", "", "", "", "", "", false},
  };
  for (const Case& c : cases) {
    ParsedBrandSettings parsed;
    parsed.banners = c.banners;
    parsed.links = c.links;
    const BrandSettings s = ChooseBrandEntries(parsed, AlwaysFirst);
    EXPECT_EQ(s.BannerPicture, c.picture);
    EXPECT_EQ(s.BannerURL, c.banner_url);
    EXPECT_EQ(s.BannerNumber, c.banners.empty() ? 0 : 1);
    EXPECT_EQ(BannerHasLink(s), !c.banner_url.empty());
    EXPECT_EQ(s.FirstLinkCaption, c.caption1);
    EXPECT_EQ(s.FirstLinkURL, c.url1);
    EXPECT_EQ(s.SecondLinkCaption, c.caption2);
    EXPECT_EQ(s.SecondLinkURL, c.url2);
    EXPECT_EQ(LinkBarVisible(s), c.link_bar);
  }
}

TEST(SystemRandomIndex, DrawsEveryPositionInRange) {
  const RandomIndex random = SystemRandomIndex();
  std::set<std::size_t> seen;
  for (int i = 0; i < 300; ++i) {
    const std::size_t pick = random(3);
    ASSERT_LT(pick, 3u);
    seen.insert(pick);
  }
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(random(1), 0u);
}

TEST(LocateBannerImage, UsesTheNumberedFileAndTheExtensionOnly) {
  TempDir dir;
  // A program folder whose own name holds ".gif" says nothing about the picture.
  const fs::path folder = dir / "tools.gif";
  fs::create_directory(folder);
  WriteBytes(folder / "banner1.dat", "picture one");
  WriteBytes(folder / "banner2.dat", "picture two");

  struct Case {
    std::string picture;
    int number;
    bool found;
    std::string file, format;
    bool animated;
  };
  const Case cases[] = {
      {"ad.GIF", 2, true, "banner2.dat", "gif", true},
      {"ad.gif", 1, true, "banner1.dat", "gif", true},
      {"C:\\ads\\summer.JPG", 1, true, "banner1.dat", "jpg", false},
      {"../../../etc/passwd.png", 2, true, "banner2.dat", "png", false},
      {"..", 1, true, "banner1.dat", "", false},
      {"noextension", 1, true, "banner1.dat", "", false},
      {"ad.bmp", 3, false, "", "", false},  // banner 3 chosen, its file missing
      {"", 1, false, "", "", false},        // no picture name: strip hidden
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    BrandSettings s;
    s.BannerPicture = c.picture;
    s.BannerNumber = c.number;
    s.BannerURL = "http://ads/";
    const std::optional<BannerImage> image = LocateBannerImage(folder, s);
    ASSERT_EQ(image.has_value(), c.found);
    if (image) {
      EXPECT_EQ(image->file, folder / c.file);
      EXPECT_EQ(image->format, c.format);
      EXPECT_EQ(image->animated, c.animated);
    }
  }
  // Nothing was renamed or created.
  EXPECT_EQ(FolderNames(folder), (std::set<std::string>{"banner1.dat", "banner2.dat"}));
}

TEST(LoadBrandSettings, FilesThatFailTheCipherReadAsEmpty) {
  const std::string plain = ReadBytes(kData / "full_settings.txt");
  std::string damaged = EncipherBytes(plain);
  damaged[40] = static_cast<char>(damaged[40] ^ 0x01);  // inside the enciphered data
  struct Case {
    std::string name;
    std::string bytes;
    CipherResult result;
  };
  const Case cases[] = {
      {"wrong pass phrase", EncipherBytes(plain, "another phrase"), CipherResult::WrongPassPhrase},
      {"damaged body", damaged, CipherResult::Damaged},
      {"too short", "short", CipherResult::WrongPassPhrase},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "dbsettings.dat", c.bytes);
    WriteBytes(dir / "banner1.dat", "picture");
    const BrandLoad load = LoadBrandSettings(dir.path(), AlwaysFirst);
    EXPECT_TRUE(load.settings_file_found);
    EXPECT_EQ(load.cipher, c.result);
    EXPECT_EQ(load.settings, BrandSettings{});
    EXPECT_EQ(MainWindowCaption(load.settings), " v2.0");
    EXPECT_FALSE(NewsButtonVisible(load.settings));
    EXPECT_EQ(MakeMoneyCaption(load.settings), "Make Money");
    EXPECT_FALSE(LocateBannerImage(dir.path(), load.settings).has_value());
    EXPECT_FALSE(LinkBarVisible(load.settings));
    EXPECT_EQ(FolderNames(dir.path()), (std::set<std::string>{"banner1.dat", "dbsettings.dat"}));
  }
}

TEST(LoadBrandSettings, WithoutASettingsFileKeepsTheDesignedState) {
  TempDir dir;
  PinnedRandom random;
  const BrandLoad load = LoadBrandSettings(dir.path(), random.Source());
  EXPECT_FALSE(load.settings_file_found);
  EXPECT_EQ(load.settings, BrandSettings{});
  EXPECT_TRUE(random.asked.empty());
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(LoadBrandSettings, AnUnreadableSettingsFileIsAnError) {
  TempDir dir;
  fs::create_directory(dir / "dbsettings.dat");
  EXPECT_THROW(LoadBrandSettings(dir.path(), AlwaysFirst), FileError);
}

TEST(FormatBrandReport, ListsFieldsEntriesAndHiddenEntries) {
  const std::string text = Line("ApplicationName", "Lark") + Line("BranderType", "Free") +
                           Line("MasterNewsBaseURL", "http://n/") + Line("MasterPublID", "p") +
                           Line("AboutText", "one\r\ntwo") + Line("Welcome1", "<p>Hi</p>") +
                           Line("Welcome3", "<p>Lost</p>") + Line("Banner1", "a.gif^http://a/") +
                           Line("Link1", "Home");
  const std::string expected =
      "ApplicationName: Lark\n"
      "BranderCode: \n"
      "BranderType: Free\n"
      "AffiliateURL: \n"
      "AffiliateTYPE: \n"
      "AffiliateID: \n"
      "MasterNewsBaseURL: http://n/\n"
      "PlatinumNewsBaseURL: \n"
      "GoldNewsBaseURL: \n"
      "MasterPublID: p\n"
      "PlatinumPublID: \n"
      "GoldPublID: \n"
      "MakeMoneyButton: \n"
      "AppHelpURL: \n"
      "CopyrightYears: \n"
      "CopyrightCompany: \n"
      "AboutText: one\n"
      "    two\n"
      "Level: Free\n"
      "News button: shown\n"
      "Welcome entries: 1\n"
      "  Welcome1: <p>Hi</p>\n"
      "Banner entries: 1\n"
      "  Banner1: picture \"a.gif\", link \"http://a/\"\n"
      "Link entries: 1\n"
      "  Link1: caption \"Home\", URL \"\"\n"
      "Hidden entries (never read: after a gap, out of order, repeated or above 16): 1\n"
      "  Welcome3: <p>Lost</p>\n";
  EXPECT_EQ(FormatBrandReport(ParseBrandSettings(TaggedTextFromBytes(text))), expected);
}

}  // namespace
}  // namespace wordlark
