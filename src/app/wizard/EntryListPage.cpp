#include "wizard/EntryListPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

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
  auto* grid = new QGridLayout;
  int row = 0;
  for (const Control<QLineEdit>& line : form.lines) {
    lines_.push_back(make(line, new QLineEdit(this)));
    grid->addWidget(new QLabel(line.text, this), row, 0);
    grid->addWidget(lines_.back(), row++, 1);
  }
  body_ = make(form.body, new QPlainTextEdit(this));
  grid->addWidget(new QLabel(form.body.text, this), row, 0, Qt::AlignTop);
  grid->addWidget(body_, row++, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(make(form.create, new QPushButton(form.create.text, this)));
  buttons->addWidget(make(form.remove, new QPushButton(form.remove.text, this)));
  buttons->addStretch(1);
  grid->addLayout(buttons, row++, 1);

  list_ = make(form.list, new QListWidget(this));
  details_ = make(form.details, new QPlainTextEdit(this));
  details_->setReadOnly(true);
  grid->addWidget(new QLabel(form.list.text, this), 0, 2);
  grid->addWidget(list_, 1, 2, row - 1, 1);
  grid->addWidget(new QLabel(form.details.text, this), 0, 3);
  grid->addWidget(details_, 1, 3, row - 1, 1);
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(3, 2);
  Layout()->addLayout(grid, 1);
  Layout()->addWidget(new ListFormatBox(form.format, families, this));
}

EntryListPage* EntryListPage::Features(WizardControls& c, FeatureListModel& model,
                                       const QStringList& families) {
  return new EntryListPage({tr("Step 4: Features"),
                            {{tr("Title:"), "edtFeatureTitle", &c.edtFeatureTitle}},
                            {tr("Body:"), "memFeatureBody", &c.memFeatureBody},
                            {tr("Create Feature"), "btnCreateFeat", &c.btnCreateFeat},
                            {tr("Delete Feature"), "btnDeleteFeat", &c.btnDeleteFeat},
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
                            {tr("Delete Testimonial"), "btnDeleteTest", &c.btnDeleteTest},
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
  for (const auto& name : model_.display_names()) {
    list_->addItem(Q(name));
  }
  list_->clearSelection();
  list_->setCurrentRow(-1);
}

void EntryListPage::Create() {
  std::vector<std::string> form;
  for (const QLineEdit* line : lines_) {
    form.push_back(S(line->text()));
  }
  form.push_back(MemoText(body_));
  const ListEdit edit = model_.CreateFromForm(form);
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

void EntryListPage::ShowSelected() {
  const int row = SelectedRow();
  if (row >= 0) {
    SetMemoText(details_, model_.Details(static_cast<std::size_t>(row)));
  }
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
