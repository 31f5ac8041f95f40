#include "widgets/FontLists.h"

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

}  // namespace wordlark
