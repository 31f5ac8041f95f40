#pragma once

#include <QDialog>

class QLineEdit;

namespace wordlark {

class HtmlEditor;

// Asks for a picture to put into a rich-text section: a file (typed or
// chosen with the picture dialog) or a web address, and an optional
// description that stands in for it where it cannot be seen.
class PictureDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PictureDialog(QWidget* parent = nullptr);

  // The picture's address as it goes into the document: a file's path, or
  // the web address as typed.
  QString Source() const;
  QString Description() const;

  // Asks, and puts the picture at the editor's caret unless the user
  // cancels.
  static void InsertInto(HtmlEditor* editor);

 private:
  void Browse();

  QLineEdit* address_;
  QLineEdit* description_;
};

}  // namespace wordlark
