#pragma once

#include <QStringList>

class QComboBox;

namespace wordlark {

// The font families the letter's font boxes and the editors' font-name boxes
// offer: the installed families plus the common web families (the page is
// read on the reader's computer, not this one), sorted without regard to case.
QStringList LetterFontFamilies();

// Index of `name` in `families`, ignoring letter case; -1 when absent.
int IndexOfFamily(const QStringList& families, const QString& name);

// The family a font box stands for: the selected one, or, when none is
// selected, the name the box kept showing.
QString FontBoxText(const QComboBox* box);

// Selects `name` (in any letter case) in a font box. A name that is not
// listed leaves the box without a selection, still showing what it showed
// before.
void SetFontBoxText(QComboBox* box, const QString& name);

}  // namespace wordlark
