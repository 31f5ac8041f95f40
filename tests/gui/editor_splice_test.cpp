// The editor's copy of the body follows every edit made in the page, block by
// block, and stays exactly what a serialisation of the whole body gives.
#include <QClipboard>
#include <QMimeData>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "HtmlEditor.h"
#include "gui_test_main.h"
#include "letter/editor_document.h"

using wordlark::HtmlEditor;
using wordlark::test::Eval;
using wordlark::test::EvalIn;
using wordlark::test::ShowFocused;
using wordlark::test::ViewOf;

namespace {

constexpr int kTimeout = wordlark::test::kPageTimeoutMs;

// Runs `script` in the editor's own script world.
QVariant EvalInEditor(HtmlEditor& editor, const QString& script) {
  return EvalIn(ViewOf(editor)->page(), script, QWebEngineScript::ApplicationWorld);
}

// The body as the page serialises it in one piece.
QString PageSerialization(HtmlEditor& editor) {
  return EvalInEditor(editor, QStringLiteral("wordlarkEditor.testing.serialize()")).toString();
}

// GetHtml as it must read for the page's body as it stands.
QString ExpectedHtml(HtmlEditor& editor) {
  return QString::fromStdString(
      wordlark::EditorDocumentHtml(PageSerialization(editor).toStdString()));
}

// Selects from the character `from` of the text in the `from_block`th child
// of the body (its first text node) to the character `to` of the
// `to_block`th: a caret when both are the same.
void Select(HtmlEditor& editor, int from_block, int from, int to_block, int to) {
  Eval(editor, QStringLiteral("{ const text = (i) => { let n = document.body.childNodes[i];"
                              "    while (n.nodeType !== Node.TEXT_NODE) n = n.firstChild;"
                              "    return n; };"
                              "  const r = document.createRange();"
                              "  r.setStart(text(%1), %2); r.setEnd(text(%3), %4);"
                              "  const s = window.getSelection(); s.removeAllRanges();"
                              "  s.addRange(r); }")
                   .arg(from_block)
                   .arg(from)
                   .arg(to_block)
                   .arg(to));
}

// One step of an edit: keys typed, a key with modifiers, a paste, a command.
struct Step {
  enum Kind { kType, kKey, kPaste, kCommand } kind;
  QString text;  // the keys typed, the HTML pasted, the command's name
  int key = 0;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  bool changes = true;  // false: a key that only moves the caret
};

Step Type(const QString& text) {
  return {Step::kType, text};
}
Step Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return {Step::kKey, {}, key, modifiers};
}
Step Move(int key) {
  return {Step::kKey, {}, key, Qt::NoModifier, false};
}
Step Paste(const QString& html) {
  return {Step::kPaste, html};
}
Step Command(const QString& name) {
  return {Step::kCommand, name};
}

}  // namespace

Q_DECLARE_METATYPE(QList<Step>)

class EditorSpliceTest : public QObject {
  Q_OBJECT

 private slots:
  void editsKeepTheCopyExact_data() {
    QTest::addColumn<QString>("start");
    // The selection before the first step: block and character of its start
    // and end.
    QTest::addColumn<QList<int>>("selection");
    QTest::addColumn<QList<Step>>("steps");
    const QString three = QStringLiteral("<p>one</p><p>two <b>bold</b></p><p>three</p>");
    const QList<int> middle = {1, 2, 1, 2};
    QTest::newRow("typing in the middle block")
        << three << middle << QList<Step>{Type(QStringLiteral("x&<y>  z"))};
    QTest::newRow("Enter splits a paragraph")
        << three << middle << QList<Step>{Key(Qt::Key_Return), Type(QStringLiteral("new"))};
    QTest::newRow("Backspace joins two")
        << three << QList<int>{2, 0, 2, 0} << QList<Step>{Key(Qt::Key_Backspace)};
    QTest::newRow("deleting a selection across blocks")
        << three << QList<int>{0, 1, 2, 2} << QList<Step>{Key(Qt::Key_Delete)};
    QTest::newRow("pasting several paragraphs")
        << three << middle
        << QList<Step>{Paste(QStringLiteral("<p>A</p><p>B</p><h2>C</h2><p>D</p>"))};
    QTest::newRow("undo and redo")
        << three << middle
        << QList<Step>{Key(Qt::Key_Return),
                       Type(QStringLiteral("ab")),
                       Key(Qt::Key_Z, Qt::ControlModifier),
                       Key(Qt::Key_Y, Qt::ControlModifier),
                       Key(Qt::Key_Z, Qt::ControlModifier),
                       Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier)};
    QTest::newRow("bold across blocks")
        << three << QList<int>{0, 1, 2, 3} << QList<Step>{Command(QStringLiteral("Bold"))};
    // The page puts the list inside the paragraph, which serialising splits.
    QTest::newRow("a list made from a paragraph")
        << three << middle
        << QList<Step>{Command(QStringLiteral("InsertOrderedList")), Type(QStringLiteral("q")),
                       Key(Qt::Key_Return), Type(QStringLiteral("next"))};
    QTest::newRow("typing into an empty document")
        << QString() << QList<int>{}
        << QList<Step>{Type(QStringLiteral("hi")), Key(Qt::Key_Return),
                       Type(QStringLiteral("there"))};
    QTest::newRow("text in the body without a block")
        << QStringLiteral("loose text<p>one</p><!-- note -->tail") << QList<int>{0, 5, 0, 5}
        << QList<Step>{Type(QStringLiteral("<&\u00a0>")), Move(Qt::Key_End), Key(Qt::Key_Return),
                       Type(QStringLiteral("b"))};
  }
  // After each step the copy is what a serialisation of the whole body
  // gives, without the page ever being asked for all of it again; the
  // change signal comes with each change.
  void editsKeepTheCopyExact() {
    QFETCH(QString, start);
    QFETCH(QList<int>, selection);
    QFETCH(QList<Step>, steps);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("asking for the whole body")));
    HtmlEditor editor;
    editor.SetHtml(start);
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(editor.GetHtml(), ExpectedHtml(editor));
    QSignalSpy changed(&editor, &HtmlEditor::contentChanged);
    if (selection.isEmpty()) {
      Eval(editor, QStringLiteral("{ const r = document.createRange();"
                                  "  r.selectNodeContents(document.body); r.collapse(false);"
                                  "  const s = window.getSelection(); s.removeAllRanges();"
                                  "  s.addRange(r); }"));
    } else {
      Select(editor, selection[0], selection[1], selection[2], selection[3]);
    }
    QWidget* keys = ViewOf(editor)->focusProxy();
    QString before = PageSerialization(editor);
    for (qsizetype n = 0; n < steps.size(); ++n) {
      const Step& step = steps[n];
      const QByteArray where = "step " + QByteArray::number(n + 1);
      changed.clear();
      switch (step.kind) {
        case Step::kType:
          QTest::keyClicks(keys, step.text);
          break;
        case Step::kKey:
          QTest::keyClick(keys, Qt::Key(step.key), step.modifiers);
          break;
        case Step::kPaste: {
          auto* copied = new QMimeData;
          copied->setHtml(step.text);
          copied->setText(QStringLiteral("pasted"));
          QGuiApplication::clipboard()->setMimeData(copied);
          QTest::keyClick(keys, Qt::Key_V, Qt::ControlModifier);
          break;
        }
        case Step::kCommand:
          editor.ExecCommand(step.text);
          break;
      }
      if (!step.changes) {
        continue;
      }
      // The step has changed the page; then the copy must come to match it.
      QTRY_VERIFY2_WITH_TIMEOUT(PageSerialization(editor) != before, where.constData(), kTimeout);
      QTRY_COMPARE_WITH_TIMEOUT(editor.GetHtml(), ExpectedHtml(editor), kTimeout);
      QVERIFY2(changed.count() >= 1, where.constData());
      before = PageSerialization(editor);
    }
    // Moving the caret changes nothing.
    changed.clear();
    QTest::keyClick(keys, Qt::Key_Home);
    QTest::keyClick(keys, Qt::Key_End);
    QCOMPARE(editor.GetHtml(), ExpectedHtml(editor));
    QCOMPARE(changed.count(), 0);
  }

  void aSpoiltReportIsRepaired_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("lost") << "lose";
    QTest::newRow("beyond the blocks") << "misplace";
  }
  // A report that went missing or does not fit the copy: the next one shows
  // it, and the copy is taken whole from the page.
  void aSpoiltReportIsRepaired() {
    QFETCH(QString, how);
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p>one</p><p>two</p><p>three</p>"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QSignalSpy changed(&editor, &HtmlEditor::contentChanged);
    QWidget* keys = ViewOf(editor)->focusProxy();
    EvalInEditor(editor,
                 QStringLiteral("wordlarkEditor.testing.spoilNextReport('%1'); true").arg(how));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("asking for the whole body")));
    Select(editor, 1, 3, 1, 3);
    QTest::keyClick(keys, Qt::Key_A);
    // A lost report shows with the next one; a misplaced one at once.
    QTRY_COMPARE_WITH_TIMEOUT(PageSerialization(editor),
                              QStringLiteral("<p>one</p><p>twoa</p><p>three</p>"), kTimeout);
    Select(editor, 2, 0, 2, 0);
    QTest::keyClick(keys, Qt::Key_B);
    QTRY_COMPARE_WITH_TIMEOUT(PageSerialization(editor),
                              QStringLiteral("<p>one</p><p>twoa</p><p>bthree</p>"), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(),
                              QStringLiteral("<body><p>one</p><p>twoa</p><p>bthree</p></body>"),
                              kTimeout);
    QVERIFY(changed.count() >= 1);

    // Reports after the repair fit again.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("asking for the whole body")));
    QTest::keyClick(keys, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(
        editor.GetBodyHtml(),
        QStringLiteral("<body><p>one</p><p>twoa</p><p>b</p><p>three</p></body>"), kTimeout);
  }

  void editingALinkCanBeUndone_data() {
    QTest::addColumn<QString>("text");  // the new text; null keeps the link's
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("undoSteps");
    QTest::newRow("address")
        << QString()
        << "Visit <a href=\"tel:+15550100\" title=\"Our shop\">our <b>shop</b></a> today" << 1;
    // A new text makes a new link, which takes over the old one's title.
    QTest::newRow("address and text")
        << "the <shop>"
        << "Visit <a href=\"tel:+15550100\" title=\"Our shop\">the &lt;shop&gt;</a> today" << 2;
  }
  // A link changed at the caret is on the page's undo list: undo brings the
  // link back as it was, redo the change, and the copy follows.
  void editingALinkCanBeUndone() {
    QFETCH(QString, text);
    QFETCH(QString, changed);
    QFETCH(int, undoSteps);
    const QString link = QStringLiteral(
        "<p>Visit <a href=\"https://example.com/\" title=\"Our shop\">our <b>shop</b></a> "
        "today</p>");
    HtmlEditor editor;
    editor.SetHtml(link);
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    Eval(editor, QStringLiteral("{ const r = document.createRange();"
                                "  r.setStart(document.querySelector('a').firstChild, 2);"
                                "  const s = window.getSelection(); s.removeAllRanges();"
                                "  s.addRange(r); }"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.FormatAtCaret().inLink, kTimeout);
    editor.SetLink(QStringLiteral("tel:+15550100"),
                   text.isNull() ? std::nullopt : std::optional<QString>(text));
    const QString after = QStringLiteral("<body><p>") + changed + QStringLiteral("</p></body>");
    QCOMPARE(editor.GetBodyHtml(), after);

    QWidget* keys = ViewOf(editor)->focusProxy();
    for (int i = 0; i < undoSteps; ++i) {
      QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
    }
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(), QStringLiteral("<body>") + link + "</body>",
                              kTimeout);
    QCOMPARE(editor.GetHtml(), ExpectedHtml(editor));
    for (int i = 0; i < undoSteps; ++i) {
      QTest::keyClick(keys, Qt::Key_Y, Qt::ControlModifier);
    }
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(), after, kTimeout);
  }
};

WORDLARK_GUI_TEST_MAIN(EditorSpliceTest)

#include "editor_splice_test.moc"
