#include "seams/UserSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace wordlark {
namespace {

// Letters whose page choice is kept; the oldest is forgotten first.
constexpr int kMaxPageChoices = 64;

QString XdgFolder(const char* variable, const QString& fallbackBelowHome) {
  const QString set = qEnvironmentVariable(variable);
  // The base directory rules ignore a relative path.
  if (!set.isEmpty() && QDir::isAbsolutePath(set)) {
    return QDir::cleanPath(set);
  }
  return QDir::homePath() + QLatin1Char('/') + fallbackBelowHome;
}

QSettings Settings() {
  return QSettings(UserSettings::SettingsFile(), QSettings::IniFormat);
}

QString DialogKey(UserSettings::Dialog dialog) {
  switch (dialog) {
    case UserSettings::Dialog::kPicture:
      return QStringLiteral("Folders/Pictures");
    case UserSettings::Dialog::kPage:
      return QStringLiteral("Folders/Pages");
    case UserSettings::Dialog::kLetterOpen:
      return QStringLiteral("Folders/LettersOpened");
    case UserSettings::Dialog::kLetterSave:
      return QStringLiteral("Folders/LettersSaved");
  }
  return {};
}

QString AbsoluteLetterPath(const QString& path) {
  return QFileInfo(path).absoluteFilePath();
}

}  // namespace

QString UserSettings::SettingsFile() {
  return XdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) +
         QStringLiteral("/wordlark/wordlark.conf");
}

QString UserSettings::StateFolder() {
  return XdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state")) + QStringLiteral("/wordlark");
}

QString UserSettings::DialogFolder(Dialog dialog) {
  const QString remembered = Settings().value(DialogKey(dialog)).toString();
  if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) {
    return remembered;
  }
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
    return documents;
  }
  return QDir::homePath();
}

void UserSettings::SetDialogFolder(Dialog dialog, const QString& folder) {
  Settings().setValue(DialogKey(dialog), folder);
}

QStringList UserSettings::RecentLetters() {
  QStringList letters = Settings().value(QStringLiteral("RecentLetters")).toStringList();
  letters.removeAll(QString());
  letters.removeDuplicates();
  return letters.mid(0, kMaxRecent);
}

void UserSettings::AddRecentLetter(const QString& path) {
  QStringList letters = RecentLetters();
  const QString absolute = AbsoluteLetterPath(path);
  letters.removeAll(absolute);
  letters.prepend(absolute);
  Settings().setValue(QStringLiteral("RecentLetters"), letters.mid(0, kMaxRecent));
}

void UserSettings::RemoveRecentLetter(const QString& path) {
  QStringList letters = RecentLetters();
  letters.removeAll(AbsoluteLetterPath(path));
  Settings().setValue(QStringLiteral("RecentLetters"), letters);
}

bool UserSettings::SpellChecking() {
  return Settings().value(QStringLiteral("Editor/SpellChecking"), true).toBool();
}

void UserSettings::SetSpellChecking(bool on) {
  Settings().setValue(QStringLiteral("Editor/SpellChecking"), on);
}

// Kept as a list of triples, newest first: file paths hold characters that
// settings keys cannot.
std::optional<UserSettings::PageChoice> UserSettings::PageChoiceFor(const QString& letterPath) {
  const QStringList kept = Settings().value(QStringLiteral("PageChoices")).toStringList();
  const QString absolute = AbsoluteLetterPath(letterPath);
  for (qsizetype i = 0; i + 2 < kept.size(); i += 3) {
    if (kept[i] == absolute) {
      return PageChoice{kept[i + 1], kept[i + 2]};
    }
  }
  return std::nullopt;
}

void UserSettings::SetPageChoice(const QString& letterPath, const PageChoice& choice) {
  QSettings settings = Settings();
  const QStringList old = settings.value(QStringLiteral("PageChoices")).toStringList();
  const QString absolute = AbsoluteLetterPath(letterPath);
  QStringList kept{absolute, choice.templateName, choice.outputName};
  for (qsizetype i = 0; i + 2 < old.size() && kept.size() < 3 * kMaxPageChoices; i += 3) {
    if (old[i] != absolute) {
      kept << old[i] << old[i + 1] << old[i + 2];
    }
  }
  settings.setValue(QStringLiteral("PageChoices"), kept);
}

}  // namespace wordlark
