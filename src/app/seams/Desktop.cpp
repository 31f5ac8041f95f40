#include "seams/Desktop.h"

#include <QDesktopServices>
#include <QProcess>

namespace wordlark {
namespace {

std::function<bool(const QUrl&)> g_opener;
std::function<bool(const QString&, const QStringList&)> g_starter;

bool IsHexDigit(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
         (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// An address as a person typed it: when one "%" starts no escape ("50%off",
// "%%affiliateid%%"), the address was written without percent-encoding, so
// every "%" in it stands for itself.
QString LiteralPercents(const QString& text) {
  for (qsizetype i = text.indexOf(QLatin1Char('%')); i >= 0;
       i = text.indexOf(QLatin1Char('%'), i + 1)) {
    if (i + 2 >= text.size() || !IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2])) {
      QString literal = text;
      literal.replace(QLatin1Char('%'), QLatin1String("%25"));
      return literal;
    }
  }
  return text;
}

// A mail address without the parameters that would have the mail program
// attach a file of the user's ("attach", "attachment", in any case or
// encoding): a link must not be able to send one away.
void DropAttachments(QUrl& mail) {
  QStringList kept;
  const QString query = mail.query(QUrl::FullyEncoded);
  for (const QString& pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
    const QString name =
        QUrl::fromPercentEncoding(pair.section(QLatin1Char('='), 0, 0).toUtf8()).trimmed();
    if (name.compare(QLatin1String("attach"), Qt::CaseInsensitive) != 0 &&
        name.compare(QLatin1String("attachment"), Qt::CaseInsensitive) != 0) {
      kept << pair;
    }
  }
  if (kept.isEmpty()) {
    mail.setQuery(QString());
  } else {
    mail.setQuery(kept.join(QLatin1Char('&')), QUrl::TolerantMode);
  }
}

}  // namespace

QUrl BrowsableUrl(const QString& url) {
  const QString text = LiteralPercents(url.trimmed());
  if (text.isEmpty()) {
    return {};
  }
  // Tolerant parsing takes blanks, "|", "{}" and the like as they are typed and
  // percent-encodes them.
  QUrl parsed(text, QUrl::TolerantMode);
  if (parsed.scheme().isEmpty()) {
    parsed = QUrl(QStringLiteral("http://") + text, QUrl::TolerantMode);
  }
  const QString scheme = parsed.scheme().toLower();
  const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                   scheme == QLatin1String("ftp");
  if (!parsed.isValid() || (web && parsed.host().isEmpty()) ||
      (!web && scheme != QLatin1String("mailto"))) {
    return {};
  }
  if (!web) {
    DropAttachments(parsed);
  }
  return parsed;
}

bool OpenUrlInBrowser(const QString& url) {
  const QUrl target = BrowsableUrl(url);
  if (!target.isValid()) {
    return false;
  }
  if (g_opener) {
    return g_opener(target);
  }
  return QDesktopServices::openUrl(target);
}

void SetUrlOpenerForTesting(std::function<bool(const QUrl&)> opener) {
  g_opener = std::move(opener);
}

bool StartProgram(const QString& program, const QStringList& arguments) {
  if (g_starter) {
    return g_starter(program, arguments);
  }
  return QProcess::startDetached(program, arguments);
}

void SetProgramStarterForTesting(std::function<bool(const QString&, const QStringList&)> starter) {
  g_starter = std::move(starter);
}

}  // namespace wordlark
