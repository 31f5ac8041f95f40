// The generated page on disk, and the Finish step.
#include "render/output.h"

#include "render/catalogue.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/file_io.h"

namespace wordlark {

// The same bytes as Utf8ToCp1252Html(NormalizeLineBreaks(page)) in a single
// pass: runs of plain ASCII are copied as they stand, line breaks become CR LF
// and runs of other bytes go through the code page conversion.
std::string PageFileBytes(std::string_view page) {
  std::string out;
  if (page.empty()) {
    return out;
  }
  out.reserve(page.size() + page.size() / 32 + 2);
  const auto plain = [](char c) {
    return c != '\r' && c != '\n' && static_cast<unsigned char>(c) < 0x80;
  };
  std::size_t i = 0;
  while (i < page.size()) {
    std::size_t j = i;
    while (j < page.size() && plain(page[j])) {
      ++j;
    }
    out.append(page, i, j - i);
    if (j == page.size()) {
      break;
    }
    if (page[j] == '\r' || page[j] == '\n') {
      out += "\r\n";
      i = j + ((page[j] == '\r' && j + 1 < page.size() && page[j + 1] == '\n') ? 2 : 1);
    } else {
      std::size_t k = j;
      while (k < page.size() && static_cast<unsigned char>(page[k]) >= 0x80) {
        ++k;
      }
      out += Utf8ToCp1252Html(page.substr(j, k - j));
      i = k;
    }
  }
  if (!out.ends_with("\r\n")) {
    out += "\r\n";
  }
  return out;
}

void WritePage(const std::filesystem::path& path, std::string_view page) {
  WriteFileAtomic(path, PageFileBytes(page));
}

FinishOutcome FinishLetter(const LetterConfiguration& letter,
                           const std::filesystem::path& template_file, std::string_view output_name,
                           const std::filesystem::path& base_folder) {
  FinishOutcome outcome;
  if (output_name.empty()) {
    outcome.status = FinishStatus::kNoOutputName;
    outcome.message = kNoOutputNameMessage;
    return outcome;
  }
  outcome.page_file = ResolveUserPath(output_name, base_folder);

  RenderContext context{template_file, std::string(output_name), base_folder};
  RenderedLetter rendered;
  try {
    rendered = RenderLetter(letter, context);
  } catch (const Error& e) {
    outcome.status = FinishStatus::kNoTemplate;
    outcome.message = kNoTemplateMessage;
    outcome.detail = e.what();
    return outcome;
  }
  outcome.failed_pictures = std::move(rendered.failed_pictures);
  if (rendered.page.empty()) {
    outcome.status = FinishStatus::kNoTemplate;
    outcome.message = kNoTemplateMessage;
    return outcome;
  }

  try {
    WritePage(outcome.page_file, rendered.page);
  } catch (const Error& e) {
    outcome.status = FinishStatus::kWriteFailed;
    outcome.message = kCheckOutputNameMessage;
    outcome.detail = e.what();
    return outcome;
  }
  outcome.status = FinishStatus::kSaved;
  outcome.message = std::string(kSavedMessagePrefix) + std::string(output_name);
  return outcome;
}

}  // namespace wordlark
