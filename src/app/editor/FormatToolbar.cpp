#include "FormatToolbar.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>
#include <array>

namespace wordlark {
namespace {

using G = FormatToolbar::Glyph;
using H = FormatToolbar::Handlers;

const std::array<FormatToolbar::Command, 13> kCommands = {{
    {"btnBold", "B", G::kBold, "format-text-bold", "Bold", "Bold", &H::btnBold1Click, false},
    {"btnItalic", "I", G::kItalic, "format-text-italic", "Italic", "Italic", &H::btnItalic1Click,
     false},
    {"btnUnderline", "U", G::kUnderline, "format-text-underline", "Underline", "Underline",
     &H::btnUnderline1Click, true},
    {"btnNumber", "1.", G::kPlain, "format-list-ordered", "Numbered list", "InsertOrderedList",
     &H::btnNumber1Click, false},
    {"btnPlecas", "\u2022", G::kPlain, "format-list-unordered", "Bulleted list",
     "InsertUnorderedList", &H::btnPlecas1Click, false},
    {"btnOutdent", "\u21E4", G::kPlain, "format-indent-less", "Decrease indent", "Outdent",
     &H::btnOutdent1Click, false},
    {"btnIdent", "\u21E5", G::kPlain, "format-indent-more", "Increase indent", "Indent",
     &H::btnIdent1Click, true},
    {"btnLeft", "\u2261L", G::kPlain, "format-justify-left", "Align left", "JustifyLeft",
     &H::btnLeft1Click, false},
    {"btnCenter", "\u2261C", G::kPlain, "format-justify-center", "Center", "JustifyCenter",
     &H::btnCenter1Click, false},
    {"btnRight", "\u2261R", G::kPlain, "format-justify-right", "Align right", "JustifyRight",
     &H::btnRight1Click, false},
    {"btnAlign", "\u2261J", G::kPlain, "format-justify-fill", "Justify", "JustifyFull",
     &H::btnAlign1Click, true},
    {"btnFontColor", "A", G::kPlain, "format-text-color", "Font color", "ForeColor",
     &H::btnFontColor1Click, false},
    {"btnBGColor", "\u25A7", G::kPlain, "format-fill-color", "Background color", "BackColor",
     &H::btnBGColor1Click, false},
}};

}  // namespace

std::span<const FormatToolbar::Command> FormatToolbar::Commands() {
  return kCommands;
}

const QStringList& FormatToolbar::FontSizes() {
  static const QStringList sizes = {
      QStringLiteral("1  (  8 pt)"), QStringLiteral("2  (10 pt)"), QStringLiteral("3  (12 pt)"),
      QStringLiteral("4  (14 pt)"),  QStringLiteral("5  (18 pt)"), QStringLiteral("6  (24 pt)"),
      QStringLiteral("7  (36 pt)"),
  };
  return sizes;
}

FormatToolbar::FormatToolbar(int tag, Handlers& handlers, const QStringList& families,
                             QWidget* parent)
    : QWidget(parent), tag_(tag) {
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
  for (const QString& family : families) {
    if (family.isEmpty()) {
      fontName->insertSeparator(fontName->count());
    } else {
      fontName->addItem(family);
    }
  }
  fontName->setCurrentIndex(-1);
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

  // Connected once filled: only the user's choices and the window's
  // preselection reach the handlers.
  for (QComboBox* box : {fontName, fontSize}) {
    const auto handler =
        box == fontName ? &Handlers::cbxFontName1Change : &Handlers::cbxFontSize1Change;
    connect(box, &QComboBox::currentTextChanged, this, [&handlers, handler, box] {
      handlers.RunHandler([&handlers, handler, box] { (handlers.*handler)(box); });
    });
  }
  for (const Command& command : Commands()) {
    AddButton(command, handlers);
  }
  layout->addStretch(1);
}

void FormatToolbar::AddButton(const Command& command, Handlers& handlers) {
  auto* button = new QToolButton(this);
  button->setObjectName(QString::fromLatin1(command.name) + QString::number(tag_));
  button->setProperty("Tag", tag_);
  button->setProperty("Command", QString::fromLatin1(command.command));
  button->setAccessibleName(tr(command.hint));
  const QIcon icon = QIcon::fromTheme(QString::fromLatin1(command.icon));
  if (icon.isNull()) {
    button->setText(QString::fromUtf8(command.text));
  } else {
    button->setIcon(icon);
  }
  QFont font = button->font();
  font.setBold(command.glyph == Glyph::kBold);
  font.setItalic(command.glyph == Glyph::kItalic);
  font.setUnderline(command.glyph == Glyph::kUnderline);
  button->setFont(font);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  static_cast<QHBoxLayout*>(layout())->addWidget(button);
  connect(button, &QToolButton::clicked, this, [&handlers, handler = command.handler, button] {
    handlers.RunHandler([&handlers, handler, button] { (handlers.*handler)(button); });
  });
  if (command.dividerAfter) {
    AddDivider();
  }
}

void FormatToolbar::AddDivider() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  static_cast<QHBoxLayout*>(layout())->addWidget(line);
}

}  // namespace wordlark
