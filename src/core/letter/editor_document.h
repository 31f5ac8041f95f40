#pragma once

#include <string>
#include <string_view>

namespace wordlark {

// The document form every HTML editor hands out: fixed head, then the body.
// Removing the document tags and the line breaks leaves the body's content.
//
//   <html>CRLF<head>CRLF<title></title>CRLF<meta http-equiv="Content-Type"
//   content="text/html; charset=windows-1252" />CRLF</head>CRLF<body>CONTENT</body>CRLF</html>CRLF
std::string EditorDocumentHtml(std::string_view body_content);

// The body element as the renderer tests it: exactly "<body>&nbsp;</body>"
// when the content is exactly empty (below), "<body>" + content + "</body>"
// otherwise.
std::string EditorBodyHtml(std::string_view body_content);

// The renderer's own exact test of an empty section, which leaves out
// %%PS%% and the sections: the content, trimmed of blanks and line breaks,
// is empty or "&nbsp;". Whether a reader would see anything is another
// question, answered by HtmlBodyShowsAnything (letter/html_body.h).
bool EditorContentIsExactlyEmpty(std::string_view body_content);

inline constexpr std::string_view kEmptyEditorBody = "<body>&nbsp;</body>";

// Reduces an editor's whole document (GetHtml) to the content of its body, on
// one line: removes, in this order and each in one left-to-right pass, the
// document tags "<html>", "<head>", "<title></title>", the charset meta tag,
// "</head>", "<body>", "</body>", "</html>", then every LF, every two blanks in
// a row and every CR. Letter case must match exactly.
std::string CleanEditorHtml(std::string_view html);

// The document of a rich-text section held outside any widget: what the letter
// configuration stores, the files carry and the renderer reads. It behaves as
// the desktop editor does towards its callers.
class EditorDocument {
 public:
  EditorDocument() = default;
  explicit EditorDocument(std::string_view body_content) : body_(body_content) {}

  // Makes `html` the body's content as it stands.
  void SetHtml(std::string_view html) { body_ = html; }
  std::string GetHtml() const { return EditorDocumentHtml(body_); }
  std::string GetBodyHtml() const { return EditorBodyHtml(body_); }

  const std::string& body() const { return body_; }
  bool IsExactlyEmpty() const { return EditorContentIsExactlyEmpty(body_); }

  friend bool operator==(const EditorDocument&, const EditorDocument&) = default;

 private:
  std::string body_;
};

}  // namespace wordlark
