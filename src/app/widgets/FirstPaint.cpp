#include "widgets/FirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace wordlark {
namespace {

// Watches the window's native surface: its first exposure is painted while
// the expose event is handled, so a call queued from here runs after it.
class FirstPaintWatch : public QObject {
 public:
  FirstPaintWatch(QWidget* window, std::function<void()> call)
      : QObject(window), call_(std::move(call)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, this, [this] {
        const auto call = std::move(call_);
        deleteLater();
        call();
      });
    }
    return false;
  }

 private:
  std::function<void()> call_;
};

}  // namespace

void CallAfterFirstPaint(QWidget* window, std::function<void()> call) {
  window->winId();  // the native window exists from here on
  window->windowHandle()->installEventFilter(new FirstPaintWatch(window, std::move(call)));
}

}  // namespace wordlark
