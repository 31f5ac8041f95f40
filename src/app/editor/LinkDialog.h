#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace wordlark {

// The address of a link as a person types it, made fit for the document. Web
// (http, https), mail (mailto:) and telephone (tel:) addresses are taken; a
// bare host ("example.com/offer") becomes a web address
// ("https://example.com/offer"), a bare "name@example.com" a mail address,
// and the blanks of a telephone number are dropped. Anything else gives no
// address and the reason in `error`.
std::optional<QString> NormalizeLinkAddress(const QString& typed, QString* error);

// The small dialog that makes or changes a link: its address and its text,
// and a button that removes the link the caret is in. Tests queue answers
// instead of a person.
class LinkDialog : public QDialog {
  Q_OBJECT

 public:
  struct Request {
    QString address;  // the link's, when the caret is in one
    QString text;     // the link's text, or the selected text
    bool inLink = false;
  };
  struct Answer {
    enum class Action { kSet, kRemove };
    Action action = Action::kSet;
    QString address;  // as typed (the dialog itself takes only a fit one)
    QString text;
  };

  // Shows the dialog filled from `request`; nothing when the user cancels.
  static std::optional<Answer> Ask(QWidget* parent, const Request& request);

  // For tests: the next dialogs give these answers in order (none cancels)
  // without showing anything, and record what they were filled with.
  static void QueueAnswer(std::optional<Answer> answer);
  static const QList<Request>& Requests();
  static void Reset();

  LinkDialog(const Request& request, QWidget* parent = nullptr);

  QLineEdit* edtLinkAddress = nullptr;
  QLineEdit* edtLinkText = nullptr;
  QLabel* lblLinkError = nullptr;
  QPushButton* btnRemoveLink = nullptr;

  void accept() override;
  bool RemoveChosen() const { return remove_; }

 private:
  bool remove_ = false;
};

}  // namespace wordlark
