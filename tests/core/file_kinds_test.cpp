// What stands at a path is not always a file: FIFOs, devices, sockets, folders
// and links. Every reader gives its error at once for what is not a regular
// file (never blocking on a FIFO) or is larger than its limit, and no writer
// replaces anything but a regular file the user may write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>

#include "brand/brand_settings.h"
#include "brand/skin.h"
#include "letter/config_file.h"
#include "online/ini_file.h"
#include "online/last_news_id.h"
#include "render/output.h"
#include "render/renderer.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "util/error.h"
#include "util/file_io.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

void MakeFifo(const fs::path& path) {
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << std::strerror(errno);
}

void MakeSocket(const fs::path& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.string().size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);  // the socket file stays
}

// Runs `action` and fails when it takes longer than a few seconds, as a read
// blocked on a FIFO would; the FIFOs in `folder` are then opened for writing
// and closed, which lets such a read end, so the test itself never hangs.
void AtOnce(const fs::path& folder, const std::string& what, const std::function<void()>& action) {
  auto done = std::async(std::launch::async, action);
  if (done.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
    ADD_FAILURE() << what << ": still waiting after 20 s";
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_fifo()) {
        const int fd = open(entry.path().c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
          close(fd);
        }
      }
    }
  }
  done.get();
}

// The message of the FileError that `action` throws, or "" when it throws none.
std::string FileErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& e) {
    return e.what();
  }
  return "";
}

TEST(ReadFileBytes, ReadsOnlyRegularFilesWithinTheirLimit) {
  TempDir dir;
  WriteBytes(dir / "three", "abc");
  WriteBytes(dir / "four", "abcd");
  fs::create_directory(dir / "folder");
  MakeFifo(dir / "fifo");
  MakeSocket(dir / "socket");
  fs::create_symlink(dir / "fifo", dir / "link-to-fifo");
  fs::create_symlink("/dev/zero", dir / "zero");
  const auto open_error = [&](const char* name, const char* reason) {
    return "Cannot open file \"" + (dir / name).string() + "\". " + reason;
  };
  struct Case {
    const char* name;
    std::string error;
  } cases[] = {
      {"three", ""},
      {"four", "Cannot read file \"" + (dir / "four").string() + "\". It is larger than 3 bytes."},
      {"folder", open_error("folder", "Is a directory")},
      {"fifo", open_error("fifo", "Not a regular file")},
      {"link-to-fifo", open_error("link-to-fifo", "Not a regular file")},
      {"socket", open_error("socket", "Not a regular file")},
      {"zero", open_error("zero", "Not a regular file")},
      {"missing", open_error("missing", "No such file or directory")},
  };
  for (const auto& c : cases) {
    AtOnce(dir.path(), c.name, [&] {
      std::string content;
      EXPECT_EQ(FileErrorOf([&] { content = ReadFileBytes(dir / c.name, 3); }), c.error) << c.name;
      if (c.error.empty()) {
        EXPECT_EQ(content, "abc");
      }
    });
  }
  // A file of the kernel's says it is empty and is not: it is read to its end.
  EXPECT_NE(ReadFileBytes("/proc/self/status", 1 << 20).find("Name:"), std::string::npos);
}

TEST(ReadFileBytes, AFileThatGrowsPastItsLimitIsRefused) {
  TempDir dir;
  WriteBytes(dir / "f", "abc");
  InputFile in(dir / "f", 5);
  WriteBytes(dir / "f", "abcdefgh");  // the same file, grown since it was opened
  char buffer[16];
  EXPECT_THROW(in.Read(buffer, sizeof buffer), FileError);
}

// Each of the program's readers meets a FIFO (and a few meet a device or an
// oversized file) where its file should be.
TEST(Readers, GiveTheirErrorAtOnceForWhatIsNotARegularFile) {
  TempDir dir;
  MakeFifo(dir / "fifo");
  MakeFifo(dir / kSettingsFileName);
  MakeFifo(dir / kSkinFileName);
  MakeFifo(dir / kIconFileName);
  MakeFifo(dir / "banner1.dat");
  // Sparse: one byte past the limit, without taking the disk space.
  const fs::path big = dir / "big.set";
  WriteBytes(big, "");
  fs::resize_file(big, kMaxLetterFileSize + 1);

  struct Case {
    const char* what;
    std::function<void()> read;
    const char* error;  // the start of the FileError's text
  } cases[] = {
      {"letter that is a FIFO",
       [&] {
         LetterConfiguration l;
         LoadConfiguration(dir / "fifo", l);
       },
       "Cannot open file"},
      {"letter that is a device",
       [&] {
         LetterConfiguration l;
         LoadConfiguration("/dev/zero", l);
       },
       "Cannot open file \"/dev/zero\". Not a regular file"},
      {"letter past 256 MiB",
       [&] {
         LetterConfiguration l;
         LoadConfiguration(big, l);
       },
       "Cannot read file"},
      {"settings", [&] { LoadBrandSettings(dir.path()); }, "Cannot open file"},
      {"last news id", [&] { ReadLastNewsId(dir.path()); }, "Cannot open file"},
      {"skin", [&] { ReadSkinFile(dir / kSkinFileName); }, "Cannot open file"},
      {"update information", [&] { ReadIniFileValue(dir / "fifo", "APPLICATION", "Version"); },
       "Cannot open file"},
      {"enciphered file", [&] { DecipherFile(dir / "fifo", dir / "plain"); }, "Cannot open file"},
      {"picture copy", [&] { CopyFileAtomic(dir / "fifo", dir / "copy.png", kMaxPictureFileSize); },
       "Cannot open file"},
  };
  for (const auto& c : cases) {
    AtOnce(dir.path(), c.what, [&] {
      const std::string error = FileErrorOf(c.read);
      EXPECT_TRUE(error.starts_with(c.error)) << c.what << ": " << error;
    });
  }
  EXPECT_NE(FileErrorOf([&] {
              LetterConfiguration l;
              LoadConfiguration(big, l);
            }).find("It is larger than 256 MiB."),
            std::string::npos);

  // Files another library opens by name are asked about first, and left out.
  EXPECT_EQ(LocateIconFile(dir.path()), std::nullopt);
  BrandSettings brand;
  brand.BannerPicture = "banner.gif";
  brand.BannerNumber = 1;
  EXPECT_EQ(LocateBannerImage(dir.path(), brand), std::nullopt);
  // A template or a picture that is a FIFO counts as none.
  LetterConfiguration letter;
  letter.edtHeaderPicture = (dir / "fifo").string();
  AtOnce(dir.path(), "template and picture", [&] {
    EXPECT_FALSE(RenderLetter(letter, {dir / "fifo", "page.html", dir.path()}).template_found);
    EXPECT_EQ(LocalPictureFile(letter.edtHeaderPicture, dir.path()), fs::path());
  });
  EXPECT_FALSE(fs::exists(dir / "copy.png"));
  EXPECT_FALSE(fs::exists(dir / "plain"));
}

TEST(IsRegularFileWithin, AsksWithoutOpening) {
  TempDir dir;
  WriteBytes(dir / "icon", std::string(100, 'i'));
  MakeFifo(dir / "fifo");
  EXPECT_TRUE(IsRegularFileWithin(dir / "icon", 100));
  EXPECT_FALSE(IsRegularFileWithin(dir / "icon", 99));
  EXPECT_FALSE(IsRegularFileWithin(dir / "fifo", 100));
  EXPECT_FALSE(IsRegularFileWithin(dir.path(), 1 << 20));
  EXPECT_FALSE(IsRegularFileWithin("/dev/null", 100));
  EXPECT_FALSE(IsRegularFileWithin(dir / "missing", 100));
  WriteBytes(dir / kIconFileName, "ICO");
  EXPECT_EQ(LocateIconFile(dir.path()), dir / kIconFileName);
}

TEST(AtomicFile, ReplacesOnlyRegularFiles) {
  TempDir dir;
  fs::create_directory(dir / "folder");
  MakeFifo(dir / "fifo");
  MakeSocket(dir / "socket");
  fs::create_symlink("/dev/null", dir / "null");
  fs::create_symlink(dir / "fifo", dir / "link-to-fifo");
  WriteBytes(dir / "file", "old");
  struct Case {
    const char* name;
    const char* reason;  // empty: replaced
    fs::file_type kind_after;
  } cases[] = {
      {"folder", "Is a directory", fs::file_type::directory},
      {"fifo", "Not a regular file", fs::file_type::fifo},
      {"socket", "Not a regular file", fs::file_type::socket},
      {"null", "Not a regular file", fs::file_type::character},
      {"link-to-fifo", "Not a regular file", fs::file_type::fifo},
      {"file", "", fs::file_type::regular},
  };
  for (const auto& c : cases) {
    const fs::path target = dir / c.name;
    AtOnce(dir.path(), c.name, [&] {
      const std::string error = FileErrorOf([&] { WriteFileAtomic(target, "new"); });
      EXPECT_EQ(error, *c.reason ? CannotCreateMessage(target, c.reason) : "") << c.name;
    });
    EXPECT_EQ(fs::status(target).type(), c.kind_after) << c.name;
  }
  EXPECT_EQ(ReadBytes(dir / "file"), "new");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  // Nothing was left behind by the refused writes.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, std::size(cases));
}

// Finish meets the same: the page's name is refused before any picture is
// copied.
TEST(FinishLetter, RefusesAnOutputThatIsNotARegularFile) {
  TempDir dir;
  WriteBytes(dir / "t.tem", "%%HEADERPICTURE%%");
  fs::create_directory(dir / "pics");
  WriteBytes(dir / "pics/head.png", "HEAD");
  MakeFifo(dir / "page.html");
  LetterConfiguration letter;
  letter.edtHeaderPicture = "pics/head.png";
  AtOnce(dir.path(), "finish", [&] {
    const FinishOutcome outcome = FinishLetter(letter, dir / "t.tem", "page.html", dir.path());
    EXPECT_EQ(outcome.status, FinishStatus::kWriteFailed);
    EXPECT_EQ(outcome.message, "Please check the output filename!");
    EXPECT_EQ(outcome.detail, CannotCreateMessage(dir / "page.html", "Not a regular file"));
  });
  EXPECT_TRUE(fs::is_fifo(dir / "page.html"));
  EXPECT_FALSE(fs::exists(dir / "head.png"));
}

}  // namespace
}  // namespace wordlark
