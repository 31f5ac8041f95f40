// The generated page on disk, and the Finish step.
#include "render/output.h"

#include "render/catalogue.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/file_io.h"
#include "util/tagged_text.h"

namespace wordlark {

std::string PageFileBytes(std::string_view page) {
  return Utf8ToCp1252Html(NormalizeLineBreaks(page));
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
