#include "render/preflight.h"

#include <set>
#include <system_error>

#include "letter/html_body.h"
#include "letter/list_items.h"
#include "render/catalogue.h"
#include "render/renderer.h"
#include "render/text_pictures.h"
#include "util/text.h"

namespace wordlark {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsBlankText(std::string_view text) {
  for (char c : text) {
    if (!IsBlank(c)) {
      return false;
    }
  }
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The elements a browser knows, current and obsolete, in lower case.
constexpr std::string_view kHtmlElements[] = {
    "a",          "abbr",     "acronym",  "address",    "applet",   "area",     "article",
    "aside",      "audio",    "b",        "base",       "basefont", "bdi",      "bdo",
    "bgsound",    "big",      "blink",    "blockquote", "body",     "br",       "button",
    "canvas",     "caption",  "center",   "cite",       "code",     "col",      "colgroup",
    "data",       "datalist", "dd",       "del",        "details",  "dfn",      "dialog",
    "dir",        "div",      "dl",       "dt",         "em",       "embed",    "fieldset",
    "figcaption", "figure",   "font",     "footer",     "form",     "frame",    "frameset",
    "h1",         "h2",       "h3",       "h4",         "h5",       "h6",       "head",
    "header",     "hgroup",   "hr",       "html",       "i",        "iframe",   "image",
    "img",        "input",    "ins",      "isindex",    "kbd",      "keygen",   "label",
    "legend",     "li",       "link",     "listing",    "main",     "map",      "mark",
    "marquee",    "math",     "menu",     "menuitem",   "meta",     "meter",    "multicol",
    "nav",        "nextid",   "nobr",     "noembed",    "noframes", "noscript", "object",
    "ol",         "optgroup", "option",   "output",     "p",        "param",    "picture",
    "plaintext",  "pre",      "progress", "q",          "rb",       "rp",       "rt",
    "rtc",        "ruby",     "s",        "samp",       "script",   "search",   "section",
    "select",     "slot",     "small",    "source",     "spacer",   "span",     "strike",
    "strong",     "style",    "sub",      "summary",    "sup",      "svg",      "table",
    "tbody",      "td",       "template", "textarea",   "tfoot",    "th",       "thead",
    "time",       "title",    "tr",       "track",      "tt",       "u",        "ul",
    "var",        "video",    "wbr",      "xmp",
};

bool IsHtmlElement(std::string_view name) {
  for (std::string_view element : kHtmlElements) {
    if (EqualsIgnoreAsciiCase(name, element)) {
      return true;
    }
  }
  return false;
}

// At most this many characters of a hidden piece are quoted.
constexpr std::size_t kQuotedPieceLength = 40;

std::string QuotedPieces(const std::vector<std::string>& pieces) {
  std::string text;
  for (const std::string& piece : pieces) {
    if (!text.empty()) {
      text += ", ";
    }
    text += '"';
    if (piece.size() > kQuotedPieceLength) {
      // Cut at a character boundary of the UTF-8 text.
      std::size_t cut = kQuotedPieceLength;
      while (cut > 0 && (static_cast<unsigned char>(piece[cut]) & 0xC0) == 0x80) {
        --cut;
      }
      text.append(piece, 0, cut);
      text += "...";
    } else {
      text += piece;
    }
    text += '"';
  }
  return text;
}

// A plain-text value the page shows, and how the items name it.
struct ShownText {
  std::string what;  // "The full name", "The body of testimonial 2", ...
  std::string control;
  std::string text;
};

void CheckHiddenText(const ShownText& value, std::vector<PreflightItem>& items) {
  const std::vector<std::string> pieces = HiddenTagTexts(value.text);
  if (pieces.empty()) {
    return;
  }
  std::string message =
      value.what + " holds " + QuotedPieces(pieces) +
      ", which the page takes for markup and does not show. Write \"&lt;\" for a \"<\" "
      "that is meant to show.";
  items.push_back({PreflightKind::kHiddenText, value.control, std::move(message)});
}

// True for an address that names its scheme ("https:", "mailto:") or a
// protocol-relative "//host": the link leads where it says from any page.
bool IsAbsoluteAddress(std::string_view text) {
  if (text.starts_with("//")) {
    return true;
  }
  if (text.empty() || !IsAsciiLetter(text[0])) {
    return false;
  }
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ':') {
      return true;
    }
    if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  return false;
}

struct Picture {
  const char* what;
  const char* control;
  const std::string* typed;
};

// The pictures of a section that name a file on this computer that is not
// there, each once.
void CheckSectionPictures(const LetterSection& section, const std::filesystem::path& base_folder,
                          std::vector<PreflightItem>& items) {
  std::set<std::string> seen;
  for (const HtmlPictureSource& src : HtmlPictureSources(section.editor->body())) {
    const std::filesystem::path file = TextPicturePath(src.src, base_folder);
    std::error_code ec;
    if (file.empty() || std::filesystem::is_regular_file(file, ec) ||
        !seen.insert(src.src).second) {
      continue;
    }
    items.push_back({PreflightKind::kMissingPicture, section.control,
                     "The picture \"" + src.src + "\" in " + section.what +
                         " is not a file on this computer, so the page shows no picture there."});
  }
}

}  // namespace

std::vector<std::string> HiddenTagTexts(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t at = 0;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    std::size_t name_at = at + 1;
    if (name_at < text.size() && text[name_at] == '/') {
      ++name_at;
    }
    if (name_at >= text.size() || !IsAsciiLetter(text[name_at])) {
      ++at;
      continue;
    }
    std::size_t name_end = name_at;
    while (name_end < text.size() && !IsBlank(text[name_end]) && text[name_end] != '/' &&
           text[name_end] != '>') {
      ++name_end;
    }
    const std::size_t close = text.find('>', name_end);
    const std::size_t end = close == std::string_view::npos ? text.size() : close + 1;
    if (!IsHtmlElement(text.substr(name_at, name_end - name_at))) {
      pieces.emplace_back(text.substr(at, end - at));
    }
    at = end;
  }
  return pieces;
}

bool IsWebAddress(std::string_view text) {
  for (std::string_view scheme : {"http://", "https://", "ftp://", "data:"}) {
    if (StartsWithIgnoringCase(text, scheme)) {
      return true;
    }
  }
  return text.starts_with("//");
}

std::vector<PreflightItem> PreflightCheck(const LetterConfiguration& letter,
                                          std::string_view output_name,
                                          const std::filesystem::path& base_folder) {
  std::vector<PreflightItem> items;

  const Picture pictures[] = {
      {"header picture", "edtHeaderPicture", &letter.edtHeaderPicture},
      {"cover picture", "edtCoverPicture", &letter.edtCoverPicture},
      {"footer picture", "edtFooterPicture", &letter.edtFooterPicture},
  };
  for (const Picture& picture : pictures) {
    const std::string& typed = *picture.typed;
    if (typed.empty()) {
      continue;
    }
    if (LocalPictureFile(typed, base_folder).empty() && !IsWebAddress(typed)) {
      items.push_back({PreflightKind::kMissingPicture, picture.control,
                       "The " + std::string(picture.what) + " \"" + typed +
                           "\" is neither a file on this computer nor a web address, so the "
                           "page shows no picture there."});
    }
  }

  CheckHiddenText({"The full name", "edtFullName", letter.edtFullName}, items);
  CheckHiddenText({"The current date", "edtCurrentDate", letter.edtCurrentDate}, items);

  if (!HtmlBodyShowsAnything(letter.prfEditor1.body())) {
    items.push_back({PreflightKind::kEmptyHeadline, "prfEditor1", "The main headline is empty."});
  }
  CheckHiddenText({"The sub headline", "edtAttention", letter.edtAttention}, items);
  const auto sections = LetterSections(letter);
  for (std::size_t i = 0; i < 3; ++i) {  // steps 2 and 3
    CheckSectionPictures(sections[i], base_folder, items);
  }

  for (std::size_t i = 0; i < letter.FeatureList.size(); ++i) {
    const FeatureFields f = DecodeFeatureItem(letter.FeatureList[i]);
    const std::string n = std::to_string(i + 1);
    CheckHiddenText({"The title of feature " + n, "lbxFeatures", f.title}, items);
    CheckHiddenText({"The body of feature " + n, "lbxFeatures", f.body}, items);
  }
  for (std::size_t i = 0; i < letter.TestimonialList.size(); ++i) {
    const TestimonialFields t = DecodeTestimonialItem(letter.TestimonialList[i]);
    const std::string n = std::to_string(i + 1);
    CheckHiddenText({"The name of testimonial " + n, "lbxTestimonials", t.name}, items);
    CheckHiddenText({"The website of testimonial " + n, "lbxTestimonials", t.website}, items);
    CheckHiddenText({"The content of testimonial " + n, "lbxTestimonials", t.body}, items);
    if (!t.website.empty() && !IsAbsoluteAddress(t.website)) {
      items.push_back({PreflightKind::kRelativeWebsite, "lbxTestimonials",
                       "The website \"" + t.website + "\" of testimonial " + n +
                           " does not begin with \"https://\" or \"http://\", so its link "
                           "leads to a file beside the page instead of that website."});
    }
  }

  for (std::size_t i = 3; i < sections.size(); ++i) {  // step 6
    CheckSectionPictures(sections[i], base_folder, items);
  }

  if (IsBlankText(letter.edtDirectLink) && IsBlankText(letter.edtClickBankName) &&
      IsBlankText(letter.memPaypalCode)) {
    items.push_back({PreflightKind::kNoOrderOption, "edtDirectLink",
                     "The page offers no way to order: there is no direct link, no ClickBank "
                     "account and no PayPal code."});
  }

  if (output_name.empty()) {
    items.push_back(
        {PreflightKind::kNoOutputName, "edtFilename", "No output file name has been chosen yet."});
  } else if (!std::filesystem::path(std::string(output_name)).is_absolute()) {
    items.push_back({PreflightKind::kOutputWithoutFolder, "edtFilename",
                     "The output file name \"" + std::string(output_name) +
                         "\" names no folder of its own, so the page will be saved as \"" +
                         ResolveUserPath(output_name, base_folder).lexically_normal().string() +
                         "\"."});
  }
  return items;
}

}  // namespace wordlark
