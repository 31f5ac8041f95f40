#pragma once

#include <stdexcept>
#include <string>

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

// A file could not be opened, read, created or written.
class FileError : public Error {
 public:
  using Error::Error;
};

}  // namespace wordlark
