// What an editor keeps of an HTML text, and whether it shows anything: the
// rule both the editors and the pre-flight check go by.
#include "letter/html_body.h"

#include <gtest/gtest.h>

#include "letter/editor_document.h"

namespace wordlark {
namespace {

TEST(HtmlBodyShowsAnything, DecidesByWhatAReaderWouldSee) {
  const struct {
    const char* what;
    const char* content;
    bool shows;
  } cases[] = {
      {"empty", "", false},
      {"blanks and line breaks", " \r\n\t\f\v ", false},
      {"no-break spaces, named and numbered", "&nbsp; &#160;&#xA0;&NonBreakingSpace;", false},
      {"no-break space as a character", "\xC2\xA0", false},
      {"wide and zero-width spaces", "\xE2\x80\x83\xE2\x80\x8B\xE3\x80\x80\xEF\xBB\xBF", false},
      {"emptied div", "<div><br></div>", false},
      {"emptied paragraphs", "<p></p><P><BR></P>", false},
      {"formatting only", "<font size=\"7\"><b><br></b></font>", false},
      {"a '>' inside a quoted attribute", "<span title=\"a > b\"></span>", false},
      {"comment", "<!-- a note -->", false},
      {"comment never closed", "<!-- a note <b>x</b>", false},
      {"declaration and processing instruction", "<!doctype html><?xml version=\"1.0\"?>", false},
      {"style and script", "<style>p { color: red }</style><SCRIPT>go()</script >", false},
      {"title and template", "<title>T</title><template><p>x</p></template>", false},
      {"hidden container never closed", "<style>p { }", false},
      {"text", "<div>x</div>", true},
      {"text after a style", "<style>p { }</style>x", true},
      {"other entity", "&amp;", true},
      {"ampersand without semicolon", "fish & chips", true},
      {"lone angle", "a < b", true},
      {"picture", "<IMG src=\"a.png\">", true},
      {"rule", "<div><hr></div>", true},
      {"empty table", "<table border=\"1\"><tr><td></td></tr></table>", true},
      {"empty list item", "<ul><li><br></li></ul>", true},
      {"form control", "<input type=\"checkbox\">", true},
      {"letter beyond ASCII", "caf\xC3\xA9", true},
      {"a byte that is not UTF-8", "\xA0", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HtmlBodyShowsAnything(c.content), c.shows) << c.what;
  }
}

TEST(HtmlBodyContent, KeepsWhatThePageMakesTheBody) {
  const struct {
    const char* what;
    std::string text;
    const char* body;
  } cases[] = {
      {"fragment", "Plain <B>bold</B>", "Plain <b>bold</b>"},
      {"document", "<html><head><title>x</title></head><body><p>a</p></body></html>", "<p>a</p>"},
      {"body with attributes", "<BODY class=\"x\" title='a>b'>text</BODY>", "text"},
      {"last closing body tag", "<body>a</body>b</body>", "a</body>b"},
      {"unclosed body, closing html", "<html><body><p>a</p></html>\r\n", "<p>a</p>"},
      {"unclosed body", "<body><p>a</p>", "<p>a</p>"},
      {"a tag that only starts like body", "<bodyguard>x</bodyguard>", "<bodyguard>x</bodyguard>"},
      {"fragment in a frame", "<!DOCTYPE html><HTML lang=en><Head><title>x</title></HEAD >a</html>",
       "a"},
      {"head never closed stays", "<head><title>x</title>a", "<head><title>x</title>a"},
      {"comments as they are", "<body><!-- <B>x</B> --><I>y</I></body>",
       "<!-- <B>x</B> --><i>y</i>"},
      {"the editors' own form", EditorDocumentHtml("<i>x</i>"), "<i>x</i>"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HtmlBodyContent(c.text), c.body) << c.what;
  }
}

}  // namespace
}  // namespace wordlark
