// The letter renderer: fills a page template with a LetterConfiguration.
// Placeholders such as "%%PAGETITLE%%" are replaced one after another in a
// fixed order, each in the whole page as it stands at that moment, so text
// inserted early is searched by every later replacement. The features, the
// testimonials and the order blocks are built from fixed HTML fragments, and
// pictures picked from the local disk are copied beside the output page.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "letter/editor_document.h"
#include "letter/letter_configuration.h"

namespace wordlark {

struct RenderContext {
  // The template to fill; empty (or a path to nothing) when there is none.
  std::filesystem::path template_file;
  // The output file name as the user typed it; local pictures are copied into
  // its folder.
  std::string output_file;
  // Relative picture and output paths are resolved against this folder.
  std::filesystem::path base_folder;
  // False for a preview: the page is the same, but no picture is copied.
  bool copy_pictures = true;
};

// A picture from the local disk: the page names it by `name`, the file name
// it gets beside the page, and `source` is where it is now.
struct LocalPicture {
  std::string name;
  std::filesystem::path source;
};

// A local picture that the page refers to but that could not be copied beside
// it.
struct PictureProblem {
  std::filesystem::path source;
  std::filesystem::path target;
  std::string reason;

  // "The picture "SOURCE" could not be copied to "TARGET". REASON"
  std::string Message() const;
};

struct RenderedLetter {
  bool template_found = false;
  // The page as UTF-8 text, every template line ending in CR LF; empty when
  // the template was not found.
  std::string page;
  std::vector<PictureProblem> failed_pictures;
  // The local pictures the page refers to, in the order of the picture boxes.
  std::vector<LocalPicture> local_pictures;
};

// The file a typed picture names on this computer (relative names resolve
// against `base_folder`), or the empty path when it names no file there: a
// web address, a missing file, a folder.
std::filesystem::path LocalPictureFile(std::string_view typed,
                                       const std::filesystem::path& base_folder);

// The name a local picture gets beside the page: the typed path after its
// last slash.
std::string_view PictureFileName(std::string_view typed);

// Renders the letter. When the template is missing nothing else happens (no
// picture is copied). Throws FileError when the template exists but cannot
// be read.
RenderedLetter RenderLetter(const LetterConfiguration& letter, const RenderContext& context);

// The ClickBank order address, up to and including the "?" before the query.
inline constexpr const char* kClickBankOrderAddress = "http://www.clickbank.net/sell.cgi?";

}  // namespace wordlark
