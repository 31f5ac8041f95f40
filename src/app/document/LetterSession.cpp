#include "document/LetterSession.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMetaMethod>
#include <QStackedWidget>

#include "TfrmMain.h"
#include "letter/config_file.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "seams/UserSettings.h"
#include "widgets/QtText.h"
#include "wizard/LetterBinding.h"

namespace wordlark {
namespace {

const QString kLetterFilter = QStringLiteral("Settings files (*.set)|*.set");

QString Quoted(const QString& text) {
  return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

LetterSession::LetterSession(TfrmMain& window, const LetterBinding& binding)
    : QObject(&window),
      w_(window),
      recovery_(UserSettings::StateFolder() + QStringLiteral("/recovery")) {
  // Every value of the letter tells when it changes.
  const QMetaMethod onChange = metaObject()->method(metaObject()->indexOfSlot("OnUserChange()"));
  for (const LetterBinding::Row& row : binding.Rows()) {
    connect(row.control, row.ChangeSignal(), this, onChange);
  }
  idle_.setSingleShot(true);
  longest_.setSingleShot(true);
  SetAutosaveDelays(kAutosaveIdleMs, kAutosaveLongestMs);
  connect(&idle_, &QTimer::timeout, this, &LetterSession::WriteRecovery);
  connect(&longest_, &QTimer::timeout, this, &LetterSession::WriteRecovery);
}

LetterSession::~LetterSession() = default;

QString LetterSession::DisplayName() const {
  return filePath_.isEmpty() ? tr("Untitled") : QFileInfo(filePath_).fileName();
}

void LetterSession::SetAutosaveDelays(int idleMs, int longestMs) {
  idle_.setInterval(idleMs);
  longest_.setInterval(longestMs);
}

void LetterSession::Quietly(const std::function<void()>& apply) {
  ++quiet_;
  try {
    apply();
  } catch (...) {
    --quiet_;
    throw;
  }
  --quiet_;
}

void LetterSession::TakeDefaults() {
  defaults_ = w_.CollectConfiguration();
}

void LetterSession::OnUserChange() {
  if (quiet_ > 0) {
    return;
  }
  if (!modified_) {
    SetState(filePath_, true);
  }
  idle_.start();
  if (!longest_.isActive()) {
    longest_.start();
  }
}

void LetterSession::SetState(const QString& filePath, bool modified) {
  if (filePath == filePath_ && modified == modified_) {
    return;
  }
  filePath_ = filePath;
  modified_ = modified;
  if (!modified_) {
    idle_.stop();
    longest_.stop();
    recovery_.Clear();
  }
  emit stateChanged();
}

void LetterSession::WriteRecovery() {
  idle_.stop();
  longest_.stop();
  if (!modified_) {
    return;
  }
  recovery_.Write({w_.CollectConfiguration(), filePath_, w_.pgcMain->currentIndex(),
                   w_.edtFilename->text(), w_.cbxTemplates->currentText()});
}

// ---------------------------------------------------------------------------
// Asking before changes are lost.

bool LetterSession::MayReplace(Replacing why) {
  if (!modified_) {
    return true;
  }
  QString question;
  switch (why) {
    case Replacing::kByClosing:
      question = tr("Save them before closing?");
      break;
    case Replacing::kByLoading:
      question = tr("Save them before opening another letter?");
      break;
    case Replacing::kByNewLetter:
      question = tr("Save them before starting a new letter?");
      break;
  }
  const QString text =
      tr("The letter %1 has changes that are not saved.").arg(Quoted(DisplayName())) +
      QLatin1Char(' ') + question;
  switch (MessageBox::Ask(
      &w_, text,
      {MessageBox::Button::Save, MessageBox::Button::Discard, MessageBox::Button::Cancel})) {
    case MessageBox::Button::Save:
      return Save();
    case MessageBox::Button::Discard:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// The commands.

void LetterSession::NewLetter() {
  if (!MayReplace(Replacing::kByNewLetter)) {
    return;
  }
  RememberPageChoice();
  w_.ApplyConfiguration(defaults_);
  w_.edtFilename->clear();
  if (w_.cbxTemplates->count() > 0) {
    w_.cbxTemplates->setCurrentIndex(0);
  }
  SetState(QString(), false);
  w_.GoToStep(0);
}

void LetterSession::Load() {
  if (!MayReplace(Replacing::kByLoading)) {
    return;
  }
  const QString path = FileDialog::GetOpenFileName(
      &w_, tr("Open file"), UserSettings::DialogFolder(UserSettings::Dialog::kLetterOpen),
      kLetterFilter);
  if (path.isEmpty()) {
    return;
  }
  UserSettings::SetDialogFolder(UserSettings::Dialog::kLetterOpen, QFileInfo(path).absolutePath());
  LoadFrom(path);
  MessageBox::Information(&w_, tr("Configuration loaded successfully!"));
}

void LetterSession::LoadRecent(const QString& path) {
  if (!QFileInfo(path).isFile()) {
    UserSettings::RemoveRecentLetter(path);
    MessageBox::Warning(&w_, tr("The letter %1 is no longer there; it was taken off the list of "
                                "recent letters.")
                                 .arg(Quoted(path)));
    return;
  }
  if (!MayReplace(Replacing::kByLoading)) {
    return;
  }
  LoadFrom(path);
  MessageBox::Information(&w_, tr("Configuration loaded successfully!"));
}

bool LetterSession::Save() {
  if (filePath_.isEmpty()) {
    return SaveAs();
  }
  try {
    SaveTo(filePath_);
  } catch (const std::exception& e) {
    MessageBox::Error(&w_, QString::fromUtf8(e.what()));
    return false;
  }
  return true;
}

bool LetterSession::SaveAs() {
  // Opened on the letter's own file, so its name is offered again.
  QString place = filePath_.isEmpty()
                      ? UserSettings::DialogFolder(UserSettings::Dialog::kLetterSave)
                      : filePath_;
  const QString path =
      FileDialog::AskSavePath(&w_, tr("Save file"), place, kLetterFilter, QStringLiteral("set"));
  if (path.isEmpty()) {
    return false;
  }
  UserSettings::SetDialogFolder(UserSettings::Dialog::kLetterSave, place);
  try {
    SaveTo(path);
  } catch (const std::exception& e) {
    MessageBox::Error(&w_, QString::fromUtf8(e.what()));
    return false;
  }
  MessageBox::Information(&w_, tr("Configuration saved successfully!"));
  return true;
}

void LetterSession::SaveTo(const QString& path) {
  SaveConfiguration(PathOf(path), w_.CollectConfiguration());
  SetState(QFileInfo(path).absoluteFilePath(), false);
  UserSettings::AddRecentLetter(filePath_);
  RememberPageChoice();
}

void LetterSession::LoadFrom(const QString& path) {
  // All or nothing: the file is read and checked whole before a control
  // changes, so a bad value leaves the letter as it was.
  LetterConfiguration letter = w_.CollectConfiguration();
  if (!LoadConfiguration(PathOf(path), letter)) {
    return;  // not there: nothing changes
  }
  RememberPageChoice();
  w_.ApplyConfiguration(letter);
  SetState(QFileInfo(path).absoluteFilePath(), false);
  UserSettings::AddRecentLetter(filePath_);
  ApplyPageChoice();
}

void LetterSession::OpenGiven(const QString& path) {
  if (!QFileInfo(path).isFile()) {
    MessageBox::Warning(&w_, tr("The letter %1 was not found.").arg(Quoted(path)));
    return;
  }
  if (MayReplace(Replacing::kByLoading)) {
    LoadFrom(path);
  }
}

// The page made of a letter file: its output name and template come back
// with it.
void LetterSession::ApplyPageChoice() {
  const auto choice = UserSettings::PageChoiceFor(filePath_);
  w_.edtFilename->setText(choice ? choice->outputName : QString());
  if (choice) {
    const int index = w_.cbxTemplates->findText(choice->templateName);
    if (index >= 0) {
      w_.cbxTemplates->setCurrentIndex(index);
    }
  }
}

void LetterSession::RememberPageChoice() {
  if (!filePath_.isEmpty()) {
    UserSettings::SetPageChoice(filePath_,
                                {w_.cbxTemplates->currentText(), w_.edtFilename->text()});
  }
}

// ---------------------------------------------------------------------------
// Recovery.

void LetterSession::OfferRecovery() {
  const std::vector<RecoveryStore::Orphan> orphans = recovery_.TakeOrphans();
  if (orphans.empty()) {
    return;
  }
  // One a start: the others are offered at the next ones.
  for (std::size_t i = 1; i < orphans.size(); ++i) {
    recovery_.ReleaseOrphan(orphans[i].id);
  }
  const RecoveryStore::Orphan& newest = orphans.front();
  RecoverySnapshot found;
  try {
    found = recovery_.ReadOrphan(newest.id);
  } catch (const std::exception& e) {
    recovery_.ReleaseOrphan(newest.id);
    MessageBox::Error(
        &w_,
        tr("A letter kept for recovery could not be read: %1").arg(QString::fromUtf8(e.what())));
    return;
  }
  const QString name =
      found.filePath.isEmpty() ? tr("Untitled") : QFileInfo(found.filePath).fileName();
  const QString text =
      tr("The letter %1 had changes that were not saved when the program ended (last kept %2). "
         "Restore them? Cancel keeps them for the next start.")
          .arg(Quoted(name), QLocale().toString(newest.saved, QLocale::ShortFormat));
  switch (MessageBox::Ask(
      &w_, text,
      {MessageBox::Button::Restore, MessageBox::Button::Discard, MessageBox::Button::Cancel})) {
    case MessageBox::Button::Restore:
      w_.ApplyConfiguration(found.letter);
      w_.edtFilename->setText(found.outputName);
      if (const int index = w_.cbxTemplates->findText(found.templateName); index >= 0) {
        w_.cbxTemplates->setCurrentIndex(index);
      }
      w_.GoToStep(found.step);
      SetState(found.filePath, true);
      // Kept as this window's own before the old files go.
      WriteRecovery();
      recovery_.Flush();
      recovery_.RemoveOrphan(newest.id);
      break;
    case MessageBox::Button::Discard:
      recovery_.RemoveOrphan(newest.id);
      break;
    default:
      recovery_.ReleaseOrphan(newest.id);
      break;
  }
}

void LetterSession::End() {
  RememberPageChoice();
  idle_.stop();
  longest_.stop();
  recovery_.Close();
}

}  // namespace wordlark
