// Pictures inside the HTML of the rich-text sections: where their addresses
// stand in the text, and which of them are files on this computer that go
// beside the page as the three picture boxes' files do.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "letter/editor_document.h"
#include "letter/letter_configuration.h"

namespace wordlark {

// The src attribute of one <img> element of an HTML text.
struct HtmlPictureSource {
  // Where the attribute's value stands in the text, without its quotes.
  std::size_t begin = 0;
  std::size_t end = 0;
  // The value as a browser reads it: character references decoded, blanks
  // around it dropped.
  std::string src;
};

// The src attributes of the <img> elements of `html`, in text order. Tag and
// attribute names match in any ASCII letter case; values may be in double or
// single quotes or none; an element's first src counts. Comments, the
// content of script, style, textarea and title elements, and text inside
// other tags' quoted values are not searched, and a tag cut off by the end
// of the text is no element.
std::vector<HtmlPictureSource> HtmlPictureSources(std::string_view html);

// The file a picture's src names on this computer, whether or not a file is
// there: a file: address (on no host or "localhost", percent-decoded, without
// query or fragment) or a path (a relative one resolved against
// `base_folder`; when no file is there and the path holds percent escapes,
// the decoded path when a file is there). The empty path for everything
// else: an empty src, a web address ("http:", "//host/..."), a data: address
// or an address of any other scheme.
std::filesystem::path TextPicturePath(std::string_view src,
                                      const std::filesystem::path& base_folder);

// A rich-text section of the letter, and how the user knows it.
struct LetterSection {
  const EditorDocument* editor;
  const char* control;  // "prfEditor3"
  const char* what;     // "the product introduction"
};

// The five sections in the order of the wizard's steps.
std::array<LetterSection, 5> LetterSections(const LetterConfiguration& letter);

}  // namespace wordlark
