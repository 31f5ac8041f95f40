#include "FormatToolbar.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>

namespace wordlark {

const QStringList& FormatToolbar::FontSizes() {
  static const QStringList sizes = {
      QStringLiteral("1  (  8 pt)"), QStringLiteral("2  (10 pt)"), QStringLiteral("3  (12 pt)"),
      QStringLiteral("4  (14 pt)"),  QStringLiteral("5  (18 pt)"), QStringLiteral("6  (24 pt)"),
      QStringLiteral("7  (36 pt)"),
  };
  return sizes;
}

FormatToolbar::FormatToolbar(int tag, QWidget* parent) : QWidget(parent), tag_(tag) {
  setObjectName(QStringLiteral("bsSkinToolBar%1").arg(tag));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);

  const QString n = QString::number(tag);
  fontName = new QComboBox(this);
  fontName->setObjectName(QStringLiteral("cbxFontName") + n);
  fontName->setProperty("Tag", tag);
  fontName->setMinimumContentsLength(14);
  fontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fontName->setAccessibleName(tr("Font name"));
  layout->addWidget(fontName);
  AddDivider();

  fontSize = new QComboBox(this);
  fontSize->setObjectName(QStringLiteral("cbxFontSize") + n);
  fontSize->setProperty("Tag", tag);
  fontSize->addItems(FontSizes());
  fontSize->setCurrentIndex(2);
  fontSize->setAccessibleName(tr("Font size"));
  layout->addWidget(fontSize);
  AddDivider();

  bold = AddButton(QStringLiteral("btnBold"), QStringLiteral("B"),
                   QStringLiteral("format-text-bold"), tr("Bold"));
  QFont f = bold->font();
  f.setBold(true);
  bold->setFont(f);
  italic = AddButton(QStringLiteral("btnItalic"), QStringLiteral("I"),
                     QStringLiteral("format-text-italic"), tr("Italic"));
  f = italic->font();
  f.setItalic(true);
  italic->setFont(f);
  underline = AddButton(QStringLiteral("btnUnderline"), QStringLiteral("U"),
                        QStringLiteral("format-text-underline"), tr("Underline"));
  f = underline->font();
  f.setUnderline(true);
  underline->setFont(f);
  AddDivider();
  number = AddButton(QStringLiteral("btnNumber"), QStringLiteral("1."),
                     QStringLiteral("format-list-ordered"), tr("Numbered list"));
  bullets = AddButton(QStringLiteral("btnPlecas"), QStringLiteral("\u2022"),
                      QStringLiteral("format-list-unordered"), tr("Bulleted list"));
  outdent = AddButton(QStringLiteral("btnOutdent"), QStringLiteral("\u21E4"),
                      QStringLiteral("format-indent-less"), tr("Decrease indent"));
  indent = AddButton(QStringLiteral("btnIdent"), QStringLiteral("\u21E5"),
                     QStringLiteral("format-indent-more"), tr("Increase indent"));
  AddDivider();
  alignLeft = AddButton(QStringLiteral("btnLeft"), QStringLiteral("\u2261L"),
                        QStringLiteral("format-justify-left"), tr("Align left"));
  center = AddButton(QStringLiteral("btnCenter"), QStringLiteral("\u2261C"),
                     QStringLiteral("format-justify-center"), tr("Center"));
  alignRight = AddButton(QStringLiteral("btnRight"), QStringLiteral("\u2261R"),
                         QStringLiteral("format-justify-right"), tr("Align right"));
  justify = AddButton(QStringLiteral("btnAlign"), QStringLiteral("\u2261J"),
                      QStringLiteral("format-justify-fill"), tr("Justify"));
  AddDivider();
  fontColor = AddButton(QStringLiteral("btnFontColor"), QStringLiteral("A"),
                        QStringLiteral("format-text-color"), tr("Font color"));
  backColor = AddButton(QStringLiteral("btnBGColor"), QStringLiteral("\u25A7"),
                        QStringLiteral("format-fill-color"), tr("Background color"));
  layout->addStretch(1);
}

QToolButton* FormatToolbar::AddButton(const QString& name, const QString& text,
                                      const QString& iconName, const QString& accessibleName) {
  auto* button = new QToolButton(this);
  button->setObjectName(name + QString::number(tag_));
  button->setProperty("Tag", tag_);
  button->setAccessibleName(accessibleName);
  const QIcon icon = QIcon::fromTheme(iconName);
  if (icon.isNull()) {
    button->setText(text);
  } else {
    button->setIcon(icon);
  }
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  static_cast<QHBoxLayout*>(layout())->addWidget(button);
  return button;
}

void FormatToolbar::AddDivider() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  static_cast<QHBoxLayout*>(layout())->addWidget(line);
}

}  // namespace wordlark
