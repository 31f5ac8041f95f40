#include "render/text_pictures.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "render/catalogue.h"
#include "util/text.h"

namespace wordlark {
namespace {

bool IsHtmlBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsAsciiDigit(c)) {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    code = 0xFFFD;
  }
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The character references an attribute value of an editor's HTML holds:
// the five named ones a serialiser writes, the no-break space, and numeric
// ones. Anything else stays as it is.
std::string DecodeReferences(std::string_view value) {
  static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
      {"&amp;", "&"}, {"&quot;", "\""}, {"&apos;", "'"},
      {"&lt;", "<"},  {"&gt;", ">"},    {"&nbsp;", "\xC2\xA0"},
  };
  std::string out;
  out.reserve(value.size());
  std::size_t i = 0;
  while (i < value.size()) {
    if (value[i] != '&') {
      out += value[i++];
      continue;
    }
    bool done = false;
    for (const auto& [name, text] : kNamed) {
      if (value.substr(i).starts_with(name)) {
        out += text;
        i += name.size();
        done = true;
        break;
      }
    }
    if (!done && i + 2 < value.size() && value[i + 1] == '#') {
      const bool hex = value[i + 2] == 'x' || value[i + 2] == 'X';
      std::size_t j = i + (hex ? 3 : 2);
      std::uint32_t code = 0;
      const std::size_t digits_at = j;
      while (j < value.size() && (hex ? HexValue(value[j]) >= 0 : IsAsciiDigit(value[j]))) {
        code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + HexValue(value[j]), 0x110000);
        ++j;
      }
      if (j > digits_at) {
        AppendUtf8(out, code);
        i = j < value.size() && value[j] == ';' ? j + 1 : j;
        done = true;
      }
    }
    if (!done) {
      out += value[i++];
    }
  }
  return out;
}

std::string_view TrimHtmlBlanks(std::string_view text) {
  while (!text.empty() && IsHtmlBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsHtmlBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// "%20" and the like decoded; a "%" that starts no escape stays.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The scheme an address begins with ("file", "http"), or the empty text.
std::string_view SchemeOf(std::string_view address) {
  if (address.empty() || !IsAsciiLetter(address[0])) {
    return {};
  }
  for (std::size_t i = 1; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') {
      return address.substr(0, i);
    }
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') {
      return {};
    }
  }
  return {};
}

// Elements whose content is text, not markup.
constexpr std::string_view kRawTextElements[] = {"script", "style", "textarea", "title"};

// The end of the content of a raw-text element whose start tag ends at
// `from`: where its end tag begins, or the end of the text.
std::size_t RawTextEnd(std::string_view html, std::size_t from, std::string_view name) {
  for (std::size_t at = html.find("</", from); at != std::string_view::npos;
       at = html.find("</", at + 2)) {
    const std::size_t name_end = at + 2 + name.size();
    if (name_end <= html.size() && EqualsIgnoreAsciiCase(html.substr(at + 2, name.size()), name) &&
        (name_end == html.size() || IsHtmlBlank(html[name_end]) || html[name_end] == '/' ||
         html[name_end] == '>')) {
      return at;
    }
  }
  return html.size();
}

}  // namespace

std::vector<HtmlPictureSource> HtmlPictureSources(std::string_view html) {
  std::vector<HtmlPictureSource> pictures;
  const std::size_t n = html.size();
  std::size_t i = 0;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    if (html.substr(i).starts_with("<!--")) {
      const std::size_t end = html.find("-->", i + 4);
      i = end == std::string_view::npos ? n : end + 3;
      continue;
    }
    std::size_t k = i + 1;
    const bool closing = k < n && html[k] == '/';
    if (closing) {
      ++k;
    }
    if (k >= n || !IsAsciiLetter(html[k])) {
      if (k < n && (html[k] == '!' || html[k] == '?' || (closing && html[k] != '>'))) {
        // A doctype, a processing instruction or a broken end tag: skipped
        // up to its ">".
        const std::size_t end = html.find('>', k);
        i = end == std::string_view::npos ? n : end + 1;
      } else {
        ++i;
      }
      continue;
    }
    const std::size_t name_at = k;
    while (k < n && !IsHtmlBlank(html[k]) && html[k] != '/' && html[k] != '>') {
      ++k;
    }
    const std::string_view name = html.substr(name_at, k - name_at);
    const bool img = !closing && EqualsIgnoreAsciiCase(name, "img");
    bool have_src = false;
    bool complete = false;
    HtmlPictureSource picture;
    while (k < n) {
      while (k < n && (IsHtmlBlank(html[k]) || html[k] == '/')) {
        ++k;
      }
      if (k >= n) {
        break;
      }
      if (html[k] == '>') {
        ++k;
        complete = true;
        break;
      }
      const std::size_t attr_at = k++;
      while (k < n && !IsHtmlBlank(html[k]) && html[k] != '/' && html[k] != '>' && html[k] != '=') {
        ++k;
      }
      const bool is_src = EqualsIgnoreAsciiCase(html.substr(attr_at, k - attr_at), "src");
      while (k < n && IsHtmlBlank(html[k])) {
        ++k;
      }
      std::size_t value_at = k;
      std::size_t value_end = k;
      if (k < n && html[k] == '=') {
        ++k;
        while (k < n && IsHtmlBlank(html[k])) {
          ++k;
        }
        if (k < n && (html[k] == '"' || html[k] == '\'')) {
          const std::size_t close = html.find(html[k], k + 1);
          if (close == std::string_view::npos) {
            k = n;
            break;
          }
          value_at = k + 1;
          value_end = close;
          k = close + 1;
        } else {
          value_at = k;
          while (k < n && !IsHtmlBlank(html[k]) && html[k] != '>') {
            ++k;
          }
          value_end = k;
        }
      }
      if (img && is_src && !have_src) {
        have_src = true;
        picture.begin = value_at;
        picture.end = value_end;
        picture.src = std::string(
            TrimHtmlBlanks(DecodeReferences(html.substr(value_at, value_end - value_at))));
      }
    }
    if (!complete) {
      break;  // a tag cut off by the end of the text
    }
    if (have_src) {
      pictures.push_back(std::move(picture));
    }
    i = k;
    if (!closing) {
      for (std::string_view raw : kRawTextElements) {
        if (EqualsIgnoreAsciiCase(name, raw)) {
          i = RawTextEnd(html, k, raw);
          break;
        }
      }
    }
  }
  return pictures;
}

std::filesystem::path TextPicturePath(std::string_view src,
                                      const std::filesystem::path& base_folder) {
  if (src.empty() || src.starts_with("//")) {
    return {};
  }
  const std::string_view scheme = SchemeOf(src);
  if (!scheme.empty()) {
    if (!EqualsIgnoreAsciiCase(scheme, "file")) {
      return {};
    }
    std::string_view rest = src.substr(scheme.size() + 1);
    if (const std::size_t cut = rest.find_first_of("?#"); cut != std::string_view::npos) {
      rest = rest.substr(0, cut);
    }
    if (rest.starts_with("//")) {
      rest.remove_prefix(2);
      const std::size_t slash = rest.find('/');
      const std::string_view host = rest.substr(0, slash);
      if (!host.empty() && !EqualsIgnoreAsciiCase(host, "localhost")) {
        return {};
      }
      rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    if (!rest.starts_with('/')) {
      return {};
    }
    return std::filesystem::path(PercentDecoded(rest));
  }
  std::filesystem::path path = ResolveUserPath(src, base_folder);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) && src.find('%') != std::string_view::npos) {
    std::filesystem::path decoded = ResolveUserPath(PercentDecoded(src), base_folder);
    if (std::filesystem::is_regular_file(decoded, ec)) {
      return decoded;
    }
  }
  return path;
}

std::array<LetterSection, 5> LetterSections(const LetterConfiguration& l) {
  return {{
      {&l.prfEditor1, "prfEditor1", "the main headline"},
      {&l.prfEditor2, "prfEditor2", "the introduction paragraph"},
      {&l.prfEditor3, "prfEditor3", "the product introduction"},
      {&l.prfEditor10, "prfEditor10", "the closing statement"},
      {&l.prfEditor11, "prfEditor11", "the P.S."},
  }};
}

}  // namespace wordlark
