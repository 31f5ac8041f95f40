// The formatting toolbar on its own: its command table makes the controls of
// each toolbar, and each control calls its own handler with itself.
#include <QComboBox>
#include <QToolButton>

#include "FormatToolbar.h"
#include "gui_test_main.h"

using wordlark::FormatToolbar;

namespace {

// Records which handler ran, for which control.
class Recorder : public FormatToolbar::Handlers {
 public:
  QStringList calls;

  void cbxFontName1Change(QComboBox* box) override { Record("cbxFontName1Change", box); }
  void cbxFontSize1Change(QComboBox* box) override { Record("cbxFontSize1Change", box); }
  void btnBold1Click(QWidget* s) override { Record("btnBold1Click", s); }
  void btnItalic1Click(QWidget* s) override { Record("btnItalic1Click", s); }
  void btnUnderline1Click(QWidget* s) override { Record("btnUnderline1Click", s); }
  void btnNumber1Click(QWidget* s) override { Record("btnNumber1Click", s); }
  void btnPlecas1Click(QWidget* s) override { Record("btnPlecas1Click", s); }
  void btnOutdent1Click(QWidget* s) override { Record("btnOutdent1Click", s); }
  void btnIdent1Click(QWidget* s) override { Record("btnIdent1Click", s); }
  void btnLeft1Click(QWidget* s) override { Record("btnLeft1Click", s); }
  void btnCenter1Click(QWidget* s) override { Record("btnCenter1Click", s); }
  void btnRight1Click(QWidget* s) override { Record("btnRight1Click", s); }
  void btnAlign1Click(QWidget* s) override { Record("btnAlign1Click", s); }
  void btnFontColor1Click(QWidget* s) override { Record("btnFontColor1Click", s); }
  void btnBGColor1Click(QWidget* s) override { Record("btnBGColor1Click", s); }
  void btnLink1Click(QWidget* s) override { Record("btnLink1Click", s); }
  void btnPicture1Click(QWidget* s) override { Record("btnPicture1Click", s); }
  void RunHandler(const std::function<void()>& handler) override {
    ++runs;
    handler();
  }
  int runs = 0;

 private:
  void Record(const char* handler, QWidget* sender) {
    calls << QStringLiteral("%1 %2 %3 %4")
                 .arg(QLatin1String(handler), sender->objectName(),
                      sender->property("Tag").toString(), sender->property("Command").toString())
                 .trimmed();
  }
};

}  // namespace

class FormatToolbarTest : public QObject {
  Q_OBJECT

 private slots:
  void eachControlCallsItsHandlerWithItself() {
    Recorder handlers;
    FormatToolbar toolbar(10, handlers, {QStringLiteral("Arial"), QStringLiteral("Georgia")});
    QCOMPARE(toolbar.objectName(), QStringLiteral("bsSkinToolBar10"));
    QCOMPARE(toolbar.fontName->currentIndex(), -1);  // nothing chosen, nothing sent yet
    QVERIFY(handlers.calls.isEmpty());

    const QStringList buttons = {
        QStringLiteral("btnBold10"),      QStringLiteral("btnItalic10"),
        QStringLiteral("btnUnderline10"), QStringLiteral("btnNumber10"),
        QStringLiteral("btnPlecas10"),    QStringLiteral("btnOutdent10"),
        QStringLiteral("btnIdent10"),     QStringLiteral("btnLeft10"),
        QStringLiteral("btnCenter10"),    QStringLiteral("btnRight10"),
        QStringLiteral("btnAlign10"),     QStringLiteral("btnFontColor10"),
        QStringLiteral("btnBGColor10"),   QStringLiteral("btnLink10"),
        QStringLiteral("btnPicture10"),
    };
    QCOMPARE(toolbar.findChildren<QToolButton*>().size(), buttons.size());
    for (const QString& name : buttons) {
      auto* button = toolbar.findChild<QToolButton*>(name);
      QVERIFY2(button != nullptr, qPrintable(name));
      button->click();
    }
    toolbar.fontName->setCurrentIndex(1);
    toolbar.fontSize->setCurrentIndex(6);

    QCOMPARE(handlers.calls,
             (QStringList{
                 QStringLiteral("btnBold1Click btnBold10 10 Bold"),
                 QStringLiteral("btnItalic1Click btnItalic10 10 Italic"),
                 QStringLiteral("btnUnderline1Click btnUnderline10 10 Underline"),
                 QStringLiteral("btnNumber1Click btnNumber10 10 InsertOrderedList"),
                 QStringLiteral("btnPlecas1Click btnPlecas10 10 InsertUnorderedList"),
                 QStringLiteral("btnOutdent1Click btnOutdent10 10 Outdent"),
                 QStringLiteral("btnIdent1Click btnIdent10 10 Indent"),
                 QStringLiteral("btnLeft1Click btnLeft10 10 JustifyLeft"),
                 QStringLiteral("btnCenter1Click btnCenter10 10 JustifyCenter"),
                 QStringLiteral("btnRight1Click btnRight10 10 JustifyRight"),
                 QStringLiteral("btnAlign1Click btnAlign10 10 JustifyFull"),
                 QStringLiteral("btnFontColor1Click btnFontColor10 10 ForeColor"),
                 QStringLiteral("btnBGColor1Click btnBGColor10 10 BackColor"),
                 QStringLiteral("btnLink1Click btnLink10 10 CreateLink"),
                 QStringLiteral("btnPicture1Click btnPicture10 10 InsertPicture"),
                 QStringLiteral("cbxFontName1Change cbxFontName10 10"),
                 QStringLiteral("cbxFontSize1Change cbxFontSize10 10"),
             }));
    // Every call went through the owner, which reports what escapes a handler.
    QCOMPARE(handlers.runs, handlers.calls.size());
    QCOMPARE(toolbar.fontSize->currentText(), QStringLiteral("7  (36 pt)"));
  }

  // Every button names its command, with its keys where it has them; the
  // ones with a state at the caret can show it.
  void buttonsTellTheirCommandAndKeys() {
    Recorder handlers;
    FormatToolbar toolbar(2, handlers, {});
    const QList<std::pair<QString, QString>> hints = {
        {"btnBold2", "Bold (Ctrl+B)"},
        {"btnItalic2", "Italic (Ctrl+I)"},
        {"btnUnderline2", "Underline (Ctrl+U)"},
        {"btnNumber2", "Numbered list"},
        {"btnPlecas2", "Bulleted list"},
        {"btnOutdent2", "Decrease indent"},
        {"btnIdent2", "Increase indent"},
        {"btnLeft2", "Align left"},
        {"btnCenter2", "Center"},
        {"btnRight2", "Align right"},
        {"btnAlign2", "Justify"},
        {"btnFontColor2", "Font color"},
        {"btnBGColor2", "Background color"},
        {"btnLink2", "Link (Ctrl+K)"},
        {"btnPicture2", "Picture (Ctrl+Shift+P)"},
    };
    const QStringList checkable = {"btnBold2", "btnItalic2", "btnUnderline2", "btnNumber2",
                                   "btnLeft2", "btnCenter2", "btnRight2",     "btnAlign2"};
    QCOMPARE(toolbar.findChildren<QToolButton*>().size(), hints.size());
    for (const auto& [name, hint] : hints) {
      auto* button = toolbar.findChild<QToolButton*>(name);
      QVERIFY2(button != nullptr, qPrintable(name));
      QCOMPARE(button->toolTip(), hint);
      QCOMPARE(button->isCheckable(), checkable.contains(name));
    }
    QCOMPARE(toolbar.fontName->toolTip(), QStringLiteral("Font name"));
    QCOMPARE(toolbar.fontSize->toolTip(), QStringLiteral("Font size"));
  }

  // The caret's format checks its buttons and moves the boxes without a
  // command going back to the editor; a click shows the editor's answer, not
  // the click's own toggle.
  void caretFormatShowsWithoutSending() {
    Recorder handlers;
    FormatToolbar toolbar(1, handlers,
                          {QStringLiteral("Arial"), QString(), QStringLiteral("Georgia")});
    wordlark::HtmlEditor::CaretFormat format;
    format.active = QStringList{QStringLiteral("Bold"), QStringLiteral("JustifyCenter")};
    format.fontName = QStringLiteral("georgia");
    format.fontSize = 6;
    toolbar.ShowCaretFormat(format);
    const auto checked = [&toolbar] {
      QStringList names;
      for (auto* b : toolbar.findChildren<QToolButton*>()) {
        if (b->isChecked()) {
          names << b->objectName();
        }
      }
      return names;
    };
    QCOMPARE(checked(), (QStringList{"btnBold1", "btnCenter1"}));
    QCOMPARE(toolbar.fontName->currentText(), QStringLiteral("Georgia"));
    QCOMPARE(toolbar.fontSize->currentText(), QStringLiteral("6  (24 pt)"));
    QVERIFY(handlers.calls.isEmpty());

    toolbar.findChild<QToolButton*>(QStringLiteral("btnItalic1"))->click();
    QCOMPARE(handlers.calls, QStringList{QStringLiteral("btnItalic1Click btnItalic1 1 Italic")});
    QCOMPARE(checked(), (QStringList{"btnBold1", "btnCenter1"}));

    // A font the list does not have leaves the name box empty; no size
    // known leaves the size box as it was.
    format.active.clear();
    format.fontName = QStringLiteral("Unknown Sans");
    format.fontSize = 0;
    toolbar.ShowCaretFormat(format);
    QCOMPARE(checked(), QStringList());
    QCOMPARE(toolbar.fontName->currentIndex(), -1);
    QCOMPARE(toolbar.fontSize->currentText(), QStringLiteral("6  (24 pt)"));
    QCOMPARE(handlers.calls.size(), 1);
  }
};

WORDLARK_GUI_TEST_MAIN(FormatToolbarTest)
#include "format_toolbar_test.moc"
