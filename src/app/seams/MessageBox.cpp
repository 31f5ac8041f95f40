#include "seams/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace wordlark {
namespace {

std::optional<MessageBox::Button> g_autoAnswer;
QList<MessageBox::Shown> g_history;

// A message is titled with the caption of the program's main window, the
// outermost window above `parent` (the news window's messages too).
QString Caption(QWidget* parent) {
  QWidget* top = parent != nullptr ? parent->window() : nullptr;
  while (top != nullptr && top->parentWidget() != nullptr) {
    top = top->parentWidget()->window();
  }
  return top != nullptr ? top->windowTitle() : QApplication::applicationName();
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

void MessageBox::SetAutoAnswer(std::optional<Button> answer) {
  g_autoAnswer = answer;
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
