#include "brand/WebLinks.h"

#include <QMouseEvent>

namespace wordlark {

LinkLabel::LinkLabel(const QString& caption, const QString& url, QWidget* parent)
    : ClickableLabel(caption, parent), url_(url) {
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

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

}  // namespace wordlark
