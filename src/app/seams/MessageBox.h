#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace wordlark {

// The one message box component of the application (`msgMain`): every message
// to the user goes through it. Tests answer it instead of a person: with an
// automatic answer set, no box is shown, the answer is returned at once and the
// message is recorded.
class MessageBox {
 public:
  enum class Kind { Warning, Error, Information, Question };
  enum class Button { Ok, Cancel, Save, Discard, Restore };

  struct Shown {
    Kind kind;
    QString text;
  };

  // Shows a modal box with an OK button (and Cancel when asked); returns the
  // button that closed it (Cancel also when the box was closed otherwise).
  static Button Show(QWidget* parent, Kind kind, const QString& text, bool withCancel = false);

  static void Warning(QWidget* parent, const QString& text) { Show(parent, Kind::Warning, text); }
  static void Error(QWidget* parent, const QString& text) { Show(parent, Kind::Error, text); }
  static void Information(QWidget* parent, const QString& text) {
    Show(parent, Kind::Information, text);
  }

  // Asks a question with the given buttons, the first one the default and
  // the last one the answer when the box is closed otherwise (Escape, the
  // window's close button); returns the button chosen.
  static Button Ask(QWidget* parent, const QString& text, const QList<Button>& buttons);

  // For tests: answer every box with `answer` without showing it (none: show
  // boxes again), and the messages answered so far. A question whose buttons
  // do not include the automatic answer gets its last button (the one that
  // changes nothing), unless an answer was queued for it.
  static void SetAutoAnswer(std::optional<Button> answer);
  // For tests: the next questions get these answers, in order.
  static void QueueAnswer(Button answer);
  static const QList<Shown>& History();
  // The texts of History(), in order.
  static QStringList HistoryTexts();
  static void ClearHistory();
};

}  // namespace wordlark
