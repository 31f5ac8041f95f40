// Nothing the user did not name is overwritten, and nothing read from outside
// can hang or exhaust the program: wordlark-render and a one-shot writer run
// as whole processes against real files, FIFOs, devices and links. The cases
// about permissions and other users' links drop root with setpriv, so they run
// where the tests run as root (as in CI).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "letter/config_file.h"
#include "test_support.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;
using test::WriteBytes;

const fs::path kData = WORDLARK_TEST_DATA;
const fs::path kRenderTool = fs::path(WORDLARK_BIN_DIR) / "wordlark-render";
const fs::path kWriter = WORDLARK_CRASH_WRITER;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;
constexpr uid_t kDaemon = 1;

struct Outcome {
  int status;
  std::string err;
};

std::string Q(const fs::path& path) {
  return ShellQuote(path.string());
}

// Runs a command; a time-out (exit status 124) means it hung.
Outcome Sh(const std::string& command) {
  Outcome run;
  run.status = RunCommand("timeout 60 " + command, nullptr, &run.err);
  return run;
}

TEST(RenderToolSafety, RefusesWhatWouldLoseOrExhaust) {
  TempDir dir;
  fs::create_directories(dir / "templates");
  fs::create_directories(dir / "pics");
  WriteBytes(dir / "templates/only.tem", "%%PAGETITLE%%%%HEADERPICTURE%%");
  WriteBytes(dir / "pics/head.png", "HEAD");
  LetterConfiguration letter;
  letter.edtPageTitle = "kept";
  letter.edtHeaderPicture = "pics/head.png";
  SaveConfiguration(dir / "same.set", letter);
  const std::string letter_bytes = ReadBytes(dir / "same.set");
  ASSERT_EQ(mkfifo((dir / "fifo.set").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((dir / "fifo.html").c_str(), 0644), 0);
  fs::copy_file(kData / "render/placeholder_bomb.set", dir / "bomb.set");

  struct Case {
    const char* what;
    std::string operands;
    std::string message;  // how standard error begins
  } cases[] = {
      {"the letter as the page", "same.set same.set",
       "same.set: The page would replace \"" + (dir / "same.set").string() +
           "\", which is the letter's own file."},
      {"the template as the page", "same.set templates/only.tem",
       "same.set: The page would replace \"" + (dir / "templates/only.tem").string() +
           "\", which is the template the page is made from."},
      {"a picture as the page", "same.set pics/head.png",
       "same.set: The page would replace \"" + (dir / "pics/head.png").string() +
           "\", which is the header picture."},
      {"a FIFO as the letter", "fifo.set page.html",
       "fifo.set: Cannot open file \"" + (dir / "fifo.set").string() + "\". Not a regular file"},
      {"a device as the letter", "/dev/zero page.html",
       "/dev/zero: Cannot open file \"/dev/zero\". Not a regular file"},
      {"a FIFO as the page", "same.set fifo.html",
       "same.set: Please check the output filename!\nCannot create file \"" +
           (dir / "fifo.html").string() + "\". Not a regular file"},
      {"a device as the page", "same.set /dev/null",
       "same.set: Please check the output filename!\nCannot create file \"/dev/null\". Not a "
       "regular file"},
      // A letter of 4 KB whose texts hold placeholders that multiply each
      // other: its page would grow to many gigabytes.
      {"a placeholder bomb", "bomb.set page.html",
       "bomb.set: The page would be larger than 64 MiB"},
  };
  for (const auto& c : cases) {
    const Outcome run = Sh("sh -c " + ShellQuote("cd " + Q(dir.path()) + " && " + Q(kRenderTool) +
                                                 " --templates templates " + c.operands));
    EXPECT_EQ(run.status, 1) << c.what << ": " << run.err;
    EXPECT_TRUE(run.err.starts_with(c.message)) << c.what << ": " << run.err;
  }
  EXPECT_EQ(ReadBytes(dir / "same.set"), letter_bytes);
  EXPECT_EQ(ReadBytes(dir / "templates/only.tem"), "%%PAGETITLE%%%%HEADERPICTURE%%");
  EXPECT_EQ(ReadBytes(dir / "pics/head.png"), "HEAD");
  EXPECT_TRUE(fs::is_fifo(dir / "fifo.html"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_FALSE(fs::exists(dir / "page.html"));
  EXPECT_FALSE(fs::exists(dir / "head.png"));  // no picture copied for a refused page
}

// The tests below act as the unprivileged user "nobody" in a folder of its
// own; the programs are copied there so that it may run them.
class AsAnotherUser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) {
      GTEST_SKIP() << "acting as another user needs root";
    }
    chmod(dir_.path().c_str(), 0755);
    fs::create_directory(home_);
    ASSERT_EQ(chown(home_.c_str(), kNobody, kNogroup), 0);
    fs::copy_file(kWriter, dir_ / "writer");
    fs::copy_file(kRenderTool, dir_ / "render");
  }

  // Runs the one-shot writer as nobody.
  Outcome WriteAsNobody(const fs::path& file, const std::string& text) const {
    return Sh("setpriv --reuid=nobody --regid=nogroup --clear-groups -- " + Q(dir_ / "writer") +
              " once " + Q(file) + " " + ShellQuote(text));
  }

  // A file of the given owner and mode.
  void Make(const fs::path& file, const std::string& content, uid_t owner, mode_t mode) const {
    WriteBytes(file, content);
    ASSERT_EQ(chown(file.c_str(), owner, owner == 0 ? 0 : kNogroup), 0);
    ASSERT_EQ(chmod(file.c_str(), mode), 0);
  }

  static struct stat Stat(const fs::path& file) {
    struct stat st {};
    EXPECT_EQ(stat(file.c_str(), &st), 0) << file;
    return st;
  }

  TempDir dir_;
  fs::path home_ = dir_ / "home";
};

TEST_F(AsAnotherUser, OnlyFilesTheUserMayWriteAreReplaced) {
  Make(home_ / "read-only.html", "old", kNobody, 0444);
  Make(home_ / "roots.html", "root's", 0, 0644);
  Make(home_ / "own.html", "old", kNobody, 0640);
  Make(home_ / "shared.html", "old", 0, 0666);
  struct Case {
    const char* name;
    bool replaced;
    mode_t mode_after;
    uid_t owner_after;
  } cases[] = {
      // Its folder is nobody's, so a rename would go through: the file's own
      // permission decides.
      {"read-only.html", false, 0444, kNobody},
      {"roots.html", false, 0644, 0},
      {"own.html", true, 0640, kNobody},
      // Anyone may write it: replaced, with its mode; only root could keep root
      // as its owner.
      {"shared.html", true, 0666, kNobody},
  };
  for (const auto& c : cases) {
    const fs::path file = home_ / c.name;
    const std::string before = ReadBytes(file);
    const Outcome run = WriteAsNobody(file, "new");
    EXPECT_EQ(run.status, c.replaced ? 0 : 1) << c.name << ": " << run.err;
    EXPECT_EQ(ReadBytes(file), c.replaced ? "new" : before) << c.name;
    if (!c.replaced) {
      EXPECT_EQ(run.err, "Cannot create file \"" + file.string() + "\". Permission denied\n");
    }
    EXPECT_EQ(Stat(file).st_mode & 07777, c.mode_after) << c.name;
    EXPECT_EQ(Stat(file).st_uid, c.owner_after) << c.name;
  }

  // Finish says what the window says, and leaves the page as it was.
  WriteBytes(home_ / "t.tem", "%%PAGETITLE%%");
  SaveConfiguration(home_ / "letter.set", LetterConfiguration{});
  for (const char* file : {"t.tem", "letter.set"}) {
    ASSERT_EQ(chown((home_ / file).c_str(), kNobody, kNogroup), 0);
  }
  const Outcome finish = Sh("setpriv --reuid=nobody --regid=nogroup --clear-groups -- " +
                            Q(dir_ / "render") + " --templates " + Q(home_) + " " +
                            Q(home_ / "letter.set") + " " + Q(home_ / "read-only.html"));
  EXPECT_EQ(finish.status, 1);
  EXPECT_NE(finish.err.find("Please check the output filename!\nCannot create file"),
            std::string::npos)
      << finish.err;
  EXPECT_EQ(ReadBytes(home_ / "read-only.html"), "old");
}

TEST_F(AsAnotherUser, LinksInASharedFolderAreFollowedOnlyWhereTheKernelRuleAllows) {
  const fs::path shared = dir_ / "shared";  // like /tmp: root's, sticky, everyone writes
  fs::create_directory(shared);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  struct Case {
    const char* link;
    uid_t owner;
    bool followed;
  } cases[] = {
      {"own", kNobody, true},
      {"folder-owners", 0, true},
      {"third-users", kDaemon, false},
  };
  for (const auto& c : cases) {
    const fs::path target = home_ / (std::string(c.link) + ".txt");
    Make(target, "old", kNobody, 0644);
    const fs::path link = shared / c.link;
    fs::create_symlink(target, link);
    ASSERT_EQ(lchown(link.c_str(), c.owner, c.owner == 0 ? 0 : kNogroup), 0);
    const Outcome run = WriteAsNobody(link, "new");
    EXPECT_EQ(run.status, c.followed ? 0 : 1) << c.link << ": " << run.err;
    EXPECT_EQ(ReadBytes(target), c.followed ? "new" : "old") << c.link;
    EXPECT_TRUE(fs::is_symlink(link)) << c.link;
    if (!c.followed) {
      EXPECT_NE(run.err.find("a symbolic link that another user made in a shared folder"),
                std::string::npos)
          << run.err;
    }
  }
}

}  // namespace
}  // namespace wordlark
