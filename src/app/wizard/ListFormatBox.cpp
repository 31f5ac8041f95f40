#include "wizard/ListFormatBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <climits>

#include "letter/letter_configuration.h"
#include "widgets/ColorBox.h"
#include "widgets/FontLists.h"

namespace wordlark {

ListFormatBox::ListFormatBox(const Form& form, const QStringList& families, QWidget* parent)
    : QWidget(parent) {
  const auto name = [&form](const char* kind, const char* what) {
    return QString::fromLatin1(kind) + QString::fromLatin1(form.letter) + QString::fromLatin1(what);
  };
  const auto check = [&](const QString& text, const char* what) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name("chk", what));
    return box;
  };
  auto* background = new ColorBox(this);
  background->setObjectName(name("cbx", "BgColor"));
  background->SetValue(form.background);
  auto* fore = new ColorBox(this);
  fore->setObjectName(name("cbx", "Color"));
  fore->SetValue(kColorBlack);
  auto* font = new QComboBox(this);
  font->setObjectName(name("cbx", "Name"));
  AddFontFamilies(font, families);
  font->setMaxVisibleItems(20);
  SetFontBoxText(font, QString::fromLatin1(kDefaultFontName));
  auto* size = new QSpinBox(this);
  size->setObjectName(name("cbx", "Size"));
  size->setRange(INT_MIN, INT_MAX);
  size->setValue(kDefaultFontSize);
  size->setMaximumWidth(90);
  QCheckBox* bold = check(tr("Bold"), "Bold");
  QCheckBox* underline = check(tr("Underline"), "Underline");
  QCheckBox* italic = check(tr("Italic"), "Italic");

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel(tr("Background Color:"), this), 0, 0);
  grid->addWidget(background, 0, 1);
  grid->addWidget(new QLabel(tr("Fore Color:"), this), 0, 2);
  grid->addWidget(fore, 0, 3);
  grid->addWidget(new QLabel(tr("Font Name:"), this), 1, 0);
  grid->addWidget(font, 1, 1);
  grid->addWidget(new QLabel(tr("Font Size:"), this), 1, 2);
  grid->addWidget(size, 1, 3);
  grid->addWidget(new QLabel(tr("Font Style:"), this), 2, 0);
  auto* styles = new QHBoxLayout;
  styles->addWidget(bold);
  styles->addWidget(underline);
  styles->addWidget(italic);
  styles->addStretch(1);
  grid->addLayout(styles, 2, 1, 1, 3);
  grid->setColumnStretch(4, 1);

  *form.backgroundBox = background;
  *form.foreBox = fore;
  *form.fontBox = font;
  *form.sizeBox = size;
  *form.boldBox = bold;
  *form.underlineBox = underline;
  *form.italicBox = italic;
}

}  // namespace wordlark
