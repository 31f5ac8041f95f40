#include "wizard/FinishPage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "render/output.h"
#include "render/preflight.h"
#include "render/renderer.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "seams/UserSettings.h"
#include "widgets/PagePreview.h"
#include "widgets/QtText.h"
#include "wizard/PreviewWorker.h"
#include "wizard/WizardControls.h"

namespace wordlark {

FinishPage::FinishPage(WizardControls& c, std::filesystem::path templatesFolder,
                       std::function<LetterConfiguration()> letter,
                       std::function<QString()> letterFile, QWidget* parent)
    : WizardPage(tr("Step 8: Finish"), parent),
      c_(c),
      templatesFolder_(std::move(templatesFolder)),
      letter_(std::move(letter)),
      letterFile_(std::move(letterFile)) {
  QVBoxLayout* layout = Layout();
  layout->addWidget(
      new QLabel(tr("Select a template and enter a name for the generated output file:"), this));

  auto* chooser = new QHBoxLayout;
  chooser->addWidget(new QLabel(tr("Template:"), this));
  c.cbxTemplates = Named(new QComboBox(this), "cbxTemplates");
  c.cbxTemplates->setIconSize(QSize(96, 72));
  c.cbxTemplates->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  chooser->addWidget(c.cbxTemplates);
  chooser->addStretch(1);
  layout->addLayout(chooser);

  // The page as Finish would write it, and what is worth a look before that.
  auto* middle = new QHBoxLayout;
  c.grpPreview = Named(new QGroupBox(tr("Preview"), this), "grpPreview");
  auto* previewLayout = new QVBoxLayout(c.grpPreview);
  c.pagePreview = Named(new PagePreview(c.grpPreview), "pagePreview");
  previewLayout->addWidget(c.pagePreview);
  middle->addWidget(c.grpPreview, 3);
  auto* checks = Named(new QGroupBox(tr("Before you finish"), this), "grpPreflight");
  auto* checksLayout = new QVBoxLayout(checks);
  c.lstPreflight = Named(new QListWidget(checks), "lstPreflight");
  c.lstPreflight->setWordWrap(true);
  c.lstPreflight->setTextElideMode(Qt::ElideNone);
  c.lstPreflight->setToolTip(tr("Double-click an item to go to its value"));
  checksLayout->addWidget(c.lstPreflight, 1);
  c.lblPreflightOk =
      Named(new QLabel(tr("Nothing to look at: the page has everything it needs."), checks),
            "lblPreflightOk");
  c.lblPreflightOk->setWordWrap(true);
  c.lblPreflightOk->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  checksLayout->addWidget(c.lblPreflightOk, 1);
  middle->addWidget(checks, 1);
  layout->addLayout(middle, 1);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Output filename:"), this));
  c.edtFilename = Named(new QLineEdit(this), "edtFilename");
  row->addWidget(c.edtFilename, 1);
  c.bsSkinButton3 = Named(new QPushButton(tr("Browse..."), this), "bsSkinButton3");
  row->addWidget(c.bsSkinButton3);
  layout->addLayout(row);
  auto* finish = new QHBoxLayout;
  c.btnFinish = Named(new QPushButton(tr("Save generated code"), this), "btnFinish");
  finish->addWidget(c.btnFinish);
  finish->addStretch(1);
  layout->addLayout(finish);

  worker_ = new PreviewWorker(this);
  connect(worker_, &PreviewWorker::ready, this, &FinishPage::ShowResult);
}

void FinishPage::FillTemplateList() {
  c_.cbxTemplates->clear();
  templates_.clear();
  try {
    templates_ = ScanTemplates(templatesFolder_);
  } catch (const std::exception& e) {
    // Start-up goes on with an empty catalogue; Finish then makes nothing.
    QTimer::singleShot(
        0, this, [this, text = QString::fromUtf8(e.what())] { MessageBox::Error(window(), text); });
  }
  const QSignalBlocker quiet(c_.cbxTemplates);
  for (const auto& entry : templates_) {
    // A template's thumbnail is the picture of the same name beside it.
    std::filesystem::path thumbnail = entry.file;
    thumbnail.replace_extension(".png");
    std::error_code ec;
    c_.cbxTemplates->addItem(
        std::filesystem::is_regular_file(thumbnail, ec) ? QIcon(PathText(thumbnail)) : QIcon(),
        Q(entry.name));
  }
  if (c_.cbxTemplates->count() > 0) {
    c_.cbxTemplates->setCurrentIndex(0);
  }
}

std::filesystem::path FinishPage::SelectedTemplateFile() const {
  const int index = c_.cbxTemplates->currentIndex();
  return (index >= 0 && index < static_cast<int>(templates_.size())) ? templates_[index].file
                                                                     : std::filesystem::path();
}

void FinishPage::BrowseOutputFile() {
  QString folder = UserSettings::DialogFolder(UserSettings::Dialog::kPage);
  const QString path =
      FileDialog::AskSavePath(window(), tr("Save file"), folder,
                              QStringLiteral("HTML files|*.html"), QStringLiteral("html"));
  if (!path.isEmpty()) {
    UserSettings::SetDialogFolder(UserSettings::Dialog::kPage, folder);
    c_.edtFilename->setText(path);
  }
}

void FinishPage::RefreshPreview() {
  Request(true);
}

void FinishPage::RefreshPreflight() {
  Request(false);
}

bool FinishPage::Rendering() const {
  return worker_->Busy();
}

void FinishPage::StopPreview() {
  worker_->Cancel();
  pagePending_ = false;
}

// The letter is read here, where its controls live, and handed over whole.
void FinishPage::Request(bool page) {
  pagePending_ = pagePending_ || page;
  if (page && c_.pagePreview->PageBytes().isEmpty()) {
    c_.pagePreview->ShowMessage(tr("Preparing the preview..."));
  }
  worker_->Request({letter_(), SelectedTemplateFile(), S(c_.edtFilename->text()), templatesFolder_,
                    pagePending_});
}

void FinishPage::ShowResult(const PreviewResult& result) {
  ShowPreflight(result.preflight);
  if (!result.page) {
    return;
  }
  pagePending_ = false;
  if (result.message.isEmpty()) {
    c_.pagePreview->ShowPage(result.bytes, result.pictures);
  } else {
    c_.pagePreview->ShowMessage(result.message);
  }
}

void FinishPage::ShowPreflight(const std::vector<PreflightItem>& items) {
  c_.lstPreflight->clear();
  const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (const PreflightItem& item : items) {
    auto* entry = new QListWidgetItem(warning, Q(item.message), c_.lstPreflight);
    entry->setData(Qt::UserRole, Q(item.control));
  }
  c_.lstPreflight->setVisible(c_.lstPreflight->count() > 0);
  c_.lblPreflightOk->setVisible(c_.lstPreflight->count() == 0);
}

void FinishPage::Finish() {
  const FinishOutcome outcome =
      FinishLetter(letter_(), SelectedTemplateFile(), S(c_.edtFilename->text()), templatesFolder_,
                   PathOf(letterFile_()));
  switch (outcome.status) {
    case FinishStatus::kNoOutputName:
    case FinishStatus::kNoTemplate:
    case FinishStatus::kEmptyTemplate:
    case FinishStatus::kRefused:
      MessageBox::Warning(window(), Q(outcome.message));
      return;
    case FinishStatus::kWriteFailed:
      // No page: the pictures that could not go beside it are beside the point.
      MessageBox::Error(window(), Q(outcome.message));
      return;
    case FinishStatus::kSaved:
      MessageBox::Information(window(), Q(outcome.message));
      break;
  }
  // A page whose pictures did not make it beside it is not finished work.
  if (!outcome.failed_pictures.empty()) {
    QStringList lines;
    for (const auto& problem : outcome.failed_pictures) {
      lines << Q(problem.Message());
    }
    MessageBox::Warning(window(), lines.join(QLatin1Char('\n')));
  }
}

}  // namespace wordlark
