// Crash-safe replacement of the files the user owns.
#include "util/file_io.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <set>

#include "test_support.h"
#include "util/error.h"

namespace wordlark {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
    ++n;
  }
  return n;
}

std::set<std::string> NamesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

// The user ids of nobody and of a third user for the cases about other users'
// files; they need root to set up.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;
constexpr uid_t kDaemon = 1;

TEST(ReadFileBytes, AFolderIsAnError) {
  TempDir dir;
  EXPECT_THROW(ReadFileBytes(dir.path()), FileError);
  EXPECT_THROW(ReadFileBytes(dir / "missing"), FileError);
}

TEST(AtomicFile, ReplacesTheFileAndKeepsItsMode) {
  TempDir dir;
  const auto path = dir / "letter.set";
  WriteBytes(path, "old content");
  chmod(path.c_str(), 0640);
  WriteFileAtomic(path, "new");
  EXPECT_EQ(ReadBytes(path), "new");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, UncommittedWritesLeaveTheOldFile) {
  TempDir dir;
  const auto path = dir / "page.html";
  WriteBytes(path, "old");
  {
    AtomicFile file(path);
    file.Write("half a page");
    // Gone without Commit, as after an error in the middle of a save.
  }
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, WritesThroughALinkToItsTarget) {
  TempDir dir;
  WriteBytes(dir / "real.set", "old");
  std::filesystem::create_symlink(dir / "real.set", dir / "link.set");
  WriteFileAtomic(dir / "link.set", "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.set"));
  EXPECT_EQ(ReadBytes(dir / "real.set"), "new");
}

TEST(AtomicFile, FailuresNameTheFile) {
  TempDir dir;
  const auto missing = dir / "no-such-folder" / "x.set";
  try {
    WriteFileAtomic(missing, "x");
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + missing.string() + "\". No such file or directory");
  }
  EXPECT_THROW(WriteFileAtomic(dir.path(), "x"), FileError);
  EXPECT_THROW(ReadFileBytes(dir / "absent"), FileError);
}

TEST(AtomicFile, AFailedWriteLosesNothing) {
  // A file size limit makes the write fail part-way, as a full disk would.
  TempDir dir;
  const auto path = dir / "letter.set";
  WriteBytes(path, "precious");
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string error;
  try {
    WriteFileAtomic(path, std::string(100000, 'x'));
  } catch (const FileError& e) {
    error = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(error, "Cannot write file \"" + path.string() + "\". File too large");
  EXPECT_EQ(ReadBytes(path), "precious");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, TemporaryFilesHaveOnePatternAndLeftoversGo) {
  TempDir dir;
  const auto path = dir / "page.html";
  WriteBytes(path, "old");
  // Left by writers that were killed, and look-alikes that are not theirs.
  const std::string stale = ".page.html.wordlark-Ab3dE9";
  const std::set<std::string> others = {".other.html.wordlark-Ab3dE9", ".page.html.wordlark-Ab3dE",
                                        "page.html.wordlark-Ab3dE9", ".page.html.wordlark-Ab3d-9"};
  WriteBytes(dir / stale, "half a page");
  for (const auto& name : others) {
    WriteBytes(dir / name, "not ours");
  }
  {
    AtomicFile running(path);  // a writer that is still at work
    running.Write("first");
    std::set<std::string> temporaries;
    for (const auto& name : NamesIn(dir.path())) {
      if (IsTemporaryFileOf(name, "page.html")) {
        temporaries.insert(name);
      }
    }
    // The running writer's own, and none of the look-alikes.
    ASSERT_EQ(temporaries.size(), 1u);
    const std::string own = *temporaries.begin();
    EXPECT_EQ(own.substr(0, own.size() - 6), ".page.html.wordlark-");

    // A second write of the same target removes the leftover, not the file
    // that the running writer holds.
    WriteFileAtomic(path, "second");
    EXPECT_EQ(ReadBytes(path), "second");
    std::set<std::string> expected = others;
    expected.insert("page.html");
    expected.insert(own);
    EXPECT_EQ(NamesIn(dir.path()), expected);
    running.Commit();
  }
  EXPECT_EQ(ReadBytes(path), "first");
  std::set<std::string> expected = others;
  expected.insert("page.html");
  EXPECT_EQ(NamesIn(dir.path()), expected);
}

TEST(AtomicFile, ALockedLeftoverIsKept) {
  // Another process that holds its temporary file locked is still writing.
  TempDir dir;
  const auto held = dir / ".letter.set.wordlark-zzzzzz";
  WriteBytes(held, "busy");
  const int fd = open(held.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  WriteFileAtomic(dir / "letter.set", "x");
  EXPECT_TRUE(std::filesystem::exists(held));
  close(fd);
  WriteFileAtomic(dir / "letter.set", "y");
  EXPECT_FALSE(std::filesystem::exists(held));
}

TEST(AtomicFile, KeepsOwnerGroupAndModeOfTheFileItReplaces) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "files of another user need root";
  }
  TempDir dir;
  const auto path = dir / "page.html";
  WriteBytes(path, "old");
  ASSERT_EQ(chown(path.c_str(), kNobody, kNogroup), 0);
  ASSERT_EQ(chmod(path.c_str(), 02640), 0);
  WriteFileAtomic(path, "new");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNogroup);
  EXPECT_EQ(st.st_mode & 07777, 02640u);
  EXPECT_EQ(ReadBytes(path), "new");
}

// The kernel's protected_symlinks rule, whatever the machine's setting: in a
// sticky folder that everyone may write, a link is followed only when it is
// the writer's own or the folder owner's.
TEST(AtomicFile, FollowsLinksInSharedFoldersOnlyAsTheKernelRuleAllows) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "links of other users need root";
  }
  namespace fs = std::filesystem;
  TempDir dir;
  WriteBytes(dir / "precious", "root's");
  struct Case {
    const char* what;
    mode_t folder_mode;
    uid_t folder_owner;
    uid_t link_owner;
    bool followed;
  } cases[] = {
      {"another user's link in a shared folder", 01777, 0, kNobody, false},
      {"the writer's own link there", 01777, 0, 0, true},
      {"the folder owner's link there", 01777, kNobody, kNobody, true},
      {"a third user's link in another user's shared folder", 01777, kNobody, kDaemon, false},
      {"another user's link in a folder that is not sticky", 0777, 0, kNobody, true},
      {"another user's link in a sticky folder only its owner writes", 01755, 0, kNobody, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const fs::path folder = dir / ("shared" + std::to_string(++n));
    fs::create_directory(folder);
    ASSERT_EQ(chown(folder.c_str(), c.folder_owner, 0), 0);
    ASSERT_EQ(chmod(folder.c_str(), c.folder_mode), 0);
    WriteBytes(dir / "precious", "root's");
    const fs::path link = folder / "page.html";
    fs::create_symlink(dir / "precious", link);
    ASSERT_EQ(lchown(link.c_str(), c.link_owner, 0), 0);
    std::string error;
    try {
      WriteFileAtomic(link, "replaced");
    } catch (const FileError& e) {
      error = e.what();
    }
    EXPECT_EQ(ReadBytes(dir / "precious"), c.followed ? "replaced" : "root's") << c.what;
    EXPECT_TRUE(fs::is_symlink(link)) << c.what;
    if (c.followed) {
      EXPECT_EQ(error, "") << c.what;
    } else {
      EXPECT_EQ(error, CannotCreateMessage(link,
                                           "It is a symbolic link that another user made in a "
                                           "shared folder, so it is not followed."))
          << c.what;
    }
    EXPECT_EQ(EntriesIn(folder), 1u) << c.what;
  }
  // The rule holds for every link of a chain.
  WriteBytes(dir / "precious", "root's");
  fs::create_directory(dir / "mine");
  fs::create_symlink(dir / "shared1/page.html", dir / "mine/page.html");
  EXPECT_THROW(WriteFileAtomic(dir / "mine/page.html", "x"), FileError);
  EXPECT_EQ(ReadBytes(dir / "precious"), "root's");
}

TEST(IsTemporaryFileOf, MatchesOnlyTheWritersPattern) {
  EXPECT_TRUE(IsTemporaryFileOf(".a.set.wordlark-abc123", "a.set"));
  EXPECT_FALSE(IsTemporaryFileOf(".a.set.wordlark-abc12", "a.set"));
  EXPECT_FALSE(IsTemporaryFileOf(".a.set.wordlark-abc1234", "a.set"));
  EXPECT_FALSE(IsTemporaryFileOf(".a.set.wordlark-abc.23", "a.set"));
  EXPECT_FALSE(IsTemporaryFileOf(".b.set.wordlark-abc123", "a.set"));
  EXPECT_FALSE(IsTemporaryFileOf("a.set", "a.set"));
  // A long name is cut in the temporary name, which still fits the folder.
  const std::string longName(250, 'n');
  TempDir dir;
  WriteFileAtomic(dir / longName, "x");
  EXPECT_EQ(ReadBytes(dir / longName), "x");
}

}  // namespace
}  // namespace wordlark
