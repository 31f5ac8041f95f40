// The renderer on arbitrary templates and letters. The input is a template's
// bytes, then a line "@@LETTER@@", then the bytes of a configuration file.
// Pictures are web addresses, so nothing is ever copied.
//
// Replacements run one after another over the whole page, and each one's
// value may hold placeholders of later steps, so a page may legitimately grow
// by a factor at every step. The bound checked here follows that rule: a step
// whose placeholder has p characters and whose value at most v turns a page
// of s characters into at most s + (s / p) * (v - p). Values are bounded by
// the letter's texts plus their fixed HTML; a page may not grow beyond that.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "letter/config_file.h"
#include "letter/list_items.h"
#include "render/renderer.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/tagged_text.h"

using wordlark::LetterConfiguration;
using wordlark::fuzz::Require;

namespace {

constexpr std::string_view kSeparator = "\n@@LETTER@@\n";
// Inputs whose bound is larger are skipped: their size is legitimate, and
// building them would only measure the allocator.
constexpr std::size_t kLargestChecked = std::size_t{32} << 20;
// Generous upper bounds of the fixed HTML around values.
constexpr std::size_t kFixedHtml = 1024;

std::filesystem::path g_folder;

std::size_t Grow(std::size_t page, std::size_t placeholder, std::size_t value) {
  if (value <= placeholder) {
    return page;
  }
  const std::size_t hits = page / placeholder;
  if (hits != 0 && (value - placeholder) > (std::size_t{1} << 40) / hits) {
    return std::size_t{1} << 40;  // far beyond anything checked
  }
  return std::min(page + hits * (value - placeholder), std::size_t{1} << 40);
}

std::size_t Grow(std::size_t page, std::string_view placeholder, std::size_t value) {
  return Grow(page, placeholder.size(), value);
}

std::size_t EditorBound(const wordlark::EditorDocument& editor) {
  return editor.GetHtml().size() + kFixedHtml;
}

std::size_t PageBound(std::size_t template_text, const LetterConfiguration& l) {
  std::size_t s = template_text;
  s = Grow(s, "%%PAGETITLE%%", l.edtPageTitle.size());
  s = Grow(s, "%%HEADERPICTURE%%", l.edtHeaderPicture.size() + kFixedHtml);
  s = Grow(s, "%%ECOVERPICTURE%%", l.edtCoverPicture.size() + kFixedHtml);
  s = Grow(s, "%%MAINBGCOLOR%%", 7);
  s = Grow(s, "%%FOOTERPICTURE%%", l.edtFooterPicture.size() + kFixedHtml);
  s = Grow(s, "%%ORDERHEADLINE%%", EditorBound(l.prfEditor1));
  s = Grow(s, "%%FROMFULLNAME%%", l.edtFullName.size() + kFixedHtml);
  s = Grow(s, "%%FULLNAME%%", l.edtFullName.size());
  s = Grow(s, "%%CURRENTDATE%%", l.edtCurrentDate.size() + kFixedHtml);
  s = Grow(s, "%%ATTENTION%%", l.edtAttention.size());
  s = Grow(s, "%%OPENING%%", EditorBound(l.prfEditor2));
  s = Grow(s, "%%INTRODUCTION%%", EditorBound(l.prfEditor3));
  s = Grow(s, "%%CLOSING%%", EditorBound(l.prfEditor10));
  s = Grow(s, "%%PS%%", EditorBound(l.prfEditor11));

  std::size_t order = kFixedHtml;
  order = Grow(order, "%%ORDERLINK%%", l.edtDirectLink.size());
  s = Grow(s, "%%ORDERCODE%%", order);

  std::size_t clickbank = kFixedHtml;
  clickbank = Grow(clickbank, "%%PRODNAME%%", l.edtProductName.size());
  clickbank = Grow(clickbank, "%%PRODDESC%%", l.edtDescription.size());
  clickbank = Grow(clickbank, "%%CBNAME%%", l.edtClickBankName.size());
  s = Grow(s, "%%CLICKBANKCODE%%", clickbank);

  s = Grow(s, "%%PAYPALCODE%%", l.memPaypalCode.size());
  s = Grow(s, "%%AFFILIATEID%%", l.edtPaypalEmail.size());

  // A testimonial's or feature's fields are pieces of its entry; "$$" in a
  // body becomes "<br>", at most doubling it.
  std::size_t testimonials = 0;
  for (const std::string& item : l.TestimonialList) {
    std::size_t block = kFixedHtml + l.cbxTName.size();
    block = Grow(block, "%%TNAME%%", item.size());
    block = Grow(block, "%%TWEB%%", item.size());
    block = Grow(block, "%%TBODY%%", 2 * item.size());
    testimonials += block + kFixedHtml;
  }
  s = Grow(s, "%%TESTIMONIALS%%", testimonials);

  std::size_t features = kFixedHtml;
  for (const std::string& item : l.FeatureList) {
    std::size_t line = kFixedHtml + l.cbxFName.size();
    line = Grow(line, "%%FTITLE%%", item.size());
    line = Grow(line, "%%FDESC%%", 2 * item.size());
    features += line;
  }
  s = Grow(s, "%%FEATURES%%", features);
  return s;
}

// A typed picture that names no file: the page refers to it as typed.
void AsWebAddress(std::string& picture) {
  if (!picture.empty()) {
    picture = "http://pictures.invalid/" + picture;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/wordlark-render-fuzz-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::abort();
  }
  g_folder = pattern;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [template_bytes, letter_bytes] =
      wordlark::fuzz::SplitOnce(wordlark::fuzz::AsText(data, size), kSeparator);

  LetterConfiguration letter;
  try {
    letter = wordlark::ParseConfiguration(wordlark::TaggedTextFromBytes(letter_bytes));
  } catch (const wordlark::ConvertError&) {
    return 0;
  }
  AsWebAddress(letter.edtHeaderPicture);
  AsWebAddress(letter.edtCoverPicture);
  AsWebAddress(letter.edtFooterPicture);

  const std::string template_text =
      wordlark::NormalizeLineBreaks(wordlark::DecodeTextFile(template_bytes));
  const std::size_t bound = PageBound(template_text.size(), letter);
  if (bound > kLargestChecked) {
    return 0;
  }

  // A plain write: the atomic one flushes to disk on every run.
  const std::filesystem::path template_file = g_folder / "letter.tem";
  {
    std::ofstream out(template_file, std::ios::binary | std::ios::trunc);
    out.write(template_bytes.data(), static_cast<std::streamsize>(template_bytes.size()));
    Require(static_cast<bool>(out.flush()));
  }
  const wordlark::RenderContext context{template_file, "out.html", g_folder};
  const wordlark::RenderedLetter rendered = wordlark::RenderLetter(letter, context);

  Require(rendered.template_found);
  Require(rendered.failed_pictures.empty());
  Require(rendered.page.size() <= bound);
  // No placeholder holds a line break, so the template's last one stays last.
  Require(template_text.empty() ? rendered.page.empty() : rendered.page.ends_with("\r\n"));
  return 0;
}
