// Text between the core (UTF-8 std::string, paths) and the widgets (QString),
// and the line breaks of the text boxes.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace wordlark {

inline QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string S(const QString& text) {
  return text.toStdString();
}

inline QString PathText(const std::filesystem::path& path) {
  return Q(path.string());
}

inline std::filesystem::path PathOf(const QString& text) {
  return std::filesystem::path(S(text));
}

// A text with its line breaks (CR LF, or a lone CR) as the text widgets keep
// them: LF.
inline QString WidgetLines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// A memo's text with CR LF line breaks, like every text file of the program,
// and the other way round.
inline std::string MemoText(const QPlainTextEdit* memo) {
  QString text = memo->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return S(text);
}

inline void SetMemoText(QPlainTextEdit* memo, std::string_view text) {
  memo->setPlainText(WidgetLines(Q(text)));
}

}  // namespace wordlark
