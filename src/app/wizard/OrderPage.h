#pragma once

#include <QStringList>

#include "wizard/WizardPage.h"

namespace wordlark {

struct WizardControls;

// Step 7, the order options: the direct order link, the ClickBank account,
// the PayPal button code and affiliate ID. The order link's format is kept
// here too, hidden: the letter and its files carry it, nothing shows it.
class OrderPage : public WizardPage {
  Q_OBJECT

 public:
  OrderPage(WizardControls& controls, const QStringList& families, QWidget* parent = nullptr);
};

}  // namespace wordlark
