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
// The entries themselves are kept by the list model; the page shows them and
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

  struct Form {
    QString heading;
    std::vector<Control<QLineEdit>> lines;  // the one-line fields, in the entry's order
    Control<QPlainTextEdit> body;
    Control<QPushButton> create;
    Control<QPushButton> remove;
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
  // Deletes the selected entry, or says that none is selected.
  void Delete();
  // Shows the selected entry in the details box.
  void ShowSelected();

  const std::vector<std::string>& Entries() const;
  // Replaces the entries (a letter loaded) and names them 1, 2, 3, ...
  void Assign(std::vector<std::string> entries);

 signals:
  // The entries changed: created, deleted or replaced.
  void entriesChanged();

 private:
  void ShowNames();
  int SelectedRow() const;

  EntryListModel& model_;
  std::vector<QLineEdit*> lines_;
  QPlainTextEdit* body_ = nullptr;
  QListWidget* list_ = nullptr;
  QPlainTextEdit* details_ = nullptr;
};

}  // namespace wordlark
