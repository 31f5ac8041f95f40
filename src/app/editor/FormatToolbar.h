#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <span>

#include "HtmlEditor.h"

class QComboBox;
class QToolButton;

namespace wordlark {

// The formatting toolbar above a rich-text editor: a font-name box, a
// font-size box and the buttons of its command table. Every control carries
// in its "Tag" property the number of the editor it serves, and calls the
// owner's handler for it with itself as the sender; the handlers find the
// editor from the tag.
class FormatToolbar : public QWidget {
  Q_OBJECT

 public:
  // The handlers of the toolbar's events (the main window's), named after
  // the controls of the first toolbar.
  class Handlers {
   public:
    virtual void cbxFontName1Change(QComboBox* box) = 0;
    virtual void cbxFontSize1Change(QComboBox* box) = 0;
    virtual void btnBold1Click(QWidget* sender) = 0;
    virtual void btnItalic1Click(QWidget* sender) = 0;
    virtual void btnUnderline1Click(QWidget* sender) = 0;
    virtual void btnNumber1Click(QWidget* sender) = 0;
    virtual void btnPlecas1Click(QWidget* sender) = 0;
    virtual void btnOutdent1Click(QWidget* sender) = 0;
    virtual void btnIdent1Click(QWidget* sender) = 0;
    virtual void btnLeft1Click(QWidget* sender) = 0;
    virtual void btnCenter1Click(QWidget* sender) = 0;
    virtual void btnRight1Click(QWidget* sender) = 0;
    virtual void btnAlign1Click(QWidget* sender) = 0;
    virtual void btnFontColor1Click(QWidget* sender) = 0;
    virtual void btnBGColor1Click(QWidget* sender) = 0;
    virtual void btnLink1Click(QWidget* sender) = 0;
    virtual void btnPicture1Click(QWidget* sender) = 0;
    // Runs one of the handlers above; the owner reports what escapes it.
    virtual void RunHandler(const std::function<void()>& handler) = 0;

   protected:
    ~Handlers() = default;
  };

  enum class Glyph { kPlain, kBold, kItalic, kUnderline };

  // A button of the toolbar.
  struct Command {
    const char* name;      // object name before the editor's number: "btnBold"
    const char* text;      // its text when the desktop's theme has no icon for it
    Glyph glyph;           // how that text is drawn
    const char* icon;      // the theme's icon name
    const char* hint;      // what it does: its accessible name, and its tooltip's start
    const char* shortcut;  // its keys in the editor, in the tooltip ("Ctrl+B"), or none
    const char* command;   // the editor command its handler sends, in the "Command" property
    void (Handlers::*handler)(QWidget* sender);
    bool checkable;  // shows whether the text at the caret has it
    bool dividerAfter;
  };

  // The buttons, left to right: the one place a command is declared.
  static std::span<const Command> Commands();

  // The entries of the font-size box; the digit that begins one is the HTML
  // font size.
  static const QStringList& FontSizes();

  // The toolbar of editor `tag`; the font-name box offers `families` (an
  // empty entry is a separator line), with none selected.
  FormatToolbar(int tag, Handlers& handlers, const QStringList& families,
                QWidget* parent = nullptr);

  int tag() const { return tag_; }

  // Follows `editor`: the buttons and boxes show the format at its caret, and
  // Ctrl+K in it is the link button's click.
  void Attach(HtmlEditor* editor);

  // Shows `format`: checkable buttons checked for the commands on at the
  // caret, the boxes on the caret's font. Updating the boxes sends nothing.
  void ShowCaretFormat(const HtmlEditor::CaretFormat& format);

  QComboBox* fontName = nullptr;
  QComboBox* fontSize = nullptr;

 private:
  void AddButton(const Command& command, Handlers& handlers);
  void AddDivider();

  int tag_;
  HtmlEditor::CaretFormat shown_;
  QList<QToolButton*> buttons_;
};

}  // namespace wordlark
