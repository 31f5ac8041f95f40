#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace wordlark {

// What the program keeps of the user's across runs, and where: the settings
// in $XDG_CONFIG_HOME/wordlark/wordlark.conf (~/.config by default), the
// recovery files in $XDG_STATE_HOME/wordlark (~/.local/state by default).
// Each call reads the environment anew, so tests point both elsewhere.
class UserSettings {
 public:
  // The file dialogs that remember their folder, each its own.
  enum class Dialog { kPicture, kPage, kLetterOpen, kLetterSave };

  // Where the settings live, and the folder of the user's state.
  static QString SettingsFile();
  static QString StateFolder();

  // The folder a dialog opens in: the one its last choice was made in, or
  // the user's documents folder (the home folder when there is none). A
  // remembered folder that has gone counts as none.
  static QString DialogFolder(Dialog dialog);
  static void SetDialogFolder(Dialog dialog, const QString& folder);

  // The letters opened or saved last, newest first, at most kMaxRecent.
  static constexpr int kMaxRecent = 8;
  static QStringList RecentLetters();
  static void AddRecentLetter(const QString& path);
  static void RemoveRecentLetter(const QString& path);

  // The page made of a letter file: the template chosen and the output name,
  // remembered per letter (the letter file itself has no place for them).
  struct PageChoice {
    QString templateName;
    QString outputName;
  };
  static std::optional<PageChoice> PageChoiceFor(const QString& letterPath);
  static void SetPageChoice(const QString& letterPath, const PageChoice& choice);

  // Whether the editors check spelling as the user types (on by default).
  static bool SpellChecking();
  static void SetSpellChecking(bool on);
};

}  // namespace wordlark
