// The INI reader of the live-update information file.
#include "online/ini_file.h"

#include "util/codepage.h"
#include "util/file_io.h"
#include "util/text.h"

namespace wordlark {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::string ReadIniValue(std::string_view ini_text, std::string_view section,
                         std::string_view key) {
  enum class State { Before, Inside, After } state = State::Before;
  std::size_t at = 0;
  while (at < ini_text.size() && state != State::After) {
    std::size_t end = ini_text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) {
      end = ini_text.size();
    }
    const std::string_view line = TrimBlanks(ini_text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line.front() == ';') {
      continue;
    }
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name =
          TrimBlanks(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
      if (state == State::Inside) {
        state = State::After;
      } else if (EqualsIgnoreAsciiCase(name, section)) {
        state = State::Inside;
      }
      continue;
    }
    if (state != State::Inside) {
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos ||
        !EqualsIgnoreAsciiCase(TrimBlanks(line.substr(0, equals)), key)) {
      continue;
    }
    std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return {};
}

std::string ReadIniFileValue(const std::filesystem::path& path, std::string_view section,
                             std::string_view key) {
  return ReadIniValue(DecodeTextFile(ReadFileBytes(path, kMaxIniFileSize)), section, key);
}

}  // namespace wordlark
