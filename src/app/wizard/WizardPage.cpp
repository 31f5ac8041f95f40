#include "wizard/WizardPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "HtmlEditor.h"

namespace wordlark {

WizardPage::WizardPage(const QString& heading, QWidget* parent) : QWidget(parent) {
  layout_ = new QVBoxLayout(this);
  auto* label = new QLabel(heading, this);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  label->setFont(font);
  layout_->addWidget(label);
}

QLabel* WizardPage::Note(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QWidget* WizardPage::FirstField() const {
  // Children come in the order they were made, which is the page's order.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!w->isVisibleTo(this) || !w->isEnabled()) {
      continue;
    }
    if (const auto* line = qobject_cast<QLineEdit*>(w); line != nullptr && !line->isReadOnly()) {
      return w;
    }
    if (const auto* memo = qobject_cast<QPlainTextEdit*>(w);
        memo != nullptr && !memo->isReadOnly()) {
      return w;
    }
    if (const auto* editor = qobject_cast<HtmlEditor*>(w);
        editor != nullptr && !editor->BrowseMode()) {
      return w;
    }
  }
  return nullptr;
}

void WizardPage::AddNote(const QString& text) {
  layout_->addWidget(Note(text, this));
}

}  // namespace wordlark
