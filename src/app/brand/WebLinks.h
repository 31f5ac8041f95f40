#pragma once

#include <QLabel>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

// Opening web pages outside the program.
//
// OpenUrlInBrowser hands an address to the desktop's handler for it and says
// whether a handler took it. Only web and mail addresses are opened; an empty
// text or any other kind of address (javascript:, file:, ...) opens nothing.
// An address typed without a scheme ("www.example.com") is taken as a web
// address.
bool OpenUrlInBrowser(const QString& url);

// The address OpenUrlInBrowser would open, or an invalid URL when it would
// open nothing.
QUrl BrowsableUrl(const QString& url);

// For tests: where addresses go instead of the desktop (none: the desktop).
void SetUrlOpenerForTesting(std::function<bool(const QUrl&)> opener);

// Starts a program of its own, not waiting for it; true when it started.
bool StartProgram(const QString& program, const QStringList& arguments);

// For tests: where program starts go instead (none: really start them).
void SetProgramStarterForTesting(std::function<bool(const QString&, const QStringList&)> starter);

// A text link: its caption underlined in Arial, the hand cursor, blue while
// the mouse is over it; a click opens its URL.
class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit LinkLabel(const QString& caption, const QString& url, QWidget* parent = nullptr);

  QString Url() const { return url_; }
  void SetUrl(const QString& url) { url_ = url; }

 signals:
  void clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetHover(bool on);

  QString url_;
};

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
