#include "widgets/FontLists.h"

#include <QComboBox>
#include <QFontDatabase>
#include <algorithm>

namespace wordlark {

QStringList LetterFontFamilies() {
  QStringList families = QFontDatabase::families();
  for (const char* web : {"Arial", "Verdana", "Georgia", "Times New Roman", "Tahoma",
                          "Trebuchet MS", "Courier New"}) {
    const QString name = QString::fromLatin1(web);
    if (IndexOfFamily(families, name) < 0) {
      families << name;
    }
  }
  families.removeDuplicates();
  std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
  });
  return families;
}

int IndexOfFamily(const QStringList& families, const QString& name) {
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
  const int index = box->findText(name, Qt::MatchFixedString);
  if (index >= 0) {
    box->setCurrentIndex(index);
    box->setPlaceholderText(QString());
  } else {
    box->setCurrentIndex(-1);
    box->setPlaceholderText(previous);
  }
}

}  // namespace wordlark
