#include "WebLinks.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QProcess>

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

LinkLabel::LinkLabel(const QString& caption, const QString& url, QWidget* parent)
    : QLabel(caption, parent), url_(url) {
  setTextFormat(Qt::PlainText);
  QFont f(QStringLiteral("Arial"));
  f.setPointSizeF(font().pointSizeF());
  f.setUnderline(true);
  setFont(f);
  setCursor(Qt::PointingHandCursor);
  SetHover(false);
}

void LinkLabel::SetHover(bool on) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, on ? QColor(Qt::blue) : QColor(Qt::black));
  setPalette(p);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  SetHover(true);
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  SetHover(false);
  QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}
