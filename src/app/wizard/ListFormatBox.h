#pragma once

#include <QStringList>
#include <QWidget>

#include "util/text.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace wordlark {

class ColorBox;

// The seven controls that format a whole list in the page (steps 4 and 5),
// and the order link's format that step 7 keeps: background and fore colour,
// font, size in pixels, bold, underline and italic. Their object names are
// the kind, the list's letter and the value: cbxFBgColor, cbxFColor,
// cbxFName, cbxFSize, chkFBold, chkFUnderline, chkFItalic for "F".
class ListFormatBox : public QWidget {
  Q_OBJECT

 public:
  // The list's letter, its starting background colour, and where the window
  // keeps the controls.
  struct Form {
    const char* letter;
    ColorValue background;
    ColorBox** backgroundBox;
    ColorBox** foreBox;
    QComboBox** fontBox;
    QSpinBox** sizeBox;
    QCheckBox** boldBox;
    QCheckBox** underlineBox;
    QCheckBox** italicBox;
  };

  // The font box offers `families`; the font starts as "Arial", the size as
  // 13 and the fore colour as black.
  ListFormatBox(const Form& form, const QStringList& families, QWidget* parent = nullptr);
};

}  // namespace wordlark
