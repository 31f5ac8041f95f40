// Crash-safe replacement of the files the user owns.
#include "util/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

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

}  // namespace
}  // namespace wordlark
