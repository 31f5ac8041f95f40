#include "FormatToolbar.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QSignalBlocker>
#include <QToolButton>
#include <array>

namespace wordlark {
namespace {

using G = FormatToolbar::Glyph;
using H = FormatToolbar::Handlers;

const std::array<FormatToolbar::Command, 15> kCommands = {{
    {"btnBold", "B", G::kBold, "format-text-bold", "Bold", "Ctrl+B", "Bold", &H::btnBold1Click,
     true, false},
    {"btnItalic", "I", G::kItalic, "format-text-italic", "Italic", "Ctrl+I", "Italic",
     &H::btnItalic1Click, true, false},
    {"btnUnderline", "U", G::kUnderline, "format-text-underline", "Underline", "Ctrl+U",
     "Underline", &H::btnUnderline1Click, true, true},
    {"btnNumber", "1.", G::kPlain, "format-list-ordered", "Numbered list", nullptr,
     "InsertOrderedList", &H::btnNumber1Click, true, false},
    {"btnPlecas", "\u2022", G::kPlain, "format-list-unordered", "Bulleted list", nullptr,
     "InsertUnorderedList", &H::btnPlecas1Click, false, false},
    {"btnOutdent", "\u21E4", G::kPlain, "format-indent-less", "Decrease indent", nullptr, "Outdent",
     &H::btnOutdent1Click, false, false},
    {"btnIdent", "\u21E5", G::kPlain, "format-indent-more", "Increase indent", nullptr, "Indent",
     &H::btnIdent1Click, false, true},
    {"btnLeft", "\u2261L", G::kPlain, "format-justify-left", "Align left", nullptr, "JustifyLeft",
     &H::btnLeft1Click, true, false},
    {"btnCenter", "\u2261C", G::kPlain, "format-justify-center", "Center", nullptr, "JustifyCenter",
     &H::btnCenter1Click, true, false},
    {"btnRight", "\u2261R", G::kPlain, "format-justify-right", "Align right", nullptr,
     "JustifyRight", &H::btnRight1Click, true, false},
    {"btnAlign", "\u2261J", G::kPlain, "format-justify-fill", "Justify", nullptr, "JustifyFull",
     &H::btnAlign1Click, true, true},
    {"btnFontColor", "A", G::kPlain, "format-text-color", "Font color", nullptr, "ForeColor",
     &H::btnFontColor1Click, false, false},
    {"btnBGColor", "\u25A7", G::kPlain, "format-fill-color", "Background color", nullptr,
     "BackColor", &H::btnBGColor1Click, false, true},
    {"btnLink", "Link", G::kPlain, "insert-link", "Link", "Ctrl+K", "CreateLink", &H::btnLink1Click,
     false, false},
    {"btnPicture", "Pic", G::kPlain, "insert-image", "Picture", "Ctrl+Shift+P", "InsertPicture",
     &H::btnPicture1Click, false, false},
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
  fontName->setToolTip(tr("Font name"));
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
  fontSize->setToolTip(tr("Font size"));
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
  button->setToolTip(command.shortcut == nullptr
                         ? tr(command.hint)
                         : QStringLiteral("%1 (%2)").arg(
                               tr(command.hint), QKeySequence(QString::fromLatin1(command.shortcut))
                                                     .toString(QKeySequence::NativeText)));
  button->setCheckable(command.checkable);
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
  // A click toggles a checkable button at once; what it shows is the
  // editor's answer, which comes with the caret's next report.
  connect(button, &QToolButton::clicked, this,
          [this, &handlers, handler = command.handler, button] {
            handlers.RunHandler([&handlers, handler, button] { (handlers.*handler)(button); });
            ShowCaretFormat(shown_);
          });
  buttons_ << button;
  if (command.dividerAfter) {
    AddDivider();
  }
}

void FormatToolbar::Attach(HtmlEditor* editor) {
  connect(editor, &HtmlEditor::caretFormatChanged, this,
          [this, editor] { ShowCaretFormat(editor->FormatAtCaret()); });
  auto* link = findChild<QToolButton*>(QStringLiteral("btnLink") + QString::number(tag_));
  connect(editor, &HtmlEditor::linkRequested, link, &QToolButton::click);
}

void FormatToolbar::ShowCaretFormat(const HtmlEditor::CaretFormat& format) {
  shown_ = format;
  for (QToolButton* button : std::as_const(buttons_)) {
    if (button->isCheckable()) {
      button->setChecked(format.active.contains(button->property("Command").toString()));
    }
  }
  // The boxes follow the caret without sending their choice back.
  if (!format.fontName.isEmpty()) {
    const QSignalBlocker blocker(fontName);
    fontName->setCurrentIndex(fontName->findText(format.fontName, Qt::MatchFixedString));
  }
  if (format.fontSize != 0) {
    const QSignalBlocker blocker(fontSize);
    fontSize->setCurrentIndex(format.fontSize - 1);
  }
}

void FormatToolbar::AddDivider() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  static_cast<QHBoxLayout*>(layout())->addWidget(line);
}

}  // namespace wordlark
