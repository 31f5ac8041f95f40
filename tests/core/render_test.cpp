// The letter renderer and the Finish step: golden pages written by hand from
// the page fragments, the consequences of the replacement order, pictures and
// the written page file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <functional>
#include <map>

#include "letter/config_file.h"
#include "letter/list_items.h"
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
      {"a \"$\" typed in a feature reaches the page as \"$\"", "%%FEATURES%%",
       [](auto& l) {
         l.FeatureList = {MakeFeatureItem("t", "Stop wasting $$$ on cheap notebooks")};
       },
       "", "\">t - Stop wasting &#36;&#36;&#36; on cheap notebooks</font>"},
      {"a \"$\" typed in a testimonial too; a stored \"$$\" is a line break", "%%TESTIMONIALS%%",
       [](auto& l) {
         l.TestimonialList = {MakeTestimonialItem("n", "w", "I made $$$$\r\nreally")};
       },
       "", "\">I made &#36;&#36;&#36;&#36;<br>really<br><br><b>n "},
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

TEST(RenderLetter, ACancelledRenderStopsAndCopiesNothing) {
  TempDir dir;
  std::filesystem::create_directories(dir / "out");
  WriteBytes(dir / "head.png", "HEAD");
  WriteBytes(dir / "t.tem", "%%PAGETITLE%%%%HEADERPICTURE%%%%FEATURES%%");
  LetterConfiguration l;
  l.edtPageTitle = "Title";
  l.edtHeaderPicture = "head.png";
  l.FeatureList = {MakeFeatureItem("One", "first"), MakeFeatureItem("Two", "second")};

  std::atomic<bool> cancel{false};
  RenderContext context{dir / "t.tem", "out/page.html", dir.path()};
  context.cancel = &cancel;
  const std::string page = RenderLetter(l, {dir / "t.tem", "out/page.html", dir.path()}).page;
  std::filesystem::remove(dir / "out/head.png");
  EXPECT_EQ(RenderLetter(l, context).page, page);  // a flag that is not set changes nothing
  std::filesystem::remove(dir / "out/head.png");

  cancel = true;
  EXPECT_THROW(RenderLetter(l, context), RenderCancelled);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
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

// The names pictures get beside the page "site/page.html". Each case starts
// from the same folder:
//   a/logo.jpg  b/logo.jpg  a/logo  b/logo   pictures elsewhere
//   site/logo.jpg  site/photos/logo.jpg     pictures in the page's folder
//   site/letter.set  site/t.tem              the letter's file and template
//   x/page.html  x/letter.set  x/t.tem       pictures named like those
TEST(RenderLetter, PicturesThatShareANameGetNamesOfTheirOwn) {
  struct Case {
    const char* what;
    std::array<const char*, 3> typed;           // header, cover, footer
    std::array<const char*, 3> names;           // their names in the page
    std::map<std::string, std::string> beside;  // files in site/ afterwards
  } cases[] = {
      {"two files, one name",
       {"a/logo.jpg", "b/logo.jpg", ""},
       {"logo.jpg", "logo-2.jpg", ""},
       {{"logo.jpg", "A"}, {"logo-2.jpg", "B"}}},
      {"one of them already beside the page",
       {"site/logo.jpg", "site/photos/logo.jpg", ""},
       {"logo.jpg", "logo-2.jpg", ""},
       {{"logo.jpg", "SITE"}, {"logo-2.jpg", "PHOTO"}}},
      {"the same, the other way round",
       {"site/photos/logo.jpg", "site/logo.jpg", ""},
       {"logo-2.jpg", "logo.jpg", ""},
       {{"logo.jpg", "SITE"}, {"logo-2.jpg", "PHOTO"}}},
      {"one picture in two boxes",
       {"a/logo.jpg", "", "a/logo.jpg"},
       {"logo.jpg", "", "logo.jpg"},
       {{"logo.jpg", "A"}}},
      {"three files, one name",
       {"a/logo.jpg", "b/logo.jpg", "site/photos/logo.jpg"},
       {"logo.jpg", "logo-2.jpg", "logo-3.jpg"},
       {{"logo.jpg", "A"}, {"logo-2.jpg", "B"}, {"logo-3.jpg", "PHOTO"}}},
      {"names without an extension", {"a/logo", "b/logo", ""}, {"logo", "logo-2", ""}, {}},
      {"named like the page", {"x/page.html", "", ""}, {"page-2.html", "", ""}, {}},
      {"named like the letter's file",
       {"", "x/letter.set", ""},
       {"", "letter-2.set", ""},
       {{"letter.set", "LETTER"}, {"letter-2.set", "XLETTER"}}},
      {"named like the template",
       {"", "", "x/t.tem"},
       {"", "", "t-2.tem"},
       {{"t.tem", "%%HEADERPICTURE%%|%%ECOVERPICTURE%%|%%FOOTERPICTURE%%"}, {"t-2.tem", "XTEM"}}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    for (const char* folder : {"a", "b", "x", "site/photos"}) {
      std::filesystem::create_directories(dir / folder);
    }
    const std::pair<const char*, const char*> files[] = {
        {"a/logo.jpg", "A"},
        {"b/logo.jpg", "B"},
        {"a/logo", "A"},
        {"b/logo", "B"},
        {"site/logo.jpg", "SITE"},
        {"site/photos/logo.jpg", "PHOTO"},
        {"site/letter.set", "LETTER"},
        {"site/t.tem", "%%HEADERPICTURE%%|%%ECOVERPICTURE%%|%%FOOTERPICTURE%%"},
        {"x/page.html", "XPAGE"},
        {"x/letter.set", "XLETTER"},
        {"x/t.tem", "XTEM"},
    };
    for (const auto& [name, content] : files) {
      WriteBytes(dir / name, content);
    }
    LetterConfiguration l;
    l.edtHeaderPicture = c.typed[0];
    l.edtCoverPicture = c.typed[1];
    l.edtFooterPicture = c.typed[2];
    RenderContext context{dir / "site/t.tem", "site/page.html", dir.path()};
    context.letter_file = dir / "site/letter.set";
    const auto img = [](const char* name, const char* suffix) {
      return *name ? "<img border=0 src=" + std::string(name) + suffix : std::string();
    };
    const std::string page = img(c.names[0], "><br><br>") + "|" + img(c.names[1], ">") + "|" +
                             img(c.names[2], ">") + "\r\n";
    // Twice: the same names again, and nothing else changes.
    for (int run = 1; run <= 2; ++run) {
      const RenderedLetter r = RenderLetter(l, context);
      EXPECT_EQ(r.page, page) << c.what << ", run " << run;
      EXPECT_TRUE(r.failed_pictures.empty()) << c.what;
      for (const auto& [name, content] : c.beside) {
        EXPECT_EQ(ReadBytes(dir / "site" / name), content) << c.what << ": " << name;
      }
      EXPECT_EQ(ReadBytes(dir / "site/photos/logo.jpg"), "PHOTO") << c.what;
      EXPECT_EQ(ReadBytes(dir / "site/letter.set"), "LETTER") << c.what;
    }
  }
}

// Pictures inside the sections go beside the page like those of the boxes.
// Each case starts from the same folder ("@" stands for it):
//   a/photo.jpg  b/photo.jpg  pics/my pic.png  pics/c&d.png   elsewhere
//   site/here.png                                            beside the page
TEST(RenderLetter, PicturesInTheSectionsGoBesideThePage) {
  struct Case {
    const char* what;
    const char* header;                   // the header picture box
    std::array<const char*, 2> html;      // the introduction paragraph, the product introduction
    std::array<const char*, 2> expected;  // the same in the page
    std::vector<const char*> shown;       // the names the preview serves
    std::map<std::string, std::string> beside;  // files in site/ afterwards
    std::vector<const char*> failed;            // pictures reported by Finish
  } cases[] = {
      {"two files, one name",
       "",
       {"<p><img src=\"@/a/photo.jpg\"></p>", "<img src=\"@/b/photo.jpg\" alt=\"B\">"},
       {"<p><img src=\"photo.jpg\"></p>", "<img src=\"photo-2.jpg\" alt=\"B\">"},
       {"photo.jpg", "photo-2.jpg"},
       {{"photo.jpg", "A"}, {"photo-2.jpg", "B"}},
       {}},
      {"a file: address with an escape",
       "",
       {"<img src=\"file://@/pics/my%20pic.png\">",
        "<img src='file://localhost@/pics/c&amp;d.png'>"},
       {"<img src=\"my%20pic.png\">", "<img src='c%26d.png'>"},
       {"my pic.png", "c&d.png"},
       {{"my pic.png", "PIC"}, {"c&d.png", "CD"}},
       {}},
      {"one file in both sections and twice in one, written three ways",
       "",
       {"<img src=\"@/a/photo.jpg\">",
        "<IMG SRC=file://@/a/photo.jpg>x<Img alt=y sRc = '@/a/photo.jpg' />"},
       {"<img src=\"photo.jpg\">", "<IMG SRC=photo.jpg>x<Img alt=y sRc = 'photo.jpg' />"},
       {"photo.jpg"},
       {{"photo.jpg", "A"}},
       {}},
      {"web and data: addresses stay",
       "",
       {"<img src=\"https://example.com/a.jpg\"><img src=//cdn.example.com/b.jpg>",
        "<img src=\"data:image/png;base64,AAAA\"><img src=\"\">"},
       {"<img src=\"https://example.com/a.jpg\"><img src=//cdn.example.com/b.jpg>",
        "<img src=\"data:image/png;base64,AAAA\"><img src=\"\">"},
       {},
       {},
       {}},
      {"a missing file stays and is reported once",
       "",
       {"<img src=\"@/gone.jpg\">", "<img src=\"file://@/gone.jpg\"><img src=\"@/a/photo.jpg\">"},
       {"<img src=\"@/gone.jpg\">", "<img src=\"file://@/gone.jpg\"><img src=\"photo.jpg\">"},
       {"photo.jpg"},
       {{"photo.jpg", "A"}},
       {"@/gone.jpg"}},
      {"relative paths, one already beside the page",
       "",
       {"<img src=\"site/here.png\">", "<img alt=x src='pics/my pic.png' >"},
       {"<img src=\"here.png\">", "<img alt=x src='my%20pic.png' >"},
       {"here.png", "my pic.png"},
       {{"here.png", "HERE"}, {"my pic.png", "PIC"}},
       {}},
      {"a box and a section share a name",
       "a/photo.jpg",
       {"<img src=\"@/b/photo.jpg\">", "<img src=\"@/pics/my%20pic.png\">"},
       {"<img src=\"photo-2.jpg\">", "<img src=\"my%20pic.png\">"},
       {"photo.jpg", "photo-2.jpg", "my pic.png"},
       {{"photo.jpg", "A"}, {"photo-2.jpg", "B"}, {"my pic.png", "PIC"}},
       {}},
      {"markup that is no picture",
       "",
       {"<!-- <img src=\"@/a/photo.jpg\"> --><a title=\"<img src=@/a/photo.jpg>\">x</a>",
        "<img data-src=\"@/a/photo.jpg\" src=\"https://e.example/x.png\">"
        "<script>'<img src=@/a/photo.jpg>'</script><img src=\"@/b/photo.jpg\""},
       {"<!-- <img src=\"@/a/photo.jpg\"> --><a title=\"<img src=@/a/photo.jpg>\">x</a>",
        "<img data-src=\"@/a/photo.jpg\" src=\"https://e.example/x.png\">"
        "<script>'<img src=@/a/photo.jpg>'</script><img src=\"@/b/photo.jpg\""},
       {},
       {},
       {}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string at = dir.path().string();
    const auto fill = [&at](std::string text) { return ReplaceAll(text, "@", at); };
    for (const char* folder : {"a", "b", "pics", "site"}) {
      std::filesystem::create_directories(dir / folder);
    }
    const std::pair<const char*, const char*> files[] = {
        {"a/photo.jpg", "A"},   {"b/photo.jpg", "B"},      {"pics/my pic.png", "PIC"},
        {"pics/c&d.png", "CD"}, {"site/here.png", "HERE"},
    };
    for (const auto& [name, content] : files) {
      WriteBytes(dir / name, content);
    }
    WriteBytes(dir / "t.tem", "%%HEADERPICTURE%%|%%OPENING%%|%%INTRODUCTION%%");
    LetterConfiguration l;
    l.edtHeaderPicture = c.header;
    l.prfEditor2.SetHtml(fill(c.html[0]));
    l.prfEditor3.SetHtml(fill(c.html[1]));
    const std::string header = *c.header ? "<img border=0 src=photo.jpg><br><br>" : std::string();
    const std::string page =
        header + "|" + fill(c.expected[0]) + "|" + fill(c.expected[1]) + "\r\n";

    RenderContext preview{dir / "t.tem", "site/page.html", dir.path()};
    preview.copy_pictures = false;
    const RenderedLetter shown = RenderLetter(l, preview);
    EXPECT_EQ(shown.page, page) << c.what;
    std::vector<std::string> names;
    for (const LocalPicture& picture : shown.local_pictures) {
      names.push_back(picture.name);
      EXPECT_TRUE(std::filesystem::is_regular_file(picture.source)) << c.what;
    }
    EXPECT_EQ(names, std::vector<std::string>(c.shown.begin(), c.shown.end())) << c.what;
    EXPECT_TRUE(shown.failed_pictures.empty()) << c.what;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "site"), {}), 1) << c.what;

    const RenderedLetter written = RenderLetter(l, {dir / "t.tem", "site/page.html", dir.path()});
    EXPECT_EQ(written.page, page) << c.what;
    std::size_t files_beside = 0;
    for (const auto& [name, content] : c.beside) {
      EXPECT_EQ(ReadBytes(dir / "site" / name), content) << c.what << ": " << name;
      files_beside += name == "here.png" ? 0 : 1;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "site"), {}),
              static_cast<std::ptrdiff_t>(files_beside + 1))
        << c.what;
    std::vector<std::string> failed;
    for (const PictureProblem& problem : written.failed_pictures) {
      failed.push_back(problem.source.string());
    }
    std::vector<std::string> expected_failed;
    for (const char* source : c.failed) {
      expected_failed.push_back(fill(source));
    }
    EXPECT_EQ(failed, expected_failed) << c.what;
  }
}

TEST(RenderLetter, StopsBeforeThePageOutgrowsItsBound) {
  TempDir dir;
  WriteBytes(dir / "t.tem", "%%PAGETITLE%%%%HEADERPICTURE%%");
  WriteBytes(dir / "head.png", "HEAD");
  std::filesystem::create_directory(dir / "out");
  LetterConfiguration l;
  l.edtHeaderPicture = "head.png";
  // Ten copies of a full name of 99, the picture and CR LF: a page of
  // 10 * 99 + 35 + 2 bytes.
  for (int i = 0; i < 10; ++i) {
    l.edtPageTitle += "%%FULLNAME%%";
  }
  l.edtFullName = std::string(99, 'n');
  const std::size_t size = 10 * 99 + std::string("<img border=0 src=head.png><br><br>").size() + 2;
  RenderContext context{dir / "t.tem", "out/page.html", dir.path()};
  context.max_page_size = size;
  EXPECT_EQ(RenderLetter(l, context).page.size(), size);
  std::filesystem::remove(dir / "out/head.png");

  context.max_page_size = size - 1;
  try {
    RenderLetter(l, context);
    ADD_FAILURE() << "no error";
  } catch (const PageTooLargeError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("The page would be larger than " +
                                                  std::to_string(size - 1) + " bytes"))
        << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out/head.png"));  // nothing copied

  // A list entry whose title repeats its body many times, bounded the same
  // way; it is not even built for a template without the features.
  LetterConfiguration features;
  std::string title;
  for (int i = 0; i < 1000; ++i) {
    title += "%%FDESC%%";
  }
  // 1000 copies of a body of 100 KB
  features.FeatureList = {"^" + title + "^" + std::string(100000, 'b') + "^"};
  WriteBytes(dir / "f.tem", "%%FEATURES%%");
  WriteBytes(dir / "none.tem", "no list here");
  EXPECT_THROW(RenderLetter(features, {dir / "f.tem", "out/page.html", dir.path()}),
               PageTooLargeError);
  EXPECT_EQ(RenderLetter(features, {dir / "none.tem", "out/page.html", dir.path()}).page,
            "no list here\r\n");
}

TEST(FinishLetter, NeverReplacesAFileTheLetterIsMadeFrom) {
  TempDir dir;
  std::filesystem::create_directories(dir / "pics");
  std::filesystem::create_directories(dir / "site");
  WriteBytes(dir / "t.tem", "%%HEADERPICTURE%%%%FOOTERPICTURE%%");
  WriteBytes(dir / "pics/head.png", "HEAD");
  WriteBytes(dir / "pics/foot.png", "FOOT");
  WriteBytes(dir / "pics/intro.png", "INTRO");
  LetterConfiguration l;
  l.edtHeaderPicture = "pics/head.png";
  l.edtFooterPicture = "pics/foot.png";
  l.prfEditor3.SetHtml("<img src=\"pics/intro.png\">");
  SaveConfiguration(dir / "letter.set", l);
  const std::string letter_bytes = ReadBytes(dir / "letter.set");
  std::filesystem::create_symlink(dir / "letter.set", dir / "site/link.set");

  struct Case {
    const char* output;  // as typed, relative to the letter's folder
    std::filesystem::path file;
    const char* what;
  } cases[] = {
      {"letter.set", dir / "letter.set", "the letter's own file"},
      {"site/link.set", dir / "site/link.set", "the letter's own file"},
      {"t.tem", dir / "t.tem", "the template the page is made from"},
      {"pics/head.png", dir / "pics/head.png", "the header picture"},
      {"pics/../pics/foot.png", dir / "pics/../pics/foot.png", "the footer picture"},
      {"pics/intro.png", dir / "pics/intro.png", "a picture in the product introduction"},
  };
  for (const auto& c : cases) {
    const FinishOutcome outcome =
        FinishLetter(l, dir / "t.tem", c.output, dir.path(), dir / "letter.set");
    EXPECT_EQ(outcome.status, FinishStatus::kRefused) << c.output;
    EXPECT_EQ(outcome.message, "The page would replace \"" + c.file.string() + "\", which is " +
                                   c.what + ". Please choose another output filename.");
  }
  EXPECT_EQ(ReadBytes(dir / "letter.set"), letter_bytes);
  EXPECT_EQ(ReadBytes(dir / "t.tem"), "%%HEADERPICTURE%%%%FOOTERPICTURE%%");
  EXPECT_EQ(ReadBytes(dir / "pics/head.png"), "HEAD");
  EXPECT_EQ(ReadBytes(dir / "pics/foot.png"), "FOOT");
  EXPECT_FALSE(std::filesystem::exists(dir / "head.png"));  // no picture copied either
  // Without a letter file the letter's own file is not known, the rest is.
  EXPECT_EQ(FinishLetter(l, dir / "t.tem", "t.tem", dir.path()).status, FinishStatus::kRefused);
}

TEST(FinishLetter, APageThatWouldBeTooLargeIsRefusedAtOnce) {
  TempDir dir;
  WriteBytes(dir / "t.tem", "%%PAGETITLE%%%%HEADERPICTURE%%");
  WriteBytes(dir / "head.png", "HEAD");
  std::filesystem::create_directory(dir / "site");
  LetterConfiguration l;
  l.edtHeaderPicture = "head.png";
  // 2,000 headlines of 40 KB each: 80 MB, more than the page may hold.
  for (int i = 0; i < 2000; ++i) {
    l.edtPageTitle += "%%ORDERHEADLINE%%";
  }
  l.prfEditor1.SetHtml("<p>" + std::string(40000, 'h') + "</p>");
  const FinishOutcome outcome = FinishLetter(l, dir / "t.tem", "site/page.html", dir.path());
  EXPECT_EQ(outcome.status, FinishStatus::kRefused);
  EXPECT_TRUE(outcome.message.starts_with("The page would be larger than 64 MiB"))
      << outcome.message;
  EXPECT_TRUE(std::filesystem::is_empty(dir / "site"));
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

  // A folder that does not exist: the error, and no picture is even tried.
  const FinishOutcome failed = FinishLetter(l, dir / "t.tem", "nowhere/page.html", dir / "site");
  EXPECT_EQ(failed.status, FinishStatus::kWriteFailed);
  EXPECT_EQ(failed.message, "Please check the output filename!");
  EXPECT_NE(failed.detail.find("Cannot create file"), std::string::npos) << failed.detail;
  EXPECT_TRUE(failed.failed_pictures.empty());

  // No template: nothing is written.
  const FinishOutcome none = FinishLetter(l, {}, "other.html", dir / "site");
  EXPECT_EQ(none.status, FinishStatus::kNoTemplate);
  EXPECT_FALSE(std::filesystem::exists(dir / "site/other.html"));
}

// An empty template says so, and neither a page nor a picture lands beside
// the output name.
TEST(FinishLetter, AnEmptyTemplateSaysSoAndCopiesNothing) {
  TempDir dir;
  WriteBytes(dir / "head.png", "HEAD");
  LetterConfiguration l;
  l.edtHeaderPicture = (dir / "head.png").string();
  std::filesystem::create_directory(dir / "site");
  for (const char* tem : {"", "\xEF\xBB\xBF", " \r\n\t\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(tem)));
    WriteBytes(dir / "Plain.tem", tem);
    const FinishOutcome outcome = FinishLetter(l, dir / "Plain.tem", "page.html", dir / "site");
    EXPECT_EQ(outcome.status, FinishStatus::kEmptyTemplate);
    EXPECT_EQ(outcome.message, "The page template \"" + (dir / "Plain.tem").string() +
                                   "\" is empty, so no page was generated.");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "site"));
  }
}

}  // namespace
}  // namespace wordlark
