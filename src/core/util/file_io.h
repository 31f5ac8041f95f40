#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace wordlark {

// The whole content of a file. Throws FileError when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

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
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  void Commit();
  void Discard();

  const std::filesystem::path& target() const { return target_; }

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

// Writes the whole file at once through AtomicFile.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// The text "Cannot create file "PATH". REASON" for a failed create.
std::string CannotCreateMessage(const std::filesystem::path& path, std::string_view reason);

}  // namespace wordlark
