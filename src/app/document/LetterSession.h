#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "document/RecoveryStore.h"
#include "letter/letter_configuration.h"

namespace wordlark {

class LetterBinding;
class TfrmMain;

// The letter in the window as a document: the file it belongs to, whether it
// has changes that are not saved, the commands that start, open and save
// letters, asking before any of them would lose changes, and the recovery
// files that keep the changes while they are not saved.
class LetterSession : public QObject {
  Q_OBJECT

 public:
  // What would replace the letter, for the question before it does.
  enum class Replacing { kByClosing, kByLoading, kByNewLetter };

  // Waits after the last change before writing the recovery, and writes it at
  // least this often while changes go on.
  static constexpr int kAutosaveIdleMs = 3000;
  static constexpr int kAutosaveLongestMs = 60000;

  LetterSession(TfrmMain& window, const LetterBinding& binding);
  ~LetterSession() override;

  bool IsModified() const { return modified_; }
  const QString& FilePath() const { return filePath_; }
  // The file name shown in the title: the letter's, or "Untitled".
  QString DisplayName() const;

  // Runs `apply`, whose changes to the controls are the program's, not the
  // user's: they leave the modified state as it was.
  void Quietly(const std::function<void()>& apply);
  // The values a new letter starts with: the controls as they are now.
  void TakeDefaults();

  // The commands. Each one that replaces the letter asks first when it has
  // changes; the ones that answer say whether they went through.
  void NewLetter();
  void Load();
  void LoadRecent(const QString& path);
  bool Save();    // to the letter's file, or through the dialog
  bool SaveAs();  // the dialog, opened on the letter's file
  // Asks before changes would be lost: Save (goes on only when it worked),
  // Discard or Cancel. True when the caller may go on.
  bool MayReplace(Replacing why);

  // Saves to or loads from `path`, with no dialog and no message; errors
  // are thrown as the letter files throw them.
  void SaveTo(const QString& path);
  void LoadFrom(const QString& path);

  // A letter named on the command line: loaded, or a message when it cannot.
  void OpenGiven(const QString& path);
  // Offers the newest recovery of a window that ended without saving.
  void OfferRecovery();
  // The window closes for good: its recovery goes, after writes under way.
  void End();

  // For tests: how long the autosave waits.
  void SetAutosaveDelays(int idleMs, int longestMs);
  RecoveryStore& Recovery() { return recovery_; }

 signals:
  // The file or the modified state changed.
  void stateChanged();

 private slots:
  void OnUserChange();

 private:
  void SetState(const QString& filePath, bool modified);
  void WriteRecovery();
  void ApplyPageChoice();
  void RememberPageChoice();

  TfrmMain& w_;
  QString filePath_;
  bool modified_ = false;
  int quiet_ = 0;
  LetterConfiguration defaults_;
  RecoveryStore recovery_;
  QTimer idle_;
  QTimer longest_;
};

}  // namespace wordlark
