#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "letter/letter_configuration.h"

namespace wordlark::test {

// A fresh folder under the system's temporary folder, removed with its content
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Whole-file helpers for fixtures (bytes as they stand, no conversion).
std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

// Runs a command line through /bin/sh; returns its exit status, with its
// standard output and standard error in the given strings when not null.
int RunCommand(const std::string& command, std::string* out = nullptr, std::string* err = nullptr);

// Quotes a text for /bin/sh.
std::string ShellQuote(std::string_view text);

// The peak resident memory of this process (VmHWM), in KiB, and its reset to
// the memory resident now, so that a test can see what one step costs.
long long PeakMemoryKiB();
void ResetPeakMemory();

// A letter in which every one of the 42 values differs from its default.
LetterConfiguration FullLetter();

}  // namespace wordlark::test
