// The letter renderer and the Finish step: golden pages written by hand from
// the page fragments, the consequences of the replacement order, pictures and
// the written page file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "letter/config_file.h"
#include "render/output.h"
#include "render/renderer.h"
#include "test_support.h"
#include "util/codepage.h"
#include "util/tagged_text.h"
#include "util/text.h"

namespace wordlark {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::filesystem::path kData = WORDLARK_TEST_DATA;

TEST(RenderLetter, GoldenPage) {
  TempDir dir;
  LetterConfiguration letter;
  ASSERT_TRUE(LoadConfiguration(kData / "render/golden.set", letter));
  const FinishOutcome outcome =
      FinishLetter(letter, kData / "render/golden.tem", "page.html", dir.path());
  ASSERT_EQ(outcome.status, FinishStatus::kSaved) << outcome.detail;
  EXPECT_TRUE(outcome.failed_pictures.empty());
  EXPECT_EQ(ReadBytes(dir / "page.html"), ReadBytes(kData / "render/golden.expected.html"));
}

TEST(RenderLetter, GoldenPageOfAnEmptyLetter) {
  TempDir dir;
  const FinishOutcome outcome =
      FinishLetter(LetterConfiguration{}, kData / "render/golden.tem", "page.html", dir.path());
  ASSERT_EQ(outcome.status, FinishStatus::kSaved) << outcome.detail;
  EXPECT_EQ(ReadBytes(dir / "page.html"), ReadBytes(kData / "render/empty.expected.html"));
}

// Renders `letter` into the page text from a template holding `tem`.
std::string Render(const std::string& tem, const LetterConfiguration& letter) {
  TempDir dir;
  WriteBytes(dir / "t.tem", tem);
  return RenderLetter(letter, {dir / "t.tem", "out.html", dir.path()}).page;
}

TEST(RenderLetter, ReplacementOrderAndItsConsequences) {
  using Edit = std::function<void(LetterConfiguration&)>;
  struct Case {
    const char* what;
    std::string tem;
    Edit edit;
    std::string page;           // the whole page, or
    std::string contains = {};  // a piece of it
  } cases[] = {
      {"no placeholder, no final line break", "a\rb\nc", [](auto&) {}, "a\r\nb\r\nc\r\n"},
      {"a placeholder twice", "%%ATTENTION%%-%%ATTENTION%%", [](auto& l) { l.edtAttention = "x"; },
       "x-x\r\n"},
      {"title holding the full name's placeholder", "%%PAGETITLE%%",
       [](auto& l) {
         l.edtPageTitle = "For %%FULLNAME%%";
         l.edtFullName = "Ann";
       },
       "For Ann\r\n"},
      {"the block's own placeholders stay in the template",
       "%%ORDERLINK%% %%PRODNAME%% %%TWEB%% %%FDESC%%",
       [](auto& l) {
         l.edtDirectLink = "d";
         l.edtProductName = "p";
       },
       "%%ORDERLINK%% %%PRODNAME%% %%TWEB%% %%FDESC%%\r\n"},
      {"direct link without ClickBank", "[%%CLICKBANKCODE%%]",
       [](auto& l) { l.edtDirectLink = "http://x"; }, "[]\r\n"},
      {"ClickBank inserts in product, description, name order", "%%CLICKBANKCODE%%",
       [](auto& l) {
         l.edtClickBankName = "cb";
         l.edtProductName = "%%PRODDESC%%";
         l.edtDescription = "%%CBNAME%%";
       },
       "", "<input onclick=document.location='http://www.clickbank.net/sell.cgi?cb/cb/cb' "},
      {"ClickBank name alone", "%%CLICKBANKCODE%%", [](auto& l) { l.edtClickBankName = "ann"; }, "",
       "sell.cgi?ann//'"},
      {"empty lists remove their placeholders", "[%%FEATURES%%][%%TESTIMONIALS%%]", [](auto&) {},
       "[][]\r\n"},
      {"text inserted early is searched later", "%%ATTENTION%%",
       [](auto& l) {
         l.edtAttention = "%%AFFILIATEID%%|%%FOOTERPICTURE%%";
         l.edtPaypalEmail = "aff";
       },
       "aff|\r\n"},
      {"a testimonial's placeholder of the features goes when there are none", "%%TESTIMONIALS%%",
       [](auto& l) { l.TestimonialList = {"^n^w^[%%FEATURES%%]^"}; }, "",
       "\">[]<br><br><b>n <a target=\"_blank\" href=w>w</a></b>"},
      {"testimonials are searched for the features", "%%TESTIMONIALS%%",
       [](auto& l) {
         l.TestimonialList = {"^n^w^[%%FEATURES%%]^"};
         l.FeatureList = {"^f^d^"};
       },
       "", "\">[<center><table border=0"},
      {"two testimonials", "%%TESTIMONIALS%%",
       [](auto& l) {
         l.TestimonialList = {"^a^^^", "^b^^^"};
       },
       "", "</a></b></font></td></tr></table></center><br><center><table border=1"},
      {"three blanks leave one, four none", "%%ORDERHEADLINE%%|%%OPENING%%",
       [](auto& l) {
         l.prfEditor1.SetHtml("a   b");
         l.prfEditor2.SetHtml("a    b\r\nc");
       },
       "a b|abc\r\n"},
      {"an empty paragraph is content; an empty editor is not", "[%%CLOSING%%][%%PS%%]",
       [](auto& l) { l.prfEditor10.SetHtml("<p></p>"); }, "[<p></p>][]\r\n"},
      {"the PayPal code keeps its line breaks", "[%%PAYPALCODE%%]",
       [](auto& l) { l.memPaypalCode = "<a>\r\n<b>"; }, "[<a>\r\n<b>]\r\n"},
      {"web pictures are referred to as typed",
       "%%HEADERPICTURE%%|%%FOOTERPICTURE%%|%%ECOVERPICTURE%%",
       [](auto& l) {
         l.edtHeaderPicture = "http://h";
         l.edtFooterPicture = "http://f";
         l.edtCoverPicture = "no/such/file.png";
       },
       "<img border=0 src=http://h><br><br>|<img border=0 src=http://f><br><br>|"
       "<img border=0 src=no/such/file.png>\r\n"},
      {"style words and sizes", "%%FEATURES%%",
       [](auto& l) {
         l.FeatureList = {"^t^"};
         l.cbxFSize = 0;
         l.chkFItalic = true;
         l.cbxFName = "Comic Sans MS";
       },
       "<center><table border=0 cellpadding=0 cellspacing=0 style=\"border-collapse: collapse\" "
       "bordercolor=#111111 width=\"90%\" bgcolor=\"#FFFFD9\"><tr><td width=90%><ul><li><p>"
       "<font face=\"Comic Sans MS\" style=\"font-size: 0px; font-style: italic; font-weight: "
       "normal; text-decoration:  normal;\" color=\"#000000\">t - </font></p></li></ul></td></tr>"
       "</table></center>\r\n"},
  };
  for (auto& c : cases) {
    LetterConfiguration l;
    c.edit(l);
    const std::string page = Render(c.tem, l);
    if (c.contains.empty()) {
      EXPECT_EQ(page, c.page) << c.what;
    } else {
      EXPECT_NE(page.find(c.contains), std::string::npos) << c.what << "\n" << page;
    }
  }
}

TEST(CleanEditorHtml, RemovesDocumentTagsLineBreaksAndDoubleBlanks) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"<html>\r\n<head>\r\n<title></title>\r\n<meta http-equiv=\"Content-Type\" "
       "content=\"text/html; charset=windows-1252\" />\r\n</head>\r\n<body><b>x</b></body>\r\n"
       "</html>\r\n",
       "<b>x</b>"},
      {"<HTML><Body>x</Body></HTML>", "<HTML><Body>x</Body></HTML>"},  // case must match
      {"a   b", "a b"},
      {"a    b", "ab"},
      {"a\r  b", "ab"},            // the CR goes last, so the blanks around it meet too late
      {"a \n b", "ab"},            // the LF goes first, so the blanks it joins are removed
      {"<bo<body>dy>", "<body>"},  // one pass, nothing looked at again
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanEditorHtml(c.in), c.out) << c.in;
  }
}

TEST(RenderLetter, CopiesLocalPicturesBesideThePage) {
  TempDir dir;
  std::filesystem::create_directories(dir / "pics");
  std::filesystem::create_directories(dir / "out");
  WriteBytes(dir / "pics/head.png", "HEAD");
  WriteBytes(dir / "pics/my foot.png", "FOOT");
  WriteBytes(dir / "out/cover.jpg", "COVER");
  WriteBytes(dir / "out/head.png", "old");
  WriteBytes(dir / "t.tem", "%%HEADERPICTURE%%|%%ECOVERPICTURE%%|%%FOOTERPICTURE%%");

  LetterConfiguration l;
  l.edtHeaderPicture = "pics/head.png";                      // relative to the base folder
  l.edtCoverPicture = (dir / "out/cover.jpg").string();      // already beside the page
  l.edtFooterPicture = (dir / "pics/my foot.png").string();  // a blank in its name
  const RenderedLetter r = RenderLetter(l, {dir / "t.tem", "out/page.html", dir.path()});

  EXPECT_TRUE(r.failed_pictures.empty());
  EXPECT_EQ(r.page,
            "<img border=0 src=head.png><br><br>|<img border=0 src=cover.jpg>|"
            "<img border=0 src=my%20foot.png>\r\n");
  EXPECT_EQ(ReadBytes(dir / "out/head.png"), "HEAD");
  EXPECT_EQ(ReadBytes(dir / "out/cover.jpg"), "COVER");
  EXPECT_EQ(ReadBytes(dir / "out/my foot.png"), "FOOT");

  // Rendering again leaves up-to-date copies alone and refreshes changed ones.
  const auto inode = [](const std::filesystem::path& p) {
    struct stat s {};
    stat(p.c_str(), &s);
    return s.st_ino;
  };
  const auto head_inode = inode(dir / "out/head.png");
  WriteBytes(dir / "pics/my foot.png", "FOOT 2");
  RenderLetter(l, {dir / "t.tem", "out/page.html", dir.path()});
  EXPECT_EQ(inode(dir / "out/head.png"), head_inode);
  EXPECT_EQ(ReadBytes(dir / "out/my foot.png"), "FOOT 2");
}

TEST(RenderLetter, APreviewIsTheSamePageAndCopiesNothing) {
  TempDir dir;
  std::filesystem::create_directories(dir / "pics");
  std::filesystem::create_directories(dir / "out");
  WriteBytes(dir / "pics/head.png", "HEAD");
  WriteBytes(dir / "pics/my foot.png", "FOOT");
  WriteBytes(dir / "t.tem", "%%HEADERPICTURE%%|%%ECOVERPICTURE%%|%%FOOTERPICTURE%%");
  LetterConfiguration l;
  l.edtHeaderPicture = "pics/head.png";
  l.edtCoverPicture = "http://example.com/cover.jpg";
  l.edtFooterPicture = (dir / "pics/my foot.png").string();

  RenderContext preview{dir / "t.tem", "out/page.html", dir.path()};
  preview.copy_pictures = false;
  const RenderedLetter shown = RenderLetter(l, preview);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
  ASSERT_EQ(shown.local_pictures.size(), 2u);
  EXPECT_EQ(shown.local_pictures[0].name, "head.png");
  EXPECT_EQ(shown.local_pictures[0].source, dir / "pics/head.png");
  EXPECT_EQ(shown.local_pictures[1].name, "my foot.png");

  const RenderedLetter written = RenderLetter(l, {dir / "t.tem", "out/page.html", dir.path()});
  EXPECT_EQ(shown.page, written.page);
  EXPECT_EQ(ReadBytes(dir / "out/head.png"), "HEAD");
}

TEST(RenderLetter, ReportsPicturesThatCannotBeCopied) {
  TempDir dir;
  WriteBytes(dir / "head.png", "HEAD");
  WriteBytes(dir / "t.tem", "%%HEADERPICTURE%%");
  LetterConfiguration l;
  l.edtHeaderPicture = (dir / "head.png").string();
  const RenderedLetter r = RenderLetter(l, {dir / "t.tem", "missing/page.html", dir.path()});
  ASSERT_EQ(r.failed_pictures.size(), 1u);
  EXPECT_EQ(r.failed_pictures[0].source, dir / "head.png");
  EXPECT_EQ(r.failed_pictures[0].target, dir / "missing/head.png");
  EXPECT_NE(r.failed_pictures[0].Message().find("could not be copied"), std::string::npos);
  EXPECT_EQ(r.page, "<img border=0 src=head.png><br><br>\r\n");
}

TEST(RenderLetter, AMissingTemplateDoesNothing) {
  TempDir dir;
  WriteBytes(dir / "head.png", "HEAD");
  std::filesystem::create_directory(dir / "out");
  LetterConfiguration l;
  l.edtHeaderPicture = (dir / "head.png").string();
  for (const std::filesystem::path& tem : {std::filesystem::path(), dir / "none.tem"}) {
    const RenderedLetter r = RenderLetter(l, {tem, "out/page.html", dir.path()});
    EXPECT_FALSE(r.template_found);
    EXPECT_EQ(r.page, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out/head.png"));
}

TEST(PageFileBytes, ConvertsLineBreaksAndCodePageInOnePass) {
  const std::string cases[] = {
      "",
      "plain",
      "a\rb\nc\r\nd\n\re",
      "ends with CR LF\r\n",
      "ends with CR\r",
      "caf\xc3\xa9 \xe2\x82\xac \xe2\x86\x92 \xf0\x9f\x98\x80\r\n\xc3\xa9",
      "broken \xc3 sequence \xe2\x82 and \x80 stray\n\xff",
      "\xe2\x86\x92\n\xe2\x86\x92",
  };
  for (const std::string& page : cases) {
    EXPECT_EQ(PageFileBytes(page), Utf8ToCp1252Html(NormalizeLineBreaks(page))) << page;
  }
  EXPECT_EQ(PageFileBytes("a\n\xe2\x86\x92"), "a\r\n&#8594;\r\n");
}

TEST(FinishLetter, ChecksTheNameAndReportsTheOutcome) {
  TempDir dir;
  WriteBytes(dir / "t.tem", "%%PAGETITLE%%\n%%HEADERPICTURE%%");
  WriteBytes(dir / "head.png", "HEAD");
  LetterConfiguration l;
  l.edtPageTitle = "Caf\u00e9 \u20ac \u2192 \U0001F600";
  l.edtHeaderPicture = (dir / "head.png").string();
  std::filesystem::create_directory(dir / "site");

  // An empty name: the warning, nothing rendered or copied.
  FinishOutcome empty = FinishLetter(l, dir / "t.tem", "", dir / "site");
  EXPECT_EQ(empty.status, FinishStatus::kNoOutputName);
  EXPECT_EQ(empty.message, "Please select a location where you want to save your output file.");
  EXPECT_FALSE(std::filesystem::exists(dir / "site/head.png"));

  // A name without folder or extension lands in the base folder, as typed.
  WriteBytes(dir / "site/head.png", "old");
  FinishOutcome saved = FinishLetter(l, dir / "t.tem", "page", dir / "site");
  ASSERT_EQ(saved.status, FinishStatus::kSaved) << saved.detail;
  EXPECT_EQ(saved.message, "You have successfully saved your file as:page");
  EXPECT_EQ(saved.page_file, dir / "site/page");
  // windows-1252, CR LF after every line, characters it lacks as references.
  EXPECT_EQ(ReadBytes(dir / "site/page"),
            "Caf\xe9 \x80 &#8594; &#128512;\r\n<img border=0 src=head.png><br><br>\r\n");
  EXPECT_EQ(ReadBytes(dir / "site/head.png"), "HEAD");

  // Finish again replaces the page.
  l.edtPageTitle = "Second";
  saved = FinishLetter(l, dir / "t.tem", (dir / "site/page").string(), dir.path());
  EXPECT_EQ(saved.message,
            "You have successfully saved your file as:" + (dir / "site/page").string());
  EXPECT_TRUE(ReadBytes(dir / "site/page").starts_with("Second\r\n"));

  // A folder that does not exist: the error, and the picture that could not go there.
  const FinishOutcome failed = FinishLetter(l, dir / "t.tem", "nowhere/page.html", dir / "site");
  EXPECT_EQ(failed.status, FinishStatus::kWriteFailed);
  EXPECT_EQ(failed.message, "Please check the output filename!");
  EXPECT_NE(failed.detail.find("Cannot create file"), std::string::npos) << failed.detail;
  EXPECT_EQ(failed.failed_pictures.size(), 1u);

  // No template: nothing is written.
  const FinishOutcome none = FinishLetter(l, {}, "other.html", dir / "site");
  EXPECT_EQ(none.status, FinishStatus::kNoTemplate);
  EXPECT_FALSE(std::filesystem::exists(dir / "site/other.html"));
}

}  // namespace
}  // namespace wordlark
