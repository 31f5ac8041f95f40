#pragma once

#include <QStringList>

class QComboBox;

namespace wordlark {

// The font families the letter's font boxes and the editors' font-name boxes
// offer: first the common web families (the page is read on the reader's
// computer, which has them, not on this one), then an empty entry that stands
// for a separator line, then this computer's families, sorted without regard
// to case. An installed family is listed by its name alone, without the
// foundry that Qt adds when several foundries make it ("Nimbus Sans [urw]"
// is "Nimbus Sans"), and once, also when it is one of the web families.
QStringList LetterFontFamilies();
QStringList LetterFontFamilies(const QStringList& installed);

// Fills a font box with `families`, an empty entry as a separator line, so
// that an entry's position in the box is its position in the list.
void AddFontFamilies(QComboBox* box, const QStringList& families);

// Index of `name` in `families`, ignoring letter case; -1 when absent (also
// for an empty name, which is no family).
int IndexOfFamily(const QStringList& families, const QString& name);

// The family a font box stands for: the selected one, or, when none is
// selected, the name the box kept showing.
QString FontBoxText(const QComboBox* box);

// Selects `name` (in any letter case) in a font box. A name that is not
// listed leaves the box without a selection, still showing what it showed
// before.
void SetFontBoxText(QComboBox* box, const QString& name);

}  // namespace wordlark
