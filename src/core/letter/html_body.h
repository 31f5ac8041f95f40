// What an editor keeps of an HTML text, and the one rule for whether it shows
// anything to a reader: the editors hand out an empty body when it does not,
// and the pre-flight check calls such a headline empty.
#pragma once

#include <string>
#include <string_view>

namespace wordlark {

// Whether the content of a body (UTF-8 HTML, a fragment as the editors keep
// it) shows anything: text other than white space, no-break spaces and
// zero-width characters, or an element that shows by itself (a picture, a
// rule, a form control, a table, a list item, ...). Tags that only format,
// line breaks, empty paragraphs, comments and the content of script, style,
// title and template elements show nothing. Tag names match in any ASCII
// letter case.
bool HtmlBodyShowsAnything(std::string_view body_content);

// The content of the body of `html` (UTF-8) read as a document or as a
// fragment, with element names in lower case: what a browser's page makes
// the body of it. A document's content runs from its body tag to the last
// closing body tag (or the closing html tag at the end, or the end); a
// fragment without a body tag loses its doctype, html tags and head.
std::string HtmlBodyContent(std::string_view html);

}  // namespace wordlark
