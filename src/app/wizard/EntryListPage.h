#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "wizard/ListFormatBox.h"
#include "wizard/WizardPage.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace wordlark {

class EntryListModel;
class FeatureListModel;
class TestimonialListModel;
struct WizardControls;

// A step that grows a list one entry at a time (features on step 4,
// testimonials on step 5): a small entry form, the list box of the entries'
// names, the read-only details of the selected entry, and the list's format.
// Selecting an entry fills the form with it, so that it can be updated in
// place; entries move up and down, and deletions can be undone (Ctrl+Z in the
// list, or the Undo button that shows while there is one to undo). The
// entries themselves are kept by the list model; the page shows them and
// hands it the form.
class EntryListPage : public WizardPage {
  Q_OBJECT

 public:
  // A control of the page: the label beside it (a button's caption), its
  // object name, and where the window keeps it.
  template <typename W>
  struct Control {
    QString text;
    const char* name;
    W** slot;
  };

  // A button the page keeps to itself: its caption and object name.
  struct Button {
    QString text;
    const char* name;
  };

  struct Form {
    QString heading;
    std::vector<Control<QLineEdit>> lines;  // the one-line fields, in the entry's order
    Control<QPlainTextEdit> body;
    Control<QPushButton> create;
    Button update;
    Control<QPushButton> remove;
    Button undo;
    Button up;
    Button down;
    Control<QListWidget> list;
    Control<QPlainTextEdit> details;
    ListFormatBox::Form format;
  };

  EntryListPage(const Form& form, EntryListModel& model, const QStringList& families,
                QWidget* parent = nullptr);

  // Step 4, the features, and step 5, the testimonials.
  static EntryListPage* Features(WizardControls& controls, FeatureListModel& model,
                                 const QStringList& families);
  static EntryListPage* Testimonials(WizardControls& controls, TestimonialListModel& model,
                                     const QStringList& families);

  // Creates an entry from the form, or shows why not; the form keeps its text
  // when refused, so that the user can complete it.
  void Create();
  // Replaces the selected entry with the form's, with the checks of Create,
  // or says that none is selected.
  void Update();
  // Deletes the selected entry, or says that none is selected.
  void Delete();
  // Puts the entry deleted last back in its place and selects it.
  void UndoDelete();
  // Moves the selected entry one place up (-1) or down (+1).
  void MoveSelected(int by);
  // Shows the selected entry in the details box and fills the form with it.
  void ShowSelected();

  const std::vector<std::string>& Entries() const;
  // Replaces the entries (a letter loaded) and names them 1, 2, 3, ...
  void Assign(std::vector<std::string> entries);

 signals:
  // The entries changed: created, updated, moved, deleted, put back or
  // replaced.
  void entriesChanged();

 private:
  void ShowNames();
  // Selects `row` as a click would, but leaves the form as it is.
  void Select(int row);
  void UpdateButtons();
  int SelectedRow() const;
  std::vector<std::string> FormText() const;

  EntryListModel& model_;
  std::vector<QLineEdit*> lines_;
  QPlainTextEdit* body_ = nullptr;
  QListWidget* list_ = nullptr;
  QPlainTextEdit* details_ = nullptr;
  QPushButton* update_ = nullptr;
  QPushButton* undo_ = nullptr;
  QPushButton* up_ = nullptr;
  QPushButton* down_ = nullptr;
};

}  // namespace wordlark
