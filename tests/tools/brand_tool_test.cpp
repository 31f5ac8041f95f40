#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brand/skin.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;
using test::WriteBytes;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun Brand(const std::vector<std::string>& arguments) {
  std::string line = ShellQuote(std::string(WORDLARK_BIN_DIR) + "/wordlark-brand");
  for (const std::string& a : arguments) {
    line += " " + ShellQuote(a);
  }
  ToolRun run;
  run.status = RunCommand(line, &run.out, &run.err);
  return run;
}

// A failure: status 1, nothing on standard output, one line on standard error.
void ExpectFailure(const ToolRun& run) {
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("wordlark-brand: ", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kPlain =
    "<%%AppName%%>Seller Pro<%%/AppName%%>\r\n<%%Level%%>Gold<%%/Level%%>\r\n"
    "<%%Copyright%%>\xA9 2024 Caf\xE9 Sales<%%/Copyright%%>\r\n";

TEST(BrandTool, EnciphersAndDeciphers) {
  TempDir dir;
  WriteBytes(dir / "plain.txt", kPlain);
  ToolRun run =
      Brand({"encipher", (dir / "plain.txt").string(), (dir / "dbsettings.dat").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string dat = ReadBytes(dir / "dbsettings.dat");
  EXPECT_EQ(dat.size(), kPlain.size() + 20);
  std::string plain;
  EXPECT_EQ(DecipherBytes(dat, plain), CipherResult::Ok);
  EXPECT_EQ(plain, kPlain);

  run = Brand({"decipher", (dir / "dbsettings.dat").string(), (dir / "back.txt").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadBytes(dir / "back.txt"), kPlain);
}

TEST(BrandTool, FailedDecipherWritesNoPlainText) {
  const std::string good = EncipherBytes(kPlain);
  std::string flipped = good;
  flipped[20] = static_cast<char>(flipped[20] ^ 0x40);
  struct Case {
    const char* name;
    const char* dat;  // nullptr: no settings file at all
    std::string bytes;
    const char* message_part;
  };
  const Case cases[] = {
      {"wrong pass phrase", "dbsettings.dat", EncipherBytes(kPlain, "not the settings phrase"),
       "pass phrase"},
      {"damaged body", "dbsettings.dat", flipped, "damaged"},
      {"cut in the body", "dbsettings.dat", good.substr(0, 40), "damaged"},
      {"shorter than a header", "dbsettings.dat", good.substr(0, 12), "pass phrase"},
      {"missing file", nullptr, "", "missing.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path dat = dir / (c.dat != nullptr ? c.dat : "missing.dat");
    if (c.dat != nullptr) {
      WriteBytes(dat, c.bytes);
    }
    WriteBytes(dir / "existing.txt", "earlier text");
    for (const char* target : {"new.txt", "existing.txt"}) {
      const ToolRun run = Brand({"decipher", dat.string(), (dir / target).string()});
      ExpectFailure(run);
      EXPECT_NE(run.err.find(c.message_part), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "new.txt"));
    EXPECT_EQ(ReadBytes(dir / "existing.txt"), "earlier text");
    std::vector<std::string> expected = {"existing.txt"};
    if (c.dat != nullptr) {
      expected.push_back(c.dat);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.path()), expected);
  }
}

TEST(BrandTool, FailedEncipherWritesNoSettingsFile) {
  TempDir dir;
  WriteBytes(dir / "plain.txt", kPlain);
  WriteBytes(dir / "old.dat", "earlier settings file");
  fs::create_directory(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  // A read-only folder stops only users without the right to override it.
  const bool locked_works = !std::ofstream(dir / "locked" / "probe");
  fs::remove(dir / "locked" / "probe");

  struct Case {
    const char* name;
    fs::path plain;
    fs::path dat;
    const char* named;  // the file the message must name
  };
  std::vector<Case> cases = {
      {"missing plain text", dir / "missing.txt", dir / "new.dat", "missing.txt"},
      {"missing plain text, existing target", dir / "missing.txt", dir / "old.dat", "missing.txt"},
      {"target folder missing", dir / "plain.txt", dir / "no-folder" / "new.dat", "new.dat"},
      {"target under a file", dir / "plain.txt", dir / "plain.txt" / "new.dat", "new.dat"},
      {"target is a folder", dir / "plain.txt", dir / "locked", "locked"},
  };
  if (locked_works) {
    cases.push_back(
        {"read-only target folder", dir / "plain.txt", dir / "locked" / "new.dat", "new.dat"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Brand({"encipher", c.plain.string(), c.dat.string()});
    ExpectFailure(run);
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadBytes(dir / "old.dat"), "earlier settings file");
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"locked", "old.dat", "plain.txt"}));
  std::error_code ec;
  EXPECT_TRUE(fs::is_empty(dir / "locked", ec));
}

TEST(BrandTool, ShowsTheFieldsAsTheProgramReadsThem) {
  TempDir dir;
  WriteBytes(dir / "dbsettings.dat",
             EncipherBytes("<%%ApplicationName%%>Caf\xE9 Writer<%%/ApplicationName%%>\r\n"
                           "<%%BranderType%%>Gold<%%/BranderType%%>\r\n"
                           "<%%Link1%%>Tips^https://example.com/tips<%%/Link1%%>\r\n"
                           "<%%Link3%%>Lost^https://example.com/lost<%%/Link3%%>\r\n",
                           SettingsPassPhrase));
  const ToolRun run = Brand({"show", (dir / "dbsettings.dat").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("ApplicationName: Caf\xC3\xA9 Writer\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Link1: caption \"Tips\", URL \"https://example.com/tips\""),
            std::string::npos)
      << run.out;
  // Link3 stands after a gap: the program never reads it.
  const auto hidden = run.out.find("Hidden entries");
  ASSERT_NE(hidden, std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Link3", hidden), std::string::npos) << run.out;

  WriteBytes(dir / "foreign.dat", EncipherBytes("<%%ApplicationName%%>X<%%/ApplicationName%%>",
                                                "some other pass phrase"));
  ExpectFailure(Brand({"show", (dir / "foreign.dat").string()}));
  ExpectFailure(Brand({"show", (dir / "missing.dat").string()}));
}

// UTF-16 bytes of an ASCII or Latin-1 text.
std::string Utf16(std::string_view latin1, bool little_endian) {
  std::string out;
  for (char c : latin1) {
    const char units[2] = {c, '\0'};
    out += little_endian ? units[0] : units[1];
    out += little_endian ? units[1] : units[0];
  }
  return out;
}

TEST(BrandTool, RecognisesUnicodePlainTextsAndSaysSo) {
  const std::string latin1 = "<%%ApplicationName%%>Caf\xE9 Writer<%%/ApplicationName%%>\r\n";
  const std::string cp1252 = latin1;
  struct Case {
    const char* what;
    std::string bytes;
    std::string stored;  // the plain text inside the settings file
    const char* said;    // the line on standard output; empty: none
  } cases[] = {
      {"UTF-8 without a mark", "<%%ApplicationName%%>Caf\xC3\xA9 Writer<%%/ApplicationName%%>\r\n",
       cp1252, "was read as UTF-8 without a byte-order mark and stored as windows-1252."},
      {"UTF-8 with a mark",
       "\xEF\xBB\xBF<%%ApplicationName%%>Caf\xC3\xA9 Writer<%%/ApplicationName%%>\r\n", cp1252,
       "was read as UTF-8 with a byte-order mark and stored as windows-1252."},
      {"UTF-16 with a mark", "\xFF\xFE" + Utf16(latin1, true), cp1252,
       "was read as UTF-16 (little-endian) and stored as windows-1252."},
      {"UTF-16 without a mark", Utf16(latin1, false), cp1252,
       "was read as UTF-16 (big-endian) and stored as windows-1252."},
      {"a character windows-1252 lacks",
       "<%%ApplicationName%%>Caf\xC3\xA9 \xE2\x86\x92 Writer<%%/ApplicationName%%>\r\n",
       "\xEF\xBB\xBF<%%ApplicationName%%>Caf\xC3\xA9 \xE2\x86\x92 Writer<%%/ApplicationName%%>\r\n",
       "was read as UTF-8 without a byte-order mark and stored as UTF-8 with a byte-order mark."},
      {"windows-1252", cp1252, cp1252, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir / "settings.txt", c.bytes);
    const ToolRun run =
        Brand({"encipher", (dir / "settings.txt").string(), (dir / "dbsettings.dat").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    if (*c.said == '\0') {
      EXPECT_EQ(run.out, "");
    } else {
      EXPECT_EQ(run.out,
                "wordlark-brand: " + (dir / "settings.txt").string() + " " + c.said + "\n");
    }
    std::string plain;
    EXPECT_EQ(DecipherBytes(ReadBytes(dir / "dbsettings.dat"), plain), CipherResult::Ok);
    EXPECT_EQ(plain, c.stored);
    const ToolRun show = Brand({"show", (dir / "dbsettings.dat").string()});
    EXPECT_NE(show.out.find("ApplicationName: Caf\xC3\xA9 "), std::string::npos) << show.out;
  }
}

// An entry that repeats a number the program reads is marked, and an entry
// inside a value that is read is part of that value, not an entry.
TEST(BrandTool, ShowMarksRepeatedEntries) {
  TempDir dir;
  WriteBytes(dir / "dbsettings.dat",
             EncipherBytes("<%%Welcome1%%>first<%%/Welcome1%%>\r\n"
                           "<%%Welcome1%%>again<%%/Welcome1%%>\r\n"
                           "<%%Welcome2%%>see <%%Link4%%>x^y<%%/Link4%%><%%/Welcome2%%>\r\n"
                           "<%%Link1%%>Tips^https://t.example<%%/Link1%%>\r\n"));
  const ToolRun run = Brand({"show", (dir / "dbsettings.dat").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  const auto hidden = run.out.find("Hidden entries");
  ASSERT_NE(hidden, std::string::npos) << run.out;
  EXPECT_EQ(run.out.substr(hidden),
            "Hidden entries (never read: after a gap, out of order, repeated or above 16): 1\n"
            "  Welcome1 (repeated): again\n")
      << run.out;
  EXPECT_NE(run.out.find("  Welcome1: first\n"), std::string::npos) << run.out;
}

TEST(BrandTool, PacksASkin) {
  TempDir dir;
  const std::string sheet = "QPushButton { color: #8a3b12; }\n";
  WriteBytes(dir / "skin.qss", sheet);
  const ToolRun run =
      Brand({"pack-skin", (dir / "skin.qss").string(), (dir / "mainskin.dat").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(UnpackSkin(ReadBytes(dir / "mainskin.dat")), sheet);
  ExpectFailure(Brand({"pack-skin", (dir / "absent.qss").string(), (dir / "other.dat").string()}));
  EXPECT_FALSE(fs::exists(dir / "other.dat"));
}

TEST(BrandTool, HelpAndUsage) {
  for (const char* option : {"--help", "-h"}) {
    SCOPED_TRACE(option);
    const ToolRun run = Brand({option});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("encipher PLAIN DAT"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("decipher DAT PLAIN"), std::string::npos) << run.out;
  }
  const std::vector<std::vector<std::string>> wrong = {
      {}, {"scramble", "a", "b"}, {"encipher", "only-one"}, {"decipher", "a", "b", "c"}};
  for (const auto& arguments : wrong) {
    const ToolRun run = Brand(arguments);
    ExpectFailure(run);
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace wordlark
