#include "wizard/OrderPage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "letter/letter_configuration.h"
#include "wizard/ListFormatBox.h"
#include "wizard/WizardControls.h"

namespace wordlark {

OrderPage::OrderPage(WizardControls& c, const QStringList& families, QWidget* parent)
    : WizardPage(tr("Step 7: Order Link Options"), parent) {
  QVBoxLayout* layout = Layout();
  AddNote(tr("Enter the Direct Link to your Order Product Page."));
  c.edtDirectLink = Named(new QLineEdit(this), "edtDirectLink");
  layout->addWidget(c.edtDirectLink);

  AddNote(tr("If you use Clickbank enter the account data here."));
  auto* clickBank = new QFormLayout;
  c.edtClickBankName = Named(new QLineEdit(this), "edtClickBankName");
  c.edtProductName = Named(new QLineEdit(this), "edtProductName");
  c.edtDescription = Named(new QLineEdit(this), "edtDescription");
  clickBank->addRow(tr("Clickbank Name:"), c.edtClickBankName);
  clickBank->addRow(tr("Product Name:"), c.edtProductName);
  clickBank->addRow(tr("Description:"), c.edtDescription);
  layout->addLayout(clickBank);

  AddNote(
      tr("If you use Paypal, create the product button in your Paypal account and paste "
         "this code here."));
  c.memPaypalCode = Named(new QPlainTextEdit(this), "memPaypalCode");
  layout->addWidget(c.memPaypalCode, 1);
  auto* affiliate = new QHBoxLayout;
  affiliate->addWidget(new QLabel(tr("Enter your Affiliate ID (Paypal Email):"), this));
  c.edtPaypalEmail = Named(new QLineEdit(this), "edtPaypalEmail");
  affiliate->addWidget(c.edtPaypalEmail, 1);
  affiliate->addWidget(new QLabel(tr("Optional"), this));
  layout->addLayout(affiliate);

  auto* hidden = Named(new QWidget(this), "panOrderFormat");
  auto* hiddenLayout = new QVBoxLayout(hidden);
  hiddenLayout->addWidget(new QLabel(tr("Enter the format for your Order Link."), hidden));
  hiddenLayout->addWidget(
      new ListFormatBox({"O", kColorMoneyGreen, &c.cbxOBgColor, &c.cbxOColor, &c.cbxOName,
                         &c.cbxOSize, &c.chkOBold, &c.chkOUnderline, &c.chkOItalic},
                        families, hidden));
  hidden->hide();
  layout->addWidget(hidden);
}

}  // namespace wordlark
