#include "seams/Dialogs.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>
#include <QRegularExpression>

#include "seams/UserSettings.h"

namespace wordlark {
namespace {

QQueue<QString> g_fileAnswers;
QList<FileDialog::Request> g_fileRequests;
QQueue<std::optional<QColor>> g_colorAnswers;
QList<QColor> g_colorOpenedWith;

QString AskFile(QWidget* parent, bool save, const QString& title, const QString& folder,
                const QString& filter) {
  g_fileRequests.append({save, title, folder, filter});
  if (!g_fileAnswers.isEmpty()) {
    return g_fileAnswers.dequeue();
  }
  const QString qtFilter = FileDialog::ToQtFilter(filter);
  return save ? QFileDialog::getSaveFileName(parent, title, folder, qtFilter)
              : QFileDialog::getOpenFileName(parent, title, folder, qtFilter);
}

}  // namespace

QString FileDialog::GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
  return AskFile(parent, false, title, folder, filter);
}

QString FileDialog::GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
  return AskFile(parent, true, title, folder, filter);
}

QString FileDialog::AskSavePath(QWidget* parent, const QString& title, QString& folder,
                                const QString& filter, const QString& suffix) {
  QString path = GetSaveFileName(parent, title, folder, filter);
  if (path.isEmpty()) {
    return path;
  }
  if (QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0) {
    path += QLatin1Char('.') + suffix;
  }
  folder = QFileInfo(path).absolutePath();
  return path;
}

QString FileDialog::AskPicture(QWidget* parent) {
  const QString path = GetOpenFileName(
      parent, QCoreApplication::translate("FileDialog", "Open picture"),
      UserSettings::DialogFolder(UserSettings::Dialog::kPicture),
      QStringLiteral("All (*.bmp;*.gif;*.jpg;*.png)|*.bmp;*.gif;*.jpg;*.png|Bitmaps "
                     "(*.bmp)|*.bmp|Gif (*.gif)|*.gif|Jpg (*.jpg)|*.jpg|Png (*.png)|*.png"));
  if (path.isEmpty()) {
    return path;
  }
  const QFileInfo info(path);
  UserSettings::SetDialogFolder(UserSettings::Dialog::kPicture, info.absolutePath());
  return info.absoluteFilePath();
}

void FileDialog::QueueAnswer(const QString& path) {
  g_fileAnswers.enqueue(path);
}

bool FileDialog::HasQueuedAnswers() {
  return !g_fileAnswers.isEmpty();
}

const QList<FileDialog::Request>& FileDialog::Requests() {
  return g_fileRequests;
}

void FileDialog::Reset() {
  g_fileAnswers.clear();
  g_fileRequests.clear();
}

QString FileDialog::ToQtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^)]*\\)\\s*$"));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString label = parts[i];
    label.remove(trailingPatterns);
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << label.trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

std::optional<QColor> ColorPicker::GetColor(QWidget* parent, const QColor& initial,
                                            const QString& title) {
  g_colorOpenedWith.append(initial);
  if (!g_colorAnswers.isEmpty()) {
    return g_colorAnswers.dequeue();
  }
  const QColor chosen = QColorDialog::getColor(initial, parent, title);
  if (!chosen.isValid()) {
    return std::nullopt;
  }
  return chosen;
}

void ColorPicker::QueueAnswer(std::optional<QColor> color) {
  g_colorAnswers.enqueue(color);
}

const QList<QColor>& ColorPicker::OpenedWith() {
  return g_colorOpenedWith;
}

void ColorPicker::Reset() {
  g_colorAnswers.clear();
  g_colorOpenedWith.clear();
}

}  // namespace wordlark
