#include "online/NewsBalloon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QToolTip>
#include <algorithm>

#include "widgets/QtText.h"

namespace wordlark {
namespace {

constexpr int kTail = 14;       // height of the tail above the body
constexpr int kTailWidth = 16;  // width of the tail where it meets the body
constexpr int kTailInset = 24;  // from the body's right edge to the tail's tip
constexpr int kPadding = 8;
constexpr int kRadius = 8;

QPointer<NewsBalloon> g_current;

}  // namespace

NewsBalloon::NewsBalloon(const QString& text, QPoint tip, QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint), tip_(tip) {
  setObjectName(QStringLiteral("LMDMessageHint1"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);

  label_ = new QLabel(this);
  label_->setTextFormat(Qt::PlainText);
  label_->setText(WidgetLines(text));
  label_->setFont(QToolTip::font());
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, QToolTip::palette().color(QPalette::ToolTipText));
  label_->setPalette(palette);
  const QSize textSize = label_->sizeHint();
  const int width = std::max(textSize.width() + 2 * kPadding, kTailInset + kTailWidth + kRadius);
  const int height = textSize.height() + 2 * kPadding;
  label_->setGeometry(kPadding, kTail + kPadding, textSize.width(), textSize.height());

  resize(width + kShadow, kTail + height + kShadow);
  tipX_ = width - kTailInset;
  move(tip_ - QPoint(tipX_, 0));

  g_current = this;
  qApp->installEventFilter(this);
}

NewsBalloon::~NewsBalloon() {
  qApp->removeEventFilter(this);
}

QString NewsBalloon::Text() const {
  return label_->text();
}

NewsBalloon* NewsBalloon::Current() {
  return g_current && g_current->isVisible() ? g_current.data() : nullptr;
}

void NewsBalloon::paintEvent(QPaintEvent*) {
  const QRect body(0, kTail, width() - kShadow, height() - kTail - kShadow);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(body).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
  QPainterPath tail;
  tail.moveTo(tipX_, 0);
  tail.lineTo(tipX_, kTail + kRadius);
  tail.lineTo(tipX_ - kTailWidth, kTail + kRadius);
  tail.closeSubpath();
  shape = shape.united(tail);

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(shape.translated(kShadow, kShadow), QColor(0, 0, 0, 70));
  const QPalette tips = QToolTip::palette();
  painter.fillPath(shape, tips.color(QPalette::ToolTipBase));
  painter.setPen(tips.color(QPalette::ToolTipText));
  painter.drawPath(shape);
}

bool NewsBalloon::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
      if (isVisible()) {
        close();
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void NewsBalloon::closeEvent(QCloseEvent* event) {
  qApp->removeEventFilter(this);
  event->accept();
}

NewsBalloon* ShowNewsBalloon(QWidget* anchor, const QString& text) {
  if (NewsBalloon* previous = NewsBalloon::Current()) {
    previous->close();
  }
  if (anchor == nullptr) {
    return nullptr;
  }
  // The button's centre: left + width / 2, top + height / 2.
  const QPoint tip = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height() / 2));
  auto* balloon = new NewsBalloon(text, tip, anchor->window());
  balloon->show();
  return balloon;
}

}  // namespace wordlark
