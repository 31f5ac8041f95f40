#include "util/tagged_text.h"

#include "util/codepage.h"
#include "util/file_io.h"
#include "util/text.h"

namespace wordlark {
namespace {

// Finds `needle` in `hay` from `from` on, with ASCII letters compared without
// regard to case.
std::size_t FindIgnoreCase(std::string_view hay, std::string_view needle, std::size_t from = 0) {
  if (needle.empty() || hay.size() < needle.size()) {
    return std::string_view::npos;
  }
  const auto fold = [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  };
  const char first = fold(needle.front());
  for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
    if (fold(hay[i]) != first) {
      continue;
    }
    std::size_t k = 1;
    while (k < needle.size() && fold(hay[i + k]) == fold(needle[k])) {
      ++k;
    }
    if (k == needle.size()) {
      return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string NormalizeLineBreaks(std::string_view text) {
  std::string out;
  if (text.empty()) {
    return out;
  }
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    } else if (c == '\n') {
      out += "\r\n";
      ++i;
    } else {
      out += c;
      ++i;
    }
  }
  if (!out.ends_with("\r\n")) {
    out += "\r\n";
  }
  return out;
}

std::string TaggedTextFromBytes(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) {
    bytes = bytes.substr(0, nul);
  }
  return NormalizeLineBreaks(DecodeTextFile(bytes));
}

std::string LoadTaggedText(const std::filesystem::path& path, std::uint64_t max_size) {
  return TaggedTextFromBytes(ReadFileBytes(path, max_size));
}

std::string FormatTaggedEntry(std::string_view name, std::string_view value) {
  std::string entry;
  entry.reserve(value.size() + 2 * name.size() + 11);
  entry += "<%%";
  entry += name;
  entry += "%%>";
  entry += value;
  entry += "<%%/";
  entry += name;
  entry += "%%>";
  return entry;
}

std::string ReadTaggedValue(std::string& text, std::string_view name) {
  const std::string open = "<%%" + std::string(name) + "%%>";
  const std::size_t open_at = FindIgnoreCase(text, open);
  if (open_at == std::string::npos) {
    return {};
  }
  const std::size_t value_at = open_at + open.size();
  const std::string close = "<%%/" + std::string(name) + "%%>";
  const std::size_t close_at = FindIgnoreCase(text, close, value_at);
  if (close_at == std::string::npos) {
    text.erase(0, value_at);
    return {};
  }
  std::string value = text.substr(value_at, close_at - value_at);
  text.erase(0, close_at);
  return value;
}

void TaggedTextWriter::Add(std::string_view name, std::string_view value) {
  text_ += FormatTaggedEntry(name, value);
  text_ += "\r\n";
}

void SaveTaggedText(const std::filesystem::path& path, std::string_view text) {
  WriteFileAtomic(path, EncodeTextFile(NormalizeLineBreaks(text)));
}

}  // namespace wordlark
