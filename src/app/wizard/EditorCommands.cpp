#include "wizard/EditorCommands.h"

#include <QComboBox>
#include <QWidget>

#include "HtmlEditor.h"
#include "LinkDialog.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "wizard/PictureDialog.h"
#include "wizard/WizardControls.h"

namespace wordlark {

HtmlEditor* EditorCommands::EditorForTag(int tag) const {
  switch (tag) {
    case 1:
      return controls_.prfEditor1;
    case 2:
      return controls_.prfEditor2;
    case 3:
      return controls_.prfEditor3;
    case 10:
      return controls_.prfEditor10;
    case 11:
      return controls_.prfEditor11;
    default:
      return nullptr;
  }
}

void EditorCommands::SendTo(QWidget* sender, const QString& command, const QVariant& value) const {
  if (HtmlEditor* editor = EditorForTag(sender->property("Tag").toInt())) {
    editor->ExecCommand(command, value);
  }
}

void EditorCommands::SendFontName(QComboBox* box) const {
  if (box->currentIndex() >= 0) {
    SendTo(box, QStringLiteral("FontName"), box->currentText());
  }
}

void EditorCommands::SendFontSize(QComboBox* box) const {
  const QString text = box->currentText();
  if (!text.isEmpty() && text[0].isDigit()) {
    SendTo(box, QStringLiteral("FontSize"), text[0].digitValue());
  }
}

void EditorCommands::Send(QWidget* button) const {
  SendTo(button, button->property("Command").toString());
}

void EditorCommands::PickColorAndSend(QWidget* button) {
  const auto color = ColorPicker::GetColor(button->window(), color_, QObject::tr("Set color"));
  if (!color) {
    return;
  }
  color_ = *color;
  SendTo(button, button->property("Command").toString(), *color);
}

void EditorCommands::InsertPicture(QWidget* button) const {
  HtmlEditor* editor = EditorForTag(button->property("Tag").toInt());
  if (editor != nullptr && editor->IsReady()) {
    PictureDialog::InsertInto(editor);
  }
}

void EditorCommands::EditLink(QWidget* button) const {
  HtmlEditor* editor = EditorForTag(button->property("Tag").toInt());
  if (editor == nullptr || !editor->IsReady()) {
    return;
  }
  const HtmlEditor::CaretFormat& caret = editor->FormatAtCaret();
  const QString shown = caret.inLink ? caret.linkText : caret.selectedText;
  const auto answer = LinkDialog::Ask(button->window(), {caret.linkAddress, shown, caret.inLink});
  if (!answer) {
    return;
  }
  if (answer->action == LinkDialog::Answer::Action::kRemove) {
    editor->RemoveLink();
    return;
  }
  QString error;
  const auto address = NormalizeLinkAddress(answer->address, &error);
  if (!address) {
    MessageBox::Warning(button->window(), error);
    return;
  }
  // The text there is stays, with its formatting, unless it was changed.
  std::optional<QString> text;
  if (answer->text != shown || shown.isEmpty()) {
    text = answer->text;
  }
  editor->SetLink(*address, text);
}

}  // namespace wordlark
