// The checks shown beside the page preview before Finish: things that make a
// page that works less well than the user probably expects. None of them
// stops Finish.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "letter/letter_configuration.h"

namespace wordlark {

enum class PreflightKind {
  kMissingPicture,       // a picture that is neither a file nor a web address, or a
                         // picture in a section that names a file that is not there
  kEmptyHeadline,        // the main headline shows nothing
  kHiddenText,           // a plain-text value holds a "<" that the page takes for markup
  kRelativeWebsite,      // a testimonial's website without a scheme: a link beside the page
  kNoOrderOption,        // no direct link, no ClickBank account, no PayPal code
  kNoOutputName,         // no output file name yet
  kOutputWithoutFolder,  // a relative name: the page lands in the templates folder
};

struct PreflightItem {
  PreflightKind kind;
  // The control the item is about (its object name), so the window can lead
  // the user there.
  std::string control;
  std::string message;
};

// True for what a browser fetches from elsewhere: http, https and ftp
// addresses, protocol-relative "//host/..." and data: addresses.
bool IsWebAddress(std::string_view text);

// The pieces of a text that a browser reads as a tag of no HTML element and
// so does not show: from a "<" that opens a start or end tag of an unknown
// name ("<Highly>", "</x>") to its ">" (or to the end of the text, all of
// which then goes). Tags of HTML elements, comments and a "<" that opens no
// tag ("a < b", "<3") are shown or meant, so they are not listed.
std::vector<std::string> HiddenTagTexts(std::string_view text);

// The items for the letter as it stands, in the order of the wizard's steps.
// Relative picture paths and the output name resolve against `base_folder`.
std::vector<PreflightItem> PreflightCheck(const LetterConfiguration& letter,
                                          std::string_view output_name,
                                          const std::filesystem::path& base_folder);

}  // namespace wordlark
