#include "letter/editor_document.h"

#include <array>

#include "util/text.h"

namespace wordlark {

std::string EditorDocumentHtml(std::string_view body_content) {
  std::string html =
      "<html>\r\n<head>\r\n<title></title>\r\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\" />\r\n"
      "</head>\r\n<body>";
  html += body_content;
  html += "</body>\r\n</html>\r\n";
  return html;
}

bool EditorContentIsExactlyEmpty(std::string_view body_content) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!body_content.empty() && blank(body_content.front())) {
    body_content.remove_prefix(1);
  }
  while (!body_content.empty() && blank(body_content.back())) {
    body_content.remove_suffix(1);
  }
  return body_content.empty() || body_content == "&nbsp;";
}

std::string EditorBodyHtml(std::string_view body_content) {
  if (EditorContentIsExactlyEmpty(body_content)) {
    return std::string(kEmptyEditorBody);
  }
  std::string html = "<body>";
  html += body_content;
  html += "</body>";
  return html;
}

std::string CleanEditorHtml(std::string_view html) {
  static constexpr std::array<std::string_view, 11> kRemoved = {
      "<html>",
      "<head>",
      "<title></title>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\" />",
      "</head>",
      "<body>",
      "</body>",
      "</html>",
      "\n",
      "  ",
      "\r",
  };
  std::string text(html);
  for (std::string_view piece : kRemoved) {
    if (text.find(piece) != std::string::npos) {
      text = ReplaceAll(text, piece, "");
    }
  }
  return text;
}

}  // namespace wordlark
