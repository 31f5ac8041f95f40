#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace wordlark {

// The file dialogs of the application. Filters are written as "label|patterns"
// pairs joined by "|" ("Settings files (*.set)|*.set"), patterns separated by
// ";". Tests queue answers instead of a person: an empty answer cancels.
class FileDialog {
 public:
  struct Request {
    bool save;
    QString title;
    QString folder;
    QString filter;
  };

  // The chosen path, or an empty text when the user cancelled.
  static QString GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);
  static QString GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);

  // A save dialog for one kind of file: the chosen path, with "." + `suffix`
  // added when it ends in anything else, or an empty text when the user
  // cancelled. It opens in `folder`, which then follows the choice.
  static QString AskSavePath(QWidget* parent, const QString& title, QString& folder,
                             const QString& filter, const QString& suffix);

  // The picture dialog: opens where the last picture was chosen (in this run
  // or an earlier one), remembers the folder of the choice, and gives the
  // chosen file's absolute path, or an empty text when the user cancelled.
  static QString AskPicture(QWidget* parent);

  // For tests: the next dialogs return these paths in order ("" cancels),
  // without showing anything, and record what they were asked.
  static void QueueAnswer(const QString& path);
  static bool HasQueuedAnswers();
  static const QList<Request>& Requests();
  static void Reset();

  // "All (*.bmp;*.gif)|*.bmp;*.gif|Gif (*.gif)|*.gif" as Qt writes it:
  // "All (*.bmp *.gif);;Gif (*.gif)".
  static QString ToQtFilter(const QString& filter);
};

// The colour picker. Tests queue answers: std::nullopt cancels.
class ColorPicker {
 public:
  static std::optional<QColor> GetColor(QWidget* parent, const QColor& initial,
                                        const QString& title);

  static void QueueAnswer(std::optional<QColor> color);
  // The starting colours the picker was opened with, in order.
  static const QList<QColor>& OpenedWith();
  static void Reset();
};

}  // namespace wordlark
