#include "wizard/GeneralPage.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "letter/letter_configuration.h"
#include "seams/Dialogs.h"
#include "widgets/ColorBox.h"
#include "wizard/WizardControls.h"

namespace wordlark {

GeneralPage::GeneralPage(WizardControls& c, QWidget* parent)
    : WizardPage(tr("Step 1: General settings"), parent) {
  auto* form = new QGridLayout;
  int row = 0;
  const auto text = [&](const QString& label, const char* name) {
    auto* edit = Named(new QLineEdit(this), name);
    form->addWidget(new QLabel(label, this), row, 0);
    form->addWidget(edit, row, 1, 1, 2);
    ++row;
    return edit;
  };
  const auto picture = [&](const QString& label, const char* name, const char* button,
                           QPushButton*& browse) {
    auto* edit = Named(new QLineEdit(this), name);
    browse = Named(new QPushButton(tr("Browse..."), this), button);
    form->addWidget(new QLabel(label, this), row, 0);
    form->addWidget(edit, row, 1);
    form->addWidget(browse, row, 2);
    ++row;
    return edit;
  };
  c.edtPageTitle = text(tr("Page Title:"), "edtPageTitle");
  c.edtFullName = text(tr("Your Full Name:"), "edtFullName");
  c.edtCurrentDate = text(tr("Current Date:"), "edtCurrentDate");
  form->addWidget(Note(tr("You can type a image url or browse for an image stored in your PC. In "
                          "the last case, the image will be copied to the same folder of your "
                          "output html file."),
                       this),
                  row++, 1, 1, 2);
  c.edtHeaderPicture =
      picture(tr("Header Picture:"), "edtHeaderPicture", "bsSkinButton1", c.bsSkinButton1);
  c.edtCoverPicture =
      picture(tr("Cover Picture:"), "edtCoverPicture", "bsSkinButton2", c.bsSkinButton2);
  c.edtFooterPicture =
      picture(tr("Footer Picture:"), "edtFooterPicture", "bsSkinButton4", c.bsSkinButton4);
  c.cbxMainBgColor = Named(new ColorBox(this), "cbxMainBgColor");
  c.cbxMainBgColor->SetValue(kColorWhite);
  form->addWidget(new QLabel(tr("Background Color:"), this), row, 0);
  form->addWidget(c.cbxMainBgColor, row++, 1, Qt::AlignLeft);
  form->setColumnStretch(1, 1);
  Layout()->addLayout(form);
  Layout()->addStretch(1);
}

void GeneralPage::BrowsePicture(QLineEdit* target) {
  const QString path = FileDialog::AskPicture(window());
  if (!path.isEmpty()) {
    target->setText(QDir::toNativeSeparators(path));
  }
}

}  // namespace wordlark
