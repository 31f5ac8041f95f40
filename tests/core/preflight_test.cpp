// The checks beside the page preview: which items a letter gets, and what
// they say.
#include "render/preflight.h"

#include <gtest/gtest.h>

#include <functional>

#include "test_support.h"

namespace wordlark {
namespace {

using test::TempDir;
using test::WriteBytes;

// A letter that draws no item at all, with its output name.
LetterConfiguration GoodLetter(const TempDir& dir) {
  LetterConfiguration l;
  WriteBytes(dir / "head.png", "HEAD");
  l.edtHeaderPicture = "head.png";
  l.edtCoverPicture = "https://example.com/cover.jpg";
  l.prfEditor1.SetHtml("<b>Sell more</b>");
  l.edtDirectLink = "https://example.com/order";
  return l;
}

std::vector<PreflightKind> Kinds(const std::vector<PreflightItem>& items) {
  std::vector<PreflightKind> kinds;
  for (const auto& item : items) {
    kinds.push_back(item.kind);
  }
  return kinds;
}

TEST(Preflight, EachItemAppearsWithItsValueAndGoesAgain) {
  TempDir dir;
  const std::string output = (dir / "page.html").string();
  ASSERT_TRUE(PreflightCheck(GoodLetter(dir), output, dir.path()).empty());

  using K = PreflightKind;
  struct Case {
    const char* what;
    std::function<void(LetterConfiguration&)> edit;
    std::string output;
    std::vector<K> kinds;
  } cases[] = {
      {"missing picture",
       [](auto& l) { l.edtFooterPicture = "nowhere.png"; },
       output,
       {K::kMissingPicture}},
      {"address without scheme",
       [](auto& l) { l.edtCoverPicture = "www.example.com/c.jpg"; },
       output,
       {K::kMissingPicture}},
      {"folder as picture",
       [&](auto& l) { l.edtCoverPicture = dir.path().string(); },
       output,
       {K::kMissingPicture}},
      {"web addresses of every kind",
       [](auto& l) {
         l.edtHeaderPicture = "HTTP://example.com/a.png";
         l.edtCoverPicture = "//cdn.example.com/b.png";
         l.edtFooterPicture = "data:image/png;base64,AAAA";
       },
       output,
       {}},
      // Beside the page they get names of their own, so there is nothing to say.
      {"two files, one name",
       [&](auto& l) {
         std::filesystem::create_directory(dir / "other");
         WriteBytes(dir / "other/head.png", "OTHER");
         l.edtFooterPicture = "other/head.png";
       },
       output,
       {}},
      {"one file twice", [](auto& l) { l.edtFooterPicture = "head.png"; }, output, {}},
      {"headline of blanks and breaks",
       [](auto& l) { l.prfEditor1.SetHtml("<div>&nbsp; <br></div>\r\n<p> </p>"); },
       output,
       {K::kEmptyHeadline}},
      {"headline that is a picture",
       [](auto& l) { l.prfEditor1.SetHtml("<IMG src=\"https://example.com/x.png\">"); },
       output,
       {}},
      {"headline that is a rule or a table",
       [](auto& l) { l.prfEditor1.SetHtml("<hr><table><tr><td></td></tr></table>"); },
       output,
       {}},
      {"headline of a comment and a style",
       [](auto& l) { l.prfEditor1.SetHtml("<!-- soon --><style>b { }</style>"); },
       output,
       {K::kEmptyHeadline}},
      {"markup of HTML elements and a \"<\" that opens no tag",
       [](auto& l) {
         l.edtFullName = "<b>Ann</b> <3";
         l.edtAttention = "a < b, <!-- note --> <BR/>";
         l.FeatureList = {"^<i>Fast</i>^1 <= 2$$<font color=red>x</font>^"};
         l.TestimonialList = {"^Tom^https://tomokafor.com^<p>Good</p>^"};
       },
       output,
       {}},
      {"a word in angle brackets",
       [](auto& l) {
         l.TestimonialList = {"^Tom^https://t.example^didn't budge. <Highly> recommended.^"};
       },
       output,
       {K::kHiddenText}},
      {"angle brackets in every plain field",
       [](auto& l) {
         l.edtFullName = "Ann <the baker>";
         l.edtCurrentDate = "</when>";
         l.edtAttention = "<Attention";
         l.FeatureList = {"^<x>^ok^", "^ok^<y>^"};
         l.TestimonialList = {"^<z>^https://t.example^ok^"};
       },
       output,
       {K::kHiddenText, K::kHiddenText, K::kHiddenText, K::kHiddenText, K::kHiddenText,
        K::kHiddenText}},
      {"websites with a scheme",
       [](auto& l) {
         l.TestimonialList = {"^A^HTTPS://a.example^b^", "^B^mailto:b@example.com^b^",
                              "^C^//c.example^b^"};
       },
       output,
       {}},
      {"a website without a scheme",
       [](auto& l) {
         l.TestimonialList = {"^A^https://a.example^b^", "^Tom^tomokafor.com^b^"};
       },
       output,
       {K::kRelativeWebsite}},
      {"no way to order", [](auto& l) { l.edtDirectLink = "  "; }, output, {K::kNoOrderOption}},
      {"ClickBank only",
       [](auto& l) {
         l.edtDirectLink.clear();
         l.edtClickBankName = "seller";
       },
       output,
       {}},
      {"pictures in the text that are files or on the web",
       [&](auto& l) {
         l.prfEditor2.SetHtml("<img src=\"head.png\"><IMG SRC='file://" + dir.path().string() +
                              "/head.png'><img src=https://example.com/x.png>");
         l.prfEditor11.SetHtml("<img src=\"data:image/png;base64,AAAA\">");
       },
       output,
       {}},
      {"pictures in the text that are missing, each once per section",
       [](auto& l) {
         l.prfEditor3.SetHtml("<img src=\"/nowhere/x.png\"><img src=\"/nowhere/x.png\">");
         l.prfEditor10.SetHtml("<p><img alt=a src=file:///nowhere/y.png></p>");
       },
       output,
       {K::kMissingPicture, K::kMissingPicture}},
      {"PayPal only",
       [](auto& l) {
         l.edtDirectLink.clear();
         l.memPaypalCode = "<form></form>";
       },
       output,
       {}},
      {"no output name", [](auto&) {}, "", {K::kNoOutputName}},
      {"output name without folder", [](auto&) {}, "page.html", {K::kOutputWithoutFolder}},
      {"relative output folder", [](auto&) {}, "out/page.html", {K::kOutputWithoutFolder}},
      {"everything at once",
       [](auto& l) {
         l = LetterConfiguration{};
         l.edtHeaderPicture = "gone.png";
       },
       "page.html",
       {K::kMissingPicture, K::kEmptyHeadline, K::kNoOrderOption, K::kOutputWithoutFolder}},
  };
  for (const auto& c : cases) {
    LetterConfiguration l = GoodLetter(dir);
    c.edit(l);
    EXPECT_EQ(Kinds(PreflightCheck(l, c.output, dir.path())), c.kinds) << c.what;
  }
}

TEST(Preflight, MessagesNameTheValueAndWhereThePageGoes) {
  TempDir dir;
  LetterConfiguration l = GoodLetter(dir);
  l.edtFooterPicture = "nowhere.png";
  const auto items = PreflightCheck(l, "sub/../page.html", dir.path());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].control, "edtFooterPicture");
  EXPECT_EQ(items[0].message,
            "The footer picture \"nowhere.png\" is neither a file on this computer nor a web "
            "address, so the page shows no picture there.");
  EXPECT_EQ(items[1].control, "edtFilename");
  EXPECT_EQ(items[1].message,
            "The output file name \"sub/../page.html\" names no folder of its "
            "own, so the page will be saved as \"" +
                (dir / "page.html").string() + "\".");
}

TEST(Preflight, AMissingPictureInTheTextNamesItsSection) {
  TempDir dir;
  LetterConfiguration l = GoodLetter(dir);
  l.prfEditor11.SetHtml("<img src=\"file:///nowhere/my%20pic.png\">");
  const auto items = PreflightCheck(l, (dir / "page.html").string(), dir.path());
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].control, "prfEditor11");
  EXPECT_EQ(items[0].message,
            "The picture \"file:///nowhere/my%20pic.png\" in the P.S. is not a file on this "
            "computer, so the page shows no picture there.");
}

TEST(Preflight, HiddenTextAndRelativeWebsitesNameTheFieldAndTheText) {
  TempDir dir;
  LetterConfiguration l = GoodLetter(dir);
  l.TestimonialList = {"^Ann^https://a.example^Fine.^",
                       "^Tom^tomokafor.com^didn't budge. <Highly> recommended. <b>Yes</b>^"};
  const auto items = PreflightCheck(l, (dir / "page.html").string(), dir.path());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].control, "lbxTestimonials");
  EXPECT_EQ(items[0].message,
            "The content of testimonial 2 holds \"<Highly>\", which the page takes for markup "
            "and does not show. Write \"&lt;\" for a \"<\" that is meant to show.");
  EXPECT_EQ(items[1].control, "lbxTestimonials");
  EXPECT_EQ(items[1].message,
            "The website \"tomokafor.com\" of testimonial 2 does not begin with \"https://\" or "
            "\"http://\", so its link leads to a file beside the page instead of that website.");
}

TEST(Preflight, HiddenTagTextsAreTheTagsOfNoElement) {
  struct Case {
    const char* text;
    std::vector<std::string> hidden;
  } cases[] = {
      {"plain text", {}},
      {"<b>bold</b> <IMG src=x> <br/> <h1>t</h1>", {}},
      {"a < b, a <= b, <3, <!-- c -->, <?x?>, <", {}},
      {"didn't budge. <Highly> recommended.", {"<Highly>"}},
      {"<my name> and </my> and <x/>", {"<my name>", "</my>", "<x/>"}},
      {"an <open tag to the end", {"<open tag to the end"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HiddenTagTexts(c.text), c.hidden) << c.text;
  }
}

}  // namespace
}  // namespace wordlark
