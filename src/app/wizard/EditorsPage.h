#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "FormatToolbar.h"
#include "wizard/WizardPage.h"

namespace wordlark {

class HtmlEditor;
struct WizardControls;

// A step of rich-text sections (steps 2, 3 and 6): each section a label, its
// formatting toolbar and its editor below. The editors are made here and
// nowhere else.
class EditorsPage : public WizardPage {
  Q_OBJECT

 public:
  // Step 2: the main headline, the sub-headline and the introduction.
  static EditorsPage* Headline(WizardControls& controls, FormatToolbar::Handlers& handlers,
                               const QStringList& families);
  // Step 3: the product introduction.
  static EditorsPage* Product(WizardControls& controls, FormatToolbar::Handlers& handlers,
                              const QStringList& families);
  // Step 6: the closing statement and the P.S.
  static EditorsPage* Ending(WizardControls& controls, FormatToolbar::Handlers& handlers,
                             const QStringList& families);

 private:
  EditorsPage(const QString& heading, WizardControls& controls, FormatToolbar::Handlers& handlers,
              const QStringList& families);

  // Adds a section for editor `tag` (object name "prfEditor" + tag) that
  // grows with the page when `stretch`; Enter starts a new division in it.
  HtmlEditor* AddEditor(int tag, const QString& label, bool stretch);

  WizardControls& controls_;
  FormatToolbar::Handlers& handlers_;
  QStringList families_;
};

}  // namespace wordlark
