// The generated page on disk, and the Finish step.
#include "render/output.h"

#include <optional>
#include <system_error>

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

std::string EmptyTemplateMessage(const std::filesystem::path& template_file) {
  return "The page template \"" + template_file.string() + "\" is empty, so no page was generated.";
}

std::string ReplacedSourceMessage(const std::filesystem::path& page_file,
                                  const std::vector<LetterSource>& sources) {
  for (const LetterSource& source : sources) {
    if (IsSameFile(page_file, source.file)) {
      return "The page would replace \"" + page_file.string() + "\", which is " + source.what +
             ". Please choose another output filename.";
    }
  }
  return {};
}

FinishOutcome FinishLetter(const LetterConfiguration& letter,
                           const std::filesystem::path& template_file, std::string_view output_name,
                           const std::filesystem::path& base_folder,
                           const std::filesystem::path& letter_file) {
  FinishOutcome outcome;
  if (output_name.empty()) {
    outcome.status = FinishStatus::kNoOutputName;
    outcome.message = kNoOutputNameMessage;
    return outcome;
  }
  outcome.page_file = ResolveUserPath(output_name, base_folder);

  RenderContext context{template_file, std::string(output_name), base_folder};
  context.letter_file = letter_file;
  if (std::string refused =
          ReplacedSourceMessage(outcome.page_file, LetterSources(letter, context));
      !refused.empty()) {
    outcome.status = FinishStatus::kRefused;
    outcome.message = std::move(refused);
    return outcome;
  }
  std::error_code ec;
  if (template_file.empty() || !std::filesystem::is_regular_file(template_file, ec)) {
    outcome.status = FinishStatus::kNoTemplate;
    outcome.message = kNoTemplateMessage;
    return outcome;
  }
  const auto write_failed = [&outcome](const Error& e) {
    outcome.status = FinishStatus::kWriteFailed;
    outcome.message = kCheckOutputNameMessage;
    outcome.detail = e.what();
    return outcome;
  };
  // The page's file is taken up before a picture is copied: a name that
  // cannot be written (a folder, a device, a file the user may not write, a
  // missing folder) stops Finish with nothing copied.
  std::optional<AtomicFile> out;
  try {
    out.emplace(outcome.page_file);
  } catch (const Error& e) {
    return write_failed(e);
  }
  RenderedLetter rendered;
  try {
    rendered = RenderLetter(letter, context);
  } catch (const PageTooLargeError& e) {
    outcome.status = FinishStatus::kRefused;
    outcome.message = e.what();
    return outcome;
  } catch (const Error& e) {
    outcome.status = FinishStatus::kNoTemplate;
    outcome.message = kNoTemplateMessage;
    outcome.detail = e.what();
    return outcome;
  }
  if (rendered.template_empty) {
    outcome.status = FinishStatus::kEmptyTemplate;
    outcome.message = EmptyTemplateMessage(template_file);
    return outcome;
  }
  outcome.failed_pictures = std::move(rendered.failed_pictures);
  if (rendered.page.empty()) {
    outcome.status = FinishStatus::kNoTemplate;
    outcome.message = kNoTemplateMessage;
    return outcome;
  }
  try {
    out->Write(PageFileBytes(rendered.page));
    out->Commit();
  } catch (const Error& e) {
    return write_failed(e);
  }
  outcome.status = FinishStatus::kSaved;
  outcome.message = std::string(kSavedMessagePrefix) + std::string(output_name);
  return outcome;
}

}  // namespace wordlark
