#include "wizard/EntryListPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <limits>
#include <optional>

#include "letter/letter_configuration.h"
#include "letter/list_items.h"
#include "seams/MessageBox.h"
#include "widgets/QtText.h"
#include "wizard/WizardControls.h"

namespace wordlark {

EntryListPage::EntryListPage(const Form& form, EntryListModel& model, const QStringList& families,
                             QWidget* parent)
    : WizardPage(form.heading, parent), model_(model) {
  const auto make = [this](const auto& part, auto* widget) {
    widget->setObjectName(QString::fromLatin1(part.name));
    *part.slot = widget;
    return widget;
  };
  const auto button = [this](const Button& part) {
    auto* widget = new QPushButton(part.text, this);
    widget->setObjectName(QString::fromLatin1(part.name));
    return widget;
  };
  auto* grid = new QGridLayout;
  int row = 0;
  for (const Control<QLineEdit>& line : form.lines) {
    lines_.push_back(make(line, new QLineEdit(this)));
    // An entry loaded from a letter may be longer than a line edit's usual
    // limit; selecting and updating it must not cut it.
    lines_.back()->setMaxLength(std::numeric_limits<int>::max());
    grid->addWidget(new QLabel(line.text, this), row, 0);
    grid->addWidget(lines_.back(), row++, 1);
  }
  body_ = make(form.body, new QPlainTextEdit(this));
  grid->addWidget(new QLabel(form.body.text, this), row, 0, Qt::AlignTop);
  grid->addWidget(body_, row++, 1);
  update_ = button(form.update);
  undo_ = button(form.undo);
  undo_->setToolTip(tr("%1 (Ctrl+Z)").arg(form.undo.text));
  undo_->hide();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(make(form.create, new QPushButton(form.create.text, this)));
  buttons->addWidget(update_);
  buttons->addWidget(make(form.remove, new QPushButton(form.remove.text, this)));
  buttons->addWidget(undo_);
  buttons->addStretch(1);
  grid->addLayout(buttons, row++, 1);

  list_ = make(form.list, new QListWidget(this));
  details_ = make(form.details, new QPlainTextEdit(this));
  details_->setReadOnly(true);
  up_ = button(form.up);
  down_ = button(form.down);
  auto* listColumn = new QVBoxLayout;
  listColumn->addWidget(list_, 1);
  auto* moves = new QHBoxLayout;
  moves->addWidget(up_);
  moves->addWidget(down_);
  listColumn->addLayout(moves);
  grid->addWidget(new QLabel(form.list.text, this), 0, 2);
  grid->addLayout(listColumn, 1, 2, row - 1, 1);
  grid->addWidget(new QLabel(form.details.text, this), 0, 3);
  grid->addWidget(details_, 1, 3, row - 1, 1);
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(3, 2);
  Layout()->addLayout(grid, 1);
  Layout()->addWidget(new ListFormatBox(form.format, families, this));

  // The window binds the list's own events (create, delete, selection); the
  // page runs the ones it added.
  connect(update_, &QPushButton::clicked, this, &EntryListPage::Update);
  connect(undo_, &QPushButton::clicked, this, &EntryListPage::UndoDelete);
  connect(up_, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
  connect(down_, &QPushButton::clicked, this, [this] { MoveSelected(+1); });
  auto* undoKey = new QShortcut(QKeySequence::Undo, list_);
  undoKey->setContext(Qt::WidgetShortcut);
  connect(undoKey, &QShortcut::activated, this, &EntryListPage::UndoDelete);
  UpdateButtons();
}

EntryListPage* EntryListPage::Features(WizardControls& c, FeatureListModel& model,
                                       const QStringList& families) {
  return new EntryListPage({tr("Step 4: Features"),
                            {{tr("Title:"), "edtFeatureTitle", &c.edtFeatureTitle}},
                            {tr("Body:"), "memFeatureBody", &c.memFeatureBody},
                            {tr("Create Feature"), "btnCreateFeat", &c.btnCreateFeat},
                            {tr("Update Feature"), "btnUpdateFeat"},
                            {tr("Delete Feature"), "btnDeleteFeat", &c.btnDeleteFeat},
                            {tr("Undo Delete"), "btnUndoFeat"},
                            {tr("Move Up"), "btnUpFeat"},
                            {tr("Move Down"), "btnDownFeat"},
                            {tr("Features:"), "lbxFeatures", &c.lbxFeatures},
                            {tr("Feature details:"), "memFeatureDetails", &c.memFeatureDetails},
                            {"F", kColorLightCream, &c.cbxFBgColor, &c.cbxFColor, &c.cbxFName,
                             &c.cbxFSize, &c.chkFBold, &c.chkFUnderline, &c.chkFItalic}},
                           model, families);
}

EntryListPage* EntryListPage::Testimonials(WizardControls& c, TestimonialListModel& model,
                                           const QStringList& families) {
  return new EntryListPage({tr("Step 5: Testimonials"),
                            {{tr("Name:"), "edtTestName", &c.edtTestName},
                             {tr(" Website:"), "edtTestWebsite", &c.edtTestWebsite}},
                            {tr("Content:"), "memTest", &c.memTest},
                            {tr("Create Testimonial"), "btnCreateTest", &c.btnCreateTest},
                            {tr("Update Testimonial"), "btnUpdateTest"},
                            {tr("Delete Testimonial"), "btnDeleteTest", &c.btnDeleteTest},
                            {tr("Undo Delete"), "btnUndoTest"},
                            {tr("Move Up"), "btnUpTest"},
                            {tr("Move Down"), "btnDownTest"},
                            {tr("Testimonials:"), "lbxTestimonials", &c.lbxTestimonials},
                            {tr("Testimonial details:"), "memTestDetails", &c.memTestDetails},
                            {"T", kColorLightCream, &c.cbxTBgColor, &c.cbxTColor, &c.cbxTName,
                             &c.cbxTSize, &c.chkTBold, &c.chkTUnderline, &c.chkTItalic}},
                           model, families);
}

int EntryListPage::SelectedRow() const {
  const int row = list_->currentRow();
  return row >= 0 && list_->item(row)->isSelected() ? row : -1;
}

void EntryListPage::ShowNames() {
  const QSignalBlocker block(list_);
  list_->clear();
  const auto& names = model_.display_names();
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto* item = new QListWidgetItem(Q(names[i]), list_);
    // The names repeat and say nothing of the entry; its title does.
    const std::vector<std::string> form = model_.FormOf(i);
    item->setToolTip(form.empty() ? QString() : Q(form.front()));
  }
  list_->clearSelection();
  list_->setCurrentRow(-1);
  UpdateButtons();
}

void EntryListPage::Select(int row) {
  {
    const QSignalBlocker block(list_);
    list_->setCurrentRow(row);
  }
  SetMemoText(details_, model_.Details(static_cast<std::size_t>(row)));
  UpdateButtons();
}

void EntryListPage::UpdateButtons() {
  const int row = SelectedRow();
  up_->setEnabled(row > 0);
  down_->setEnabled(row >= 0 && row + 1 < list_->count());
  undo_->setVisible(model_.CanUndoDelete());
}

std::vector<std::string> EntryListPage::FormText() const {
  std::vector<std::string> form;
  for (const QLineEdit* line : lines_) {
    form.push_back(S(line->text()));
  }
  form.push_back(MemoText(body_));
  return form;
}

void EntryListPage::Create() {
  const ListEdit edit = model_.CreateFromForm(FormText());
  if (edit.warning) {
    MessageBox::Warning(window(), Q(*edit.warning));
    return;
  }
  ShowNames();
  for (QLineEdit* line : lines_) {
    line->clear();
  }
  body_->clear();
  lines_.front()->setFocus();
  emit entriesChanged();
}

void EntryListPage::Update() {
  const int row = SelectedRow();
  const ListEdit edit = model_.UpdateFromForm(
      row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt,
      FormText());
  if (edit.warning) {
    MessageBox::Warning(window(), Q(*edit.warning));
    return;
  }
  if (edit.changed) {
    ShowNames();
    Select(row);
    emit entriesChanged();
  }
}

void EntryListPage::Delete() {
  const int row = SelectedRow();
  const ListEdit edit = model_.Delete(
      row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt);
  if (edit.warning) {
    MessageBox::Warning(window(), Q(*edit.warning));
    return;
  }
  if (edit.changed) {
    ShowNames();
    details_->clear();
    emit entriesChanged();
  }
}

void EntryListPage::UndoDelete() {
  const std::optional<std::size_t> at = model_.UndoDelete();
  if (!at) {
    return;
  }
  ShowNames();
  {
    const QSignalBlocker block(list_);
    list_->setCurrentRow(static_cast<int>(*at));
  }
  // Shown as by a click: the form holds the entry that came back.
  ShowSelected();
  list_->setFocus();
  emit entriesChanged();
}

void EntryListPage::MoveSelected(int by) {
  const int row = SelectedRow();
  if (row < 0 || row + by < 0 ||
      !model_.Move(static_cast<std::size_t>(row), static_cast<std::size_t>(row + by))) {
    return;
  }
  ShowNames();
  Select(row + by);
  emit entriesChanged();
}

void EntryListPage::ShowSelected() {
  const int row = SelectedRow();
  if (row >= 0) {
    const auto index = static_cast<std::size_t>(row);
    SetMemoText(details_, model_.Details(index));
    const std::vector<std::string> form = model_.FormOf(index);
    for (std::size_t i = 0; i < lines_.size() && i < form.size(); ++i) {
      lines_[i]->setText(Q(form[i]));
    }
    if (form.size() > lines_.size()) {
      SetMemoText(body_, form.back());
    }
  }
  UpdateButtons();
}

const std::vector<std::string>& EntryListPage::Entries() const {
  return model_.entries();
}

void EntryListPage::Assign(std::vector<std::string> entries) {
  model_.Assign(std::move(entries));
  ShowNames();
  emit entriesChanged();
}

}  // namespace wordlark
