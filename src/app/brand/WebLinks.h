#pragma once

#include <QLabel>
#include <QString>

namespace wordlark {

// A picture view that reports clicks (the banner views).
class ClickableLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A text link: its caption underlined in Arial, the hand cursor, blue while
// the mouse is over it; a click opens its URL.
class LinkLabel : public ClickableLabel {
  Q_OBJECT

 public:
  explicit LinkLabel(const QString& caption, const QString& url, QWidget* parent = nullptr);

  QString Url() const { return url_; }
  void SetUrl(const QString& url) { url_ = url; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void SetHover(bool on);

  QString url_;
};

}  // namespace wordlark
