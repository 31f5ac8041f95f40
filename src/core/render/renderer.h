// The letter renderer: fills a page template with a LetterConfiguration.
// Placeholders such as "%%PAGETITLE%%" are replaced one after another in a
// fixed order, each in the whole page as it stands at that moment, so text
// inserted early is searched by every later replacement. The features, the
// testimonials and the order blocks are built from fixed HTML fragments, and
// pictures picked from the local disk, in the picture boxes or inside the
// rich-text sections, are copied beside the output page.
//
// The page never grows past a bound: each replacement's result is measured
// before it is made, so a letter whose texts hold placeholders that multiply
// each other fails at once instead of filling the memory.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "letter/editor_document.h"
#include "letter/letter_configuration.h"
#include "util/error.h"
#include "util/file_io.h"

namespace wordlark {

// The most a template, a picture that is copied, and the page (as UTF-8 text)
// may hold.
inline constexpr std::uint64_t kMaxTemplateFileSize = 64 * kMiB;
inline constexpr std::uint64_t kMaxPictureFileSize = 256 * kMiB;
inline constexpr std::size_t kMaxPageSize = 64 * kMiB;

// The page would grow past the bound. The message begins "The page would be
// larger than 64 MiB".
class PageTooLargeError : public Error {
 public:
  explicit PageTooLargeError(std::size_t limit);
};

// Another thread asked the render to stop (see RenderContext::cancel).
class RenderCancelled : public Error {
 public:
  RenderCancelled();
};

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
  // The configuration file the letter was loaded from, when it has one: no
  // picture copy ever lands on it.
  std::filesystem::path letter_file = {};
  // The bound of the page text; RenderLetter throws PageTooLargeError past it.
  std::size_t max_page_size = kMaxPageSize;
  // When set, another thread may set it to stop the render: it is looked at
  // between placeholder replacements and list entries, and RenderLetter then
  // throws RenderCancelled (nothing is copied).
  const std::atomic<bool>* cancel = nullptr;
};

// A picture from the local disk: the page names it by `name`, the file name
// it gets beside the page, and `source` is where it is now. It is named in a
// picture box, or by the src of an <img> in a rich-text section (a path or a
// file: address; see TextPicturePath), whose src in the page becomes the
// name.
//
// The name is the picture's own file name unless that would put two pictures
// on one file or a copy on a file the letter is made from: then "logo-2.jpg",
// "logo-3.jpg", ... A picture that already is the file beside the page keeps
// its name and is used in place, and one file used several times is one
// picture. The boxes are named first, then the sections' pictures in the
// order of the wizard's steps. The names depend only on the letter and its
// files, so rendering twice gives the same names.
struct LocalPicture {
  std::string name;
  std::filesystem::path source;
};

// A local picture that the page refers to but that could not be copied beside
// it; for a picture in a section, also one whose file is not there.
struct PictureProblem {
  std::filesystem::path source;
  std::filesystem::path target;
  std::string reason;

  // "The picture "SOURCE" could not be copied to "TARGET". REASON"
  std::string Message() const;
};

struct RenderedLetter {
  bool template_found = false;
  // The template holds nothing but blanks and line breaks: no page is made
  // and no picture is copied.
  bool template_empty = false;
  // The page as UTF-8 text, every template line ending in CR LF; empty when
  // the template was not found.
  std::string page;
  std::vector<PictureProblem> failed_pictures;
  // The local pictures the page refers to: those of the picture boxes in their
  // order, then each file the sections' pictures name once.
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

// A file the letter is made from, and what it is to the letter ("the
// letter's own file", "the template", "the header picture", ...).
struct LetterSource {
  std::filesystem::path file;
  std::string what;
};

// The letter's file (when the context names one), the template and the local
// pictures, those in the sections included.
std::vector<LetterSource> LetterSources(const LetterConfiguration& letter,
                                        const RenderContext& context);

// Renders the letter. When the template is missing or empty nothing else
// happens (no picture is copied). Throws FileError when the template exists but cannot
// be read (or is larger than kMaxTemplateFileSize), and PageTooLargeError when
// the page would grow past context.max_page_size, and RenderCancelled when
// context.cancel was set; pictures are copied only once the page has been
// made, so then nothing is copied either.
RenderedLetter RenderLetter(const LetterConfiguration& letter, const RenderContext& context);

// The ClickBank order address, up to and including the "?" before the query.
inline constexpr const char* kClickBankOrderAddress = "http://www.clickbank.net/sell.cgi?";

}  // namespace wordlark
