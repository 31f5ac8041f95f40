#include "util/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "util/error.h"

namespace wordlark {
namespace {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

std::string CannotCreateMessage(const std::filesystem::path& path, std::string_view reason) {
  std::string text = "Cannot create file \"" + path.string() + "\".";
  if (!reason.empty()) {
    text += ' ';
    text += reason;
  }
  return text;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  // A folder opens like a file here and reads as nothing.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw FileError("Cannot open file \"" + path.string() + "\". " + ErrnoText(EISDIR));
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw FileError("Cannot open file \"" + path.string() + "\". " + ErrnoText(errno));
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    throw FileError("Cannot read file \"" + path.string() + "\".");
  }
  return std::move(content).str();
}

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  std::error_code ec;
  // Writing through a link replaces the file it points to, not the link.
  if (std::filesystem::is_symlink(target_, ec)) {
    auto resolved = std::filesystem::canonical(target_, ec);
    if (!ec) {
      target_ = resolved;
    }
  }
  if (std::filesystem::is_directory(target_, ec)) {
    throw FileError(CannotCreateMessage(target_, ErrnoText(EISDIR)));
  }
  auto folder = target_.parent_path();
  if (folder.empty()) {
    folder = ".";
  }
  std::string name = ".";
  name += target_.filename().string();
  name += ".XXXXXX";
  std::string pattern = (folder / name).string();
  fd_ = mkstemp(pattern.data());
  if (fd_ < 0) {
    throw FileError(CannotCreateMessage(target_, ErrnoText(errno)));
  }
  temp_ = pattern;
  // The new file keeps the mode of the one it replaces, or gets the usual mode
  // of a new file.
  struct stat existing {};
  const mode_t mode = (stat(target_.c_str(), &existing) == 0) ? (existing.st_mode & 07777)
                                                              : (0666 & ~CurrentUmask());
  fchmod(fd_, mode);
}

AtomicFile::~AtomicFile() {
  Discard();
}

void AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    throw FileError("Cannot write file \"" + target_.string() + "\".");
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      const int error = errno;
      Discard();
      throw FileError("Cannot write file \"" + target_.string() + "\". " + ErrnoText(error));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) {
    throw FileError("Cannot write file \"" + target_.string() + "\".");
  }
  if (fsync(fd_) != 0 || close(fd_) != 0) {
    const int error = errno;
    fd_ = -1;
    Discard();
    throw FileError("Cannot write file \"" + target_.string() + "\". " + ErrnoText(error));
  }
  fd_ = -1;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    Discard();
    throw FileError(CannotCreateMessage(target_, ErrnoText(error)));
  }
  temp_.clear();
  // Make the rename itself durable.
  auto folder = target_.parent_path();
  if (folder.empty()) {
    folder = ".";
  }
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

void AtomicFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

}  // namespace wordlark
