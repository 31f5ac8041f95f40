#pragma once

#include <QWidget>

class QComboBox;
class QToolButton;

namespace wordlark {

// The formatting toolbar above a rich-text editor. It only holds the controls;
// the main window's handlers find the editor from each control's "Tag"
// property, the number of the editor it serves.
class FormatToolbar : public QWidget {
  Q_OBJECT

 public:
  FormatToolbar(int tag, QWidget* parent = nullptr);

  int tag() const { return tag_; }

  QComboBox* fontName = nullptr;
  QComboBox* fontSize = nullptr;
  QToolButton* bold = nullptr;
  QToolButton* italic = nullptr;
  QToolButton* underline = nullptr;
  QToolButton* number = nullptr;
  QToolButton* bullets = nullptr;
  QToolButton* outdent = nullptr;
  QToolButton* indent = nullptr;
  QToolButton* alignLeft = nullptr;
  QToolButton* center = nullptr;
  QToolButton* alignRight = nullptr;
  QToolButton* justify = nullptr;
  QToolButton* fontColor = nullptr;
  QToolButton* backColor = nullptr;

  // The entries of the font-size box; the digit that begins one is the HTML
  // font size.
  static const QStringList& FontSizes();

 private:
  QToolButton* AddButton(const QString& name, const QString& text, const QString& iconName,
                         const QString& accessibleName);
  void AddDivider();

  int tag_;
};

}  // namespace wordlark
