#include "wizard/WizardPage.h"

#include <QLabel>
#include <QVBoxLayout>

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

void WizardPage::AddNote(const QString& text) {
  layout_->addWidget(Note(text, this));
}

}  // namespace wordlark
