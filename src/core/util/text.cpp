#include "util/text.h"

#include <charconv>
#include <cstdio>

#include "util/error.h"

namespace wordlark {
namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return c - 'A' + 10;
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The characters of a UTF-8 text (a lead byte with its continuation bytes).
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  std::size_t start = 0;
  for (std::size_t i = 1; i <= text.size(); ++i) {
    if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      chars.push_back(text.substr(start, i - start));
      start = i;
    }
  }
  return chars;
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
  throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

std::vector<std::string> SplitAtChar(char separator, std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == separator) {
      pieces.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) {
    pieces.emplace_back(text.substr(start));
  }
  return pieces;
}

std::string EscapeLineBreaks(std::string_view text) {
  if (text.ends_with("\r\n")) {
    text.remove_suffix(2);
  }
  return ReplaceAll(text, "\r\n", "$$");
}

ColorValue HexToColor(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c != '#') {
      digits += c;
    }
  }
  const auto chars = Characters(digits);
  const auto piece = [&](std::size_t first) {
    std::string p;
    for (std::size_t i = first; i < first + 2 && i < chars.size(); ++i) {
      p += chars[i];
    }
    return p;
  };
  const std::string built = "$00" + piece(4) + piece(2) + piece(0);
  ColorValue value = 0;
  for (std::size_t i = 1; i < built.size(); ++i) {
    if (!IsHexDigit(built[i])) {
      ThrowNotInteger(built);
    }
    value = (value << 4) | static_cast<ColorValue>(HexValue(built[i]));
  }
  return value;
}

std::string ColorToHex(ColorValue color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
                (color >> 16) & 0xFF);
  return text;
}

std::string DecodeDollarHex(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '$') {
      out += text[i++];
      continue;
    }
    const std::string_view digits = text.substr(i + 1, 2);
    if (digits.empty()) {
      return {};
    }
    int value = 0;
    for (char d : digits) {
      if (!IsHexDigit(d)) {
        return {};
      }
      value = value * 16 + HexValue(d);
    }
    out += static_cast<char>(value);
    i += 1 + digits.size();
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) {
    return std::string(text);
  }
  std::string out;
  std::size_t start = 0;
  for (std::size_t hit = text.find(from); hit != std::string_view::npos;
       hit = text.find(from, start)) {
    if (out.empty()) {
      out.reserve(text.size());
    }
    out.append(text, start, hit - start);
    out += to;
    start = hit + from.size();
  }
  out.append(text, start);
  return out;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = UpperAscii(c);
  }
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = LowerAscii(c);
  }
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') {
    s.remove_prefix(1);
  }
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with("$")) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
    ThrowNotInteger(text);
  }
  if (base == 16) {
    // Hexadecimal texts give the 32-bit pattern, as "$FFFFFFFF" gives -1.
    if (magnitude > 0xFFFFFFFFull) {
      ThrowNotInteger(text);
    }
    const auto pattern = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    return negative ? -pattern : pattern;
  }
  const std::uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
  if (magnitude > limit) {
    ThrowNotInteger(text);
  }
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                  : static_cast<std::int32_t>(magnitude);
}

bool StrToBool(std::string_view text) {
  if (EqualsIgnoreAsciiCase(text, "true")) {
    return true;
  }
  if (EqualsIgnoreAsciiCase(text, "false")) {
    return false;
  }
  std::string_view s = text;
  if (s.starts_with("+")) {
    s.remove_prefix(1);
  }
  // Plain decimal numbers only: no "inf", "nan" or hexadecimal floats.
  const bool numeric_start = !s.empty() && ((s.front() >= '0' && s.front() <= '9') ||
                                            s.front() == '.' || (s.front() == '-' && s.size() > 1));
  if (numeric_start) {
    double value = 0;
    const auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (ec == std::errc() && end == s.data() + s.size()) {
      return value != 0;
    }
  }
  throw ConvertError("'" + std::string(text) + "' is not a valid boolean value");
}

}  // namespace wordlark
