// The live update: the update address, the INI reader, the version comparison,
// the check over a downloaded information file, and the updater's parameters.
#include "online/update.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "brand/brand_settings.h"
#include "fake_http_client.h"
#include "online/ini_file.h"
#include "test_support.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::FakeHttpClient;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const fs::path kData = fs::path(WORDLARK_TEST_DATA) / "online";

TEST(UpdateBaseURL, IsTheUpdateFolderOfTheUpdateHost) {
  const std::string base(UpdateBaseURL());
  EXPECT_TRUE(base.starts_with("http")) << base;
  EXPECT_TRUE(base.ends_with("/liveupdate/word_lark/")) << base;
  EXPECT_EQ(base.find("//liveupdate"), std::string::npos) << base;
  EXPECT_EQ(UpdateInfoURL(), base + "mainappupdate.inf");
  EXPECT_EQ(UpdaterParameters(), base + " 2.0 A");
  EXPECT_EQ(UpdaterPath("/opt/lark"), fs::path("/opt/lark/Updater.exe"));
}

TEST(ReadIniValue, FindsSectionAndKeyInAnyLetterCase) {
  struct Case {
    std::string name, text, value;
  };
  const Case cases[] = {
      {"plain", "[APPLICATION]\r\nVersion=2.1\r\n", "2.1"},
      {"letter case and blanks", "[ application ]\nNAME=x\n  version =  2.5 \n", "2.5"},
      {"quoted", "[Application]\rVersion=\"3.0\"\r", "3.0"},
      {"comment and other section first",
       "; Version=9\r\n[Other]\r\nVersion=8\r\n[Application]\r\nVersion=2.2\r\n", "2.2"},
      {"first section counts", "[Application]\r\nName=x\r\n[Application]\r\nVersion=7\r\n", ""},
      {"first key counts", "[Application]\r\nVersion=1\r\nVersion=2\r\n", "1"},
      {"key in the wrong section", "[Application]\r\n[Other]\r\nVersion=2.1\r\n", ""},
      {"empty value", "[Application]\r\nVersion=\r\n", ""},
      {"no section", "Version=2.1\r\n", ""},
      {"empty text", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadIniValue(c.text, "APPLICATION", "Version"), c.value);
  }
  EXPECT_EQ(ReadIniFileValue(kData / "mainappupdate.inf", "APPLICATION", "Version"), "2.1");
  EXPECT_THROW(ReadIniFileValue(kData / "absent.inf", "APPLICATION", "Version"), FileError);
}

struct VersionCase {
  std::string text;
  bool newer;
};

const VersionCase kVersionCases[] = {
    {"2.0", false},        {"2.1", true},  {"10", true},    {"1.9", false},
    {"2.00000001", false},  // a 32-bit float equals 2
    {"", false},           {"abc", false}, {"2,1", false},  {"2.1x", false},
    {" 2.1 ", true},       {"+3", true},   {"-3", false},   {"1e1", true},
    {"inf", false},        {"nan", false}, {"1e99", false}, {"0x3", false},
};

TEST(IsNewerVersion, ComparesNumbers) {
  for (const VersionCase& c : kVersionCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsNewerVersion(c.text), c.newer);
  }
  EXPECT_EQ(ParseVersionNumber("2.00000001"), 2.0f);
  EXPECT_EQ(ParseVersionNumber("2.1"), 2.1f);
  EXPECT_EQ(ParseVersionNumber(ApplicationVersion), 2.0f);
}

TEST(IsNewerVersion, IgnoresTheDecimalSeparatorOfTheLocale) {
  // A German locale writes 2,5 for 2.5; build one when none is installed.
  TempDir locales;
  bool active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  if (!active && test::RunCommand("localedef -i de_DE -f UTF-8 " +
                                  test::ShellQuote((locales / "de_DE.UTF-8").string()) +
                                  " >/dev/null 2>&1") == 0) {
    setenv("LOCPATH", locales.path().c_str(), 1);
    active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    unsetenv("LOCPATH");
  }
  if (!active) {
    GTEST_SKIP() << "no locale with a decimal comma is available";
  }
  ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  for (const VersionCase& c : kVersionCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsNewerVersion(c.text), c.newer);
  }
  std::setlocale(LC_ALL, "C");
}

TEST(CheckForUpdateInfo, DownloadsAndComparesTheOfferedVersion) {
  struct Case {
    std::string name;
    std::string body;  // served by the fake; empty: the download fails
    bool available;
    std::string version;
  };
  const Case cases[] = {
      {"newer", ReadBytes(kData / "mainappupdate.inf"), true, "2.1"},
      {"same", "[APPLICATION]\r\nVersion=2.0\r\n", false, ""},
      {"older", "[APPLICATION]\r\nVersion=1.9\r\n", false, ""},
      {"not a number", "[APPLICATION]\r\nVersion=soon\r\n", false, ""},
      {"no key", "[APPLICATION]\r\n", false, ""},
      {"404", "", false, ""},
      // Longer than an information file may be: no answer, even with a newer version.
      {"too long", "[APPLICATION]\r\nVersion=2.1\r\n" + std::string(kMaxUpdateInfoBytes, ';'),
       false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "mainappupdate.inf", "[APPLICATION]\r\nVersion=99\r\n");  // a stale copy
    FakeHttpClient client;
    if (c.body.empty()) {
      client.ServeBody({}, HttpError(HttpErrorKind::HttpStatus, "Not Found", 404));
    } else {
      client.ServeBody({c.body});
    }
    const UpdateCheck check = CheckForUpdateInfo(client, dir.path());
    EXPECT_EQ(check.available, c.available);
    EXPECT_EQ(check.version_text, c.version);
    EXPECT_EQ(client.get_urls, (std::vector<std::string>{UpdateInfoURL()}));
    if (c.body.empty() || c.body.size() > kMaxUpdateInfoBytes) {
      EXPECT_FALSE(fs::exists(dir / "mainappupdate.inf"));
    } else {
      EXPECT_EQ(ReadBytes(dir / "mainappupdate.inf"), c.body);
    }
  }
}

TEST(UpdateQuestion, NamesTheVersionAsWritten) {
  EXPECT_EQ(UpdateQuestion("2.10"),
            "There is a new update: (version 2.10) available for your application!. Do you want "
            "download this update now?");
}

}  // namespace
}  // namespace wordlark
