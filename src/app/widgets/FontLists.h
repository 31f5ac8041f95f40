#pragma once

#include <QStringList>

namespace wordlark {

// The font families the letter's font boxes and the editors' font-name boxes
// offer: the installed families plus the common web families (the page is
// read on the reader's computer, not this one), sorted without regard to case.
QStringList LetterFontFamilies();

// Index of `name` in `families`, ignoring letter case; -1 when absent.
int IndexOfFamily(const QStringList& families, const QString& name);

}  // namespace wordlark
