// Files written by the program are replaced whole or not at all: a writer
// killed at random moments during many saves leaves either the old or the new
// content, never a mix or a cut file, and the temporary file it was writing is
// gone after the next save. A full disk loses nothing either.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "letter/config_file.h"
#include "online/last_news_id.h"
#include "render/output.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "util/error.h"
#include "util/file_io.h"
#include "util/tagged_text.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::string kSettingsPlain =
    "<%%ApplicationName%%>Crash<%%/ApplicationName%%>\r\n<%%AboutText%%>" +
    std::string(20000, 'x') + "<%%/AboutText%%>\r\n<%%LastNewsId%%>100<%%/LastNewsId%%>\r\n";

// Starts the writer, lets it finish its first save, then kills it at a random
// moment within the time of two more; returns how many saves it reported.
// Timing the kill from the first save keeps the program's start-up out of it
// and fits the while to the speed of the build (the sanitizers make a save
// many times slower), so the kill lands inside a save on any machine.
int RunAndKill(const std::string& kind, const fs::path& folder, std::mt19937& random) {
  int out[2];
  if (pipe(out) != 0) {
    ADD_FAILURE() << "no pipe";
    return 0;
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
  std::string said;
  char buffer[4096];
  // Reads until the writer has said `lines` lines (or a minute has passed).
  const auto await_lines = [&](std::size_t lines) {
    pollfd readable{out[0], POLLIN, 0};
    while (static_cast<std::size_t>(std::count(said.begin(), said.end(), '\n')) < lines &&
           poll(&readable, 1, 60000) > 0) {
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) {
        break;
      }
      said.append(buffer, static_cast<std::size_t>(n));
    }
  };
  await_lines(1);
  const auto started = std::chrono::steady_clock::now();
  await_lines(2);
  const auto one_save = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);
  EXPECT_TRUE(said.starts_with("ready\nsaved\n")) << kind << ": the writer did not save";
  usleep(static_cast<useconds_t>(
      std::uniform_int_distribution<long>(0, 2 * one_save.count() + 1000)(random)));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
    said.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  return static_cast<int>(std::count(said.begin(), said.end(), '\n')) - 1;
}

std::string TitleOf(const fs::path& file) {
  LetterConfiguration letter;
  EXPECT_TRUE(LoadConfiguration(file, letter));
  return letter.edtPageTitle;
}

// True when the folder holds a temporary file of a write of `target`.
bool HoldsTemporaryOf(const fs::path& folder, const std::string& target) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (IsTemporaryFileOf(entry.path().filename().string(), target)) {
      return true;
    }
  }
  return false;
}

TEST(CrashSafety, AKilledWriterLeavesTheOldOrTheNewFile) {
  using Clock = std::chrono::steady_clock;
  // Each kind of file gets a budget of time, so the test ends in good time on a
  // slow machine too; it stops earlier once enough rounds have run. Until a
  // kill has landed inside a save (a temporary file was left), rounds go on
  // past the budget up to the hard limit.
  constexpr auto kBudget = std::chrono::seconds(20);
  constexpr auto kHardLimit = std::chrono::seconds(60);
  constexpr int kMinRounds = 20;
  constexpr int kEnoughRounds = 120;
  std::mt19937 random(20261209);
  const std::string a(40000, 'a');
  const std::string b(20000, 'b');
  struct Kind {
    const char* name;
    const char* file;
  };
  for (const Kind kind : {Kind{"config", "letter.set"}, Kind{"page", "page.html"},
                          Kind{"settings", "dbsettings.dat"}}) {
    TempDir dir;
    const std::string what = kind.name;
    // A save of the older version, as the program itself would make it.
    const auto save = [&] {
      if (what == "config") {
        LetterConfiguration letter;
        letter.edtPageTitle = a;
        SaveConfiguration(dir / kind.file, letter);
      } else if (what == "page") {
        WritePage(dir / kind.file, a);
      } else {
        ASSERT_EQ(StoreLastNewsId(dir.path(), "100"), StoreLastNewsIdResult::Stored);
      }
    };
    // The file exists before the first save, as a user's file would.
    if (what == "settings") {
      WriteBytes(dir / kind.file, EncipherBytes(kSettingsPlain, SettingsPassPhrase));
    } else {
      save();
    }
    int saves = 0;
    int rounds = 0;
    int cut_short = 0;  // kills that landed inside a save
    const auto start = Clock::now();
    const auto more = [&] {
      const auto spent = Clock::now() - start;
      if (rounds < kMinRounds) {
        return true;
      }
      if (cut_short == 0) {
        return spent < kHardLimit;
      }
      return rounds < kEnoughRounds && spent < kBudget;
    };
    while (more()) {
      saves += RunAndKill(what, dir.path(), random);
      ++rounds;
      if (what == "config") {
        const std::string title = TitleOf(dir / kind.file);
        ASSERT_TRUE(title == a || title == b) << "round " << rounds << ": " << title.size();
      } else if (what == "page") {
        const std::string page = ReadBytes(dir / kind.file);
        ASSERT_TRUE(page == a + "\r\n" || page == b + "\r\n") << "round " << rounds;
      } else {
        std::string plain;
        ASSERT_EQ(DecipherBytes(ReadBytes(dir / kind.file), plain), CipherResult::Ok)
            << "round " << rounds;
        const std::string id = ReadLastNewsId(dir.path());
        ASSERT_TRUE(id == "100" || id == "200") << "round " << rounds << ": " << id;
        std::string text = TaggedTextFromBytes(plain);
        EXPECT_EQ(ReadTaggedValue(text, "AboutText"), std::string(20000, 'x'));
      }
      // What a killed writer left behind goes with the next successful save.
      if (HoldsTemporaryOf(dir.path(), kind.file)) {
        ++cut_short;
        save();
        ASSERT_FALSE(HoldsTemporaryOf(dir.path(), kind.file)) << what << ", round " << rounds;
      }
    }
    EXPECT_GE(rounds, kMinRounds) << what;
    EXPECT_GT(cut_short, 0) << what << ": no kill landed inside a save";
    std::printf("%s: %d rounds, %d saves, %d cut short, %.1f s\n", kind.name, rounds, saves,
                cut_short, std::chrono::duration<double>(Clock::now() - start).count());
  }
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
