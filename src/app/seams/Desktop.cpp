#include "seams/Desktop.h"

#include <QDesktopServices>
#include <QProcess>

namespace wordlark {
namespace {

std::function<bool(const QUrl&)> g_opener;
std::function<bool(const QString&, const QStringList&)> g_starter;

}  // namespace

QUrl BrowsableUrl(const QString& url) {
  const QString text = url.trimmed();
  if (text.isEmpty()) {
    return {};
  }
  QUrl parsed(text, QUrl::StrictMode);
  if (!parsed.isValid() || parsed.scheme().isEmpty()) {
    parsed = QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
  }
  const QString scheme = parsed.scheme().toLower();
  const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                   scheme == QLatin1String("ftp");
  if (!parsed.isValid() || (web && parsed.host().isEmpty()) ||
      (!web && scheme != QLatin1String("mailto"))) {
    return {};
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
