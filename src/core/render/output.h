// Writing the generated page, and the Finish step of the wizard as one call:
// check the output name, render, write, and say what happened.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "letter/letter_configuration.h"
#include "render/renderer.h"

namespace wordlark {

inline constexpr const char* kNoOutputNameMessage =
    "Please select a location where you want to save your output file.";
inline constexpr const char* kSavedMessagePrefix = "You have successfully saved your file as:";
inline constexpr const char* kCheckOutputNameMessage = "Please check the output filename!";
inline constexpr const char* kNoTemplateMessage =
    "No page template was found, so no page was generated.";

// "The page template "PATH" is empty, so no page was generated."
std::string EmptyTemplateMessage(const std::filesystem::path& template_file);

// The bytes of the page file: windows-1252 with CR LF after every line, the
// last included; a character windows-1252 lacks is written as "&#N;".
std::string PageFileBytes(std::string_view page);

// Writes the page, replacing an existing file atomically. Throws FileError.
void WritePage(const std::filesystem::path& path, std::string_view page);

enum class FinishStatus {
  kNoOutputName,   // nothing rendered, nothing copied
  kNoTemplate,     // no template: nothing written
  kEmptyTemplate,  // the template holds nothing: nothing copied, nothing written
  kSaved,
  kWriteFailed,  // the page could not be written; copied pictures stay
  kRefused,      // the page would replace a file the letter is made from, or
                 // would be too large: nothing copied, nothing written
};

struct FinishOutcome {
  FinishStatus status = FinishStatus::kNoOutputName;
  // The text to show: the warning, the success message with the output name
  // as typed, or the error.
  std::string message;
  // Why the template could not be read or the page written, when it failed.
  std::string detail;
  // Where the page went (the output name resolved against the base folder).
  std::filesystem::path page_file;
  // Local pictures the page refers to that could not be copied beside it.
  std::vector<PictureProblem> failed_pictures;
};

// The message when the page would replace one of the letter's sources (its
// own file, the template, a picture), or the empty text when it would not:
// "The page would replace "PATH", which is the letter's own file. ..."
std::string ReplacedSourceMessage(const std::filesystem::path& page_file,
                                  const std::vector<LetterSource>& sources);

// The whole Finish step: an empty output name is refused; otherwise the
// letter is rendered from `template_file` (empty when the catalogue is
// empty), local pictures are copied beside the page, and the page is written
// under the output name exactly as typed (no extension added). Relative names
// resolve against `base_folder`. `letter_file` is the configuration file the
// letter came from, when it has one.
//
// Refused (kRefused, the message says why, nothing copied or written): an
// output name that is the letter's file, the template or one of its pictures,
// and a page that would be larger than kMaxPageSize.
FinishOutcome FinishLetter(const LetterConfiguration& letter,
                           const std::filesystem::path& template_file, std::string_view output_name,
                           const std::filesystem::path& base_folder,
                           const std::filesystem::path& letter_file = {});

}  // namespace wordlark
