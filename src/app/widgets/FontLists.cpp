#include "widgets/FontLists.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QRegularExpression>
#include <algorithm>

namespace wordlark {

QStringList LetterFontFamilies() {
  QStringList installed;
  for (const QString& family : QFontDatabase::families()) {
    if (!QFontDatabase::isPrivateFamily(family)) {
      installed << family;
    }
  }
  return LetterFontFamilies(installed);
}

QStringList LetterFontFamilies(const QStringList& installed) {
  QStringList families;
  for (const char* web : {"Arial", "Verdana", "Georgia", "Times New Roman", "Tahoma",
                          "Trebuchet MS", "Courier New"}) {
    families << QString::fromLatin1(web);
  }
  const qsizetype webCount = families.size();
  // Qt names a family made by several foundries "Family [Foundry]".
  static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]\\s*$"));
  QStringList local;
  for (QString family : installed) {
    family.remove(foundry);
    family = family.trimmed();
    if (!family.isEmpty() && IndexOfFamily(families, family) < 0 &&
        IndexOfFamily(local, family) < 0) {
      local << family;
    }
  }
  std::sort(local.begin(), local.end(), [](const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
  });
  if (!local.isEmpty()) {
    families.insert(webCount, QString());
    families << local;
  }
  return families;
}

void AddFontFamilies(QComboBox* box, const QStringList& families) {
  for (const QString& family : families) {
    if (family.isEmpty()) {
      box->insertSeparator(box->count());
    } else {
      box->addItem(family);
    }
  }
}

int IndexOfFamily(const QStringList& families, const QString& name) {
  if (name.isEmpty()) {
    return -1;
  }
  for (int i = 0; i < families.size(); ++i) {
    if (QString::compare(families[i], name, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return -1;
}

QString FontBoxText(const QComboBox* box) {
  return box->currentIndex() >= 0 ? box->currentText() : box->placeholderText();
}

void SetFontBoxText(QComboBox* box, const QString& name) {
  const QString previous = FontBoxText(box);
  // An empty name would find the separator line.
  const int index = name.isEmpty() ? -1 : box->findText(name, Qt::MatchFixedString);
  if (index >= 0) {
    box->setCurrentIndex(index);
    box->setPlaceholderText(QString());
  } else {
    box->setCurrentIndex(-1);
    box->setPlaceholderText(previous);
  }
}

}  // namespace wordlark
