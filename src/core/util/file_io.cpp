#include "util/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "util/error.h"

namespace wordlark {
namespace {

constexpr const char* kNotRegular = "Not a regular file";
constexpr const char* kForeignLink =
    "It is a symbolic link that another user made in a shared folder, so it is not followed.";

// The kernel gives up after 40 links in a row; so does the writer.
constexpr int kMaxLinkHops = 40;

// Temporary names: "." + target name (cut to fit) + ".wordlark-" + 6 letters.
constexpr std::string_view kTempInfix = ".wordlark-";
constexpr std::size_t kTempRandomLength = 6;
constexpr std::size_t kTempNameRoom = 200;  // NAME_MAX is 255

std::string ErrnoText(int error) {
  return std::strerror(error);
}

std::string OpenMessage(const std::filesystem::path& path, std::string_view reason) {
  return "Cannot open file \"" + path.string() + "\". " + std::string(reason);
}

std::string LargerMessage(const std::filesystem::path& path, std::uint64_t max_size) {
  return "Cannot read file \"" + path.string() + "\". It is larger than " + SizeText(max_size) +
         ".";
}

// Why a file of this kind cannot be read or replaced; empty for a regular file.
std::string KindProblem(mode_t mode) {
  if (S_ISREG(mode)) {
    return {};
  }
  return S_ISDIR(mode) ? ErrnoText(EISDIR) : kNotRegular;
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  auto folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

std::string TempStem(std::string_view target_name) {
  std::string stem = ".";
  stem += target_name.substr(0, kTempNameRoom);
  stem += kTempInfix;
  return stem;
}

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string RandomLetters() {
  static constexpr char kLetters[] =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  unsigned char bytes[kTempRandomLength] = {};
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;  // the pid and a counter still keep names apart
    }
    got += static_cast<std::size_t>(n);
  }
  static std::atomic<unsigned> counter{0};
  const unsigned mix = static_cast<unsigned>(getpid()) * 2654435761u + ++counter;
  std::string text;
  for (std::size_t i = 0; i < sizeof bytes; ++i) {
    text += kLetters[(bytes[i] ^ (mix >> (i * 4))) % (sizeof kLetters - 1)];
  }
  return text;
}

// The kernel's protected_symlinks rule: in a sticky folder that everyone may
// write, a link is followed only when it belongs to the follower or to the
// folder's owner.
bool MayFollow(const std::filesystem::path& link, const struct stat& link_stat) {
  struct stat folder {};
  if (stat(FolderOf(link).c_str(), &folder) != 0) {
    return false;
  }
  const mode_t shared = S_ISVTX | S_IWOTH;
  if ((folder.st_mode & shared) != shared) {
    return true;
  }
  return link_stat.st_uid == geteuid() || link_stat.st_uid == folder.st_uid;
}

// The file a write of `named` replaces: links followed one by one, each only
// where MayFollow allows it.
std::filesystem::path ResolveLinks(const std::filesystem::path& named) {
  std::filesystem::path current = named;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      return current;
    }
    if (hops == kMaxLinkHops) {
      throw FileError(CannotCreateMessage(named, ErrnoText(ELOOP)));
    }
    if (!MayFollow(current, st)) {
      throw FileError(CannotCreateMessage(named, kForeignLink));
    }
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t n;
    while ((n = readlink(current.c_str(), buffer.data(), buffer.size())) >= 0 &&
           static_cast<std::size_t>(n) == buffer.size()) {
      buffer.resize(buffer.size() * 2);
    }
    if (n < 0) {
      throw FileError(CannotCreateMessage(named, ErrnoText(errno)));
    }
    const std::filesystem::path dest(std::string(buffer.data(), static_cast<std::size_t>(n)));
    current = dest.is_absolute() ? dest : current.parent_path() / dest;
  }
}

// Opens a leftover temporary file for locking: it was made for writing by its
// owner, so one of the two works.
int OpenForLock(int folder, const char* name) {
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = openat(folder, name, O_RDONLY | kFlags);
  if (fd < 0 && errno == EACCES) {
    fd = openat(folder, name, O_WRONLY | kFlags);
  }
  return fd;
}

// Removes the temporary files of earlier writes of `target_name` that no
// running writer holds: a writer that holds one keeps it locked, so a file
// that can be locked was left by a writer that is gone.
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::string_view target_name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    return;
  }
  const int dfd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (!IsTemporaryFileOf(entry->d_name, target_name)) {
      continue;
    }
    const int fd = OpenForLock(dfd, entry->d_name);
    if (fd < 0) {
      continue;
    }
    struct stat held {};
    struct stat named {};
    if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dfd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
      unlinkat(dfd, entry->d_name, 0);
    }
    close(fd);
  }
  closedir(dir);
}

// Links an unnamed file into the folder under a fresh temporary name.
bool NameUnnamedFile(int fd, const std::string& stem, std::filesystem::path& name) {
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = stem + RandomLetters();
    if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      name = candidate;
      return true;
    }
    if (errno != EEXIST) {
      return false;
    }
  }
  return false;
}

// Creates and locks the temporary file; returns its descriptor and sets
// `name`. Throws FileError with the reason for `named`.
int CreateTemporary(const std::filesystem::path& folder, std::string_view target_name,
                    const std::filesystem::path& named, std::filesystem::path& name) {
  const std::string stem = (folder / TempStem(target_name)).string();
  // First choice: a file that is locked before it gets a name, so no other
  // writer ever finds it unlocked while this one runs.
  int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd >= 0) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && NameUnnamedFile(fd, stem, name)) {
      return fd;
    }
    close(fd);
  }
  // File systems without unnamed files: a named one, locked at once.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = stem + RandomLetters();
    fd = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      flock(fd, LOCK_EX | LOCK_NB);
      name = candidate;
      return fd;
    }
    if (errno != EEXIST) {
      break;
    }
  }
  throw FileError(CannotCreateMessage(named, ErrnoText(errno)));
}

}  // namespace

std::string SizeText(std::uint64_t bytes) {
  if (bytes >= kMiB && bytes % kMiB == 0) {
    return std::to_string(bytes / kMiB) + " MiB";
  }
  if (bytes >= kKiB && bytes % kKiB == 0) {
    return std::to_string(bytes / kKiB) + " KiB";
  }
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

bool IsRegularFileWithin(const std::filesystem::path& path, std::uint64_t max_size) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         static_cast<std::uint64_t>(st.st_size) <= max_size;
}

std::string CannotCreateMessage(const std::filesystem::path& path, std::string_view reason) {
  std::string text = "Cannot create file \"" + path.string() + "\".";
  if (!reason.empty()) {
    text += ' ';
    text += reason;
  }
  return text;
}

InputFile::InputFile(const std::filesystem::path& path, std::uint64_t max_size)
    : path_(path), max_size_(max_size) {
  // Looked at before it is opened: opening a device can do things of its own.
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0) {
    throw FileError(OpenMessage(path_, ErrnoText(errno)));
  }
  if (const std::string problem = KindProblem(st.st_mode); !problem.empty()) {
    throw FileError(OpenMessage(path_, problem));
  }
  // Non-blocking, in case a FIFO took its place meanwhile.
  fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) {
    throw FileError(OpenMessage(path_, ErrnoText(errno)));
  }
  std::string problem;
  if (fstat(fd_, &st) != 0) {
    problem = OpenMessage(path_, ErrnoText(errno));
  } else if (const std::string kind = KindProblem(st.st_mode); !kind.empty()) {
    problem = OpenMessage(path_, kind);
  } else if (static_cast<std::uint64_t>(st.st_size) > max_size_) {
    problem = LargerMessage(path_, max_size_);
  }
  if (!problem.empty()) {
    close(fd_);
    fd_ = -1;
    throw FileError(problem);
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

InputFile::~InputFile() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

std::size_t InputFile::Read(char* data, std::size_t size) {
  std::size_t total = 0;
  while (total < size) {
    // One byte past the limit is enough to know the file has outgrown it.
    std::size_t want = size - total;
    const std::uint64_t room = max_size_ - done_;
    if (want > room + 1) {
      want = static_cast<std::size_t>(room + 1);
    }
    const ssize_t n = ::read(fd_, data + total, want);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw FileError("Cannot read file \"" + path_.string() + "\". " + ErrnoText(errno));
    }
    if (n == 0) {
      break;
    }
    if (static_cast<std::uint64_t>(n) > room) {
      throw FileError(LargerMessage(path_, max_size_));
    }
    done_ += static_cast<std::uint64_t>(n);
    total += static_cast<std::size_t>(n);
  }
  return total;
}

std::string ReadFileBytes(const std::filesystem::path& path, std::uint64_t max_size) {
  InputFile in(path, max_size);
  std::string content;
  // Files of the kernel's own (/proc) say they are empty and are not.
  std::size_t chunk = static_cast<std::size_t>(in.size()) + 1;
  for (;;) {
    const std::size_t start = content.size();
    content.resize(start + chunk);
    const std::size_t n = in.Read(content.data() + start, chunk);
    content.resize(start + n);
    if (n < chunk) {
      return content;
    }
    chunk = 64 * 1024;
  }
}

AtomicFile::AtomicFile(std::filesystem::path target) : named_(std::move(target)) {
  target_ = ResolveLinks(named_);
  struct stat st {};
  // What the name leads to as the kernel follows it (also through links of
  // its own, such as /dev/stdout), and then the file that is to be replaced.
  if (stat(named_.c_str(), &st) == 0) {
    if (const std::string problem = KindProblem(st.st_mode); !problem.empty()) {
      throw FileError(CannotCreateMessage(named_, problem));
    }
  }
  if (lstat(target_.c_str(), &st) == 0) {
    if (const std::string problem = KindProblem(st.st_mode); !problem.empty()) {
      throw FileError(CannotCreateMessage(named_, problem));
    }
    if (access(target_.c_str(), W_OK) != 0) {
      throw FileError(CannotCreateMessage(named_, ErrnoText(errno)));
    }
    replaces_ = true;
    mode_ = st.st_mode & 07777;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
  } else if (errno != ENOENT) {
    throw FileError(CannotCreateMessage(named_, ErrnoText(errno)));
  }

  const std::filesystem::path folder = FolderOf(target_);
  const std::string name = target_.filename().string();
  RemoveStaleTemporaries(folder, name);
  fd_ = CreateTemporary(folder, name, named_, temp_);
  if (replaces_) {
    // While it is written, nobody reads more of it than of the file it
    // replaces; its owner can still open it (to clean it up after a crash).
    struct stat created {};
    if (fstat(fd_, &created) == 0) {
      fchmod(fd_, (created.st_mode & mode_ & 0777) | S_IRUSR | S_IWUSR);
    }
  }
}

AtomicFile::~AtomicFile() {
  Discard();
}

void AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    throw FileError("Cannot write file \"" + named_.string() + "\".");
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      const int error = errno;
      Discard();
      throw FileError("Cannot write file \"" + named_.string() + "\". " + ErrnoText(error));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) {
    throw FileError("Cannot write file \"" + named_.string() + "\".");
  }
  if (fsync(fd_) != 0) {
    const int error = errno;
    Discard();
    throw FileError("Cannot write file \"" + named_.string() + "\". " + ErrnoText(error));
  }
  if (replaces_) {
    // Owner and group where this user may give them; the change of owner
    // clears set-id bits, so the mode comes after it.
    if (fchown(fd_, uid_, gid_) != 0 && fchown(fd_, static_cast<uid_t>(-1), gid_) != 0) {
      // The file becomes this user's own.
    }
    fchmod(fd_, mode_);
  }
  // Something else may have taken the target's place meanwhile.
  struct stat st {};
  if (lstat(target_.c_str(), &st) == 0) {
    if (const std::string problem = KindProblem(st.st_mode); !problem.empty()) {
      Discard();
      throw FileError(CannotCreateMessage(named_, problem));
    }
  }
  // The lock is held until the rename is done, so no other writer takes the
  // temporary file for a leftover.
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    Discard();
    throw FileError(CannotCreateMessage(named_, ErrnoText(error)));
  }
  temp_.clear();
  const int closed = close(fd_);
  const int close_error = errno;
  fd_ = -1;
  // Make the rename itself durable.
  const int dir = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  if (closed != 0) {
    throw FileError("Cannot write file \"" + named_.string() + "\". " + ErrnoText(close_error));
  }
}

void AtomicFile::Discard() {
  // The name goes first, while the lock still keeps other writers off it.
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

void CopyFileAtomic(const std::filesystem::path& source, const std::filesystem::path& target,
                    std::uint64_t max_size) {
  InputFile in(source, max_size);
  AtomicFile out(target);
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const std::size_t n = in.Read(buffer.data(), buffer.size());
    out.Write(std::string_view(buffer.data(), n));
    if (n < buffer.size()) {
      break;
    }
  }
  out.Commit();
}

bool IsTemporaryFileOf(std::string_view file_name, std::string_view target_name) {
  const std::string stem = TempStem(target_name);
  if (file_name.size() != stem.size() + kTempRandomLength || !file_name.starts_with(stem)) {
    return false;
  }
  for (char c : file_name.substr(stem.size())) {
    if (!IsAlnum(c)) {
      return false;
    }
  }
  return true;
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat sa {};
  struct stat sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace wordlark
