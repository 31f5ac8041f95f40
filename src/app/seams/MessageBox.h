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
  enum class Kind { Warning, Error, Information };
  enum class Button { Ok, Cancel };

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

  // For tests: answer every box with `answer` without showing it (none: show
  // boxes again), and the messages answered so far.
  static void SetAutoAnswer(std::optional<Button> answer);
  static const QList<Shown>& History();
  // The texts of History(), in order.
  static QStringList HistoryTexts();
  static void ClearHistory();
};

}  // namespace wordlark
