// RenderLetter: template in, page text out, local pictures copied beside it.
#include "render/renderer.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#include "letter/list_items.h"
#include "render/catalogue.h"
#include "render/text_pictures.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/file_io.h"
#include "util/tagged_text.h"
#include "util/text.h"

namespace wordlark {
namespace {

// Replaces every occurrence of `placeholder` in `text` in one left-to-right
// pass; the text is left untouched (not even copied) when it holds none. The
// result's size is known before it is built: past `limit` (which the text
// itself does not exceed) nothing is built and PageTooLargeError is thrown.
void Replace(std::string& text, std::string_view placeholder, std::string_view value,
             std::size_t limit) {
  std::size_t hit = text.find(placeholder);
  if (hit == std::string::npos) {
    return;
  }
  std::size_t hits = 0;
  for (std::size_t at = hit; at != std::string::npos;
       at = text.find(placeholder, at + placeholder.size())) {
    ++hits;
  }
  const std::size_t size = text.size();
  if (value.size() > placeholder.size()) {
    const std::size_t growth = value.size() - placeholder.size();
    if (size > limit || hits > (limit - size) / growth) {
      throw PageTooLargeError(limit);
    }
  }
  std::string out;
  out.reserve(size - hits * placeholder.size() + hits * value.size());
  std::size_t start = 0;
  do {
    out.append(text, start, hit - start);
    out += value;
    start = hit + placeholder.size();
    hit = text.find(placeholder, start);
  } while (hit != std::string::npos);
  out.append(text, start);
  text = std::move(out);
}

// Stops a render that another thread no longer wants.
void StopIfCancelled(const std::atomic<bool>* cancel) {
  if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
    throw RenderCancelled();
  }
}

// Appends `piece` to a text that is to stay within `limit`.
void AppendWithin(std::string& text, std::string_view piece, std::size_t limit) {
  if (piece.size() > limit || text.size() > limit - piece.size()) {
    throw PageTooLargeError(limit);
  }
  text += piece;
}

// The page as it is being filled, never past its bound.
class PageText {
 public:
  PageText(std::string text, std::size_t limit, const std::atomic<bool>* cancel)
      : text_(std::move(text)), limit_(limit), cancel_(cancel) {
    if (text_.size() > limit_) {
      throw PageTooLargeError(limit_);
    }
  }

  void Replace(std::string_view placeholder, std::string_view value) {
    StopIfCancelled(cancel_);
    wordlark::Replace(text_, placeholder, value, limit_);
  }

  // The value is made only when the page holds the placeholder.
  template <typename Make>
  void ReplaceWith(std::string_view placeholder, Make make) {
    StopIfCancelled(cancel_);
    if (text_.find(placeholder) != std::string::npos) {
      Replace(placeholder, make());
    }
  }

  std::size_t limit() const { return limit_; }
  const std::atomic<bool>* cancel() const { return cancel_; }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  std::size_t limit_;
  const std::atomic<bool>* cancel_;
};

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

std::string TestimonialsText(const LetterConfiguration& l, std::size_t limit,
                             const std::atomic<bool>* cancel) {
  if (l.TestimonialList.empty()) {
    return {};
  }
  const std::string block = TestimonialBlock(l);
  std::string text;
  text.reserve(std::min(limit, l.TestimonialList.size() * (block.size() + 200)));
  for (const std::string& item : l.TestimonialList) {
    StopIfCancelled(cancel);
    const TestimonialFields t = DecodeTestimonialItem(item);
    std::string one = block;
    Replace(one, "%%TNAME%%", t.name, limit);
    Replace(one, "%%TWEB%%", t.website, limit);
    Replace(one, "%%TBODY%%", UnescapeLineBreaks(t.body, "<br>"), limit);
    AppendWithin(text, one, limit);
    AppendWithin(text, "<br>", limit);
  }
  return text;
}

std::string FeaturesBlock(const LetterConfiguration& l, std::size_t limit,
                          const std::atomic<bool>* cancel) {
  const std::string line = FeatureLine(l);
  std::string text =
      "<center><table border=0 cellpadding=0 cellspacing=0 style=\"border-collapse: collapse\" "
      "bordercolor=#111111 width=\"90%\" bgcolor=\"";
  text += ColorToHex(l.cbxFBgColor);
  text += "\">";
  text += "<tr>";
  text += "<td width=90%><ul>";
  text.reserve(std::min(limit, text.size() + l.FeatureList.size() * (line.size() + 100)));
  for (const std::string& item : l.FeatureList) {
    StopIfCancelled(cancel);
    const FeatureFields f = DecodeFeatureItem(item);
    std::string one = line;
    Replace(one, "%%FTITLE%%", f.title, limit);
    Replace(one, "%%FDESC%%", UnescapeLineBreaks(f.body, "<br>"), limit);
    AppendWithin(text, one, limit);
  }
  AppendWithin(text, "</ul></td></tr></table></center>", limit);
  return text;
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

// True when both are regular files that hold the same bytes.
bool SameContent(const std::filesystem::path& a, const std::filesystem::path& b) {
  if (!IsRegularFileWithin(b, kMaxPictureFileSize)) {
    return false;
  }
  try {
    InputFile fa(a, kMaxPictureFileSize);
    InputFile fb(b, kMaxPictureFileSize);
    if (fa.size() != fb.size()) {
      return false;
    }
    std::vector<char> ba(64 * 1024);
    std::vector<char> bb(ba.size());
    for (;;) {
      const std::size_t na = fa.Read(ba.data(), ba.size());
      const std::size_t nb = fb.Read(bb.data(), bb.size());
      if (na != nb ||
          !std::equal(ba.begin(), ba.begin() + static_cast<std::ptrdiff_t>(na), bb.begin())) {
        return false;
      }
      if (na < ba.size()) {
        return true;
      }
    }
  } catch (const Error&) {
    return false;
  }
}

enum class PictureSlot { kHeader, kCover, kFooter };

constexpr std::size_t kPictureSlots = 3;

// Where a local picture goes beside the page.
struct PlannedPicture {
  std::filesystem::path source;  // empty: not a local picture
  std::string own_name;          // the file name it has where it is
  std::string name;              // its file name beside the page
  std::filesystem::path target;  // the file of that name beside the page
  bool in_place = false;         // the source already is that file
  bool copy = false;             // the first use of this picture copies it
};

// A picture in a section's HTML that goes beside the page: where its src
// value stands, and which planned picture it is.
struct TextPictureUse {
  std::size_t begin;
  std::size_t end;
  std::size_t picture;
};

struct PicturePlan {
  // The three boxes first (an empty source where a box names no file), then
  // the files the sections' pictures name, each once, as they are met.
  std::vector<PlannedPicture> pictures;
  std::array<std::vector<TextPictureUse>, 5> sections;
  // Pictures of the sections that name a local file that is not there, each
  // once.
  std::vector<std::filesystem::path> missing;
};

std::array<const std::string*, kPictureSlots> TypedPictures(const LetterConfiguration& l) {
  return {&l.edtHeaderPicture, &l.edtCoverPicture, &l.edtFooterPicture};
}

// "logo.jpg" numbered n: "logo-2.jpg"; a name without extension gets the
// number at its end.
std::string NumberedName(std::string_view name, int n) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) {
    dot = name.size();
  }
  std::string numbered(name.substr(0, dot));
  numbered += '-';
  numbered += std::to_string(n);
  numbered += name.substr(dot);
  return numbered;
}

// A file as the file system knows it, whatever the path it is reached by.
using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> IdOf(const std::filesystem::path& file) {
  struct stat s {};
  if (file.empty() || stat(file.c_str(), &s) != 0) {
    return std::nullopt;
  }
  return FileId{s.st_dev, s.st_ino};
}

// The files the sections' pictures name, and where their src values stand.
void CollectTextPictures(const LetterConfiguration& l, const RenderContext& context,
                         PicturePlan& plan) {
  std::map<std::string, std::size_t> planned;  // a path met before: its picture
  std::set<std::string> missing;
  const auto sections = LetterSections(l);
  for (std::size_t s = 0; s < sections.size(); ++s) {
    StopIfCancelled(context.cancel);
    for (const HtmlPictureSource& src : HtmlPictureSources(sections[s].editor->body())) {
      std::filesystem::path path = TextPicturePath(src.src, context.base_folder);
      if (path.empty()) {
        continue;  // a web or data: address: the page keeps it
      }
      const std::string key = path.string();
      auto found = planned.find(key);
      if (found == planned.end()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
          if (missing.insert(key).second) {
            plan.missing.push_back(std::move(path));
          }
          continue;
        }
        PlannedPicture picture;
        picture.own_name = path.filename().string();
        picture.source = std::move(path);
        plan.pictures.push_back(std::move(picture));
        found = planned.emplace(key, plan.pictures.size() - 1).first;
      }
      plan.sections[s].push_back({src.begin, src.end, found->second});
    }
  }
}

// The names of the local pictures beside the page (see LocalPicture).
PicturePlan PlanPictures(const LetterConfiguration& l, const RenderContext& context) {
  const std::filesystem::path page = ResolveUserPath(context.output_file, context.base_folder);
  const std::filesystem::path folder = page.parent_path();
  const std::string page_name = page.filename().string();
  const auto typed = TypedPictures(l);

  PicturePlan plan;
  plan.pictures.resize(kPictureSlots);
  for (std::size_t i = 0; i < kPictureSlots; ++i) {
    plan.pictures[i].source = LocalPictureFile(*typed[i], context.base_folder);
    plan.pictures[i].own_name = PictureFileName(*typed[i]);
  }
  CollectTextPictures(l, context, plan);

  std::set<FileId> sources;
  for (const auto& file : {context.letter_file, context.template_file}) {
    if (const auto id = IdOf(file)) {
      sources.insert(*id);
    }
  }
  std::vector<std::optional<FileId>> ids;
  for (const PlannedPicture& picture : plan.pictures) {
    ids.push_back(IdOf(picture.source));
    if (ids.back()) {
      sources.insert(*ids.back());
    }
  }
  const auto is_source = [&](const std::filesystem::path& file) {
    const auto id = IdOf(file);
    return id && sources.contains(*id);
  };

  std::map<FileId, std::size_t> first_use;  // a file planned before: its picture
  std::set<std::string> taken;
  for (std::size_t i = 0; i < plan.pictures.size(); ++i) {
    PlannedPicture& picture = plan.pictures[i];
    if (picture.source.empty()) {
      continue;
    }
    // The same picture used twice is one file beside the page.
    if (ids[i]) {
      const auto [seen, first] = first_use.emplace(*ids[i], i);
      if (!first) {
        const PlannedPicture& earlier = plan.pictures[seen->second];
        picture.name = earlier.name;
        picture.target = earlier.target;
        picture.in_place = earlier.in_place;
        continue;
      }
    }
    const std::string& own = picture.own_name;
    if (ids[i] && IdOf(folder / own) == ids[i]) {
      picture.name = own;
      picture.in_place = true;
    } else {
      for (int n = 1;; ++n) {
        std::string candidate = n == 1 ? own : NumberedName(own, n);
        if (candidate != page_name && !taken.contains(candidate) &&
            !is_source(folder / candidate)) {
          picture.name = std::move(candidate);
          break;
        }
      }
      picture.copy = true;
    }
    taken.insert(picture.name);
    picture.target = folder / picture.name;
  }
  return plan;
}

// The picture's HTML as the page refers to it.
std::string PictureHtml(std::string_view typed, PictureSlot slot, const PlannedPicture& picture) {
  if (typed.empty()) {
    return {};
  }
  const bool local = !picture.source.empty();
  std::string html = "<img border=0 src=";
  html += local ? FileNameReference(picture.name) : std::string(typed);
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

// A section's content with the addresses of its local pictures replaced by
// their names beside the page; everything else as it stands.
std::string SectionBody(const EditorDocument& editor, const std::vector<TextPictureUse>& uses,
                        const PicturePlan& plan) {
  const std::string& body = editor.body();
  if (uses.empty()) {
    return body;
  }
  std::string out;
  out.reserve(body.size());
  std::size_t at = 0;
  for (const TextPictureUse& use : uses) {
    out.append(body, at, use.begin - at);
    out += FileNameReference(plan.pictures[use.picture].name);
    at = use.end;
  }
  out.append(body, at);
  return out;
}

std::string SectionHtml(const EditorDocument& editor, const std::vector<TextPictureUse>& uses,
                        const PicturePlan& plan) {
  if (editor.GetBodyHtml() == kEmptyEditorBody) {
    return {};
  }
  return CleanEditorHtml(EditorDocumentHtml(SectionBody(editor, uses, plan)));
}

// Copies the pictures beside the page; a copy that is already up to date is
// left alone.
void CopyPictures(const PicturePlan& plan, RenderedLetter& result) {
  for (const PlannedPicture& picture : plan.pictures) {
    if (!picture.copy || SameContent(picture.source, picture.target)) {
      continue;
    }
    try {
      CopyFileAtomic(picture.source, picture.target, kMaxPictureFileSize);
    } catch (const Error& e) {
      result.failed_pictures.push_back({picture.source, picture.target, e.what()});
    }
  }
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

PageTooLargeError::PageTooLargeError(std::size_t limit)
    : Error("The page would be larger than " + SizeText(limit) +
            ", so it was not made. Look for texts of the letter that hold placeholders such "
            "as %%FULLNAME%%: each one repeats another text in the page.") {}

RenderCancelled::RenderCancelled() : Error("The page was not made: it was no longer wanted.") {}

std::vector<LetterSource> LetterSources(const LetterConfiguration& l,
                                        const RenderContext& context) {
  std::vector<LetterSource> sources;
  if (!context.letter_file.empty()) {
    sources.push_back({context.letter_file, "the letter's own file"});
  }
  if (!context.template_file.empty()) {
    sources.push_back({context.template_file, "the template the page is made from"});
  }
  const char* what[kPictureSlots] = {"the header picture", "the cover picture",
                                     "the footer picture"};
  const auto typed = TypedPictures(l);
  for (std::size_t i = 0; i < kPictureSlots; ++i) {
    std::filesystem::path file = LocalPictureFile(*typed[i], context.base_folder);
    if (!file.empty()) {
      sources.push_back({std::move(file), what[i]});
    }
  }
  for (const LetterSection& section : LetterSections(l)) {
    for (const HtmlPictureSource& src : HtmlPictureSources(section.editor->body())) {
      std::filesystem::path file = TextPicturePath(src.src, context.base_folder);
      std::error_code ec;
      if (!file.empty() && std::filesystem::is_regular_file(file, ec)) {
        sources.push_back({std::move(file), std::string("a picture in ") + section.what});
      }
    }
  }
  return sources;
}

RenderedLetter RenderLetter(const LetterConfiguration& l, const RenderContext& context) {
  RenderedLetter result;
  std::error_code ec;
  if (context.template_file.empty() ||
      !std::filesystem::is_regular_file(context.template_file, ec)) {
    return result;
  }
  result.template_found = true;
  std::string text = NormalizeLineBreaks(
      DecodeTextFile(ReadFileBytes(context.template_file, kMaxTemplateFileSize)));
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    result.template_empty = true;
    return result;
  }
  PageText page(std::move(text), context.max_page_size, context.cancel);
  const std::size_t limit = page.limit();
  const PicturePlan pictures = PlanPictures(l, context);

  page.Replace("%%PAGETITLE%%", l.edtPageTitle);
  const auto section = [&](std::size_t i) {
    return SectionHtml(*LetterSections(l)[i].editor, pictures.sections[i], pictures);
  };
  page.Replace("%%HEADERPICTURE%%",
               PictureHtml(l.edtHeaderPicture, PictureSlot::kHeader, pictures.pictures[0]));
  page.Replace("%%ECOVERPICTURE%%",
               PictureHtml(l.edtCoverPicture, PictureSlot::kCover, pictures.pictures[1]));
  page.Replace("%%MAINBGCOLOR%%", ColorToHex(l.cbxMainBgColor));
  page.Replace("%%FOOTERPICTURE%%",
               PictureHtml(l.edtFooterPicture, PictureSlot::kFooter, pictures.pictures[2]));
  page.ReplaceWith("%%ORDERHEADLINE%%", [&] { return section(0); });
  page.Replace("%%FROMFULLNAME%%", l.edtFullName.empty() ? std::string()
                                                         : "<font face=Arial size=2><b>From: </b>" +
                                                               l.edtFullName + "</font>");
  page.Replace("%%FULLNAME%%", l.edtFullName);
  page.Replace("%%CURRENTDATE%%", l.edtCurrentDate.empty()
                                      ? std::string()
                                      : "<font face=Arial size=2><b>Current Date: </b>" +
                                            l.edtCurrentDate + "</font><br>");
  page.Replace("%%ATTENTION%%", l.edtAttention);
  page.ReplaceWith("%%OPENING%%", [&] { return section(1); });
  page.ReplaceWith("%%INTRODUCTION%%", [&] { return section(2); });
  page.ReplaceWith("%%CLOSING%%", [&] { return section(3); });
  page.ReplaceWith("%%PS%%", [&] {
    return l.prfEditor11.GetBodyHtml() == kEmptyEditorBody ? std::string()
                                                           : "<b>P.S.- </b>" + section(4);
  });
  page.ReplaceWith("%%ORDERCODE%%", [&] {
    std::string order;
    if (!l.edtDirectLink.empty()) {
      order = kOrderBlock;
      Replace(order, "%%ORDERLINK%%", l.edtDirectLink, limit);
    }
    return order;
  });
  page.ReplaceWith("%%CLICKBANKCODE%%", [&] {
    std::string clickbank;
    if (!l.edtClickBankName.empty()) {
      clickbank = kClickBankBlockHead;
      clickbank += kClickBankOrderAddress;
      clickbank += kClickBankQuery;
      clickbank += kClickBankBlockTail;
      Replace(clickbank, "%%PRODNAME%%", l.edtProductName, limit);
      Replace(clickbank, "%%PRODDESC%%", l.edtDescription, limit);
      Replace(clickbank, "%%CBNAME%%", l.edtClickBankName, limit);
    }
    return clickbank;
  });
  page.Replace("%%PAYPALCODE%%", l.memPaypalCode);
  page.Replace("%%AFFILIATEID%%", l.edtPaypalEmail);
  page.ReplaceWith("%%TESTIMONIALS%%", [&] { return TestimonialsText(l, limit, page.cancel()); });
  if (!l.FeatureList.empty()) {
    page.ReplaceWith("%%FEATURES%%", [&] { return FeaturesBlock(l, limit, page.cancel()); });
  }
  page.Replace("%%TESTIMONIALS%%", "");
  page.Replace("%%FEATURES%%", "");
  page.Replace("%%HEADERPICTURE%%", "");
  page.Replace("%%FOOTERPICTURE%%", "");
  StopIfCancelled(context.cancel);
  result.page = page.Take();

  for (const PlannedPicture& picture : pictures.pictures) {
    if (!picture.source.empty()) {
      result.local_pictures.push_back({picture.name, picture.source});
    }
  }
  if (context.copy_pictures) {
    CopyPictures(pictures, result);
    const std::filesystem::path folder =
        ResolveUserPath(context.output_file, context.base_folder).parent_path();
    for (const std::filesystem::path& missing : pictures.missing) {
      result.failed_pictures.push_back(
          {missing, folder / missing.filename(), "There is no such file."});
    }
  }
  return result;
}

}  // namespace wordlark
