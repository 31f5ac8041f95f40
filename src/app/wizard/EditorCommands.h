#pragma once

#include <QColor>
#include <QString>
#include <QVariant>

class QComboBox;
class QWidget;

namespace wordlark {

class HtmlEditor;
struct WizardControls;

// What the formatting toolbars send to the editors. A toolbar control names
// its editor by the number in its "Tag" property and its command in its
// "Command" property. The one colour dialog of all five toolbars keeps the
// colour last confirmed in it.
class EditorCommands {
 public:
  explicit EditorCommands(const WizardControls& controls) : controls_(controls) {}

  // The editor with number 1, 2, 3, 10 or 11; none for any other number.
  HtmlEditor* EditorForTag(int tag) const;

  // The font-name box: its family to its editor, once one is selected.
  void SendFontName(QComboBox* box) const;
  // The font-size box: the digit its entry begins with, the HTML font size.
  void SendFontSize(QComboBox* box) const;
  // A button's command, as it stands.
  void Send(QWidget* button) const;
  // A colour button's command, with a colour the user picks first; nothing
  // when the user cancels.
  void PickColorAndSend(QWidget* button);
  // The link button (and Ctrl+K): the link dialog, filled from the link at
  // the caret or the selected text, then the link made, changed or removed.
  // An address a link cannot have is refused with a warning.
  void EditLink(QWidget* button) const;
  // Asks for a picture and puts it at the caret of the button's editor.
  void InsertPicture(QWidget* button) const;

 private:
  void SendTo(QWidget* sender, const QString& command, const QVariant& value = {}) const;

  const WizardControls& controls_;
  QColor color_ = Qt::black;
};

}  // namespace wordlark
