#include "TfrmAbout.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/QtText.h"

namespace wordlark {

TfrmAbout::TfrmAbout(const BrandSettings& brand, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(tr("About..."));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::CustomizeWindowHint);
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  lblProductName = new QLabel(this);
  lblProductName->setObjectName(QStringLiteral("lblProductName"));
  lblProductName->setTextFormat(Qt::PlainText);
  QFont bold = lblProductName->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  lblProductName->setFont(bold);
  lblProductVersion = new QLabel(this);
  lblProductVersion->setObjectName(QStringLiteral("lblProductVersion"));
  lblProductVersion->setTextFormat(Qt::PlainText);
  lblCopyright = new QLabel(this);
  lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
  lblCopyright->setTextFormat(Qt::PlainText);
  memAbout = new QPlainTextEdit(this);
  memAbout->setObjectName(QStringLiteral("memAbout"));
  memAbout->setReadOnly(true);
  memAbout->setFrameShape(QFrame::NoFrame);
  memAbout->setFont(QFont(QStringLiteral("Arial")));
  QPalette palette = memAbout->palette();
  palette.setColor(QPalette::Text, Qt::black);
  memAbout->setPalette(palette);
  editAbout = new QPushButton(tr("Ok"), this);
  editAbout->setObjectName(QStringLiteral("editAbout"));
  editAbout->setDefault(true);

  layout->addWidget(lblProductName);
  layout->addWidget(lblProductVersion);
  layout->addWidget(lblCopyright);
  layout->addWidget(memAbout, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(editAbout);
  layout->addLayout(buttons);
  // A dialog of fixed size; shown with a parent, it opens centred over it.
  setFixedSize(420, 320);
  connect(editAbout, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate(brand);
}

void TfrmAbout::FormCreate(const BrandSettings& brand) {
  setWindowTitle(Q(AboutWindowCaption(brand)));
  lblProductName->setText(Q(brand.ApplicationName));
  lblProductVersion->setText(Q(ProductVersionText()));
  lblCopyright->setText(Q(CopyrightText(brand)));
  // The text box breaks lines at CR, LF or CR LF.
  memAbout->setPlainText(WidgetLines(Q(brand.AboutText)));
}

}  // namespace wordlark
