// Files written by the program are replaced whole or not at all: a writer
// killed at random moments during many saves leaves either the old or the new
// content, never a mix or a cut file. A full disk loses nothing either.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "letter/config_file.h"
#include "online/last_news_id.h"
#include "render/output.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "util/error.h"
#include "util/tagged_text.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::string kSettingsPlain =
    "<%%ApplicationName%%>Crash<%%/ApplicationName%%>\r\n<%%AboutText%%>" +
    std::string(200000, 'x') + "<%%/AboutText%%>\r\n<%%LastNewsId%%>100<%%/LastNewsId%%>\r\n";

// Starts the writer, lets it run for a random while, kills it; returns how
// many saves it reported.
int RunAndKill(const std::string& kind, const fs::path& folder, std::mt19937& random) {
  int out[2];
  if (pipe(out) != 0) {
    return -1;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(WORDLARK_CRASH_WRITER, WORDLARK_CRASH_WRITER, kind.c_str(), folder.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  usleep(std::uniform_int_distribution<int>(1000, 150000)(random));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  int saves = 0;
  char buffer[4096];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
    saves += static_cast<int>(std::count(buffer, buffer + n, '\n'));
  }
  close(out[0]);
  return saves;
}

std::string TitleOf(const fs::path& file) {
  LetterConfiguration letter;
  EXPECT_TRUE(LoadConfiguration(file, letter));
  return letter.edtPageTitle;
}

TEST(CrashSafety, AKilledWriterLeavesTheOldOrTheNewFile) {
  std::mt19937 random(20261209);
  int total = 0;
  const std::string a(300000, 'a');
  const std::string b(150000, 'b');
  for (const std::string kind : {"config", "page", "settings"}) {
    TempDir dir;
    // The file exists before the first save, as a user's file would.
    if (kind == "config") {
      LetterConfiguration letter;
      letter.edtPageTitle = a;
      SaveConfiguration(dir / "letter.set", letter);
    } else if (kind == "page") {
      WritePage(dir / "page.html", a);
    } else {
      WriteBytes(dir / "dbsettings.dat", EncipherBytes(kSettingsPlain, SettingsPassPhrase));
    }
    int saves = 0;
    for (int round = 0; round < 1500 && saves < 340; ++round) {
      saves += RunAndKill(kind, dir.path(), random);
      if (kind == "config") {
        const std::string title = TitleOf(dir / "letter.set");
        ASSERT_TRUE(title == a || title == b) << "round " << round << ": " << title.size();
      } else if (kind == "page") {
        const std::string page = ReadBytes(dir / "page.html");
        ASSERT_TRUE(page == a + "\r\n" || page == b + "\r\n") << "round " << round;
      } else {
        std::string plain;
        ASSERT_EQ(DecipherBytes(ReadBytes(dir / "dbsettings.dat"), plain), CipherResult::Ok)
            << "round " << round;
        const std::string id = ReadLastNewsId(dir.path());
        ASSERT_TRUE(id == "100" || id == "200") << "round " << round << ": " << id;
        std::string text = TaggedTextFromBytes(plain);
        EXPECT_EQ(ReadTaggedValue(text, "AboutText"), std::string(200000, 'x'));
      }
    }
    EXPECT_GT(saves, 0) << kind;
    total += saves;
  }
  // A thousand saves in all, each one interrupted somewhere or completed.
  EXPECT_GE(total, 1000);
}

TEST(CrashSafety, AFullDiskLosesNothing) {
  TempDir dir;
  const fs::path disk = dir / "disk";
  fs::create_directories(disk);
  if (geteuid() != 0 || mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "a small file system needs root";
  }
  LetterConfiguration letter;
  letter.edtPageTitle = "kept";
  SaveConfiguration(disk / "letter.set", letter);
  WritePage(disk / "page.html", "<p>kept</p>");
  const std::string page = ReadBytes(disk / "page.html");

  letter.edtPageTitle = std::string(400000, 'z');
  try {
    SaveConfiguration(disk / "letter.set", letter);
    ADD_FAILURE() << "a save that does not fit was reported as done";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
  }
  EXPECT_THROW(WritePage(disk / "page.html", std::string(400000, 'z')), FileError);

  EXPECT_EQ(TitleOf(disk / "letter.set"), "kept");
  EXPECT_EQ(ReadBytes(disk / "page.html"), page);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(disk)) {
    ++entries;
  }
  EXPECT_EQ(entries, 2u);  // no temporary file left behind
  umount(disk.c_str());
}

}  // namespace
}  // namespace wordlark
