#include "seams/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace wordlark {
namespace {

std::optional<MessageBox::Button> g_autoAnswer;
QList<MessageBox::Button> g_queuedAnswers;
QList<MessageBox::Shown> g_history;

QMessageBox::StandardButton StandardButtonOf(MessageBox::Button button) {
  switch (button) {
    case MessageBox::Button::Ok:
      return QMessageBox::Ok;
    case MessageBox::Button::Cancel:
      return QMessageBox::Cancel;
    case MessageBox::Button::Save:
      return QMessageBox::Save;
    case MessageBox::Button::Discard:
      return QMessageBox::Discard;
    case MessageBox::Button::Restore:
      return QMessageBox::RestoreDefaults;
  }
  return QMessageBox::Ok;
}

// A message is titled with the caption of the program's main window, the
// outermost window above `parent` (the news window's messages too).
QString Caption(QWidget* parent) {
  QWidget* top = parent != nullptr ? parent->window() : nullptr;
  while (top != nullptr && top->parentWidget() != nullptr) {
    top = top->parentWidget()->window();
  }
  if (top == nullptr) {
    return QApplication::applicationName();
  }
  QString caption = top->windowTitle();
  caption.remove(QLatin1String("[*]"));  // the modified mark is the window's own
  return caption;
}

}  // namespace

MessageBox::Button MessageBox::Show(QWidget* parent, Kind kind, const QString& text,
                                    bool withCancel) {
  if (g_autoAnswer) {
    g_history.append({kind, text});
    return *g_autoAnswer;
  }
  QMessageBox::Icon icon = QMessageBox::Information;
  switch (kind) {
    case Kind::Warning:
      icon = QMessageBox::Warning;
      break;
    case Kind::Error:
      icon = QMessageBox::Critical;
      break;
    case Kind::Information:
      icon = QMessageBox::Information;
      break;
    case Kind::Question:
      icon = QMessageBox::Question;
      break;
  }
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if (withCancel) {
    buttons |= QMessageBox::Cancel;
  }
  QMessageBox box(icon, Caption(parent), text, buttons, parent);
  box.setObjectName(QStringLiteral("msgMain"));
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok ? Button::Ok : Button::Cancel;
}

MessageBox::Button MessageBox::Ask(QWidget* parent, const QString& text,
                                   const QList<Button>& buttons) {
  if (g_autoAnswer || !g_queuedAnswers.isEmpty()) {
    g_history.append({Kind::Question, text});
    if (!g_queuedAnswers.isEmpty()) {
      return g_queuedAnswers.takeFirst();
    }
    return buttons.contains(*g_autoAnswer) ? *g_autoAnswer : buttons.last();
  }
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                  QMessageBox::NoButton, parent);
  box.setObjectName(QStringLiteral("msgMain"));
  for (Button button : buttons) {
    QPushButton* b = box.addButton(StandardButtonOf(button));
    if (button == Button::Restore) {
      b->setText(QApplication::translate("MessageBox", "Restore"));
    }
  }
  box.setDefaultButton(StandardButtonOf(buttons.first()));
  box.setEscapeButton(box.button(StandardButtonOf(buttons.last())));
  box.exec();
  for (Button button : buttons) {
    if (box.clickedButton() == box.button(StandardButtonOf(button))) {
      return button;
    }
  }
  return buttons.last();
}

void MessageBox::SetAutoAnswer(std::optional<Button> answer) {
  g_autoAnswer = answer;
  g_queuedAnswers.clear();
}

void MessageBox::QueueAnswer(Button answer) {
  g_queuedAnswers.append(answer);
}

const QList<MessageBox::Shown>& MessageBox::History() {
  return g_history;
}

void MessageBox::ClearHistory() {
  g_history.clear();
}

QStringList MessageBox::HistoryTexts() {
  QStringList texts;
  for (const Shown& shown : g_history) {
    texts << shown.text;
  }
  return texts;
}

}  // namespace wordlark
