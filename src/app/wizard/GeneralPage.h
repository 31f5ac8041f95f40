#pragma once

#include <QString>

#include "wizard/WizardPage.h"

class QLineEdit;

namespace wordlark {

struct WizardControls;

// Step 1, general settings: page title, name, date, the three pictures with
// their Browse buttons, and the page colour.
class GeneralPage : public WizardPage {
  Q_OBJECT

 public:
  explicit GeneralPage(WizardControls& controls, QWidget* parent = nullptr);

  // Asks for a picture file and puts its full path into `target`, replacing
  // what was there; a cancelled dialog changes nothing. The dialog opens
  // where the previous picture was chosen, in this run or an earlier one.
  void BrowsePicture(QLineEdit* target);
};

}  // namespace wordlark
