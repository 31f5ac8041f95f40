#include "util/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace wordlark {
namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr std::array<char32_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t ByteToCodePoint(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) {
    return kHighTable[b - 0x80];
  }
  return b;
}

// The byte for a code point, or -1 when windows-1252 has none.
int CodePointToByte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    return static_cast<int>(cp);
  }
  for (std::size_t i = 0; i < kHighTable.size(); ++i) {
    if (kHighTable[i] == cp) {
      return static_cast<int>(0x80 + i);
    }
  }
  return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at `pos`, advancing it; kInvalid (advancing by one
// byte) for a malformed, overlong or surrogate sequence.
char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    ++pos;
    return kInvalid;
  }
  if (s.size() - pos <= static_cast<std::size_t>(extra)) {
    ++pos;
    return kInvalid;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kInvalid;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kInvalid;
  }
  pos += extra + 1;
  return cp;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      AppendUtf8(out, ByteToCodePoint(b));
    }
  }
  return out;
}

namespace {

// `utf8` converted one code point at a time: ASCII as it is, every other code
// point (kInvalid for a bad sequence) through `append`, which adds it to the
// text and says whether it could; nothing when one could not.
template <typename Append>
std::optional<std::string> FromUtf8(std::string_view utf8, Append append) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      out += utf8[pos++];
    } else if (!append(out, NextCodePoint(utf8, pos))) {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
  return FromUtf8(utf8, [](std::string& out, char32_t cp) {
    const int b = cp == kInvalid ? -1 : CodePointToByte(cp);
    if (b >= 0) {
      out += static_cast<char>(b);
    }
    return b >= 0;
  });
}

std::string Utf8ToCp1252Html(std::string_view utf8) {
  return *FromUtf8(utf8, [](std::string& out, char32_t cp) {
    if (cp == kInvalid) {
      cp = 0xFFFD;
    }
    const int b = CodePointToByte(cp);
    if (b >= 0) {
      out += static_cast<char>(b);
    } else {
      out += "&#";
      out += std::to_string(static_cast<std::uint32_t>(cp));
      out += ';';
    }
    return true;
  });
}

std::string DecodeTextFile(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) {
    return std::string(bytes.substr(kUtf8Bom.size()));
  }
  return Cp1252ToUtf8(bytes);
}

std::string EncodeTextFile(std::string_view utf8) {
  if (auto narrow = Utf8ToCp1252(utf8)) {
    return std::move(*narrow);
  }
  std::string out(kUtf8Bom);
  out += utf8;
  return out;
}

namespace {

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    if (NextCodePoint(bytes, pos) == kInvalid) {
      return false;
    }
  }
  return true;
}

// UTF-16 code units in the given byte order as UTF-8; nothing when the length
// is odd, a surrogate is unpaired or a NUL character stands in the text.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool little_endian) {
  if (bytes.size() % 2 != 0) {
    return std::nullopt;
  }
  const auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(little_endian ? (b << 8) | a : (a << 8) | b);
  };
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c == 0 || (c >= 0xDC00 && c <= 0xDFFF)) {
      return std::nullopt;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 3 >= bytes.size()) {
        return std::nullopt;
      }
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) {
        return std::nullopt;
      }
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

RecognisedText RecogniseTextFile(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) {
    return {TextFileForm::kUtf8Bom, std::string(bytes.substr(kUtf8Bom.size()))};
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const bool little = bytes[0] == '\xFF';
    if (auto text = Utf16ToUtf8(bytes.substr(2), little)) {
      return {little ? TextFileForm::kUtf16Le : TextFileForm::kUtf16Be, std::move(*text)};
    }
  }
  // Without a mark, UTF-16 shows by its zero bytes: a text of tags and Latin
  // letters has one in every other place.
  std::size_t zeros_odd = 0;
  std::size_t zeros_even = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\0') {
      ++(i % 2 != 0 ? zeros_odd : zeros_even);
    }
  }
  if (zeros_odd != zeros_even) {
    const bool little = zeros_odd > zeros_even;
    if (auto text = Utf16ToUtf8(bytes, little)) {
      return {little ? TextFileForm::kUtf16Le : TextFileForm::kUtf16Be, std::move(*text)};
    }
  }
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii && IsValidUtf8(bytes)) {
    return {TextFileForm::kUtf8, std::string(bytes)};
  }
  return {TextFileForm::kSingleByte, Cp1252ToUtf8(bytes)};
}

std::string_view TextFileFormName(TextFileForm form) {
  switch (form) {
    case TextFileForm::kSingleByte:
      return "windows-1252";
    case TextFileForm::kUtf8Bom:
      return "UTF-8 with a byte-order mark";
    case TextFileForm::kUtf8:
      return "UTF-8 without a byte-order mark";
    case TextFileForm::kUtf16Le:
      return "UTF-16 (little-endian)";
    case TextFileForm::kUtf16Be:
      return "UTF-16 (big-endian)";
  }
  return "windows-1252";
}

}  // namespace wordlark
