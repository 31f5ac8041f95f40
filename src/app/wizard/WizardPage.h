#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace wordlark {

// `widget` with its object name, the name tests and the letter's checks find
// it by.
template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// One step of the wizard: a page that starts with its bold heading and lays
// out its controls below it, top to bottom.
class WizardPage : public QWidget {
  Q_OBJECT

 public:
  explicit WizardPage(const QString& heading, QWidget* parent = nullptr);

  // A word-wrapped label: the page's notes and the labels above wide controls.
  static QLabel* Note(const QString& text, QWidget* parent);

  // The first place on the page to type in, top to bottom: a text box, a
  // memo or an editor that is shown and takes input; null when there is none.
  QWidget* FirstField() const;

 protected:
  QVBoxLayout* Layout() const { return layout_; }
  void AddNote(const QString& text);

 private:
  QVBoxLayout* layout_ = nullptr;
};

}  // namespace wordlark
