// RenderLetter: template in, page text out, local pictures copied beside it.
#include "render/renderer.h"

#include <fstream>
#include <string_view>
#include <system_error>

#include "letter/list_items.h"
#include "render/catalogue.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/file_io.h"
#include "util/tagged_text.h"
#include "util/text.h"

namespace wordlark {
namespace {

// Replaces every occurrence of `placeholder` in `page` in one left-to-right
// pass; the page is left untouched (not even copied) when it holds none.
void Replace(std::string& page, std::string_view placeholder, std::string_view value) {
  std::size_t hit = page.find(placeholder);
  if (hit == std::string::npos) {
    return;
  }
  std::string out;
  out.reserve(page.size() + value.size());
  std::size_t start = 0;
  do {
    out.append(page, start, hit - start);
    out += value;
    start = hit + placeholder.size();
    hit = page.find(placeholder, start);
  } while (hit != std::string::npos);
  out.append(page, start);
  page = std::move(out);
}

constexpr std::string_view kOrderBlock =
    "<table style='BORDER-COLLAPSE: collapse' borderColor=#000000 cellSpacing=0 cellPadding=5 "
    "width=424 bgColor=#FFFFCC border=1>"
    "\t"
    "<tr><td align=middle width=412><form name=Form1 method=post><p><font face=arial "
    "color=#e60000><b>Check The Order Form!<br></b></font>"
    "\t\t"
    "   <br><input name=\"button\" type=button onclick=document.location='%%ORDERLINK%%' "
    "value='Click Here To Order Now!'><br><br>"
    "\t"
    "           <font face=Arial size=2><b>Don't miss this offer!</b></font> </form> "
    "</font></td></tr> </table>"
    "\t\t"
    "<br>";

constexpr std::string_view kClickBankBlockHead =
    "<table style='BORDER-COLLAPSE: collapse' borderColor=#000000 cellSpacing=0 cellPadding=5 "
    "width=424 bgColor=#FFFFCC border=1>   <tr> <td align=middle width=412><form name=Form1 "
    "method=post>  <p> <font face=arial color=#e60000><b>Order Using ClickBank!<br>   </b></font> "
    "<br> <input onclick=document.location='";
constexpr std::string_view kClickBankQuery = "%%CBNAME%%/%%PRODNAME%%/%%PRODDESC%%";
constexpr std::string_view kClickBankBlockTail =
    "' type=button value='Click Here To Pay With ClickBank!'><br> <br><font face=Arial "
    "size=2><b>Don't miss this offer!</b></font></form></font></td></tr></table>";

// The font pieces shared by a testimonial block and a feature line, from
// "face=" up to the opening quote of the colour.
struct ListStyle {
  std::string font_name;
  std::int32_t font_size;
  bool bold;
  bool underline;
  bool italic;
  ColorValue color;
};

std::string FontPieces(const ListStyle& s) {
  std::string text = "<font face=\"";
  text += s.font_name;
  text += "\" style=\"font-size: ";
  text += std::to_string(s.font_size);
  text += "px; font-style: ";
  text += s.italic ? "italic" : "normal";
  text += "; font-weight: ";
  text += s.bold ? "bold" : "normal";
  text += "; text-decoration:  ";
  text += s.underline ? "underline" : "normal";
  text += ";\" color=\"";
  text += ColorToHex(s.color);
  text += "\">";
  return text;
}

std::string TestimonialBlock(const LetterConfiguration& l) {
  std::string block =
      "<center><table border=1 cellpadding=5 cellspacing=0 style=\"border-collapse: collapse\" "
      "bordercolor=#111111 width=\"90%\" bgcolor=\"";
  block += ColorToHex(l.cbxTBgColor);
  block += "\">";
  block += "<tr>";
  block += "<td width=90%>";
  block +=
      FontPieces({l.cbxTName, l.cbxTSize, l.chkTBold, l.chkTUnderline, l.chkTItalic, l.cbxTColor});
  block += "%%TBODY%%<br><br>";
  block += "<b>%%TNAME%% <a target=\"_blank\" href=%%TWEB%%>%%TWEB%%</a></b></font></td>";
  block += "</tr>";
  block += "</table>";
  block += "</center>";
  return block;
}

std::string FeatureLine(const LetterConfiguration& l) {
  std::string line = "<li><p>";
  line +=
      FontPieces({l.cbxFName, l.cbxFSize, l.chkFBold, l.chkFUnderline, l.chkFItalic, l.cbxFColor});
  line += "%%FTITLE%% - %%FDESC%%</font></p></li>";
  return line;
}

std::string TestimonialsText(const LetterConfiguration& l) {
  if (l.TestimonialList.empty()) {
    return {};
  }
  const std::string block = TestimonialBlock(l);
  std::string text;
  text.reserve(l.TestimonialList.size() * (block.size() + 200));
  for (const std::string& item : l.TestimonialList) {
    const TestimonialFields t = DecodeTestimonialItem(item);
    std::string one = block;
    Replace(one, "%%TNAME%%", t.name);
    Replace(one, "%%TWEB%%", t.website);
    Replace(one, "%%TBODY%%", UnescapeLineBreaks(t.body, "<br>"));
    text += one;
    text += "<br>";
  }
  return text;
}

std::string FeaturesBlock(const LetterConfiguration& l) {
  const std::string line = FeatureLine(l);
  std::string text =
      "<center><table border=0 cellpadding=0 cellspacing=0 style=\"border-collapse: collapse\" "
      "bordercolor=#111111 width=\"90%\" bgcolor=\"";
  text += ColorToHex(l.cbxFBgColor);
  text += "\">";
  text += "<tr>";
  text += "<td width=90%><ul>";
  text.reserve(text.size() + l.FeatureList.size() * (line.size() + 100));
  for (const std::string& item : l.FeatureList) {
    const FeatureFields f = DecodeFeatureItem(item);
    std::string one = line;
    Replace(one, "%%FTITLE%%", f.title);
    Replace(one, "%%FDESC%%", UnescapeLineBreaks(f.body, "<br>"));
    text += one;
  }
  text += "</ul></td>";
  text += "</tr>";
  text += "</table>";
  text += "</center>";
  return text;
}

std::string SectionHtml(const EditorDocument& editor) {
  if (editor.GetBodyHtml() == kEmptyEditorBody) {
    return {};
  }
  return CleanEditorHtml(editor.GetHtml());
}

// A file name as it can stand in an unquoted src attribute and be read back
// as the same relative address: blanks, quotes and the characters that end
// the attribute or change the address are percent-encoded.
std::string FileNameReference(std::string_view name) {
  static constexpr std::string_view kEncoded = "\"'<>=`%#?&";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F || kEncoded.find(c) != std::string_view::npos) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

// True when both files exist and hold the same bytes.
bool SameContent(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(a, ec);
  if (ec || std::filesystem::file_size(b, ec) != size || ec) {
    return false;
  }
  try {
    return ReadFileBytes(a) == ReadFileBytes(b);
  } catch (const Error&) {
    return false;
  }
}

// Copies a picture over `target` without ever leaving a half-written file.
void CopyPicture(const std::filesystem::path& source, const std::filesystem::path& target) {
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    throw FileError("Cannot open file \"" + source.string() + "\".");
  }
  AtomicFile out(target);
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof buffer);
    out.Write(std::string_view(buffer, static_cast<std::size_t>(in.gcount())));
  }
  if (in.bad()) {
    throw FileError("Cannot read file \"" + source.string() + "\".");
  }
  out.Commit();
}

enum class PictureSlot { kHeader, kCover, kFooter };

// The picture's HTML; a local file is copied beside the output page first.
std::string PictureHtml(std::string_view typed, PictureSlot slot, const RenderContext& context,
                        RenderedLetter& result) {
  if (typed.empty()) {
    return {};
  }
  const std::filesystem::path source = LocalPictureFile(typed, context.base_folder);
  const bool local = !source.empty();
  std::string reference;
  if (local) {
    const std::string_view file_name = PictureFileName(typed);
    const std::filesystem::path target =
        ResolveUserPath(context.output_file, context.base_folder).parent_path() /
        std::string(file_name);
    // A picture that already is the file beside the page, or whose copy there
    // is up to date, is left alone.
    std::error_code ec;
    if (context.copy_pictures && !std::filesystem::equivalent(source, target, ec) &&
        !SameContent(source, target)) {
      try {
        CopyPicture(source, target);
      } catch (const Error& e) {
        result.failed_pictures.push_back({source, target, e.what()});
      }
    }
    result.local_pictures.push_back({std::string(file_name), source});
    reference = FileNameReference(file_name);
  } else {
    reference = typed;
  }
  std::string html = "<img border=0 src=";
  html += reference;
  switch (slot) {
    case PictureSlot::kHeader:
      html += "><br><br>";
      break;
    case PictureSlot::kCover:
      html += ">";
      break;
    case PictureSlot::kFooter:
      html += local ? ">" : "><br><br>";
      break;
  }
  return html;
}

}  // namespace

std::filesystem::path LocalPictureFile(std::string_view typed,
                                       const std::filesystem::path& base_folder) {
  if (typed.empty()) {
    return {};
  }
  std::filesystem::path source = ResolveUserPath(typed, base_folder);
  std::error_code ec;
  return std::filesystem::is_regular_file(source, ec) ? source : std::filesystem::path();
}

std::string_view PictureFileName(std::string_view typed) {
  const std::size_t slash = typed.rfind('/');
  return slash == std::string_view::npos ? typed : typed.substr(slash + 1);
}

std::string PictureProblem::Message() const {
  std::string text =
      "The picture \"" + source.string() + "\" could not be copied to \"" + target.string() + "\".";
  if (!reason.empty()) {
    text += ' ';
    text += reason;
  }
  return text;
}

RenderedLetter RenderLetter(const LetterConfiguration& l, const RenderContext& context) {
  RenderedLetter result;
  std::error_code ec;
  if (context.template_file.empty() ||
      !std::filesystem::is_regular_file(context.template_file, ec)) {
    return result;
  }
  result.template_found = true;
  std::string page = NormalizeLineBreaks(DecodeTextFile(ReadFileBytes(context.template_file)));

  Replace(page, "%%PAGETITLE%%", l.edtPageTitle);
  Replace(page, "%%HEADERPICTURE%%",
          PictureHtml(l.edtHeaderPicture, PictureSlot::kHeader, context, result));
  Replace(page, "%%ECOVERPICTURE%%",
          PictureHtml(l.edtCoverPicture, PictureSlot::kCover, context, result));
  Replace(page, "%%MAINBGCOLOR%%", ColorToHex(l.cbxMainBgColor));
  Replace(page, "%%FOOTERPICTURE%%",
          PictureHtml(l.edtFooterPicture, PictureSlot::kFooter, context, result));
  Replace(page, "%%ORDERHEADLINE%%", SectionHtml(l.prfEditor1));
  Replace(page, "%%FROMFULLNAME%%",
          l.edtFullName.empty()
              ? std::string()
              : "<font face=Arial size=2><b>From: </b>" + l.edtFullName + "</font>");
  Replace(page, "%%FULLNAME%%", l.edtFullName);
  Replace(page, "%%CURRENTDATE%%",
          l.edtCurrentDate.empty()
              ? std::string()
              : "<font face=Arial size=2><b>Current Date: </b>" + l.edtCurrentDate + "</font><br>");
  Replace(page, "%%ATTENTION%%", l.edtAttention);
  Replace(page, "%%OPENING%%", SectionHtml(l.prfEditor2));
  Replace(page, "%%INTRODUCTION%%", SectionHtml(l.prfEditor3));
  Replace(page, "%%CLOSING%%", SectionHtml(l.prfEditor10));
  Replace(page, "%%PS%%",
          l.prfEditor11.GetBodyHtml() == kEmptyEditorBody
              ? std::string()
              : "<b>P.S.- </b>" + CleanEditorHtml(l.prfEditor11.GetHtml()));
  {
    std::string order;
    if (!l.edtDirectLink.empty()) {
      order = kOrderBlock;
      Replace(order, "%%ORDERLINK%%", l.edtDirectLink);
    }
    Replace(page, "%%ORDERCODE%%", order);
  }
  {
    std::string clickbank;
    if (!l.edtClickBankName.empty()) {
      clickbank = kClickBankBlockHead;
      clickbank += kClickBankOrderAddress;
      clickbank += kClickBankQuery;
      clickbank += kClickBankBlockTail;
      Replace(clickbank, "%%PRODNAME%%", l.edtProductName);
      Replace(clickbank, "%%PRODDESC%%", l.edtDescription);
      Replace(clickbank, "%%CBNAME%%", l.edtClickBankName);
    }
    Replace(page, "%%CLICKBANKCODE%%", clickbank);
  }
  Replace(page, "%%PAYPALCODE%%", l.memPaypalCode);
  Replace(page, "%%AFFILIATEID%%", l.edtPaypalEmail);
  Replace(page, "%%TESTIMONIALS%%", TestimonialsText(l));
  if (!l.FeatureList.empty()) {
    Replace(page, "%%FEATURES%%", FeaturesBlock(l));
  }
  Replace(page, "%%TESTIMONIALS%%", "");
  Replace(page, "%%FEATURES%%", "");
  Replace(page, "%%HEADERPICTURE%%", "");
  Replace(page, "%%FOOTERPICTURE%%", "");

  result.page = std::move(page);
  return result;
}

}  // namespace wordlark
