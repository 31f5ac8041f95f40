#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class QLabel;

namespace wordlark {

// A balloon-shaped hint whose tail points at a screen point; the balloon
// opens below and to the left of it. It closes at the next mouse click
// anywhere in the application, and deletes itself then. At most one is on
// screen at a time.
class NewsBalloon : public QWidget {
  Q_OBJECT

 public:
  // Depth of the shadow, in pixels.
  static constexpr int kShadow = 4;

  // A hidden balloon for `text` (line breaks CR LF, LF or CR) pointing at
  // `tip` in screen coordinates, a window of its own owned by `owner`.
  NewsBalloon(const QString& text, QPoint tip, QWidget* owner = nullptr);
  ~NewsBalloon() override;

  // The point the tail touches, in screen coordinates.
  QPoint TipPosition() const { return tip_; }
  QString Text() const;

  // The balloon on screen, if any.
  static NewsBalloon* Current();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label_ = nullptr;
  QPoint tip_;
  int tipX_ = 0;  // the tail's x in the balloon's own coordinates
};

// Shows the news balloon (`LMDMessageHint1`) pointing at the centre of
// `anchor` (the news button), closing the one shown before. Returns the
// balloon, which deletes itself when it closes; nothing without an anchor.
NewsBalloon* ShowNewsBalloon(QWidget* anchor, const QString& text);

}  // namespace wordlark
