// Reading what comes from outside and writing what the user owns.
//
// Reading: only regular files are read, each up to a size limit that the
// caller names. A FIFO, a device, a socket or a folder gives an error at once
// (nothing blocks on a FIFO that no one writes, nothing reads /dev/zero until
// memory runs out), and so does a file larger than its limit.
//
// Writing: a file is replaced whole or not at all (see AtomicFile), and only a
// regular file the user may write is ever replaced.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace wordlark {

inline constexpr std::uint64_t kKiB = 1024;
inline constexpr std::uint64_t kMiB = 1024 * kKiB;

// The limit of ReadFileBytes when the caller names none.
inline constexpr std::uint64_t kDefaultReadLimit = 256 * kMiB;

// "256 MiB", "64 KiB" or "100 bytes": a limit as the messages give it.
std::string SizeText(std::uint64_t bytes);

// True when `path` (links followed) is a regular file of at most `max_size`
// bytes. For files that another library opens by name (pictures, icons):
// asking first keeps it from blocking on a FIFO or reading a device.
bool IsRegularFileWithin(const std::filesystem::path& path, std::uint64_t max_size);

// A regular file open for reading, never more than `max_size` bytes of it.
// Throws FileError:
//   "Cannot open file "PATH". REASON"   missing, unreadable, a folder ("Is a
//                                       directory") or anything else that is not
//                                       a regular file ("Not a regular file")
//   "Cannot read file "PATH". It is larger than 256 MiB."
class InputFile {
 public:
  InputFile(const std::filesystem::path& path, std::uint64_t max_size);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // The size when the file was opened.
  std::uint64_t size() const { return size_; }

  // Up to `size` bytes; fewer only at the end of the file. Throws FileError
  // on a read error, or when the file has grown past the limit meanwhile.
  std::size_t Read(char* data, std::size_t size);

 private:
  std::filesystem::path path_;
  std::uint64_t max_size_;
  std::uint64_t size_ = 0;
  std::uint64_t done_ = 0;
  int fd_ = -1;
};

// The whole content of a regular file of at most `max_size` bytes. Throws
// FileError as InputFile does.
std::string ReadFileBytes(const std::filesystem::path& path,
                          std::uint64_t max_size = kDefaultReadLimit);

// Writes a file that the user owns without ever leaving it half-written: the
// bytes go to a temporary file in the same folder, which is flushed to disk and
// then renamed over the target. On failure the target is left as it was and the
// temporary file is removed.
//
//   AtomicFile out(path);   // throws FileError "Cannot create file "..." ..."
//   out.Write(bytes);       // throws FileError
//   out.Commit();           // throws FileError; the target now holds the bytes
//
// Destroying an uncommitted AtomicFile discards what was written.
//
// What is never replaced (FileError "Cannot create file "PATH". REASON"):
// - anything but a regular file: a folder ("Is a directory"), a FIFO, a
//   device or a socket ("Not a regular file");
// - a file the user may not write (the reason of access(2), such as
//   "Permission denied").
// A symbolic link is followed to the file it names, but in a sticky folder
// that everyone may write (such as /tmp) only a link that belongs to the user
// or to the folder's owner, as the kernel's protected_symlinks rule has it.
//
// The new file keeps the mode of the one it replaces, and its owner and group
// where the user may give them; a new file gets the usual mode (0666 less the
// umask).
//
// The temporary file is called "." + NAME + ".wordlark-" + six letters or
// digits, beside the target NAME, and is locked (flock) for as long as its
// writer runs. A writer that is killed leaves it behind unlocked; the next
// write of the same target removes such leftovers.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  void Commit();
  void Discard();

  // The file that is replaced: the named one, or the file its link names.
  const std::filesystem::path& target() const { return target_; }

 private:
  std::filesystem::path named_;   // as the caller gave it, for the messages
  std::filesystem::path target_;  // links resolved
  std::filesystem::path temp_;
  int fd_ = -1;
  // The file replaced, as it was: its mode, owner and group go to the new one.
  bool replaces_ = false;
  std::uint32_t mode_ = 0;
  std::uint32_t uid_ = 0;
  std::uint32_t gid_ = 0;
};

// Writes the whole file at once through AtomicFile.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Copies a regular file of at most `max_size` bytes over `target` through
// AtomicFile. Throws FileError.
void CopyFileAtomic(const std::filesystem::path& source, const std::filesystem::path& target,
                    std::uint64_t max_size);

// True when the name `file_name` is one of AtomicFile's temporary files for
// the target called `target_name` in the same folder.
bool IsTemporaryFileOf(std::string_view file_name, std::string_view target_name);

// True when both paths name one existing file (links followed).
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The text "Cannot create file "PATH". REASON" for a failed create.
std::string CannotCreateMessage(const std::filesystem::path& path, std::string_view reason);

}  // namespace wordlark
