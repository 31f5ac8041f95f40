#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace wordlark {

// An error whose text is meant for the user, exactly as it stands.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A conversion of a text into a number, colour or flag failed.
class ConvertError : public Error {
 public:
  using Error::Error;
};

// A bad value of a named entry in a file. what() is the plain text of the
// conversion, as the window shows it; entry() names the entry, so that a tool
// can say where the value stands.
class EntryError : public ConvertError {
 public:
  EntryError(std::string entry, const std::string& message)
      : ConvertError(message), entry_(std::move(entry)) {}
  const std::string& entry() const { return entry_; }

 private:
  std::string entry_;
};

// A file could not be opened, read, created or written.
class FileError : public Error {
 public:
  using Error::Error;
};

}  // namespace wordlark
