#include "render/preflight.h"

#include <system_error>

#include "letter/html_body.h"
#include "render/catalogue.h"
#include "render/renderer.h"
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

struct Picture {
  const char* what;
  const char* control;
  const std::string* typed;
};

}  // namespace

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

  if (!HtmlBodyShowsAnything(letter.prfEditor1.body())) {
    items.push_back({PreflightKind::kEmptyHeadline, "prfEditor1", "The main headline is empty."});
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
