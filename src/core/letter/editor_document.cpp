#include "letter/editor_document.h"

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

bool EditorContentIsEmpty(std::string_view body_content) {
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
  if (EditorContentIsEmpty(body_content)) {
    return std::string(kEmptyEditorBody);
  }
  std::string html = "<body>";
  html += body_content;
  html += "</body>";
  return html;
}

}  // namespace wordlark
