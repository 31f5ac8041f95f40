#include "wizard/PictureDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "HtmlEditor.h"
#include "seams/Dialogs.h"

namespace wordlark {

PictureDialog::PictureDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgInsertPicture"));
  setWindowTitle(tr("Insert picture"));
  auto* layout = new QGridLayout(this);
  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("edtPictureAddress"));
  address_->setPlaceholderText(tr("A file on this computer or a web address"));
  address_->setMinimumWidth(360);
  auto* browse = new QPushButton(tr("Browse..."), this);
  browse->setObjectName(QStringLiteral("btnPictureBrowse"));
  description_ = new QLineEdit(this);
  description_->setObjectName(QStringLiteral("edtPictureDescription"));
  description_->setPlaceholderText(tr("Shown where the picture cannot be seen (optional)"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);

  layout->addWidget(new QLabel(tr("Picture:"), this), 0, 0);
  layout->addWidget(address_, 0, 1);
  layout->addWidget(browse, 0, 2);
  layout->addWidget(new QLabel(tr("Description:"), this), 1, 0);
  layout->addWidget(description_, 1, 1, 1, 2);
  layout->addWidget(buttons, 2, 0, 1, 3);

  ok->setEnabled(false);
  connect(address_, &QLineEdit::textChanged, ok,
          [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
  connect(browse, &QPushButton::clicked, this, &PictureDialog::Browse);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString PictureDialog::Source() const {
  return address_->text().trimmed();
}

QString PictureDialog::Description() const {
  return description_->text().trimmed();
}

void PictureDialog::Browse() {
  const QString path = FileDialog::AskPicture(this);
  if (!path.isEmpty()) {
    address_->setText(path);
  }
}

void PictureDialog::InsertInto(HtmlEditor* editor) {
  PictureDialog dialog(editor->window());
  if (dialog.exec() == QDialog::Accepted) {
    editor->setFocus();
    editor->InsertPicture(dialog.Source(), dialog.Description());
  }
}

}  // namespace wordlark
