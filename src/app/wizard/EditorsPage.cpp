#include "wizard/EditorsPage.h"

#include <QAction>
#include <QLineEdit>
#include <QVBoxLayout>

#include "HtmlEditor.h"
#include "seams/Desktop.h"
#include "seams/UserSettings.h"
#include "wizard/PictureDialog.h"
#include "wizard/WizardControls.h"

namespace wordlark {

EditorsPage::EditorsPage(const QString& heading, WizardControls& controls,
                         FormatToolbar::Handlers& handlers, const QStringList& families)
    : WizardPage(heading), controls_(controls), handlers_(handlers), families_(families) {}

HtmlEditor* EditorsPage::AddEditor(int tag, const QString& label, bool stretch) {
  AddNote(label);
  auto* toolbar = new FormatToolbar(tag, handlers_, families_, this);
  Layout()->addWidget(toolbar);
  controls_.toolbars.push_back(toolbar);
  auto* editor = new HtmlEditor(this, HtmlEditor::EngineStart::kOnDemand);
  editor->setObjectName(QStringLiteral("prfEditor%1").arg(tag));
  editor->SetUseDivOnCarriageReturn(true);
  editor->setMinimumHeight(110);
  // Ctrl+Shift+P asks for a picture to put at the caret.
  auto* insertPicture = new QAction(tr("Insert picture..."), editor);
  insertPicture->setObjectName(QStringLiteral("actInsertPicture%1").arg(tag));
  insertPicture->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  insertPicture->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(insertPicture, &QAction::triggered, editor,
          [editor] { PictureDialog::InsertInto(editor); });
  editor->addAction(insertPicture);
  editor->SetLinkOpener([](const QUrl& url) { OpenUrlInBrowser(url.toString()); });
  toolbar->Attach(editor);
  Layout()->addWidget(editor, stretch ? 1 : 0);
  return editor;
}

EditorsPage* EditorsPage::Headline(WizardControls& c, FormatToolbar::Handlers& handlers,
                                   const QStringList& families) {
  // The editors check spelling as the user last chose.
  SetSpellChecking(UserSettings::SpellChecking());
  SetSpellCheckingListener(&UserSettings::SetSpellChecking);
  auto* page = new EditorsPage(tr("Step 2: Page Contents"), c, handlers, families);
  c.prfEditor1 = page->AddEditor(
      1, tr("Enter the Main Headline. This should capture your reader's attention"), false);
  c.prfEditor1->setFixedHeight(120);
  page->AddNote(tr("Enter the Sub Headline. This is to reinforce the main headline."));
  c.edtAttention = Named(new QLineEdit(page), "edtAttention");
  page->Layout()->addWidget(c.edtAttention);
  c.prfEditor2 = page->AddEditor(2, tr("Enter the Introduction Paragraph. "), true);
  return page;
}

EditorsPage* EditorsPage::Product(WizardControls& c, FormatToolbar::Handlers& handlers,
                                  const QStringList& families) {
  auto* page = new EditorsPage(tr("Step 3: Aditional Page Contents"), c, handlers, families);
  c.prfEditor3 = page->AddEditor(3, tr("Enter the Product Introduction."), true);
  return page;
}

EditorsPage* EditorsPage::Ending(WizardControls& c, FormatToolbar::Handlers& handlers,
                                 const QStringList& families) {
  auto* page = new EditorsPage(tr("Step 6: Ending Page Contents"), c, handlers, families);
  c.prfEditor10 = page->AddEditor(10, tr("Enter the Closing Statement."), true);
  c.prfEditor11 = page->AddEditor(11, tr("Your bottom statement. This acts like a P.S."), true);
  return page;
}

}  // namespace wordlark
