#include "letter/html_body.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "util/text.h"

namespace wordlark {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsTagNameChar(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == ':' || c == '_';
}

// Index just past the '>' closing the tag that starts at `lt`, skipping
// quoted attribute values; the text's size when the tag never closes.
std::size_t TagEnd(std::string_view text, std::size_t lt) {
  char quote = 0;
  for (std::size_t i = lt + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return text.size();
}

// The lower-case name of the tag at `lt` ("<name" or "</name"), empty when
// `lt` does not start a tag.
std::string TagNameAt(std::string_view text, std::size_t lt, bool* closing) {
  std::size_t i = lt + 1;
  *closing = i < text.size() && text[i] == '/';
  if (*closing) {
    ++i;
  }
  if (i >= text.size() || !IsAsciiLetter(text[i])) {
    return {};
  }
  const std::size_t start = i;
  while (i < text.size() && IsTagNameChar(text[i])) {
    ++i;
  }
  return AsciiLower(text.substr(start, i - start));
}

// Where "</name" next stands from `from` on, in any ASCII letter case.
std::size_t FindClosingTag(std::string_view text, const std::string& name, std::size_t from) {
  const std::string wanted = "</" + name;
  for (std::size_t i = text.find("</", from); i != std::string_view::npos;
       i = text.find("</", i + 1)) {
    if (EqualsIgnoreAsciiCase(text.substr(i, wanted.size()), wanted)) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whether `literal` (lower case) stands at `i`, in any ASCII letter case.
bool LiteralAt(std::string_view text, std::size_t i, std::string_view literal) {
  return i <= text.size() && EqualsIgnoreAsciiCase(text.substr(i, literal.size()), literal);
}

// Whether the tag name `literal` stands at `i` and ends there: white space,
// '/' or '>' follows.
bool TagNameEndsAt(std::string_view text, std::size_t i, std::string_view literal) {
  if (!LiteralAt(text, i, literal)) {
    return false;
  }
  const std::size_t after = i + literal.size();
  return after < text.size() && (IsSpace(text[after]) || text[after] == '/' || text[after] == '>');
}

// `text` with every tag's element name in lower case; comments as they are.
std::string LowerTagNames(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      out += text[i++];
      continue;
    }
    if (text.substr(i).starts_with("<!--")) {
      const std::size_t close = text.find("-->", i + 4);
      const std::size_t end = close == std::string_view::npos ? text.size() : close + 3;
      out += text.substr(i, end - i);
      i = end;
      continue;
    }
    bool closing = false;
    const std::string name = TagNameAt(text, i, &closing);
    if (name.empty()) {
      out += text[i++];
      continue;
    }
    const std::size_t name_end = i + 1 + (closing ? 1 : 0) + name.size();
    const std::size_t end = TagEnd(text, i);
    out += closing ? "</" : "<";
    out += name;
    out += text.substr(name_end, end - name_end);
    i = end;
  }
  return out;
}

// The length of the document frame that starts at `i`: a doctype, an html
// tag, or a whole head; 0 when none does.
std::size_t FrameAt(std::string_view text, std::size_t i) {
  if (LiteralAt(text, i, "<!doctype")) {
    const std::size_t close = text.find('>', i);
    return close == std::string_view::npos ? 0 : close + 1 - i;
  }
  if (TagNameEndsAt(text, i, "<html") || TagNameEndsAt(text, i, "</html")) {
    const std::size_t close = text.find('>', i);
    return close == std::string_view::npos ? 0 : close + 1 - i;
  }
  if (TagNameEndsAt(text, i, "<head")) {
    const std::size_t open_end = text.find('>', i);
    if (open_end == std::string_view::npos) {
      return 0;
    }
    for (std::size_t close = FindClosingTag(text, "head", open_end + 1);
         close != std::string_view::npos; close = FindClosingTag(text, "head", close + 1)) {
      std::size_t k = close + 6;
      while (k < text.size() && IsSpace(text[k])) {
        ++k;
      }
      if (k < text.size() && text[k] == '>') {
        return k + 1 - i;
      }
    }
  }
  return 0;
}

// Where a closing html tag stands from `from` on that only white space
// follows to the end.
std::size_t FinalHtmlClose(std::string_view text, std::size_t from) {
  for (std::size_t i = FindClosingTag(text, "html", from); i != std::string_view::npos;
       i = FindClosingTag(text, "html", i + 1)) {
    std::size_t k = i + 6;
    while (k < text.size() && IsSpace(text[k])) {
      ++k;
    }
    if (k < text.size() && text[k] == '>') {
      ++k;
      while (k < text.size() && IsSpace(text[k])) {
        ++k;
      }
      if (k == text.size()) {
        return i;
      }
    }
  }
  return std::string_view::npos;
}

// Character references that stand for blank space.
bool IsBlankReference(std::string_view name) {
  static constexpr std::array<std::string_view, 11> kBlanks = {
      "nbsp", "NonBreakingSpace", "#160", "#xa0", "#xA0", "#Xa0", "#XA0", "#32", "#9", "#10",
      "#13"};
  return std::find(kBlanks.begin(), kBlanks.end(), name) != kBlanks.end();
}

// Elements that show on their own, without any text in them.
bool IsVisibleElement(std::string_view name) {
  static constexpr std::array<std::string_view, 19> kNames = {
      "img",    "hr",    "input",    "select", "textarea", "button", "iframe",
      "object", "embed", "video",    "audio",  "canvas",   "svg",    "math",
      "table",  "li",    "fieldset", "meter",  "progress"};
  return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

// Elements whose content is never shown.
bool IsHiddenContainer(std::string_view name) {
  static constexpr std::array<std::string_view, 6> kNames = {"script",   "style",   "title",
                                                             "template", "noembed", "noframes"};
  return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

// White space (the separators of Unicode and the control characters that
// break lines or tab) and the zero-width characters: nothing a reader sees.
bool IsInvisible(std::uint32_t c) {
  if (c == ' ' || (c >= 0x09 && c <= 0x0D)) {
    return true;
  }
  switch (c) {
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
    case 0x200B:
    case 0x200C:
    case 0x200D:
    case 0xFEFF:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

// The code point of the UTF-8 sequence at `i` and its length; a byte that
// starts no valid sequence reads as U+FFFD (which shows).
std::uint32_t DecodeAt(std::string_view text, std::size_t i, std::size_t* length) {
  *length = 1;
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t following = 0;
  std::uint32_t c = lead;
  if (lead < 0x80) {
    return c;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    following = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    following = 2;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    following = 3;
    c = lead & 0x07;
  } else {
    return 0xFFFD;
  }
  for (std::size_t k = 1; k <= following; ++k) {
    if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
      return 0xFFFD;
    }
    c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  }
  *length = following + 1;
  return c;
}

}  // namespace

bool HtmlBodyShowsAnything(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '<') {
      if (text.substr(i).starts_with("<!--")) {
        const std::size_t close = text.find("-->", i + 4);
        if (close == std::string_view::npos) {
          return false;
        }
        i = close + 3;
        continue;
      }
      if (i + 1 < text.size() && (text[i + 1] == '!' || text[i + 1] == '?')) {
        i = TagEnd(text, i);
        continue;
      }
      bool closing = false;
      const std::string name = TagNameAt(text, i, &closing);
      if (name.empty()) {
        return true;  // a lone '<' is text
      }
      if (!closing && IsVisibleElement(name)) {
        return true;
      }
      i = TagEnd(text, i);
      if (!closing && IsHiddenContainer(name)) {
        const std::size_t close = FindClosingTag(text, name, i);
        if (close == std::string_view::npos) {
          return false;
        }
        i = TagEnd(text, close);
      }
      continue;
    }
    if (c == '&') {
      const std::size_t semicolon = text.find(';', i + 1);
      if (semicolon == std::string_view::npos || semicolon - i > 32 ||
          !IsBlankReference(text.substr(i + 1, semicolon - i - 1))) {
        return true;
      }
      i = semicolon + 1;
      continue;
    }
    std::size_t length = 1;
    if (!IsInvisible(DecodeAt(text, i, &length))) {
      return true;
    }
    i += length;
  }
  return false;
}

std::string HtmlBodyContent(std::string_view text) {
  for (std::size_t open = text.find('<'); open != std::string_view::npos;
       open = text.find('<', open + 1)) {
    if (!LiteralAt(text, open, "<body") || (open + 5 < text.size() && !IsSpace(text[open + 5]) &&
                                            text[open + 5] != '/' && text[open + 5] != '>')) {
      continue;
    }
    const std::size_t start = TagEnd(text, open);
    std::size_t end = std::string_view::npos;
    for (std::size_t close = FindClosingTag(text, "body", 0); close != std::string_view::npos;
         close = FindClosingTag(text, "body", close + 1)) {
      end = close;
    }
    if (end == std::string_view::npos || end < start) {
      end = std::min(FinalHtmlClose(text, start), text.size());
    }
    return LowerTagNames(text.substr(start, end - start));
  }
  // No body tag: whatever is not the document's frame is the body.
  std::string content;
  content.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t frame = FrameAt(text, i); frame > 0) {
      i += frame;
    } else {
      content += text[i++];
    }
  }
  return LowerTagNames(content);
}

}  // namespace wordlark
